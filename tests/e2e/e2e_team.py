"""Team mode: two users, each in a program of their own, sign in; each sees
the other's presence change, a message sent by one reaches the other's chat
window, and the list bob shares with alice shows in her lists after her
synchronisation."""

from e2e import check, poll, run


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

    for p, app in ((alice, alice_app), (bob, bob_app)):
        # Without a tray host, closing the main window ends the program.
        closes = [b for b in s.find_all(app, "push button", "Close")]
        s.click(closes[0])
        code = s.wait_exit(p, "the program to end")
        check(code == 0, "closing ended with %r" % code)


run("team", scenario, server="demo")
