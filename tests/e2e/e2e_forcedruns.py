"""A forced remote run started from the preferences is killed once its first
list went up whole, the server's answer to that update lost: each list keeps
its id, so the server holds each list once. The account's other computer
synchronises in between and adds a task to the list the cut run never
reached. After a restart an ordinary run does not finish the forced one over
that task: the task stays, and the user is told. Then a forced local run,
confirmed in the preferences, sends nothing: the server, the first computer
and, after its next synchronisation, the other computer hold each list once
with its task once, and the other computer's task stays."""

import os
import signal

from e2e import check, force_sync, has_tasks, message_box, named, new_list, poll, read, run, type_tasks

LISTS = {"Trip": "Tickets", "Home": "Bills"}
# Added on the other computer, in between, to the list the cut run never reached.
EXTRA = "Rent"


def tabs(s, app):
    return sorted(t.name for t in s.find_all(app, "page tab") if t.name in LISTS)


def check_lists_file(s, home, who):
    text = read(os.path.join(s.data_dir(home), "lists.xhtml"))
    for name, task in LISTS.items():
        check(text.count("<dd>%s</dd>" % name) == 1, "%s holds %s once:\n%s" % (who, name, text))
        check(text.count("<dd>%s</dd>" % task) == 1, "%s holds %s once:\n%s" % (who, task, text))
    check(text.count("<dd>%s</dd>" % EXTRA) == 1, "%s holds %s once:\n%s" % (who, EXTRA, text))


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)

    first, app = s.open_program(first_home)
    type_tasks(s, app, ["Tickets"])
    s.name_list(app, "Trip")
    new_list(s, app)
    type_tasks(s, app, ["Bills"])
    s.name_list(app, "Home")
    s.synchronise(app)
    poll("both lists on the server", lambda: all(len(named(s.server_lists(), n)) == 1 for n in LISTS),
         interval=0.5)
    s.shot("synchronised")

    # The server takes the first update and loses its answer.
    s.server_command(r"drop PUT ^/lists/\d+$", "dropping")
    since = len(s.server_lines)
    force_sync(s, app, "force remote sync", "Force Remote Sync", "force-remote-question")
    poll("the first update to reach the server", lambda: s.server_said(r"^PUT /lists/\d+ -> ", since))
    s.shot("first-update")
    os.kill(first.pid, signal.SIGKILL)
    first.wait(timeout=20)
    docs = s.server_lists()
    check(sorted(len(named(docs, n)) for n in LISTS) == [1, 1],
          "the server holds each list once:\n%s" % "\n".join(docs))

    untouched = "Home"

    second, second_app = s.open_program(second_home)
    s.synchronise(second_app)
    poll("the other computer's lists", lambda: set(tabs(s, second_app)) == set(LISTS))
    s.note("the other computer shows %r" % tabs(s, second_app))
    s.click(s.find(second_app, "page tab", untouched))
    has_tasks(s, second_app, [LISTS[untouched]])
    type_tasks(s, second_app, [EXTRA])
    s.synchronise(second_app)
    poll("the other computer's task on the server",
         lambda: any("<dd>%s</dd>" % EXTRA in doc for doc in named(s.server_lists(), untouched)), interval=0.5)
    s.shot("other-computer-in-between")
    s.close_program(second, second_app)

    again, app = s.open_program(first_home)
    # An ordinary run first: what the cut run left is carried out only where
    # the server still holds what it saw.
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("F5")
    told = poll("the message about what the forced run left", lambda: message_box(s, app))
    s.shot("ordinary-run-told")
    check(s.label_saying(app, "forced remote sync that did not finish") is not None,
          "the message says what the forced run left undone")
    s.click(s.find(told, "push button", "Ok"))
    # The first list, whose update the cut run sent, is told finished.
    finished = poll("the message about what the run finished", lambda: message_box(s, app))
    check(s.label_saying(app, "finished a forced remote sync"), "the message says what the run finished")
    s.click(s.find(finished, "push button", "Ok"))
    s.wait_sync_end(app)
    holding = named(s.server_lists(), untouched)
    check(len(holding) == 1 and holding[0].count("<dd>%s</dd>" % EXTRA) == 1,
          "the other computer's task stays in %s after the ordinary run:\n%s" % (untouched, "\n".join(holding)))
    s.click(s.find(app, "page tab", untouched))
    has_tasks(s, app, [LISTS[untouched], EXTRA])
    s.shot("ordinary-run")
    force_sync(s, app, "force local sync", "Force Local Sync", "force-local-question")
    s.wait_sync_end(app)
    s.shot("forced-local")
    check(tabs(s, app) == sorted(LISTS), "the first computer shows each list once: %r" % tabs(s, app))
    for name, task in LISTS.items():
        s.click(s.find(app, "page tab", name))
        has_tasks(s, app, [task] + ([EXTRA] if name == untouched else []))
        check(s.cell_texts(app).count(task) == 1, "%s shows %s once: %r" % (name, task, s.cell_texts(app)))
    s.close_program(again, app)
    check_lists_file(s, first_home, "the first computer")

    docs = s.server_lists()
    for name, task in LISTS.items():
        holding = named(docs, name)
        check(len(holding) == 1, "one list %s on the server, not %d:\n%s" % (name, len(holding), "\n".join(docs)))
        check(holding[0].count("<dd>%s</dd>" % task) == 1, "%s holds %s once:\n%s" % (name, task, holding[0]))
    check(named(docs, untouched)[0].count("<dd>%s</dd>" % EXTRA) == 1,
          "the other computer's task stays in %s:\n%s" % (untouched, "\n".join(docs)))

    second, second_app = s.open_program(second_home)
    s.synchronise(second_app)
    s.shot("other-computer-after")
    check(tabs(s, second_app) == sorted(LISTS), "the other computer shows each list once: %r" % tabs(s, second_app))
    s.close_program(second, second_app)
    check_lists_file(s, second_home, "the other computer")


run("forcedruns", scenario, server=True, control=True)
