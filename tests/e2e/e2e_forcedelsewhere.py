"""One computer sends its lists with "Force Remote Sync" (each list sent whole
under the id it had); the account's other computer, not synchronised since,
types a task into "Office" and synchronises. The task goes into the list the
forced run sent, nobody is told of a removal nobody made, and the server, the
other computer and, after its next run, the first hold "Office" once with
every task."""

import re
import time

from e2e import check, has_tasks, message_box, new_list, open_tab, poll, run, server_tasks, tabs, type_tasks

LISTS = ["Home", "Office"]


def server_ids(s):
    infos = s.server_get("/users/alice/lists-info")
    return sorted(re.findall(r"<dt>id</dt>\s*<dd>(\d+)</dd>", infos))


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)

    first, app = s.open_program(first_home)
    type_tasks(s, app, ["Keys"])
    s.name_list(app, "Home")
    new_list(s, app)
    type_tasks(s, app, ["Mail", "Phone"])
    s.name_list(app, "Office")
    s.synchronise(app)
    poll("both lists on the server", lambda: server_tasks(s, "Office") == [["Mail", "Phone"]], interval=0.5)

    # The other computer takes both, then is off while the first forces.
    second, second_app = s.open_program(second_home)
    s.synchronise(second_app)
    poll("the lists on the second computer", lambda: tabs(s, second_app) == LISTS)
    s.close_program(second, second_app)

    ids_before = server_ids(s)
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("F12")
    s.click(s.find(app, "page tab", "Sync", what="the preferences' sync page"))
    s.click(s.find(app, "push button", "force remote sync"))
    question = s.find(app, "dialog", "Force Remote Sync", what="the forced run's question")
    s.click(s.find(question, "push button", "Ok"))
    s.wait_sync_end(app)
    poll("the lists under the ids they had", lambda: server_ids(s) == ids_before, interval=0.5)
    s.shot("forced-remote")
    s.close_program(first, app)

    # A task typed into its copy of a list the forced run sent.
    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    open_tab(s, second_app, "Office")
    has_tasks(s, second_app, ["Mail", "Phone"])
    type_tasks(s, second_app, ["Report"])
    has_tasks(s, second_app, ["Report"])
    s.synchronise(second_app)
    poll("Office on the server with the typed task", lambda: server_tasks(s, "Office") == [["Mail", "Phone", "Report"]],
         interval=0.5)
    # A message would come once the run's window is gone; none does.
    time.sleep(2)
    s.shot("second-after-its-run")
    told = message_box(s, second_app)
    check(told is None, "nothing is told: %r" % [s.text_of(l) for l in s.find_all(told, "label")] if told else "")
    check(tabs(s, second_app) == LISTS, "the second shows each list once: %r" % tabs(s, second_app))
    open_tab(s, second_app, "Office")
    poll("the second shows Office with every task", lambda: s.cell_texts(second_app) == ["Mail", "Phone", "Report"])
    s.close_program(second, second_app)

    first, app = s.open_program(first_home)
    s.synchronise(app)
    poll("the first shows each list once", lambda: tabs(s, app) == LISTS)
    open_tab(s, app, "Office")
    poll("the first shows the typed task", lambda: s.cell_texts(app) == ["Mail", "Phone", "Report"])
    s.shot("first-after-its-run")
    s.close_program(first, app)
    check(server_tasks(s, "Office") == [["Mail", "Phone", "Report"]],
          "Office once on the server: %r" % server_tasks(s, "Office"))
    check(server_tasks(s, "Home") == [["Keys"]], "Home once on the server: %r" % server_tasks(s, "Home"))


run("forcedelsewhere", scenario, server=True)
