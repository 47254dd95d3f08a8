"""A "Force Remote Sync" is cancelled in the Sync window once it sent its
first list whole, while the server holds back its look at the second. The
account's other computer then adds a task to that second list and
synchronises. The first computer's next ordinary run (F5) does not finish the
forced run over that task: the task stays, on the server and on both
computers, and the first computer's user is told the list was synchronised as
usual instead, as the cancelled run said of a list changed on the server."""

from e2e import (check, force_sync, has_tasks, list_id, message_box, open_tab, poll, run, server_tasks, tabs,
                 type_tasks)
from e2e_movetolist import add_list

LISTS = ["Home", "Trip"]
EXTRA = "Rent"


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)

    # Trip first: the forced run reaches it before Home.
    first, app = s.open_program(first_home)
    type_tasks(s, app, ["Tickets"])
    s.name_list(app, "Trip")
    add_list(s, app, "Home", ["Bills"])
    s.synchronise(app)
    poll("both lists on the server", lambda: list_id(s, "Trip") and list_id(s, "Home"), interval=0.5)

    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    s.synchronise(second_app)
    poll("the lists on the second computer", lambda: tabs(s, second_app) == LISTS)
    s.close_program(second, second_app)

    # The forced run, cancelled while the server holds its request for Home.
    home = list_id(s, "Home")
    s.server_command("hold ^/lists/%s$" % home, "holding")
    since = len(s.server_lines)
    force_sync(s, app, "force remote sync", "Force Remote Sync")
    poll("Trip sent whole", lambda: s.server_said(r"^PUT /lists/%s -> " % list_id(s, "Trip"), since))
    poll("the request for Home to reach the server", lambda: s.server_said(r" /lists/%s -> " % home, since))
    s.shot("forced-run-held")
    s.click(s.find(app, "push button", "Cancel", what="the Sync window's Cancel"))
    s.wait_sync_end(app)
    stopped = poll("the message about what the next run finishes", lambda: message_box(s, app))
    check(s.label_saying(app, "next synchronisation finishes it"), "the message says the next run finishes it")
    s.click(s.find(stopped, "push button", "Ok"))
    s.server_command("release", "released")
    s.shot("forced-run-cancelled")

    # The other computer adds a task to Home, which the forced run never reached.
    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    open_tab(s, second_app, "Home")
    has_tasks(s, second_app, ["Bills"])
    type_tasks(s, second_app, [EXTRA])
    has_tasks(s, second_app, [EXTRA])
    s.synchronise(second_app)
    poll("the other computer's task on the server", lambda: server_tasks(s, "Home") == [["Bills", EXTRA]],
         interval=0.5)
    s.close_program(second, second_app)

    # F5 here: the task stays, and the user is told.
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("F5")
    told = poll("the message about what the forced run left", lambda: message_box(s, app))
    s.shot("first-told")
    check(s.label_saying(app, "forced remote sync that did not finish") is not None,
          "the message says what the forced run left undone")
    s.click(s.find(told, "push button", "Ok"))
    s.wait_sync_end(app)
    check(server_tasks(s, "Home") == [["Bills", EXTRA]], "Home keeps the task on the server: %r"
          % server_tasks(s, "Home"))
    check(server_tasks(s, "Trip") == [["Tickets"]], "Trip as it was sent: %r" % server_tasks(s, "Trip"))
    open_tab(s, app, "Home")
    poll("the first computer shows the task", lambda: sorted(s.cell_texts(app)) == ["Bills", EXTRA])
    s.shot("first-after-its-run")
    s.close_program(first, app)

    second, second_app = s.open_program(second_home)
    s.synchronise(second_app)
    open_tab(s, second_app, "Home")
    poll("the other computer keeps the task", lambda: sorted(s.cell_texts(second_app)) == ["Bills", EXTRA])
    check(tabs(s, second_app) == LISTS, "the other computer shows each list once: %r" % tabs(s, second_app))
    s.shot("second-after-its-run")
    s.close_program(second, second_app)
    check(server_tasks(s, "Home") == [["Bills", EXTRA]], "Home once with the task on the server: %r"
          % server_tasks(s, "Home"))


run("forcedcancelled", scenario, server=True, control=True)
