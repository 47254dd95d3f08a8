"""Two computers of one account change the same note: the first changes its
text and synchronises, then the second changes its older copy and
synchronises. The second is told, the note takes the server's text and the
second's text stays beside it as a new note; after its next synchronisation
the first shows both too, and the server holds each once."""

import re

from e2e import check, message_box, poll, run

THEIRS = "kite and string"
MINE = "kite and tail"
KEPT = "Note (my changes)"


def server_notes(s):
    infos = s.server_get("/users/alice/notepad-notes-info")
    notes = {}
    for i in re.findall(r"<dt>id</dt>\s*<dd>(\d+)</dd>", infos):
        doc = s.server_get("/notepad-notes/%s" % i)
        title = re.search(r"<dt>title</dt>\s*<dd>([^<]*)</dd>", doc).group(1)
        text = re.search(r"<dt>text</dt>\s*<dd>([^<]*)</dd>", doc).group(1)
        notes.setdefault(title, []).append(text)
    return notes


def note_tabs(s, app):
    return sorted(t.name for t in s.find_all(app, "page tab", showing=False) if t.name.startswith("Note"))


def write_note(s, app, tab, text):
    """The notepad page, the note's tab, its text replaced by `text`."""
    s.click(s.find(app, "push button", "Notes"))
    s.click(s.find(app, "page tab", tab, what="the tab %s" % tab))
    s.click(s.find(app, "text", "Note text", what="the note's text"))
    s.keys("ctrl+a")
    s.type(text)


def shown_text(s, app, tab):
    s.click(s.find(app, "push button", "Notes"))
    s.click(s.find(app, "page tab", tab, what="the tab %s" % tab))
    return s.text_of(s.find(app, "text", "Note text", what="the note's text"))


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)

    first, first_app = s.open_program(first_home)
    write_note(s, first_app, "Note", "kite")
    s.synchronise(first_app)
    poll("the note on the server", lambda: server_notes(s) == {"Note": ["kite"]}, interval=0.5)

    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    s.synchronise(second_app)
    poll("the note on the second computer", lambda: shown_text(s, second_app, "Note") == "kite")

    write_note(s, first_app, "Note", THEIRS)
    s.synchronise(first_app)
    poll("the first computer's text on the server", lambda: server_notes(s) == {"Note": [THEIRS]}, interval=0.5)

    write_note(s, second_app, "Note", MINE)
    s.focus(s.find(second_app, "push button", "Lists"))
    s.keys("F5")
    told = poll("the message about the kept copy", lambda: message_box(s, second_app))
    s.shot("second-told")
    check(s.label_saying(second_app, KEPT) is not None, "the message names the kept copy")
    s.click(s.find(told, "push button", "Ok"))
    s.wait_sync_end(second_app)
    check(note_tabs(s, second_app) == ["Note", KEPT], "the second shows both: %r" % note_tabs(s, second_app))
    check(shown_text(s, second_app, "Note") == THEIRS, "the note took the server's text")
    check(shown_text(s, second_app, KEPT) == MINE, "the second's text is kept beside it")
    s.shot("second-shows-both")
    poll("both on the server", lambda: server_notes(s) == {"Note": [THEIRS], KEPT: [MINE]}, interval=0.5)

    s.synchronise(first_app)
    poll("both on the first computer", lambda: note_tabs(s, first_app) == ["Note", KEPT])
    check(shown_text(s, first_app, KEPT) == MINE, "the first shows the kept copy's text")
    s.shot("first-shows-both")

    s.close_program(first, first_app)
    s.close_program(second, second_app)
    check(server_notes(s) == {"Note": [THEIRS], KEPT: [MINE]}, "each note once on the server: %r" % server_notes(s))


run("notebothchanged", scenario, server=True)
