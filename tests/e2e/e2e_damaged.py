"""A damaged lists document: the program starts, keeps the damaged file aside
and tells the user; the new lists are saved without touching the kept file."""

import glob
import os

from e2e import check, poll, read, run

DAMAGED = b"<?xml version=\"1.0\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><ul class=\"pd-lists\"><li>\x00\xff broken"


def scenario(s):
    p, lists = s.start_over_lists(DAMAGED)
    app = s.app(p)
    def told():
        return s.label_saying(app, "could not be read")
    label = poll("the message telling the lists file could not be read", told)
    s.shot("told")
    text = s.text_of(label)
    aside = glob.glob(lists + ".unreadable-*")
    check(len(aside) == 1, "one kept-aside file expected, found %r" % aside)
    check(os.path.basename(aside[0]) in text, "the message names the kept file: %r" % text)
    with open(aside[0], "rb") as f:
        check(f.read() == DAMAGED, "the kept file holds the damaged document unchanged")

    # The program goes on: the main window is there and usable.
    window = s.main_window(p)
    ok = poll("the message's OK button", lambda: [b for b in s.find_all(app, "push button")
                                                  if b.name == "Ok"][:1])[0]
    s.click(ok)
    poll("the message to close", lambda: told() is None)
    s.shot("dismissed")
    # Without a tray host closing the window ends the program.
    s.click(s.find(app, "push button", "Close"))
    s.wait_exit(p, "the program to quit")
    check(p.returncode == 0, "exit status %r" % p.returncode)
    # The new lists were written as a sound document beside the kept one.
    check(os.path.exists(lists), "a new lists document is saved")
    check("</html>" in read(lists), "the new lists document is whole")
    with open(aside[0], "rb") as f:
        check(f.read() == DAMAGED, "the kept file is still unchanged after the run")


run("damaged", scenario)
