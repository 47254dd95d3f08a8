"""With list autosync on, the user ticks a task, goes to another list and
straight back, and types new titles below the ticked task while the list's
run still uploads the tick, the server slow to answer. Whenever the answer
comes (while the user types, or after the typing), every title typed goes in
where it was typed once the run is over, and the ticked task keeps its own
title; the next synchronisation takes them all to the server."""

import os
import re
import threading
import time

import pyatspi

from e2e import check, has_tasks, list_id, new_list, poll, run, type_tasks

# How long the server holds the upload after the user leaves the list: the
# answer comes while the user types, then after the typing is done.
WHILE_TYPING = 2.5
AFTER_TYPING = 3.0


def tab(s, app, name):
    return s.find(app, "page tab", name, what="the tab %s" % name, showing=False)


def cell(s, app, title):
    return poll("the task %r" % title,
                lambda: next((c for c in s.task_cells(app) if (s.text_of(c) or "").strip() == title), None))


def server_titles(s, name):
    for doc in s.server_lists():
        if "<dd>%s</dd>" % name in doc:
            return re.findall(r"<dt>title</dt>\s*<dd>([^<]*)</dd>", doc)
    return None


def tick_and_come_back(s, app, title, trip, hold, not_before):
    """Ticks `title` in Trip, leaves for Home and comes straight back, the
    server holding Trip's upload for `hold` seconds from the leaving, and at
    least until `not_before` is set (a slow machine still types where meant);
    returns an event set once the answer is sent."""
    s.click(cell(s, app, title))
    s.keys("Escape", "space")
    s.server_command("hold ^/lists/%s$" % trip, "holding")
    answered = threading.Event()

    def answer():
        not_before.wait()
        s.server_command("release")
        answered.set()

    timer = threading.Timer(hold, answer)
    timer.daemon = True  # a failed run ends without waiting for it
    home, back = tab(s, app, "Home"), tab(s, app, "Trip")
    s.click(home)
    timer.start()
    s.click(back)
    poll("Trip shown again", lambda: back.getState().contains(pyatspi.STATE_SELECTED), interval=0.05)
    return answered


def scenario(s):
    first_home = s.home("first")
    s.write_account(first_home)
    with open(os.path.join(first_home, ".config", "Marrowgate", "PlumDeck.conf"), "a") as settings:
        settings.write("[ui]\nenable-list-autosync=true\n")

    first, app = s.open_program(first_home)
    type_tasks(s, app, ["x1", "x2", "x3"])
    s.name_list(app, "Trip")
    new_list(s, app)
    type_tasks(s, app, ["Milk"])
    s.name_list(app, "Home")
    s.synchronise(app)
    poll("both lists on the server", lambda: server_titles(s, "Home") == ["Milk"], interval=0.5)
    trip = list_id(s, "Trip")
    s.click(tab(s, app, "Trip"))
    has_tasks(s, app, ["x1", "x2", "x3"])

    # The answer comes while the user types: a title begun before it, ended
    # after it.
    begun = threading.Event()
    answered = tick_and_come_back(s, app, "x1", trip, WHILE_TYPING, begun)
    s.keys("Return")
    s.type("o")
    begun.set()
    answered.wait()
    s.note("the upload answered")
    time.sleep(0.3)
    s.type("ne")
    s.keys("Return")
    s.type("two")
    s.keys("Return", "Escape")
    s.shot("typed-as-the-server-answered")
    poll("Trip holding what was typed", lambda: s.cell_texts(app) == ["x1", "one", "two", "x2", "x3"])

    # The answer comes after the typing is done; meanwhile the list says
    # where the typing went.
    looked = threading.Event()
    answered = tick_and_come_back(s, app, "x2", trip, AFTER_TYPING, looked)
    s.keys("Return")
    s.type("three")
    s.keys("Return")
    s.type("four")
    s.keys("Return", "Escape")
    check(s.label_saying(app, "What you type meanwhile goes in then") is not None,
          "the list says nothing of the typing")
    check(s.cell_texts(app) == ["x1", "one", "two", "x2", "x3"], "Trip took keys during its run")
    s.shot("typed-before-the-answer")
    looked.set()
    answered.wait()
    poll("Trip holding what was typed",
         lambda: s.cell_texts(app) == ["x1", "one", "two", "x2", "three", "four", "x3"])
    s.shot("typed-before-the-server-answered")

    s.synchronise(app)
    poll("every title on the server",
         lambda: server_titles(s, "Trip") == ["x1", "one", "two", "x2", "three", "four", "x3"], interval=0.5)
    s.close_program(first, app)


run("typingwhilesync", scenario, server=True, control=True)
