"""The program's menus as a screen reader meets them: the task menu, a list
tab's menu, a note tab's menu, the tray icon's menu and the Team page's
presence menu each announce their entries over the accessibility bus as
items of a named menu that belongs to the program's window, not as a
nameless menu of nobody's.
The presence menu's entries are each announced by the state they set.
And the task search field: found among the page's widgets as a text field
by its name, and told as where the focus is once the cursor is in it (not
the list's tab). And the page's parts a screen reader names: the list tabs,
the connection picture, the task tree's columns, the syncing overlay."""

import re
import subprocess
import time

import pyatspi
from gi.repository import GLib

from e2e import Failure, TIMEOUT, check, poll, run, type_tasks

announced = []
# Every object told as taking the focus: (role, name).
focused = []


def on_focus(event):
    # Read at once: a menu's items are gone when it closes.
    if not event.detail1:
        return
    try:
        focused.append((event.source.getRoleName(), event.source.name))
    except Exception:
        pass
    try:
        item = event.source
        if item.getRoleName() != "menu item":
            return
        menu = item.parent
        ancestors = []
        node = menu.parent
        while node is not None and len(ancestors) < 30:
            ancestors.append(node.getRoleName())
            node = node.parent
        announced.append({"item": item.name, "menu": menu.name, "menu role": menu.getRoleName(),
                          "ancestors": ancestors})
    except Exception as e:  # the menu may already be gone
        announced.append({"error": str(e)})


def pump_until(what, condition, timeout=TIMEOUT):
    """Polls like e2e.poll, letting the bus deliver events meanwhile."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + timeout
    while True:
        while context.iteration(False):
            pass
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for %s; announced: %r" % (what, announced))
        time.sleep(0.05)


def visible_windows(s):
    return set(s.xdotool("search", "--onlyvisible", "--class", "PlumDeck", check=False).split())


def menu_owner(s, before):
    """The title of the window that the menu's window (the one shown since
    `before`) is a transient of, "-" for none; None while none shows."""
    for wid in visible_windows(s) - before:
        props = subprocess.run(["xprop", "-id", wid, "WM_TRANSIENT_FOR"], env=s.env,
                               capture_output=True, text=True).stdout
        s.note("menu window %s: %s" % (wid, props.strip()))
        match = re.search(r"window id # (0x[0-9a-f]+)", props)
        if not match:
            return "-"
        return s.xdotool("getwindowname", str(int(match.group(1), 16)), check=False).strip() or "-"
    return None


def check_menu(s, name, open_menu):
    """Opens a menu, moves into it with the keyboard and checks what a
    screen reader is told: an entry with a name, in a menu called `name`
    that hangs below the program's window."""
    del announced[:]
    before = visible_windows(s)
    open_menu()
    s.keys("Down")

    def item_of_menu():
        return [a for a in announced if a.get("menu") == name and a.get("item")]

    try:
        seen = pump_until("an entry of the menu %r to be announced" % name, item_of_menu)[0]
    finally:
        s.shot("menu-" + name.lower())
    check(seen["menu role"] == "popup menu", "%r is announced as a %s" % (name, seen["menu role"]))
    # The toolkit hangs every pop-up below the application on the bus; the
    # window it belongs to is told to the window system.
    owner = poll("the menu %r's window" % name, lambda: menu_owner(s, before))
    check(owner == "Plumdeck", "the menu %r belongs to no window of the program (%r)" % (name, owner))
    s.keys("Escape")
    pump_until("the menu %r to close" % name, lambda: True)


def entry_names(s, name, open_menu, count):
    """Opens a menu and walks down its `count` entries with the keyboard: the
    names a screen reader announces, in order."""
    del announced[:]
    open_menu()

    def items():
        return [a["item"] for a in announced if a.get("menu") == name and a.get("item")]

    for step in range(count):
        s.keys("Down")
        pump_until("entry %d of the menu %r to be announced" % (step + 1, name),
                   lambda: len(items()) > step)
    s.keys("Escape")
    pump_until("the menu %r to close" % name, lambda: True)
    return items()


