"""The week's list rolled over on both computers, not synchronised since both
took "Week 1", each then editing its own "Week 2": the first retitles a task,
the second removes another it does not need this week. The first
synchronises, then the second, then the first again: each task is once in
the first computer's "Week 2", retitled, and the removed one is gone, on the
server and on both computers."""

import time

from e2e import check, message_box, open_tab, poll, run, server_tasks
from e2e_movetolist import cell
from e2e_weeklist import roll_over, week_one_on_both
from e2e_weekrollboth import weeks

KEPT = ["Big bags", "Tickets"]


def scenario(s):
    first, app, second, second_app, _ = week_one_on_both(s)
    roll_over(s, app)
    roll_over(s, second_app)

    open_tab(s, app, "Week 2")
    s.click(cell(s, app, "Bags"))
    s.keys("ctrl+a")
    s.type("Big bags")
    s.keys("Return", "Escape")
    poll("Bags retitled on the first", lambda: "Big bags" in s.cell_texts(app))
    open_tab(s, second_app, "Week 2")
    s.click(cell(s, second_app, "Socks"))
    s.keys("Escape", "Delete")
    poll("Socks removed on the second", lambda: "Socks" not in s.cell_texts(second_app))
    s.shot("edited-on-both")

    s.synchronise(app)
    poll("the first's Week 2 on the server", lambda: server_tasks(s, "Week 2") == [sorted(KEPT + ["Socks"])],
         interval=0.5)
    s.synchronise(second_app)
    told = poll("the second told where its tasks went", lambda: message_box(s, second_app))
    s.shot("second-told")
    s.click(s.find(told, "push button", "Ok"))
    check(server_tasks(s, "Week 2") == [KEPT, []], "each task once, Socks gone: %r" % server_tasks(s, "Week 2"))
    poll("the second shows each task once", lambda: weeks(s, second_app) == [[], KEPT])
    s.close_program(second, second_app)

    s.synchronise(app)
    time.sleep(2)
    check(message_box(s, app) is None, "the first is told nothing")
    poll("the first shows each task once, Socks gone", lambda: weeks(s, app) == [[], KEPT])
    s.shot("first-after-its-run")
    s.close_program(first, app)
    check(server_tasks(s, "Week 2") == [KEPT, []], "still once on the server: %r" % server_tasks(s, "Week 2"))


run("weekrolledited", scenario, server=True)
