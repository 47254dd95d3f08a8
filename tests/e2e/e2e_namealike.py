"""A new list whose one task is a copy pasted from another list goes up, and
the server fails its post: the list is in doubt, and nothing of its own tells
its copy there (a paste keeps the task's creator and creation second). The
account's other computer then makes a list of the same name with a task of
its own. A list of tasks is never told by its name alone: after a restart and
F5 the first computer keeps its list beside the other's, the pasted task kept,
and the server and both lists files hold the two lists once each."""

import os
import re

from e2e import check, has_tasks, named, new_list, poll, read, run, type_tasks


def add_list(s, app, name):
    new_list(s, app)
    s.name_list(app, name)


def cell(s, app, title):
    return poll("the task %r" % title,
                lambda: next((c for c in s.task_cells(app) if (s.text_of(c) or "").strip() == title), None))


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)

    first, app = s.open_program(first_home)
    type_tasks(s, app, ["Bills"])
    s.name_list(app, "Home")
    s.synchronise(app)
    poll("Home on the server", lambda: len(named(s.server_lists(), "Home")) == 1, interval=0.5)

    # Bills copied from Home and pasted into a new list as its only task.
    add_list(s, app, "Trip")
    s.click(s.find(app, "page tab", "Home"))
    s.click(cell(s, app, "Bills"))
    # A click on a task edits it: out of the editor, the task stays current.
    s.keys("Escape", "ctrl+c")
    s.click(s.find(app, "page tab", "Trip"))
    s.click(s.task_cells(app)[0])
    s.keys("Escape", "ctrl+v")
    poll("Trip holding Bills alone", lambda: s.cell_texts(app) == ["Bills"]
         and len(s.task_cells(app)) == 1)
    s.shot("pasted")

    # The server fails Trip's post without making it: the post is in doubt.
    s.server_command("fail POST ^/lists$ 500", "failing")
    since = len(s.server_lines)
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("F5")
    poll("the failed post", lambda: s.server_said(r"^POST /lists -> 500", since))
    poll("the run's error", lambda: s.find_all(app, "push button", "Settings..."))
    s.shot("post-failed")
    check(not named(s.server_lists(), "Trip"), "the server made no Trip")
    s.click(s.find(app, "push button", "Cancel"))
    s.close_program(first, app)
    lists = os.path.join(s.data_dir(first_home), "lists.xhtml")
    check(read(lists).count("<dt>pending-upload</dt>") == 1, "Trip's post is marked in doubt:\n%s" % read(lists))

    second, second_app = s.open_program(second_home)
    s.synchronise(second_app)
    s.find(second_app, "page tab", "Home", what="Home on the other computer")
    add_list(s, second_app, "Trip")
    type_tasks(s, second_app, ["Socks"])
    has_tasks(s, second_app, ["Socks"])
    s.synchronise(second_app)
    poll("the other computer's Trip on the server",
         lambda: any("<dd>Socks</dd>" in doc for doc in named(s.server_lists(), "Trip")), interval=0.5)
    s.shot("other-computer")
    s.close_program(second, second_app)

    again, app = s.open_program(first_home)
    s.synchronise(app)
    s.synchronise(app)
    trips = s.find_all(app, "page tab", "Trip")
    check(len(trips) == 2, "two tabs Trip, not %d" % len(trips))
    shown = []
    for tab in trips:
        s.click(tab)
        poll("a task on the page", lambda: s.cell_texts(app))
        shown.append(sorted(t for t in s.cell_texts(app) if t))
    s.shot("kept-apart")
    check(sorted(shown) == [["Bills"], ["Socks"]], "each Trip keeps its own task: %r" % shown)
    s.click(s.find(app, "page tab", "Home"))
    has_tasks(s, app, ["Bills"])
    s.close_program(again, app)

    docs = s.server_lists()
    trips = sorted(sorted(re.findall(r"<dd>(Bills|Socks)</dd>", doc)) for doc in named(docs, "Trip"))
    check(trips == [["Bills"], ["Socks"]], "the server holds each Trip once with its task:\n%s" % "\n".join(docs))
    check(len(named(docs, "Home")) == 1, "one list Home on the server:\n%s" % "\n".join(docs))
    text = read(lists)
    for title, times in (("Trip", 2), ("Home", 1), ("Socks", 1), ("Bills", 2)):
        check(text.count("<dd>%s</dd>" % title) == times,
              "the first computer holds %s %d times:\n%s" % (title, times, text))
    check("<dt>pending-upload</dt>" not in text, "nothing is left in doubt:\n%s" % text)


run("namealike", scenario, server=True, control=True)