def check_search_field(s, app):
    """Ctrl+F shows the search bar over the tasks; a click puts the cursor in
    its field, which a screen reader finds and is told has the focus. From
    there F5 synchronises and Ctrl+F hides the bar again."""
    s.keys("ctrl+f")
    field = s.find(app, "text", "Search tasks", what="the task search field among the page's widgets")
    del focused[:]
    s.click(field)
    pump_until("the focus to be told on the search field", lambda: ("text", "Search tasks") in focused)
    check(field.getState().contains(pyatspi.STATE_FOCUSED), "the search field does not say it has the focus")
    for tab in s.find_all(app, "page tab"):
        check(not tab.getState().contains(pyatspi.STATE_FOCUSED),
              "the list's tab %r says it has the focus while the cursor is in the search field" % tab.name)
    tree = s.find(app, "tree", what="the task tree")
    check(not tree.getState().contains(pyatspi.STATE_FOCUSED), "the task tree says it has the focus")
    s.type("milk")
    poll("the search field to read what was typed", lambda: s.text_of(field) == "milk")
    s.shot("search-field")
    s.keys("Escape")
    poll("Escape to empty the search field", lambda: s.text_of(field) == "")
    # The page's keys that edit no text act from the field: F5 synchronises,
    # Ctrl+F hides the bar.
    since = len(s.server_lines)
    s.keys("F5")
    poll("F5 in the search field to synchronise", lambda: s.server_said(r"^[A-Z]+ /", since))
    s.wait_sync_end(app)
    # The run's window took the keyboard; with no window manager to give it
    # back, a click does.
    s.click(field)
    s.keys("ctrl+f")
    poll("Ctrl+F in the search field to hide the search bar", lambda: not s.is_showing(field))


def check_names(s, app):
    """The list tabs, the connection picture beside Preferences and every
    column of the task tree are named; while a list synchronises on its own
    (the server keeping its answer back), the overlay saying so and its
    Cancel button are found, and the button cancels."""
    s.find(app, "page tab list", "Lists", what="the list tabs by their name")
    # Signed in since the start: the picture says so.
    s.find(app, "image", "Connected", what="the connection picture named by its state")
    tree = s.find(app, "tree", what="the task tree")
    headers = [h.name for h in s.find_all(tree, "table column header", showing=False)]
    check(len(headers) == 12 and all(headers), "the task tree's columns are named %r" % headers)

    # The list is on the server by now: its run asks after the list first.
    s.server_command("hold /list", "holding")
    tab = poll("a list's tab", lambda: s.find_all(app, "page tab"))[0]
    before = visible_windows(s)
    s.click(tab, button=3)
    poll("the list's menu", lambda: visible_windows(s) - before)
    # Jump to, Add list, Sync list.
    s.keys("Down", "Down", "Down", "Return")
    overlay = s.find(app, None, "List synchronisation", what="the syncing overlay")
    s.shot("syncing-overlay")
    cancel = s.find(overlay, "push button", "Cancel synchronisation", what="the overlay's Cancel button")
    s.click(cancel)
    poll("the overlay to go", lambda: not s.find_all(app, None, "List synchronisation"))
    s.server_command("release")


def scenario(s):
    home = s.home("user")
    s.write_settings(home, "[updater]\nenabled=false\n")
    s.write_account(home, "alice")
    p = s.start(home)
    app = s.app(p)
    s.main_window(p)
    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")

    type_tasks(s, app, ["Milk"])
    check_menu(s, "Task", lambda: s.click(s.task_cells(app)[0], button=3))

    tabs = poll("a list's tab", lambda: s.find_all(app, "page tab"))
    check_menu(s, "List", lambda: s.click(tabs[0], button=3))

    check_search_field(s, app)
    check_names(s, app)

    s.click(s.find(app, "push button", "Notes"))
    note = s.find(app, "page tab", "Note", what="the note's tab")
    check_menu(s, "Note", lambda: s.click(note, button=3))

    check_menu(s, "Plumdeck", lambda: s.click_at(*s.tray_icon(), button=3))

    # The account is in the preferences: the Team page signs in by itself.
    def presence_button():
        found = s.find_all(app, "push button", "Available")
        if not found and not s.find_all(app, "push button", "connection"):
            s.click(s.find(app, "push button", "Team"))
        return found

    button = poll("the presence button on the Team page", presence_button, interval=0.5)[0]
    check_menu(s, "Presence", lambda: s.click(button))
    names = entry_names(s, "Presence", lambda: s.click(button), 5)
    expected = ["Available", "Available with a custom message...", "Busy", "Busy with a custom message...",
                "Unavailable"]
    check(names == expected, "the presence entries are announced as %r" % names)


run("menus", scenario, tray=True, server=True, control=True)
