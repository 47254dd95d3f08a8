"""Task info keeps what the user typed for a task that redo took out of the
list, also when the main window takes the focus back (a click on its title
after one on the Task info window): the tree makes no task current by
itself, so the panel shows no other task and still says why nothing can be
saved. Undo then brings the task back, and the panel with it: the typing is
there and takes more, and Save note stores it in that task."""

import os

from e2e import check, has_tasks, poll, read, run, type_tasks

TYPED = "before noon"
GONE = "Undo or redo took this task out"


def cell(s, app, title):
    return poll("the task %r" % title,
                lambda: next((c for c in s.task_cells(app) if (s.text_of(c) or "").strip() == title), None))


def click_main_title(s, app):
    """A click on the main window's title strip, beside its Minimize button:
    the title takes no focus, the window gives it back to its tree."""
    x, y = s.centre(s.find(app, "push button", "Minimize"))
    s.note("click the main window's title")
    s.click_at(x - 40, y)


def scenario(s):
    home = s.home("user")
    s.write_settings(home, "[updater]\nenabled=false\n")
    lists = os.path.join(s.data_dir(home), "lists.xhtml")
    p, app = s.open_program(home)
    type_tasks(s, app, ["Pay rent", "Water plants"])
    has_tasks(s, app, ["Pay rent", "Water plants"])
    # Water plants removed and brought back: a step for Redo.
    s.click(cell(s, app, "Water plants"))
    s.keys("Escape", "Delete")
    poll("Water plants removed", lambda: "Water plants" not in s.cell_texts(app))
    s.keys("ctrl+z")
    has_tasks(s, app, ["Pay rent", "Water plants"])

    s.click(cell(s, app, "Water plants"))
    s.keys("Escape", "ctrl+i")
    info = s.find(app, "dialog", "Task info", what="the Task info dialog")
    # Nothing stacks windows here: the dialog goes beside the main window.
    wid = poll("the Task info window", lambda: s.xdotool("search", "--onlyvisible", "--name", "^Task info$",
                                                         check=False).split()[:1])[0]
    s.xdotool("windowmove", "--sync", wid, 640, 0)
    note = s.find(info, "text", "Note")
    s.click(note)
    s.type(TYPED)

    click_main_title(s, app)
    s.keys("ctrl+y")
    poll("Water plants taken out again", lambda: "Water plants" not in s.cell_texts(app))
    poll("the notice", lambda: s.label_saying(app, GONE))
    # To the Task info window and back to the main one.
    s.click(s.find(info, "label", "Task info"))
    click_main_title(s, app)
    s.shot("main-window-again")
    # Whatever the tree did on the focus has been handed to the panel by now.
    has_tasks(s, app, ["Pay rent"])
    check(s.label_saying(app, GONE), "the panel no longer says the task was taken out")
    check(s.text_of(note) == TYPED, "the typing: %r" % s.text_of(note))

    s.keys("ctrl+z")
    has_tasks(s, app, ["Pay rent", "Water plants"])
    poll("the notice gone", lambda: not s.label_saying(app, GONE))
    check(s.text_of(note) == TYPED, "the typing after undo: %r" % s.text_of(note))
    s.click(note)
    s.keys("End")
    s.type(" sharp")
    poll("the typing taken", lambda: s.text_of(note) == TYPED + " sharp")
    s.click(s.find(info, "push button", "Save note"))
    s.shot("saved")
    s.close_program(p, app)
    doc = read(lists)
    check(doc.count(TYPED + " sharp") == 1, "the note of one task in the lists document:\n%s" % doc)
    start, end = doc.find("Water plants"), doc.find(TYPED + " sharp")
    check(0 <= start < end and doc.find("Pay rent", start) < 0, "the note is Water plants':\n%s" % doc)


run("taskinfofocus", scenario)
