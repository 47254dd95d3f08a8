"""A task moved to another list on one computer; the account's other
computer, not synchronised since, retitles it in its older copy of the first
list and synchronises, and the user cancels that run in the Sync window while
the server holds back its request for the second list. The next run of that
computer leaves the task once, in the list it was moved to, retitled, on the
server and on both computers."""

import os
import time

import pyatspi

from e2e import check, has_tasks, list_id, poll, read, run, type_tasks
from e2e_movetolist import add_list, cell, choose, on_focus, open_tab, sorted_lists, tasks_of


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)

    first, app = s.open_program(first_home)
    # Typed a second apart (each new row is made as Return is pressed):
    # each task is told from the others by its creation.
    s.click(s.task_cells(app)[-1])
    for title in ("Tickets", "Bags", "Socks"):
        s.type(title)
        time.sleep(1.2)
        s.keys("Return")
    s.keys("Escape")
    has_tasks(s, app, ["Tickets", "Bags", "Socks"])
    s.name_list(app, "Src")
    add_list(s, app, "Dst", ["Keys"])
    s.synchronise(app)
    poll("both lists on the server", lambda: list_id(s, "Src") and list_id(s, "Dst"), interval=0.5)

    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    s.synchronise(second_app)
    poll("the second computer's tabs", lambda: s.find_all(second_app, "page tab", "Src")
         and s.find_all(second_app, "page tab", "Dst"))

    # The first computer moves Bags to Dst and synchronises.
    open_tab(s, app, "Src")
    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    s.click(cell(s, app, "Bags"), button=3)
    choose(s, ["Move to list", "Dst"])
    poll("Bags gone from Src", lambda: "Bags" not in s.cell_texts(app))
    s.synchronise(app)
    poll("the move on the server", lambda: sorted_lists(s).get("Dst") == [["Bags", "Keys"]], interval=0.5)

    # The second, whose copy of Src still holds Bags, retitles it there.
    open_tab(s, second_app, "Src")
    has_tasks(s, second_app, ["Tickets", "Bags", "Socks"])
    s.click(cell(s, second_app, "Bags"))
    s.keys("ctrl+a")
    s.type("Big bags")
    s.keys("Return", "Escape")
    has_tasks(s, second_app, ["Big bags"])
    s.shot("older-copy-edited")

    # Its run is cancelled while the server holds its request for Dst.
    dst = list_id(s, "Dst")
    s.server_command("hold ^/lists/%s$" % dst, "holding")
    since = len(s.server_lines)
    s.focus(s.find(second_app, "push button", "Lists"))
    s.keys("F5")
    poll("the request for Dst to reach the server", lambda: s.server_said(r" /lists/%s -> " % dst, since))
    s.shot("run-held")
    s.click(s.find(second_app, "push button", "Cancel", what="the Sync window's Cancel"))
    s.wait_sync_end(second_app)
    s.server_command("release", "released")
    s.shot("run-cancelled")

    # The next run settles the move.
    s.synchronise(second_app)
    lists = sorted_lists(s)
    check(lists == {"Src": [["Socks", "Tickets"]], "Dst": [["Big bags", "Keys"]]},
          "after the next run the server holds %r" % lists)
    s.synchronise(app)
    for who in (app, second_app):
        open_tab(s, who, "Src")
        check(sorted(s.cell_texts(who)) == ["Socks", "Tickets"], "Src shows %r" % s.cell_texts(who))
        open_tab(s, who, "Dst")
        check(sorted(s.cell_texts(who)) == ["Big bags", "Keys"], "Dst shows %r" % s.cell_texts(who))
    s.shot("settled")
    for p, who, home in ((first, app, first_home), (second, second_app, second_home)):
        s.close_program(p, who)
        titles = tasks_of(read(os.path.join(s.data_dir(home), "lists.xhtml")))
        check("Bags" not in titles and titles.count("Big bags") == 1, "each computer keeps Big bags once: %r" % titles)


run("movecancelled", scenario, server=True, control=True)
