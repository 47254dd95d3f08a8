"""Quitting and coming back: through the tray menu with a tray host running,
and by closing the window without one; after each restart the tasks typed
before are there. While the program runs, starting it again brings its window
forward instead of starting a second program."""

import os

from e2e import check, has_tasks, poll, read, run, type_tasks


def window_showing(s, app):
    return any(s.is_showing(b) for b in s.find_all(app, "push button", "Lists", showing=False))


def scenario(s):
    home = s.home("user")
    s.write_settings(home, "[updater]\nenabled=false\n")
    lists = os.path.join(s.data_dir(home), "lists.xhtml")

    first = s.start(home)
    app = s.app(first)
    s.main_window(first)
    type_tasks(s, app, ["Milk", "Eggs"])
    has_tasks(s, app, ["Milk", "Eggs"])
    s.shot("typed")

    # With a tray, closing the window keeps the program running.
    s.click(s.find(app, "push button", "Close"))
    poll("the window to hide", lambda: not window_showing(s, app))
    check(first.poll() is None, "closing the window with a tray host must not end the program")
    s.shot("hidden")

    # Starting it again hands over to the running program and ends.
    second = s.start(home)
    code = s.wait_exit(second, "the second start to end")
    check(code == 0, "the second start ended with %r" % code)
    poll("the running program's window to come forward", lambda: window_showing(s, app))
    check(first.poll() is None, "the first program still runs")
    s.shot("forward")

    s.tray_menu_choose_last()
    code = s.wait_exit(first, "the program to quit from the tray menu")
    check(code == 0, "quit from the tray menu ended with %r" % code)
    check("Milk" in read(lists) and "Eggs" in read(lists), "the tasks are saved on quitting")

    # Restart: everything is there.
    third = s.start(home)
    app = s.app(third)
    s.tray_icon()
    if not window_showing(s, app):
        # Started hidden in the tray: a click on the icon shows the window.
        s.click_at(*s.tray_icon())
    poll("the window", lambda: window_showing(s, app))
    has_tasks(s, app, ["Milk", "Eggs"])
    s.shot("restarted")
    s.tray_menu_choose_last()
    check(s.wait_exit(third, "the program to quit") == 0, "quit ended with an error")

    # Without a tray host, closing the window ends the program.
    s.tray.terminate()
    s.tray.wait(timeout=20)
    fourth = s.start(home)
    app = s.app(fourth)
    s.main_window(fourth)
    has_tasks(s, app, ["Milk", "Eggs"])
    type_tasks(s, app, ["Bread"])
    has_tasks(s, app, ["Bread"])
    s.shot("no-tray")
    s.click(s.find(app, "push button", "Close"))
    check(s.wait_exit(fourth, "closing the window to end the program") == 0, "closing ended with an error")
    check("Bread" in read(lists), "the task typed last is saved on closing")

    fifth = s.start(home)
    app = s.app(fifth)
    s.main_window(fifth)
    has_tasks(s, app, ["Milk", "Eggs", "Bread"])
    s.shot("restarted-again")
    s.click(s.find(app, "push button", "Close"))
    check(s.wait_exit(fifth, "the program to end") == 0, "closing ended with an error")
    leftovers = [f for f in os.listdir(s.data_dir(home)) if f.startswith("lists.xhtml") and f != "lists.xhtml"]
    check(not leftovers, "no half-written or kept-aside lists files: %r" % leftovers)


run("quit", scenario, tray=True)
