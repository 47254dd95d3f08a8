"""The disk fills up while the program runs (its files may grow no more): the
program says the lists could not be saved and keeps what is typed after that.
A synchronisation sends nothing and says why. Closing the window leaves the
program open and says what to do; closing it again asks, and Cancel keeps it
open. With room again it closes, everything typed saved, and the next
synchronisation makes the list once on the server."""

import os
import resource
import signal
import time

from e2e import check, has_tasks, poll, read, run, type_tasks

BEFORE = ["Passport", "Tickets"]
AFTER = ["Adapter"]


def scenario(s):
    home = s.home("user")
    s.write_account(home)
    lists = os.path.join(s.data_dir(home), "lists.xhtml")
    # A file past the limit gets no more bytes; the signal that would end the
    # program for it is ignored, as the program's own writes then just fail.
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    # Drawn through the display connection, not shared memory files, which
    # the limit would keep from growing too.
    s.env["QT_XCB_NO_MITSHM"] = "1"

    first = s.start(home, restore_signals=False)
    app = s.app(first)
    s.main_window(first)
    poll("the first save", lambda: os.path.exists(lists))
    resource.prlimit(first.pid, resource.RLIMIT_FSIZE, (0, resource.RLIM_INFINITY))
    type_tasks(s, app, BEFORE)
    has_tasks(s, app, BEFORE)

    # The save every few seconds fails: the user is told the changes are kept.
    kept = poll("the message that the changes are kept",
                lambda: s.label_saying(app, "Your changes are kept"))
    check("lists.xhtml" in s.text_of(kept), "the message names the file: %r" % s.text_of(kept))
    s.shot("kept")
    s.click(s.find(app, "push button", "Ok"))
    poll("the message to close", lambda: s.label_saying(app, "Your changes are kept") is None)
    type_tasks(s, app, AFTER)
    has_tasks(s, app, BEFORE + AFTER)

    # A synchronisation cannot save its marks first: nothing goes up.
    since = len(s.server_lines)
    s.synchronise(app)
    failed = poll("the run's failure", lambda: s.label_saying(app, "Nothing was sent to the server"))
    check("lists.xhtml" in s.text_of(failed), "the run names the file: %r" % s.text_of(failed))
    s.shot("sync-failed")
    check(s.server_said(r"^(POST|PUT|DELETE) ", since) is None,
          "nothing may be sent: %r" % s.server_lines[since:])
    s.click(s.find(app, "push button", "Cancel"))
    poll("the sync dialog to close", lambda: s.label_saying(app, "Nothing was sent to the server") is None)

    # Closing the window (no tray here) would end the program: it stays open.
    s.click(s.find(app, "push button", "Close"))
    told = poll("the message that the program stays open", lambda: s.label_saying(app, "stays open"))
    check("lists.xhtml" in s.text_of(told), "the message names the file: %r" % s.text_of(told))
    s.shot("stays-open")
    s.click(s.find(app, "push button", "Ok"))
    poll("the message to close", lambda: s.label_saying(app, "stays open") is None)
    time.sleep(1)
    check(first.poll() is None, "the program must stay open while its lists cannot be saved")
    has_tasks(s, app, BEFORE + AFTER)

    # Again: asked, and Cancel keeps it open.
    s.click(s.find(app, "push button", "Close"))
    asked = poll("the question whether to quit anyway", lambda: s.label_saying(app, "Quit anyway?"))
    s.shot("quit-anyway")
    check("lists.xhtml" in s.text_of(asked), "the question names the file: %r" % s.text_of(asked))
    s.click(s.find(app, "push button", "Cancel"))
    poll("the question to close", lambda: s.label_saying(app, "Quit anyway?") is None)
    time.sleep(1)
    check(first.poll() is None, "Cancel keeps the program open")

    # Room again: the close saves everything and ends the program.
    resource.prlimit(first.pid, resource.RLIMIT_FSIZE, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))
    s.click(s.find(app, "push button", "Close"))
    check(s.wait_exit(first, "the program to end once it could save") == 0, "closing ended with an error")
    text = read(lists)
    for t in BEFORE + AFTER:
        check(text.count("<dd>%s</dd>" % t) == 1, "%r is saved once:\n%s" % (t, text))

    second = s.start(home)
    app = s.app(second)
    s.main_window(second)
    has_tasks(s, app, BEFORE + AFTER)
    s.synchronise(app)
    s.synchronise(app)
    s.shot("synchronised")
    s.close_program(second, app)
    holding = [doc for doc in s.server_lists() if "Passport" in doc]
    check(len(holding) == 1, "one list on the server holds the tasks, not %d" % len(holding))
    for t in BEFORE + AFTER:
        check(holding[0].count("<dd>%s</dd>" % t) == 1, "%r is once in the server's list" % t)


run("fulldisk", scenario, server=True)
