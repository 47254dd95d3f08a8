"""Lists in groups, a backup exported and, with nothing changed since,
imported again on the same computer, then both computers synchronised: every
list stays in its group, on the server, in both groups files and in the
other computer's list manager. Home sits in no group, Trip in Travel."""

import os
import xml.etree.ElementTree as ET

from e2e import check, poll, read, run, type_tasks
from e2e_movetolist import choose, on_focus

XHTML = "{http://www.w3.org/1999/xhtml}"

def groups_of(text):
    """The groups document's tree: each group's name (the default group
    "") to the server ids of the lists it holds."""
    body = ET.fromstring(text).find(XHTML + "body")
    tree = next(ol for ol in body if ol.get("class") == "pd-groups")
    out = {}

    def walk(item, name):
        ids = []
        for ol in item:
            if ol.get("class") == "pd-group-lists":
                ids += [a.text for a in ol.iter(XHTML + "a") if a.get("class") == "pd-list-id"]
        out[name] = ids
        for ol in item:
            if ol.get("class") == "pd-groups":
                for child in ol:
                    fields = child.find(XHTML + "dl")
                    terms = [e.text or "" for e in fields]
                    walk(child, terms[terms.index("name") + 1])

    walk(tree[0], "")
    return out


def list_ids(s):
    infos = ET.fromstring(s.server_get("/users/alice/lists-info"))
    ids = {}
    for dl in infos.iter(XHTML + "dl"):
        terms = [e.text or "" for e in dl]
        if "id" in terms and "name" in terms:
            ids[terms[terms.index("name") + 1]] = terms[terms.index("id") + 1]
    return ids


def expected_groups(s):
    ids = list_ids(s)
    return {"": [ids["Home"]], "Travel": [ids["Trip"]]}


def server_groups(s):
    return groups_of(s.server_get("/users/alice/list-groups-display-order"))


def backup_page(s, app):
    """The preferences' account page, its Backup button: the backup page."""
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("F12")
    s.click(s.find(app, "page tab", "Account", what="the preferences' account page"))
    s.click(s.find(app, "push button", "Backup"))
    return s.find(app, "dialog", "Backup", what="the backup page")


def use_file(s, app, page, button, title, path):
    s.click(s.find(page, "push button", button))
    s.find(app, "dialog", title, what="the file dialog %r" % title)
    s.keys("ctrl+a")
    s.type(path)
    s.keys("Return")
    return poll("the backup page's report",
                lambda: s.label_saying(app, "Backup completed.") or s.label_saying(app, "Error"))


def scenario(s):
    import pyatspi

    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)
    backup = os.path.join(first_home, "lists-backup.xhtml")

    first, app = s.open_program(first_home)
    type_tasks(s, app, ["Keys"])
    s.name_list(app, "Home")
    # The list manager: the group Travel, and in it a new list, Trip.
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("ctrl+l")
    manager = s.find(app, "dialog", "List manager", what="the list manager")
    s.click(s.find(manager, "push button", "Add Group"))
    s.click(s.find(manager, "label", "New Group"))
    s.keys("F2")
    s.find(manager, "text", "Name", what="the name being typed")
    s.keys("ctrl+a")
    s.type("Travel")
    s.keys("Return")
    group = s.find(manager, "label", "Travel", what="the group Travel")
    tabs_before = len(s.find_all(app, "page tab"))
    s.click(group, button=3)
    choose(s, ["Add new list"])
    poll("the new list's tab", lambda: len(s.find_all(app, "page tab")) == tabs_before + 1)
    s.shot("new-list-in-travel")
    s.click(s.find(manager, "push button", "Close"))
    poll("the list manager closed", lambda: not s.find_all(app, "dialog", "List manager"))
    new_tab = [t for t in s.find_all(app, "page tab") if t.name != "Home"][0]
    s.click(new_tab)
    type_tasks(s, app, ["Tickets"])
    s.name_list(app, "Trip")
    s.synchronise(app)
    poll("Trip in Travel on the server", lambda: server_groups(s) == expected_groups(s), interval=0.5)
    before = server_groups(s)

    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    s.synchronise(second_app)
    poll("both lists on the other computer",
         lambda: sorted(t.name for t in s.find_all(second_app, "page tab")) == ["Home", "Trip"])

    # Exported, then imported at once: nothing changed in between.
    page = backup_page(s, app)
    report = use_file(s, app, page, " Export", "Backup to file", backup)
    check(s.text_of(report) == "Backup completed.", "the export ended with %r" % s.text_of(report))
    report = use_file(s, app, page, " Import", "Backup from file", backup)
    check(s.text_of(report).startswith("Backup completed."), "the import ended with %r" % s.text_of(report))
    s.shot("imported")
    s.click(s.find(page, "push button", "Cancel"))

    for a in (app, second_app, app):
        s.synchronise(a)
    check(server_groups(s) == before, "the groups on the server: %r, before the import %r" % (server_groups(s), before))

    # The other computer's list manager shows Trip inside Travel.
    s.focus(s.find(second_app, "push button", "Lists"))
    s.keys("ctrl+l")
    manager = s.find(second_app, "dialog", "List manager", what="the other computer's list manager")
    rows = [n.name for n in s.find_all(manager, "label") if n.name in ("Home", "Travel", "Trip")]
    s.shot("other-computer-manager")
    check(rows == ["Home", "Travel", "Trip"], "the other computer's manager shows %r" % rows)
    s.click(s.find(manager, "push button", "Close"))

    for p, a, home in ((first, app, first_home), (second, second_app, second_home)):
        s.close_program(p, a)
        text = read(os.path.join(s.data_dir(home), "listsGroups.xhtml"))
        check(groups_of(text) == before, "the groups file of %s holds %r:\n%s" % (home, groups_of(text), text))


run("restoregroups", scenario, server=True)
