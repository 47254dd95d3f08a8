"""A task moved to another list with the task menu's "Move to list" on one
computer, which then renames that list and synchronises; the account's other
computer, not synchronised since, edits another task of the first list and
synchronises. After runs of both, the task is in the renamed list only and
the rename holds, on both computers and the server: the other computer's
older copy of the first list did not bring the task back there."""

import os
import re
import time

import pyatspi
from gi.repository import GLib

from e2e import Failure, TIMEOUT, check, has_tasks, named, new_list, open_tab, poll, read, run, type_tasks

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
    new_list(s, app)
    type_tasks(s, app, tasks)
    s.name_list(app, name)


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


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)

    first, app = s.open_program(first_home)
    type_tasks(s, app, ["Tickets", "Bags", "Socks"])
    s.name_list(app, "Src")
    add_list(s, app, "Dst", ["Keys"])
    s.synchronise(app)
    poll("both lists on the server", lambda: all(len(named(s.server_lists(), n)) == 1 for n in ("Src", "Dst")),
         interval=0.5)

    # The other computer takes both, then is off while the first changes them.
    second, second_app = s.open_program(second_home)
    s.synchronise(second_app)
    poll("the second computer's tabs", lambda: s.find_all(second_app, "page tab", "Src")
         and s.find_all(second_app, "page tab", "Dst"))
    s.close_program(second, second_app)

    open_tab(s, app, "Src")
    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    s.click(cell(s, app, "Bags"), button=3)
    choose(s, ["Move to list", "Dst"])
    poll("Bags gone from Src", lambda: "Bags" not in s.cell_texts(app))
    open_tab(s, app, "Dst")
    has_tasks(s, app, ["Bags", "Keys"])
    s.name_list(app, "Home")
    s.shot("moved-and-renamed")
    s.synchronise(app)
    poll("the move and the rename on the server",
         lambda: sorted_lists(s).get("Home") == [["Bags", "Keys"]], interval=0.5)

    # Its copy of Src still holds Bags: it retitles Tickets there.
    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    open_tab(s, second_app, "Src")
    has_tasks(s, second_app, ["Tickets", "Bags", "Socks"])
    s.click(cell(s, second_app, "Tickets"))
    s.keys("ctrl+a")
    s.type("Train tickets")
    s.keys("Return", "Escape")
    has_tasks(s, second_app, ["Train tickets"])
    s.shot("older-copy-edited")
    s.synchronise(second_app)

    for _ in range(2):
        s.synchronise(app)
        s.synchronise(second_app)
    open_tab(s, second_app, "Src")
    s.shot("second-after-runs")
    open_tab(s, app, "Src")
    s.shot("first-after-runs")
    for name, who in (("Src", second_app), ("Src", app)):
        open_tab(s, who, name)
        texts = s.cell_texts(who)
        check("Bags" not in texts and "Train tickets" in texts, "Src shows %r" % texts)
    for who in (app, second_app):
        check(s.find_all(who, "page tab", "Home") and not s.find_all(who, "page tab", "Dst"),
              "the rename shows on both computers")
        open_tab(s, who, "Home")
        check(sorted(s.cell_texts(who)) == ["Bags", "Keys"], "Home shows %r" % s.cell_texts(who))

    lists = sorted_lists(s)
    check(lists == {"Src": [["Socks", "Train tickets"]], "Home": [["Bags", "Keys"]]},
          "the server holds %r" % lists)
    for p, who, home in ((first, app, first_home), (second, second_app, second_home)):
        s.close_program(p, who)
        text = read(os.path.join(s.data_dir(home), "lists.xhtml"))
        check(tasks_of(text).count("Bags") == 1 and "<dd>Dst</dd>" not in text,
              "each computer keeps Bags once and no list Dst:\n%s" % text)


if __name__ == "__main__":
    run("movetolist", scenario, server=True)
