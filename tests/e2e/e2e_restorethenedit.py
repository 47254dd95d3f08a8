"""Two computers of one account hold the demo's Groceries (shared with carol),
Trip and Home. On the first a backup is exported and imported at once; then,
before F5, a task of Trip is removed, Home is removed and carol is unshared
from Groceries. After F5 on the first and on the second computer nothing of
it comes back: on the server and on both computers Trip holds Tickets alone,
Home is gone and carol has lost Groceries; nobody is told the import changed
anything, as the server held the backup."""

import os
import re

from e2e import check, message_box, new_list, open_tab, poll, read, run, server_tasks, tabs, type_tasks
from e2e_movetolist import cell
from e2e_restorebackup import backup_page, use_file
from e2e_sharingtwocomputers import groceries_id, open_program, server_sharing, share_entry

LISTS = ["Groceries", "Home", "Team plan", "Trip"]


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)
    backup = os.path.join(first_home, "lists-backup.xhtml")

    first, app = open_program(s, first_home)
    s.synchronise(app)
    new_list(s, app)
    type_tasks(s, app, ["Tickets", "Socks"])
    s.name_list(app, "Trip")
    new_list(s, app)
    type_tasks(s, app, ["Keys"])
    s.name_list(app, "Home")
    s.synchronise(app)
    poll("Trip and Home on the server", lambda: server_tasks(s, "Trip") == [["Socks", "Tickets"]]
         and server_tasks(s, "Home") == [["Keys"]], interval=0.5)
    groceries = groceries_id(s)
    check(server_sharing(s, groceries) == {"carol": "r"}, "the demo's Groceries is shared with carol")
    second, second_app = open_program(s, second_home)
    s.move_window(second, 640, 0)
    s.synchronise(second_app)
    poll("every list on the second computer", lambda: tabs(s, second_app) == LISTS)

    # Exported and imported at once on the first.
    page = backup_page(s, app)
    report = use_file(s, app, page, " Export", "Backup to file", backup)
    check(s.text_of(report) == "Backup completed.", "the export ended with %r" % s.text_of(report))
    report = use_file(s, app, page, " Import", "Backup from file", backup)
    check(s.text_of(report).startswith("Backup completed."), "the import ended with %r" % s.text_of(report))
    s.click(s.find(page, "push button", "Cancel"))
    poll("every list back on the first computer", lambda: tabs(s, app) == LISTS)
    s.shot("imported")

    # Then a task removed, a list removed and carol unshared, before F5.
    open_tab(s, app, "Trip")
    s.click(cell(s, app, "Socks"))
    s.keys("Escape", "Delete")
    poll("Socks removed", lambda: "Socks" not in s.cell_texts(app))
    open_tab(s, app, "Home")
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("ctrl+w")
    question = s.find(app, "dialog", "Delete List", what="the question before the removal")
    s.click(s.find(question, "push button", "Ok"))
    poll("Home removed", lambda: "Home" not in tabs(s, app))
    share_entry(s, app, 1, "carol-unshared")
    question = s.find(app, "dialog", "Unshare list", what="the unshare question")
    s.click(s.find(question, "push button", "Ok"))
    s.shot("edited-after-the-import")

    s.synchronise(app)
    poll("Trip without Socks on the server", lambda: server_tasks(s, "Trip") == [["Tickets"]], interval=0.5)
    check(server_tasks(s, "Home") == [], "Home is gone from the server")
    check(server_sharing(s, groceries) == {}, "carol has lost Groceries: %r" % server_sharing(s, groceries))
    s.synchronise(second_app)
    poll("Home gone on the second computer", lambda: "Home" not in tabs(s, second_app))
    open_tab(s, second_app, "Trip")
    poll("Trip without Socks on the second computer", lambda: "Socks" not in s.cell_texts(second_app))
    # Quiet runs bring nothing back.
    for a in (app, second_app, app):
        s.synchronise(a)
    s.shot("after-quiet-runs")
    check(server_tasks(s, "Trip") == [["Tickets"]] and server_tasks(s, "Home") == [],
          "nothing came back on the server: Trip %r, Home %r" % (server_tasks(s, "Trip"), server_tasks(s, "Home")))
    check(server_sharing(s, groceries) == {}, "carol stays unshared: %r" % server_sharing(s, groceries))
    for a in (app, second_app):
        check(message_box(s, a) is None, "nobody is told the import changed anything")
        check(tabs(s, a) == ["Groceries", "Team plan", "Trip"], "each computer holds %r" % tabs(s, a))

    for p, a, home in ((first, app, first_home), (second, second_app, second_home)):
        s.close_program(p, a)
        text = read(os.path.join(s.data_dir(home), "lists.xhtml"))
        shared = "".join(re.findall(r'<ul class="pd-shared">(.*?)</ul>', text, re.S))
        check("<dd>Socks</dd>" not in text and "<dd>Home</dd>" not in text and ">carol<" not in shared,
              "the lists file holds neither Socks, Home nor carol's share:\n%s" % text)


if __name__ == "__main__":
    run("restorethenedit", scenario, server="demo")
