"""A backup exported on the backup page; the list Trip removed on the
account's other computer and both synchronised; then the backup imported on
the first and synchronised: Trip is back on the server, the user told so,
and, after its next synchronisation, on the other computer, each list once.
The page named the file that keeps the lists the import replaced, and that
file holds them."""

import os
import re

from e2e import check, has_tasks, message_box, named, new_list, poll, read, run, type_tasks

LISTS = {"Trip": "Tickets", "Home": "Keys"}


def tabs(s, app):
    return sorted(t.name for t in s.find_all(app, "page tab") if t.name in LISTS)


def backup_page(s, app):
    """The preferences' account page, its Backup button: the backup page."""
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("F12")
    s.click(s.find(app, "page tab", "Account", what="the preferences' account page"))
    s.click(s.find(app, "push button", "Backup"))
    return s.find(app, "dialog", "Backup", what="the backup page")


def use_file(s, app, page, button, title, path):
    """The page's button, then the file dialog answered with `path`: the
    page's report."""
    s.click(s.find(page, "push button", button))
    s.find(app, "dialog", title, what="the file dialog %r" % title)
    s.keys("ctrl+a")
    s.type(path)
    s.keys("Return")
    return poll("the backup page's report",
                lambda: s.label_saying(app, "Backup completed.") or s.label_saying(app, "Error"))


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)
    backup = os.path.join(first_home, "lists-backup.xhtml")

    first, app = s.open_program(first_home)
    type_tasks(s, app, [LISTS["Trip"]])
    s.name_list(app, "Trip")
    new_list(s, app)
    type_tasks(s, app, [LISTS["Home"]])
    s.name_list(app, "Home")
    s.synchronise(app)
    poll("both lists on the server", lambda: all(len(named(s.server_lists(), n)) == 1 for n in LISTS),
         interval=0.5)

    page = backup_page(s, app)
    report = use_file(s, app, page, " Export", "Backup to file", backup)
    check(s.text_of(report) == "Backup completed.", "the export ended with %r" % s.text_of(report))
    s.shot("exported")
    s.click(s.find(page, "push button", "Cancel"))

    # Trip goes on the other computer, and both synchronise.
    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    s.synchronise(second_app)
    poll("both lists on the other computer", lambda: tabs(s, second_app) == sorted(LISTS))
    s.click(s.find(second_app, "page tab", "Trip"))
    s.focus(s.find(second_app, "push button", "Lists"))
    s.keys("ctrl+w")
    question = s.find(second_app, "dialog", "Delete List", what="the question before the removal")
    s.click(s.find(question, "push button", "Ok"))
    poll("Trip gone on the other computer", lambda: tabs(s, second_app) == ["Home"])
    s.synchronise(second_app)
    poll("Trip gone from the server", lambda: not named(s.server_lists(), "Trip"), interval=0.5)
    s.synchronise(app)
    poll("Trip gone on the first computer", lambda: tabs(s, app) == ["Home"])
    s.shot("trip-removed")

    # The backup imported on the first, and synchronised.
    page = backup_page(s, app)
    report = use_file(s, app, page, " Import", "Backup from file", backup)
    text = s.text_of(report)
    s.shot("imported")
    kept = re.search(r'kept in "([^"]+)"', text)
    check(kept is not None, "the import names the file of the lists it replaced: %r" % text)
    check(os.path.dirname(kept.group(1)) == s.data_dir(first_home),
          "the lists it replaced are kept beside the lists file: %r" % kept.group(1))
    held = read(kept.group(1))
    check("<dd>Home</dd>" in held and "<dd>Keys</dd>" in held, "the kept file holds the replaced lists:\n%s" % held)
    s.click(s.find(page, "push button", "Cancel"))
    poll("both lists on the first computer", lambda: tabs(s, app) == sorted(LISTS))
    s.synchronise(app)
    poll("Trip back on the server", lambda: len(named(s.server_lists(), "Trip")) == 1, interval=0.5)
    # Once it went up, the user is told the import brought it back.
    box = poll("the notice of what the import did", lambda: message_box(s, app))
    told = " ".join(s.text_of(l) or "" for l in s.find_all(box, "label"))
    check("brought back" in told and "Trip" in told, "the notice names Trip as brought back: %r" % told)
    s.click(s.find(box, "push button", "Ok"))
    # A quiet run leaves it there.
    s.synchronise(app)
    s.synchronise(second_app)
    poll("Trip back on the other computer", lambda: tabs(s, second_app) == sorted(LISTS))
    s.click(s.find(second_app, "page tab", "Trip"))
    has_tasks(s, second_app, [LISTS["Trip"]])
    s.shot("back-on-the-other-computer")

    docs = s.server_lists()
    for name, task in LISTS.items():
        check(len(named(docs, name)) == 1, "%s is on the server once" % name)
        check(sum(doc.count(">%s<" % task) for doc in docs) == 1, "%s is on the server once" % task)
    for p, a, home in ((first, app, first_home), (second, second_app, second_home)):
        s.close_program(p, a)
        text = read(os.path.join(s.data_dir(home), "lists.xhtml"))
        for task in LISTS.values():
            check(text.count("<dd>%s</dd>" % task) == 1, "the lists file holds %s once:\n%s" % (task, text))


if __name__ == "__main__":
    run("restorebackup", scenario, server=True)
