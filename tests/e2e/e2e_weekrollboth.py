"""The week's list rolled over on both computers: each, not synchronised
since both took "Week 1", makes a new list "Week 2", moves every task of
"Week 1" into it with the task menu's "Move to list" and removes "Week 1".
The first synchronises, then the second: each task is in one "Week 2" once,
the first computer's, on the server and on both computers; the second
computer's "Week 2" is left empty, and its user is told where the tasks
went, which of the two lists of that name. The first computer is told nothing."""

import time

import pyatspi

from e2e import check, message_box, poll, run, server_tasks, tabs
from e2e_weeklist import TASKS, roll_over, week_one_on_both


def weeks(s, app):
    """The tasks of each list named Week 2 on the page, sorted."""
    out = []
    for tab in s.find_all(app, "page tab", "Week 2", showing=False):
        s.click(tab)
        poll("a Week 2 shown", lambda: tab.getState().contains(pyatspi.STATE_SELECTED))
        time.sleep(0.3)
        out.append(sorted(t for t in s.cell_texts(app) if t and t.strip()))
    return sorted(out)


def scenario(s):
    first, app, second, second_app, _ = week_one_on_both(s)

    # Both roll the week over before either synchronises.
    roll_over(s, app)
    roll_over(s, second_app)
    s.shot("rolled-over-on-both")

    s.synchronise(app)
    poll("the first's Week 2 on the server", lambda: server_tasks(s, "Week 2") == [TASKS], interval=0.5)
    s.synchronise(second_app)
    told = poll("the second told where its tasks went", lambda: message_box(s, second_app))
    text = " ".join(s.text_of(l) or "" for l in s.find_all(told, "label"))
    s.shot("second-told")
    for task in TASKS:
        check("Week 2 (the one made on another computer): %s" % task in text,
              "the second is told where %s went: %r" % (task, text))
    s.click(s.find(told, "push button", "Ok"))
    check(server_tasks(s, "Week 1") == [], "Week 1 gone from the server: %r" % server_tasks(s, "Week 1"))
    check(server_tasks(s, "Week 2") == [TASKS, []],
          "each task once, in the first computer's Week 2: %r" % server_tasks(s, "Week 2"))
    poll("the second shows the tasks once", lambda: weeks(s, second_app) == [[], TASKS])
    s.close_program(second, second_app)

    s.synchronise(app)
    time.sleep(2)
    check(message_box(s, app) is None, "the first is told nothing")
    check(tabs(s, app) == ["Week 2", "Week 2"], "the first shows both Week 2 lists: %r" % tabs(s, app))
    poll("the first shows the tasks once", lambda: weeks(s, app) == [[], TASKS])
    s.shot("first-after-its-run")
    s.close_program(first, app)
    check(server_tasks(s, "Week 2") == [TASKS, []], "still once on the server: %r" % server_tasks(s, "Week 2"))


if __name__ == "__main__":
    run("weekrollboth", scenario, server=True)
