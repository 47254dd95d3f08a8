"""With list autosync on, the user removes a task that the account's other
computer renamed meanwhile, and goes on to another list to type there. The
run of the list left keeps the task with its new title: it says so on that
list's tab (its icon and tip), not in a box that would take the keys being
typed, and every title typed is there. The tab still says it once the
program is closed and started again; the next full synchronisation tells it
once its window is closed, and the tab is as before."""

import os

import pyatspi

from e2e import check, has_tasks, new_list, poll, run, type_tasks

TYPED = ["Bread", "Eggs", "Jam", "Oil", "Rice", "Salt"]
KEPT = "kept with that change"


def tab(s, app, name):
    return s.find(app, "page tab", name, what="the tab %s" % name, showing=False)


def open_tab(s, app, name):
    s.click(tab(s, app, name))
    poll("the list %s shown" % name, lambda: tab(s, app, name).getState().contains(pyatspi.STATE_SELECTED))


def cell(s, app, title):
    return poll("the task %r" % title,
                lambda: next((c for c in s.task_cells(app) if (s.text_of(c) or "").strip() == title), None))


def boxes(s, app):
    """The message boxes shown (titled "Sync", with an Ok button)."""
    return [d for d in s.find_all(app, "dialog", "Sync") if s.find_all(d, "push button", "Ok")]


def server_titles(s, name):
    import re

    for doc in s.server_lists():
        if "<dd>%s</dd>" % name in doc:
            return sorted(re.findall(r"<dt>title</dt>\s*<dd>([^<]*)</dd>", doc))
    return None


def off_the_bus(s, process):
    """Waits until the accessibility registry no longer lists the ended
    `process`: a program started before may not be listed at all."""

    def listed():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            try:
                a = desktop.getChildAtIndex(i)
                if a is not None and a.get_process_id() == process.pid:
                    return True
            except Exception:
                pass
        return False

    poll("the ended program off the accessibility bus", lambda: not listed())


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    with open(os.path.join(first_home, ".config", "Marrowgate", "PlumDeck.conf"), "a") as settings:
        settings.write("[ui]\nenable-list-autosync=true\n")
    s.write_account(second_home)

    first, app = s.open_program(first_home)
    type_tasks(s, app, ["Tickets", "Maps"])
    s.name_list(app, "Trip")
    new_list(s, app)
    type_tasks(s, app, ["Milk"])
    s.name_list(app, "Home")
    s.synchronise(app)
    poll("both lists on the server", lambda: server_titles(s, "Home") == ["Milk"], interval=0.5)

    # The other computer renames Maps.
    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    s.synchronise(second_app)
    open_tab(s, second_app, "Trip")
    s.click(cell(s, second_app, "Maps"))
    s.keys("ctrl+a")
    s.type("Maps and guides")
    s.keys("Return", "Escape")
    has_tasks(s, second_app, ["Maps and guides"])
    s.synchronise(second_app)
    poll("the new title on the server", lambda: "Maps and guides" in (server_titles(s, "Trip") or []),
         interval=0.5)
    s.close_program(second, second_app)

    # Here, Maps removed, then on to Home and typing there at once.
    open_tab(s, app, "Trip")
    s.click(cell(s, app, "Maps"))
    s.keys("Escape", "Delete")
    poll("Maps removed", lambda: "Maps" not in s.cell_texts(app))
    open_tab(s, app, "Home")
    s.click(cell(s, app, "Milk"))
    s.keys("End", "Return")
    for title in TYPED:
        s.type(title)
        s.keys("Return")
    s.keys("Escape")
    s.shot("typed-in-home")
    poll("Trip's tab telling what was kept", lambda: KEPT in (tab(s, app, "Trip").description or ""))
    check(not boxes(s, app), "a message box came up")
    has_tasks(s, app, ["Milk"] + TYPED)
    check(s.cell_texts(app) == ["Milk"] + TYPED, "Home holds %r" % s.cell_texts(app))
    check("Trip: Maps and guides" in tab(s, app, "Trip").description, "the tip names the task")
    check(not tab(s, app, "Home").description, "Home's tab says nothing")
    open_tab(s, app, "Trip")
    has_tasks(s, app, ["Tickets", "Maps and guides"])
    s.shot("told-on-the-tab")

    # Closed and started again: the tab still says it.
    s.close_program(first, app)
    off_the_bus(s, first)
    first, app = s.open_program(first_home)
    poll("Trip's tab telling it again", lambda: KEPT in (tab(s, app, "Trip").description or ""))
    check(not boxes(s, app), "a message box came up at the start")

    # The full run tells it, once its window is closed; then the tab is as before.
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("F5")
    told = poll("the message after the run", lambda: next(iter(boxes(s, app)), None))
    check(s.label_saying(app, "Trip: Maps and guides") is not None, "the message names the task")
    check(s.label_saying(app, "Synchronizing") is None, "the message came while the run was on")
    s.shot("told-after-the-run")
    s.click(s.find(told, "push button", "Ok"))
    s.wait_sync_end(app)
    poll("Trip's tab as before", lambda: not tab(s, app, "Trip").description)
    s.close_program(first, app)


run("keptwhiletyping", scenario, server=True)
