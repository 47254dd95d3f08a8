"""The week's list: one computer moves every task of "Week 1" with the task
menu's "Move to list" into a new list "Week 2", removes "Week 1" and
synchronises; the account's other computer, not synchronised since, removes
"Week 1" too and synchronises. "Week 2" keeps its tasks on the server and on
both computers, and the other computer is told nothing."""

import time

import pyatspi

from e2e import check, has_tasks, message_box, new_list, open_tab, poll, run, server_tasks, tabs, type_tasks
from e2e_movetolist import cell, choose, on_focus

TASKS = ["Bags", "Socks", "Tickets"]


def remove_list(s, app, name, asked):
    """Ctrl+W on the list, and Ok to the question before the removal (none
    for a list left blank)."""
    others = [t for t in tabs(s, app) if t != name]
    open_tab(s, app, name)
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("ctrl+w")
    if asked:
        question = s.find(app, "dialog", "Delete List", what="the question before the removal")
        s.click(s.find(question, "push button", "Ok"))
    poll("%s gone" % name, lambda: tabs(s, app) == others)


def week_one_on_both(s):
    """The first computer types Week 1 and synchronises; the second takes it.
    Both programs stay open, the second's window on the right."""
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)

    first, app = s.open_program(first_home)
    type_tasks(s, app, TASKS)
    s.name_list(app, "Week 1")
    s.synchronise(app)
    poll("Week 1 on the server", lambda: server_tasks(s, "Week 1") == [TASKS], interval=0.5)

    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    s.synchronise(second_app)
    poll("Week 1 on the second computer", lambda: tabs(s, second_app) == ["Week 1"])
    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    return first, app, second, second_app, second_home


def roll_over(s, app):
    """Week 2 made, each task of Week 1 moved into it with "Move to list",
    Week 1 (left blank) removed."""
    new_list(s, app)
    s.name_list(app, "Week 2")
    for task in TASKS:
        open_tab(s, app, "Week 1")
        s.click(cell(s, app, task), button=3)
        choose(s, ["Move to list", "Week 2"])
        poll("%s gone from Week 1" % task, lambda: task not in s.cell_texts(app))
    open_tab(s, app, "Week 2")
    has_tasks(s, app, TASKS)
    remove_list(s, app, "Week 1", False)


def scenario(s):
    # The other computer takes Week 1, then is off while the first moves its tasks.
    first, app, second, second_app, second_home = week_one_on_both(s)
    s.close_program(second, second_app)

    roll_over(s, app)
    s.shot("moved-and-removed")
    s.synchronise(app)
    poll("Week 2 on the server, Week 1 gone",
         lambda: server_tasks(s, "Week 2") == [TASKS] and server_tasks(s, "Week 1") == [], interval=0.5)

    # Its copy still holds Week 1 with the tasks: removed there too.
    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    open_tab(s, second_app, "Week 1")
    has_tasks(s, second_app, TASKS)
    remove_list(s, second_app, "Week 1", True)
    s.synchronise(second_app)
    # A message would come once the run's window is gone; none does.
    time.sleep(2)
    s.shot("second-after-its-run")
    told = message_box(s, second_app)
    check(told is None, "nothing is told: %r" % [s.text_of(l) for l in s.find_all(told, "label")] if told else "")
    poll("the second shows Week 2 only", lambda: tabs(s, second_app) == ["Week 2"])
    open_tab(s, second_app, "Week 2")
    poll("the second shows Week 2's tasks", lambda: sorted(s.cell_texts(second_app)) == TASKS)
    check(server_tasks(s, "Week 2") == [TASKS], "Week 2 keeps its tasks on the server: %r" % server_tasks(s, "Week 2"))
    s.close_program(second, second_app)

    s.synchronise(app)
    check(tabs(s, app) == ["Week 2"], "the first shows Week 2 only: %r" % tabs(s, app))
    open_tab(s, app, "Week 2")
    poll("the first shows Week 2's tasks", lambda: sorted(s.cell_texts(app)) == TASKS)
    s.shot("first-after-its-run")
    s.close_program(first, app)
    check(server_tasks(s, "Week 2") == [TASKS], "Week 2 once on the server: %r" % server_tasks(s, "Week 2"))
    check(server_tasks(s, "Week 1") == [], "Week 1 gone from the server: %r" % server_tasks(s, "Week 1"))


if __name__ == "__main__":
    run("weeklist", scenario, server=True)
