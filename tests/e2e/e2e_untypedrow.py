"""A list removed on one computer while the account's other computer, not
synchronised since, only opened a row in it and typed nothing. The first
removes "Garden" (Seeds, with its subtask Packets) and synchronises; on the
second, Return on Packets opens a row below it, and a click elsewhere leaves
it untyped. The second synchronises with the row open: nobody changed
Garden there, so its removal holds everywhere and nobody is told of a list
put back."""

import re

from e2e import check, has_tasks, named, new_list, open_tab, poll, remove_while_other_is_off, run, tabs, type_tasks


def message_box(s, app):
    """A message with an Ok button over the page (the sync dialog has none)."""
    for d in s.find_all(app, "dialog"):
        if s.find_all(d, "push button", "Ok"):
            return d
    return None


def server_tasks(s, name):
    """Each list's titles, sorted; an untitled task as ""."""
    docs = named(s.server_lists(), name)
    return [sorted(t or "" for t in re.findall(r"<dt>title</dt>\s*(?:<dd>([^<]*)</dd>|<dd/>)", doc)) for doc in docs]


def cell(s, app, text):
    return next(c for c in s.task_cells(app) if (s.text_of(c) or "").strip() == text)


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)

    first, app = s.open_program(first_home)
    type_tasks(s, app, ["Keys"])
    s.name_list(app, "Home")
    new_list(s, app)
    type_tasks(s, app, ["Seeds"])
    # Packets typed with Tab first, below Seeds; Backspace takes the row
    # Return opened below it out to the top, where an empty row is not kept.
    s.click(s.task_cells(app)[-1])
    s.keys("End", "Return", "Tab")
    s.type("Packets")
    s.keys("Return", "BackSpace", "Escape")
    has_tasks(s, app, ["Seeds", "Packets"])
    s.name_list(app, "Garden")
    s.synchronise(app)
    poll("Garden on the server", lambda: server_tasks(s, "Garden") == [["Packets", "Seeds"]], interval=0.5)

    # The other computer takes both, then is off while the first removes one.
    remove_while_other_is_off(s, app, second_home, "Garden")

    # Its copy still holds Garden: Return on the subtask opens a row below
    # it, and a click elsewhere (not on another task, which would take the
    # empty row away) leaves it untyped.
    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    open_tab(s, second_app, "Garden")
    has_tasks(s, second_app, ["Seeds", "Packets"])
    rows = len(s.task_cells(second_app))
    s.click(cell(s, second_app, "Packets"))
    s.keys("Return")
    s.click(s.find(second_app, "push button", "Lists"))
    s.shot("untyped-row-in-the-older-copy")
    poll("the untyped row", lambda: len(s.task_cells(second_app)) == rows + 1)
    check(s.cell_texts(second_app) == ["Seeds", "Packets"], "only an untyped row added: %r" % s.cell_texts(second_app))

    s.synchronise(second_app)
    check(message_box(s, second_app) is None, "nobody is told of a list put back")
    poll("Garden gone on the second computer", lambda: tabs(s, second_app) == ["Home"])
    s.shot("second-after-its-run")
    check(server_tasks(s, "Garden") == [], "Garden stays removed on the server: %r" % server_tasks(s, "Garden"))

    s.synchronise(app)
    check(tabs(s, app) == ["Home"], "Garden stays removed on the first computer: %r" % tabs(s, app))

    s.close_program(first, app)
    s.close_program(second, second_app)
    check(server_tasks(s, "Garden") == [], "Garden not on the server: %r" % server_tasks(s, "Garden"))
    check(server_tasks(s, "Home") == [["Keys"]], "Home untouched: %r" % server_tasks(s, "Home"))


run("untypedrow", scenario, server=True)
