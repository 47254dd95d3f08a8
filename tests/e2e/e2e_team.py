"""Team mode: two users, each in a program of their own, sign in; each sees
the other's presence change, a message sent by one reaches the other's chat
window; a list bob shares with alice through his list's menu shows in her
lists after her synchronisation, its tab with the icon of the permissions he
gave."""

import os
import re

from e2e import check, new_list, poll, run, scaled, type_tasks


def sign_in(s, home, user):
    s.write_account(home, user)
    p = s.start(home)
    app = s.app(p)
    s.main_window(p)
    return p, app


def connect(s, app, user):
    # With the account in the preferences the page signs in by itself, and
    # a pending contact request may ask first.
    def team_page():
        dismiss_contact_request(s, app)
        found = s.find_all(app, "push button", "connection") or s.find_all(app, "push button", "Available")
        if not found:
            s.click(s.find(app, "push button", "Team"))
        return found

    state = poll("the Team page", team_page, interval=0.5)[0]
    if state.name != "connection":
        return
    s.click(state)
    s.click(s.find(app, "text", "Username"))
    s.keys("ctrl+a")
    s.type(user)
    s.click(s.find(app, "password text", "Password"))
    s.keys("ctrl+a")
    s.type("secret")
    s.click(s.find(app, "push button", "Connect"))


def labels(s, app):
    return [s.text_of(l) or "" for l in s.find_all(app, "label")]


def friend_status(s, app, nick):
    """The texts shown beside the contact `nick`, its presence among them."""
    for label in s.find_all(app, "label", "%s (%s)" % (nick, nick)):
        box = label.parent
        return sorted(s.text_of(l) or "" for l in s.find_all(box, "label")
                      if l.name != label.name)
    return None


def dismiss_contact_request(s, app):
    # The demo server's pending request from carol: not part of this run.
    for d in s.find_all(app, "dialog", "Contact request"):
        s.click(s.find(d, "push button", "Cancel"))


def scenario(s):
    bob_home, alice_home = s.home("bob"), s.home("alice")
    bob, bob_app = sign_in(s, bob_home, "bob")
    s.move_window(bob, 640, 0)
    connect(s, bob_app, "bob")
    before = poll("alice among bob's contacts", lambda: friend_status(s, bob_app, "alice"))
    s.shot("bob-signed-in")

    alice, alice_app = sign_in(s, alice_home, "alice")
    # Below where the chat windows open, so that they cover none of its tabs.
    s.move_window(alice, 0, 420)
    connect(s, alice_app, "alice")
    poll("bob among alice's contacts", lambda: friend_status(s, alice_app, "bob"))
    s.shot("alice-signed-in")
    dismiss_contact_request(s, alice_app)
    # Alice is online now: bob's view of her changes without him doing anything.
    after = poll("alice's presence to change for bob",
                 lambda: (lambda now: now if now and now != before else None)(friend_status(s, bob_app, "alice")))
    s.shot("presence")
    check(before != after, "alice's presence seen by bob changed: %r -> %r" % (before, after))

    # Alice writes to bob.
    box = s.find(alice_app, "label", "bob (bob)").parent
    s.click(s.find(box, "push button", "chat"))
    message = s.find(alice_app, "text", "Message", what="alice's chat window")
    s.click(message)
    s.type("Lunch at noon?")
    s.keys("Return")
    s.shot("alice-sent")

    def received():
        for view in s.find_all(bob_app, None, "Conversation"):
            if "Lunch at noon?" in (s.text_of(view) or ""):
                return view
        return None

    poll("alice's message in bob's chat window", received)
    s.shot("bob-received")

    # The demo server's "Team plan" of bob's, shared with alice for writing.
    s.click(s.find(alice_app, "push button", "Lists"))
    s.synchronise(alice_app)
    s.find(alice_app, "page tab", "Team plan", what="bob's shared list among alice's lists")
    s.shot("shared-list")

    # Bob shares a list of his own with alice; after both synchronise it is
    # among her lists, with the icon of the permissions he gave.
    s.click(s.find(bob_app, "push button", "Lists"))
    new_list(s, bob_app)
    type_tasks(s, bob_app, ["Water the plants"])
    s.keys("ctrl+F2")
    rename = s.find(bob_app, "dialog", "Rename List", what="the rename dialog")
    s.keys("ctrl+a")
    s.type("Holiday rota")
    s.click(s.find(rename, "push button", "Ok"))
    s.find(bob_app, "page tab", "Holiday rota", what="the renamed list's tab")
    s.synchronise(bob_app)
    # The synchronisation may have put the tabs in the server's order.
    tab = s.find(bob_app, "page tab", "Holiday rota")
    # The tab's menu: "Share list" is fifth from the bottom; its first entry
    # shows the sharing, the next is alice, bob's first friend by name.
    s.click(tab, button=3)
    s.keys("Up", "Up", "Up", "Up", "Up", "Right", "Down")
    s.shot("share-menu")
    s.keys("Return")
    dialog = s.find(bob_app, "dialog", "Send list to alice", what="the permissions dialog")
    s.shot("share-permissions")
    s.click(s.find(dialog, "push button", "Accept"))
    s.synchronise(bob_app)

    def shared_on_server():
        infos = s.server_get("/users/alice/lists-info", user="alice")
        return any("Water the plants" in s.server_get("/lists/%s" % i, user="alice")
                   for i in re.findall(r"<dt>id</dt>\s*<dd>(\d+)</dd>", infos))
    poll("the server to hold bob's list among alice's", shared_on_server, timeout=scaled(60), interval=0.5)

    s.click(s.find(alice_app, "push button", "Lists"))
    s.synchronise(alice_app)
    shared = s.find(alice_app, "page tab", "Holiday rota", what="bob's new list among alice's lists")
    s.shot("shared-by-bob")
    icons = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")
    check(s.shows_image(shared, os.path.join(icons, "listshare_total.png")),
          "the shared list's tab shows the icon of reading, writing and deleting")
    for other in ("share_edit.png", "share_lock.png"):
        check(not s.shows_image(shared, os.path.join(icons, other)),
              "the shared list's tab shows no other permission's icon (%s)" % other)
    # The demo's "Team plan" is shared with her for reading and writing.
    check(s.shows_image(s.find(alice_app, "page tab", "Team plan"), os.path.join(icons, "share_edit.png")),
          "the tab of a list shared for writing shows its icon")

    for p, app in ((alice, alice_app), (bob, bob_app)):
        # Without a tray host, closing the main window ends the program.
        closes = [b for b in s.find_all(app, "push button", "Close")]
        s.click(closes[0])
        code = s.wait_exit(p, "the program to end")
        check(code == 0, "closing ended with %r" % code)


run("team", scenario, server="demo")
