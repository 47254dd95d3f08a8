"""Two computers hold Trip (Tickets, Bags, Socks) and Home (Keys). The first
exports a backup just after typing Towel, sends Towel, moves Socks to Home
and sends that, then imports the backup, told Socks stays in Home. After F5
on both each task is there once, on the server and in both lists files."""

import os

import pyatspi

from e2e import check, message_box, open_tab, poll, read, run, server_tasks, tabs, type_tasks
from e2e_movetolist import add_list, cell, choose, on_focus, tasks_of
from e2e_restorebackup import backup_page, use_file


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)
    path = os.path.join(first_home, "lists-backup.xhtml")
    first, app = s.open_program(first_home)
    type_tasks(s, app, ["Tickets", "Bags", "Socks"])
    s.name_list(app, "Trip")
    add_list(s, app, "Home", ["Keys"])
    s.synchronise(app)
    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    s.synchronise(second_app)
    poll("both lists on the second computer", lambda: tabs(s, second_app) == ["Home", "Trip"])

    open_tab(s, app, "Trip")
    type_tasks(s, app, ["Towel"])
    page = backup_page(s, app)
    check(s.text_of(use_file(s, app, page, " Export", "Backup to file", path)) == "Backup completed.", "exported")
    s.click(s.find(page, "push button", "Cancel"))
    s.synchronise(app)
    open_tab(s, app, "Trip")
    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    s.click(cell(s, app, "Socks"), button=3)
    choose(s, ["Move to list", "Home"])
    poll("Socks gone from Trip", lambda: "Socks" not in s.cell_texts(app))
    s.synchronise(app)
    once = lambda: (server_tasks(s, "Home") == [["Keys", "Socks"]]
                    and server_tasks(s, "Trip") == [["Bags", "Tickets", "Towel"]])
    poll("Towel and Socks sent", once, interval=0.5)

    # The backup holds Towel without an id, and Socks in Trip.
    page = backup_page(s, app)
    told = s.text_of(use_file(s, app, page, " Import", "Backup from file", path))
    check('Trip: Socks (now in "Home")' in told, "the user is told Socks stays in Home: %r" % told)
    s.click(s.find(page, "push button", "Cancel"))
    for a in (app, second_app, app, second_app):
        s.synchronise(a)
        check(message_box(s, a) is None, "nothing else is told")
    check(once(), "each task once on the server: %r" % s.server_lists())
    for p, a, home in ((first, app, first_home), (second, second_app, second_home)):
        s.close_program(p, a)
        titles = sorted(tasks_of(read(os.path.join(s.data_dir(home), "lists.xhtml"))))
        check(titles == ["Bags", "Keys", "Socks", "Tickets", "Towel"], "each task once in the lists file: %r" % titles)


run("restoreidentity", scenario, server=True)
