"""One list the program cannot read in an otherwise sound lists document: the
program starts with the other lists, tells the user which list was left out
and where the file was kept; quitting saves the other lists without it and
leaves the kept file as it was."""

import glob
import os

from e2e import check, poll, read, run

HEAD = ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"><head>"
        "<title>pd-local-lists</title><meta name=\"generator\" content=\"PlumDeck\"/>"
        "<meta name=\"format-version\" content=\"2\"/></head><body>\n")


def list_record(fields, tasks=""):
    terms = "".join("<dt>%s</dt><dd>%s</dd>" % pair for pair in fields)
    return "<div class=\"pd-list\"><dl class=\"pd-list-fields\">%s</dl>%s</div>\n" % (terms, tasks)


TASK = ("<ol class=\"pd-tasks\"><li class=\"pd-task\"><dl class=\"pd-task-fields\"><dt>title</dt><dd>Buy milk</dd>"
        "<dt>done</dt><dd>false</dd></dl></li></ol>")
DOCUMENT = (HEAD
            + list_record((("sync-status", "new"), ("local-id", "1"), ("name", "Groceries")), TASK)
            # Removed, with the server's id and a revision of 0: refused.
            + list_record((("sync-status", "deleted"), ("id", "7"), ("revision", "0"), ("name", "Old plans")))
            + list_record((("sync-status", "new"), ("local-id", "2"), ("name", "Garden")))
            + "</body></html>\n").encode("utf-8")


def scenario(s):
    p, lists = s.start_over_lists(DOCUMENT)
    app = s.app(p)
    def told():
        return s.label_saying(app, "could not be read and was left out")
    label = poll("the message naming the list left out", told)
    s.shot("told")
    text = s.text_of(label)
    check("\"Old plans\"" in text, "the message names the list: %r" % text)
    aside = glob.glob(lists + ".unreadable-*")
    check(len(aside) == 1, "one kept-aside file expected, found %r" % aside)
    check(os.path.basename(aside[0]) in text, "the message names the kept file: %r" % text)
    with open(aside[0], "rb") as f:
        check(f.read() == DOCUMENT, "the kept file holds the document unchanged")
    tabs = [t.name for t in s.find_all(app, "page tab")]
    check("Groceries" in tabs and "Garden" in tabs and "Old plans" not in tabs, "the other lists show: %r" % tabs)

    ok = poll("the message's OK button", lambda: [b for b in s.find_all(app, "push button")
                                                  if b.name == "Ok"][:1])[0]
    s.click(ok)
    poll("the message to close", lambda: told() is None)
    s.click(s.find(app, "push button", "Close"))
    s.wait_exit(p, "the program to quit")
    check(p.returncode == 0, "exit status %r" % p.returncode)
    saved = read(lists)
    check("Groceries" in saved and "Buy milk" in saved and "Garden" in saved, "the other lists are saved:\n" + saved)
    check("Old plans" not in saved, "the list left out is not written back:\n" + saved)
    with open(aside[0], "rb") as f:
        check(f.read() == DOCUMENT, "the kept file is still unchanged after the run")


run("unreadlist", scenario)
