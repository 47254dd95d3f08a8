"""Two clients on one account and the list groups: the first makes the
group Work and synchronises; the second, from the tree it fetched before,
makes the group Trips and synchronises. Neither group is lost: the server
and both list managers show both."""

import re

from e2e import check, poll, run


def server_groups(s):
    doc = s.server_get("/users/alice/list-groups-display-order")
    return sorted(re.findall(r"<dt>name</dt><dd>([^<]*)</dd><dt>id</dt>", doc))


def shows_groups(s, manager, names):
    return all(s.find_all(manager, "label", name) for name in names)


def make_group(s, app, name):
    """The list manager, its Add Group button, then F2 and the name."""
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("ctrl+l")
    manager = s.find(app, "dialog", "List manager", what="the list manager")
    s.click(s.find(manager, "push button", "Add Group"))
    s.click(s.find(manager, "label", "New Group"))
    s.keys("F2")
    s.find(manager, "text", "Name", what="the name being typed")
    s.keys("ctrl+a")
    s.type(name)
    s.keys("Return")
    poll("the group %s" % name, lambda: shows_groups(s, manager, [name]))
    return manager


def scenario(s):
    homes = [s.home("first"), s.home("second")]
    processes, apps = [], []
    for i, home in enumerate(homes):
        s.write_account(home)
        p, app = s.open_program(home)
        s.move_window(p, 640 * i, 0)
        s.synchronise(app)
        processes.append(p)
        apps.append(app)
    first, second = apps

    make_group(s, first, "Work")
    s.synchronise(first)
    check(server_groups(s) == ["Work"], "the server holds Work: %r" % server_groups(s))

    manager = make_group(s, second, "Trips")
    s.synchronise(second)
    check(server_groups(s) == ["Trips", "Work"], "the server holds both groups: %r" % server_groups(s))
    poll("the second client's manager shows both", lambda: shows_groups(s, manager, ["Trips", "Work"]))
    s.shot("second-keeps-work")

    s.synchronise(first)
    manager = s.find(first, "dialog", "List manager", what="the first client's list manager")
    poll("the first client's manager shows both", lambda: shows_groups(s, manager, ["Trips", "Work"]))
    s.shot("first-shows-trips")
    for p, app in zip(processes, apps):
        s.click(s.find(app, "push button", "Close"))
        check(s.wait_exit(p, "the program to end") == 0, "closing ended with an error")


run("groupstwoclients", scenario, server=True)
