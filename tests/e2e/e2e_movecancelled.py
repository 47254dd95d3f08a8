"""A task moved to another list on one computer; the account's other
computer, not synchronised since, retitles it in its older copy of the first
list and synchronises, and the user cancels that run in the Sync window while
the server holds back its request for the second list. The next run of that
computer leaves the task once, in the list it was moved to, retitled, on the
server and on both computers."""

import os
import re
import time

import pyatspi
from gi.repository import GLib

from e2e import Failure, TIMEOUT, check, has_tasks, poll, read, run, type_tasks

# The menu entries told as taking the focus, newest last: a pop-up's entries
# are found no other way on the accessibility bus.
entered = []


def on_focus(event):
    try:
        if event.detail1 and event.source.getRoleName() == "menu item":
            entered.append(event.source.name)
    except Exception:  # the menu may already be gone
        pass


def entered_now(count):
    """The entry the keyboard moved to once `count` entries were told."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + TIMEOUT
    while len(entered) < count:
        while context.iteration(False):
            pass
        if time.monotonic() > deadline:
            raise Failure("no menu entry told after %r" % entered)
        time.sleep(0.05)
    return entered[-1]


def choose(s, path):
    """Walks an open menu with the keyboard along the entries named in
    `path`, into each submenu, and takes the last."""

    def press(key):
        told = len(entered)
        s.keys(key)
        return entered_now(told + 1)

    name = press("Down")
    for depth, wanted in enumerate(path):
        for _ in range(30):
            if name == wanted:
                break
            name = press("Down")
        else:
            raise Failure("no menu entry %r among %r" % (wanted, entered))
        if depth == len(path) - 1:
            s.shot("menu-" + wanted.lower().replace(" ", "-"))
            s.keys("Return")
        else:
            # Opened from the keyboard, a submenu starts on its first entry.
            name = press("Right")


def add_list(s, app, name, tasks):
    tabs_before = len(s.find_all(app, "page tab"))
    s.click(s.find(app, "push button", "Add list"))
    poll("the new list's tab", lambda: len(s.find_all(app, "page tab")) == tabs_before + 1)
    type_tasks(s, app, tasks)
    s.name_list(app, name)


def open_tab(s, app, name):
    s.click(s.find(app, "page tab", name))
    poll("the list %s shown" % name,
         lambda: s.find(app, "page tab", name).getState().contains(pyatspi.STATE_SELECTED))


def cell(s, app, title):
    return poll("the task %s" % title,
                lambda: next((c for c in s.task_cells(app) if (s.text_of(c) or "").strip() == title), None))


def tasks_of(doc):
    return re.findall(r"<dt>title</dt>\s*<dd>([^<]*)</dd>", doc)


def sorted_lists(s):
    """Every list of the server: its name, and the titles of its tasks
    (sorted: the preferences put a moved task first or last)."""
    out = {}
    for doc in s.server_lists():
        name = re.search(r"<dt>name</dt>\s*<dd>([^<]*)</dd>", doc).group(1)
        out.setdefault(name, []).append(sorted(tasks_of(doc)))
    return out


def list_id(s, name):
    infos = s.server_get("/users/alice/lists-info")
    for i in re.findall(r"<dt>id</dt>\s*<dd>(\d+)</dd>", infos):
        if "<dd>%s</dd>" % name in s.server_get("/lists/%s" % i):
            return i
    return None


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
