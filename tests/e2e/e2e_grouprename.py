"""The list manager shows two new groups, both named "New Group"; the user
renames the second, and a synchronisation started from the main window
builds the manager's rows again while the name is being typed. The rename
never goes on in the first group: before the groups reached the server
their names do not tell them apart, but the run took them back as it
uploaded them, so the second's place does, and Return names that one; once
they carry their server ids a rename of the first goes on in the first.
Through it all the manager shows a row for each list the page has, once:
the starting list the run makes again, and one added by the manager's own
button."""

import re

from e2e import check, poll, run

NEW = "New Group"
TYPED = "Errands"
SECOND_TYPED = "Chores"
GROUP_NAMES = (NEW, TYPED, SECOND_TYPED)


def group_names(s, manager):
    return [s.text_of(l) for l in s.find_all(manager, "label") if s.text_of(l) in GROUP_NAMES]


def list_rows(s, manager):
    return sorted(s.text_of(l) for l in s.find_all(manager, "label")
                  if s.text_of(l) not in GROUP_NAMES + ("List manager", None, ""))


def check_one_row_a_list(s, app, manager):
    tabs = sorted(t.name for t in s.find_all(app, "page tab"))
    poll("a row for each list %r" % tabs, lambda: list_rows(s, manager) == tabs)


def name_edits(s, manager):
    return s.find_all(manager, "text", "Name")


def rename_while_syncing(s, app, manager, which, typed):
    """F2 on a group row named "New Group" (which: 0 the first of them, -1
    the last), a name typed, the main window's Sync button pressed
    meanwhile; then back into the manager, and Return."""
    s.click(s.find_all(manager, "label", NEW)[which])
    s.keys("F2")
    edit = s.find(manager, "text", "Name", what="the name being typed")
    s.keys("ctrl+a")
    s.type(typed)
    check(s.text_of(edit) == typed, "the name typed: %r" % s.text_of(edit))
    since = len(s.server_lines)
    s.click(s.find(app, "push button", "Sync"))
    poll("the groups fetched again", lambda: s.server_said(r"^GET /users/alice/list-groups-display-order -> 200",
                                                            since))
    s.wait_sync_end(app)
    s.shot("synchronised-while-typing")
    # The title takes no focus: the window comes back with the typing's own.
    s.click(s.find(manager, "label", "List manager"))
    s.keys("Return")


def scenario(s):
    home = s.home("user")
    s.write_account(home)
    p, app = s.open_program(home)
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("ctrl+l")
    manager = s.find(app, "dialog", "List manager", what="the list manager")
    for _ in range(2):
        s.click(s.find(manager, "push button", "Add Group"))
    poll("two new groups", lambda: group_names(s, manager) == [NEW, NEW])
    check_one_row_a_list(s, app, manager)

    # Both groups are new here: their names do not tell the second from the
    # first; the run takes them back as it uploaded them, so its place does.
    rename_while_syncing(s, app, manager, -1, TYPED)
    poll("no name being typed", lambda: not name_edits(s, manager))
    poll("the second group renamed", lambda: group_names(s, manager) == [NEW, TYPED])
    s.shot("second-renamed")
    # The run made the untouched starting list again.
    check_one_row_a_list(s, app, manager)
    s.click(s.find(manager, "push button", "Add List"))
    poll("a second list", lambda: len(s.find_all(app, "page tab")) == 2)
    check_one_row_a_list(s, app, manager)

    # Now both carry their server ids: a rename of the first goes on there.
    rename_while_syncing(s, app, manager, 0, SECOND_TYPED)
    poll("the first group renamed", lambda: group_names(s, manager) == [SECOND_TYPED, TYPED])
    s.shot("first-renamed")
    s.synchronise(app)
    # The groups the user made, by their server ids (the default group has none).
    groups = s.server_get("/users/alice/list-groups-display-order")
    made = re.findall(r"<dt>name</dt><dd>([^<]*)</dd><dt>id</dt>", groups)
    check(made == [SECOND_TYPED, TYPED], "the server holds both groups renamed: %r\n%s" % (made, groups))
    s.click(s.find(app, "push button", "Close"))
    check(s.wait_exit(p, "the program to end") == 0, "closing ended with an error")


run("grouprename", scenario, server=True)
