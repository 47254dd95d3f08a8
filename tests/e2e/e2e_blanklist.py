"""A list without tasks goes up, and the program is killed while the server
has made it but kept the answer back; the account's other computer adds a
task to that list. After a restart and F5 the first computer and the server
hold that list once, with the other computer's task, not a second copy
posted again."""

import os
import signal

from e2e import check, has_tasks, poll, read, run, type_tasks


def trips(s):
    return [doc for doc in s.server_lists() if "<dd>Trip</dd>" in doc]


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)

    first, app = s.open_program(first_home)
    # The list the program starts with, named: a list of its own, no task.
    s.click(s.task_cells(app)[0])
    s.keys("Escape", "ctrl+F2")
    s.type("Trip")
    s.keys("Return")
    poll("the tab named Trip", lambda: s.find_all(app, "page tab", "Trip"))
    s.server_command("hold ^/lists$", "holding")
    since = len(s.server_lines)
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("F5")
    poll("the new list to reach the server", lambda: s.server_said(r"^POST /lists -> ", since))
    s.shot("posted")
    os.kill(first.pid, signal.SIGKILL)
    first.wait(timeout=20)
    s.server_command("release")
    check(len(trips(s)) == 1, "the server made the list once")

    second, second_app = s.open_program(second_home)
    s.synchronise(second_app)
    poll("the second computer's tab Trip", lambda: s.find_all(second_app, "page tab", "Trip"))
    s.click(s.find(second_app, "page tab", "Trip"))
    type_tasks(s, second_app, ["Socks"])
    has_tasks(s, second_app, ["Socks"])
    s.synchronise(second_app)
    poll("the other computer's task on the server", lambda: any("Socks" in doc for doc in trips(s)), interval=0.5)
    s.click(s.find(second_app, "push button", "Close"))
    check(s.wait_exit(second, "the second program to end") == 0, "closing ended with an error")

    again, app = s.open_program(first_home)
    s.synchronise(app)
    s.synchronise(app)
    s.click(s.find(app, "page tab", "Trip"))
    has_tasks(s, app, ["Socks"])
    s.shot("synchronised")
    check(len(s.find_all(app, "page tab", "Trip")) == 1, "one tab Trip")
    s.click(s.find(app, "push button", "Close"))
    check(s.wait_exit(again, "the program to end") == 0, "closing ended with an error")

    docs = trips(s)
    check(len(docs) == 1, "one list Trip on the server, not %d:\n%s" % (len(docs), "\n".join(docs)))
    check(docs[0].count("<dd>Socks</dd>") == 1, "the other computer's task is there once")
    text = read(os.path.join(s.data_dir(first_home), "lists.xhtml"))
    check(text.count("<dd>Trip</dd>") == 1, "the first computer holds Trip once:\n%s" % text)
    check(text.count("<dd>Socks</dd>") == 1, "with the other computer's task once")


run("blanklist", scenario, server=True, control=True)
