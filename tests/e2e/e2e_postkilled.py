"""The program is killed while the server has made its new list but kept the
answer back: after a restart and F5 the server and the program hold that list
once, with its tasks, not a second copy posted again."""

import os
import signal

from e2e import check, has_tasks, poll, read, run, type_tasks

TASKS = ["Passport", "Tickets"]


def scenario(s):
    home = s.home("user")
    s.write_account(home)
    lists = os.path.join(s.data_dir(home), "lists.xhtml")

    first = s.start(home)
    app = s.app(first)
    s.main_window(first)
    type_tasks(s, app, TASKS)
    has_tasks(s, app, TASKS)

    # The server makes the list, and its answer never reaches the program.
    s.server_command("hold ^/lists$", "holding")
    since = len(s.server_lines)
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("F5")
    poll("the new list to reach the server", lambda: s.server_said(r"^POST /lists -> ", since))
    s.shot("posted")
    os.kill(first.pid, signal.SIGKILL)
    first.wait(timeout=20)
    made = [doc for doc in s.server_lists() if "Passport" in doc]
    check(len(made) == 1, "the server made the list once: %d copies" % len(made))

    second = s.start(home)
    app = s.app(second)
    s.main_window(second)
    has_tasks(s, app, TASKS)
    s.synchronise(app)
    s.shot("synchronised")
    s.synchronise(app)
    has_tasks(s, app, TASKS)
    s.click(s.find(app, "push button", "Close"))
    check(s.wait_exit(second, "the program to end") == 0, "closing ended with an error")

    docs = s.server_lists()
    holding = [doc for doc in docs if "Passport" in doc]
    check(len(holding) == 1, "one list on the server holds the tasks, not %d:\n%s" % (len(holding), "\n".join(docs)))
    for t in TASKS:
        check(holding[0].count("<dd>%s</dd>" % t) == 1, "%r is once in the server's list" % t)
    text = read(lists)
    for t in TASKS:
        check(text.count("<dd>%s</dd>" % t) == 1, "%r is once in the lists document:\n%s" % (t, text))


run("postkilled", scenario, server=True, control=True)
