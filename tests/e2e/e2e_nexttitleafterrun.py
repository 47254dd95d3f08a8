"""The user types a title and Return, which opens the row for the next
title, presses F5 there, and once the synchronisation is over types the next
title and Return: it goes into that row, below the title before it, and no
other task changes, here or on the server (a task starting with the same
letter keeps its title). F5 again in the next row, then Tab there: the title
typed next is a subtask of the one above, here and on the server. Return
there opens a subtask row: F5 in it sends no untitled subtask, and the title
typed after the run goes into it, under the same task."""

import re

from e2e import check, named, poll, run, type_tasks


def server_titles(s, name):
    for doc in s.server_lists():
        if "<dd>%s</dd>" % name in doc:
            return titles(doc)
    return None


def titles(text):
    """Every title in `text`, an untitled task's as ""."""
    return re.findall(r"<dt>title</dt>\s*(?:<dd/>|<dd>([^<]*)</dd>)", text)


def subtasks(s, name, parent):
    """The titles of the subtasks of `parent` (with none of their own) in the
    server's list `name`."""
    for doc in named(s.server_lists(), name):
        found = re.search(r'<dd>%s</dd>(?:(?!</dl>).)*</dl>(<ol class="pd-tasks">.*?</ol>)?' % parent, doc, re.S)
        if found:
            return titles(found.group(1) or "")
    return None


def scenario(s):
    home = s.home("user")
    s.write_account(home)
    program, app = s.open_program(home)
    type_tasks(s, app, ["Melon", "Bread"])
    s.name_list(app, "Shop")
    s.synchronise(app)
    poll("the list on the server", lambda: server_titles(s, "Shop") == ["Melon", "Bread"], interval=0.5)

    # A click on the last task edits it; Return there opens a new row below.
    s.click(s.task_cells(app)[-1])
    s.keys("End", "Return")
    s.type("Milk")
    s.keys("Return")
    s.shot("the row for the next title")
    s.keys("F5")
    s.wait_sync_end(app)
    poll("Milk on the server", lambda: server_titles(s, "Shop") == ["Melon", "Bread", "Milk"], interval=0.5)
    s.shot("synchronised")

    s.type("Mint")
    s.keys("Return")
    s.shot("the next title typed")
    poll("the titles as typed", lambda: s.cell_texts(app) == ["Melon", "Bread", "Milk", "Mint"])
    s.synchronise(app)
    poll("Mint on the server", lambda: server_titles(s, "Shop") == ["Melon", "Bread", "Milk", "Mint"], interval=0.5)

    # The run's window took the keyboard: with no window manager, a click on
    # the page's button gives it back (no row is chosen by it).
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("Tab")
    s.type("Sprig")
    s.keys("Return")
    s.shot("a subtask row opened")
    s.keys("F5")
    s.wait_sync_end(app)
    poll("Sprig alone under Mint on the server", lambda: subtasks(s, "Shop", "Mint") == ["Sprig"], interval=0.5)
    check(server_titles(s, "Shop") == ["Melon", "Bread", "Milk", "Mint", "Sprig"],
          "the titles on the server: %r" % server_titles(s, "Shop"))
    s.type("Sage")
    # Up leaves the row Return opened, which goes.
    s.keys("Return", "Up")
    s.shot("a subtask after the run")
    poll("the titles as typed", lambda: s.cell_texts(app) == ["Melon", "Bread", "Milk", "Mint", "Sprig", "Sage"])
    s.synchronise(app)
    poll("Sprig and Sage under Mint on the server", lambda: subtasks(s, "Shop", "Mint") == ["Sprig", "Sage"],
         interval=0.5)
    check(server_titles(s, "Shop") == ["Melon", "Bread", "Milk", "Mint", "Sprig", "Sage"],
          "the titles on the server: %r" % server_titles(s, "Shop"))
    s.close_program(program, app)


run("nexttitleafterrun", scenario, server=True)
