"""The user types a title and Return, which opens the row for the next
title, presses F5 there, and once the synchronisation is over types the next
title and Return: it goes into that row, below the title before it, and no
other task changes, here or on the server (a task starting with the same
letter keeps its title). Tab after F5 again makes the next title a subtask,
and F5 in the row Return opens below it sends no untitled one."""

import re

from e2e import named, poll, run, type_tasks


def server_titles(s, name):
    for doc in s.server_lists():
        if "<dd>%s</dd>" % name in doc:
            return re.findall(r"<dt>title</dt>\s*(?:<dd/>|<dd>([^<]*)</dd>)", doc)
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
    poll("the titles on the server",
         lambda: server_titles(s, "Shop") == ["Melon", "Bread", "Milk", "Mint"], interval=0.5)

    # The run's window took the keyboard; a click on the page's button, no row, gives it back.
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("Tab")
    s.type("Sprig")
    s.keys("Return")
    s.synchronise(app)
    poll("Sprig alone under Mint on the server",
         lambda: server_titles(s, "Shop") == ["Melon", "Bread", "Milk", "Mint", "Sprig"]
         and re.search("Mint</dd>.*<ol.*Sprig", named(s.server_lists(), "Shop")[0], re.S), interval=0.5)
    s.close_program(program, app)


run("nexttitleafterrun", scenario, server=True)
