"""The notepad's tab menu, as a new user without a server meets it: a note's
tab renamed from its menu (a new name, Escape, the same name again) and a
note removed from it (Ok). The entry asks its question after the menu has
hidden; answering it leaves the program running, and what was typed into
the note just before, not yet saved by the timer, is still shown and in the
notepad document after closing."""

import os
import time

from e2e import check, poll, read, run

TYPED = "milk and eggs"


def visible_windows(s):
    return set(s.xdotool("search", "--onlyvisible", "--class", "PlumDeck", check=False).split())


def alive(s, p, after):
    # The damage showed the moment the question closed, or at the next
    # allocation: give it a moment.
    time.sleep(1)
    check(p.poll() is None, "the program ended (status %r) after %s" % (p.returncode, after))


def choose(s, app, tab, keys):
    """Right-clicks the note's tab and walks its menu with the keyboard."""
    before = visible_windows(s)
    s.click(s.find(app, "page tab", tab, what="the tab %r" % tab), button=3)
    poll("the tab menu", lambda: visible_windows(s) - before)
    s.keys(*keys)


def rename(s, app, p, tab, answer, typed=None):
    # "Rename note" is the menu's last entry: Up from none wraps to it.
    choose(s, app, tab, ["Up", "Return"])
    s.find(app, "dialog", "Rename Note", what="the rename dialog")
    if typed is not None:
        s.keys("ctrl+a")
        s.type(typed)
    s.shot("rename-" + answer.lower())
    s.keys(answer)
    poll("the rename dialog to close", lambda: not s.find_all(app, "dialog", "Rename Note"))
    alive(s, p, "renaming %r with %s" % (tab, answer))


def scenario(s):
    home = s.home("user")
    s.write_settings(home, "[updater]\nenabled=false\n")
    p, app = s.open_program(home)
    s.click(s.find(app, "push button", "Notes"))
    editor = s.find(app, "text", "Note text", what="the note's text")
    s.click(editor)
    s.type(TYPED)
    poll("the note to show what was typed", lambda: s.text_of(editor) == TYPED)

    rename(s, app, p, "Note", "Return", "Garden")
    s.find(app, "page tab", "Garden", what="the renamed tab")
    rename(s, app, p, "Garden", "Escape", "Attic")
    rename(s, app, p, "Garden", "Return")
    check(s.find_all(app, "page tab", "Garden"), "the tab keeps its name")

    # "Add note" first, then "Remove note" (the second entry) on the new one.
    choose(s, app, "Garden", ["Down", "Return"])
    choose(s, app, "Note", ["Down", "Down", "Return"])
    question = s.find(app, "dialog", "Delete Note", what="the question before removing")
    s.shot("remove")
    s.click(s.find(question, "push button", "Ok"))
    poll("the removed note's tab to go", lambda: not s.find_all(app, "page tab", "Note"))
    alive(s, p, "removing a note")

    s.click(s.find(app, "page tab", "Garden"))
    editor = s.find(app, "text", "Note text", what="the note's text")
    check(s.text_of(editor) == TYPED, "the note shows %r" % s.text_of(editor))
    s.shot("kept")
    s.close_program(p, app)
    doc = read(os.path.join(s.data_dir(home), "notepad.xhtml"))
    check(TYPED in doc and "Garden" in doc, "the notepad document holds the note as typed:\n" + doc)


run("notemenu", scenario)
