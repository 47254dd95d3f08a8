"""The week rolled over on both computers (see e2e_weekrollboth); the first
retitles a task in its "Week 2", the second removes another from its own.
After runs of both, each task is once, the removed one gone, everywhere."""

from e2e import check, message_box, open_tab, poll, run, server_tasks
from e2e_movetolist import cell
from e2e_weeklist import roll_over, week_one_on_both
from e2e_weekrollboth import weeks

KEPT = ["Big bags", "Tickets"]


def scenario(s):
    _, app, _, second_app, _ = week_one_on_both(s)
    roll_over(s, app)
    roll_over(s, second_app)
    open_tab(s, app, "Week 2")
    s.click(cell(s, app, "Bags"))
    s.keys("ctrl+a")
    s.type("Big bags")
    s.keys("Return", "Escape")
    open_tab(s, second_app, "Week 2")
    s.click(cell(s, second_app, "Socks"))
    s.keys("Escape", "Delete")

    s.synchronise(app)
    poll("the first's Week 2 on the server",
         lambda: server_tasks(s, "Week 2") == [["Big bags", "Socks", "Tickets"]], interval=0.5)
    s.synchronise(second_app)
    told = poll("the second told where its tasks went", lambda: message_box(s, second_app))
    s.click(s.find(told, "push button", "Ok"))
    s.synchronise(app)
    check(server_tasks(s, "Week 2") == [KEPT, []], "each task once, Socks gone: %r" % server_tasks(s, "Week 2"))
    for a in (app, second_app):
        poll("each task once, Socks gone", lambda: weeks(s, a) == [[], KEPT])


run("weekrolledited", scenario, server=True)
