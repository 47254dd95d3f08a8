"""Nothing the user does is lost. Two web links added one after the other to
a task through its Attachments dialog are both in the lists document after
quitting, and again after a restart. A task ticked with Space while "Sync
list" runs on its list (the fake server keeps the upload's answer back) is
either refused at once or kept: what the tree showed during the run is what
it shows after it, and a tick made once the run is over reaches the document
and the server."""

import os
import re
import time

from e2e import check, has_tasks, poll, read, run, type_tasks

RESOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")
TICKED = os.path.join(RESOURCES, "dot-checked.png")
UNTICKED = os.path.join(RESOURCES, "dot-unchecked-gray.png")
SYNCING = os.path.join(RESOURCES, "sync_litprog_blue2.png")
LINKS = (("Map", "https://example.org/map"), ("Hotel", "https://example.org/hotel"))


def cell(s, app, title):
    return poll("the task %r" % title,
                lambda: next((c for c in s.task_cells(app) if (s.text_of(c) or "").strip() == title), None))


def task_segment(doc, title, next_title):
    """The part of a lists document from a task's title to the next task's."""
    start = doc.find("<dd>%s</dd>" % title)
    end = doc.find("<dd>%s</dd>" % next_title, start + 1)
    return doc[start:end] if start >= 0 and end > start else ""


def add_link(s, app, dialog, name, url):
    s.click(s.find(dialog, "push button", "Add+"))
    form = s.find(app, "dialog", "Add Attachment", what="the form of a new attachment")
    # With no window manager nothing stacks the form over the Attachments
    # dialog, which stays on top: raise it as a window manager would.
    wid = poll("the form's window", lambda: s.xdotool("search", "--onlyvisible", "--name", "^Add Attachment$",
                                                       check=False).split()[:1])[0]
    s.xdotool("windowraise", wid)
    s.click(s.find(form, "text", "Link Name"))
    s.type(name)
    s.click(s.find(form, "text", "Link Url"))
    s.type(url)
    s.shot("link-" + name.lower())
    s.click(s.find(form, "push button", "Save"))
    poll("the form to close", lambda: not s.find_all(app, "dialog", "Add Attachment"))


def links_kept(s, lists):
    doc = read(lists)
    segment = task_segment(doc, "Plan trip", "Book hotel")
    for _, url in LINKS:
        check(url in segment, "the link %s is an attachment of \"Plan trip\" in the lists document:\n%s" % (url, doc))


def two_links(s):
    home = s.home("links")
    s.write_settings(home, "[updater]\nenabled=false\n")
    lists = os.path.join(s.data_dir(home), "lists.xhtml")
    p = s.start(home)
    app = s.app(p)
    s.main_window(p)
    type_tasks(s, app, ["Plan trip", "Book hotel"])
    has_tasks(s, app, ["Plan trip", "Book hotel"])

    # "Attachments" is the twelfth entry of the task's menu.
    s.click(cell(s, app, "Plan trip"), button=3)
    s.shot("task-menu")
    s.keys(*(["Down"] * 12 + ["Return"]))
    dialog = s.find(app, "dialog", "Attachments", what="the Attachments dialog")
    for name, url in LINKS:
        add_link(s, app, dialog, name, url)
    s.shot("two-links")
    s.click(s.find(dialog, "push button", "Close"))
    poll("the Attachments dialog to close", lambda: not s.find_all(app, "dialog", "Attachments"))

    s.click(s.find(app, "push button", "Close"))
    check(s.wait_exit(p, "the program to end") == 0, "closing ended with an error")
    links_kept(s, lists)

    again = s.start(home)
    app = s.app(again)
    s.main_window(again)
    has_tasks(s, app, ["Plan trip", "Book hotel"])
    s.shot("restarted")
    s.click(s.find(app, "push button", "Close"))
    check(s.wait_exit(again, "the program to end") == 0, "closing ended with an error")
    links_kept(s, lists)


def tick_during_sync(s):
    home = s.home("sync")
    s.write_account(home)
    lists = os.path.join(s.data_dir(home), "lists.xhtml")
    p = s.start(home)
    app = s.app(p)
    s.main_window(p)
    type_tasks(s, app, ["Milk", "Eggs"])
    has_tasks(s, app, ["Milk", "Eggs"])
    # "Milk" current, its title editor closed.
    s.click(cell(s, app, "Milk"))
    s.keys("Escape")
    check(s.shows_image(cell(s, app, "Milk"), UNTICKED), "\"Milk\" shows its empty check dot")

    # "Sync list" (the third entry of the tab's menu) while the server keeps
    # the upload's answer back.
    s.server_command("hold ^/lists$", "holding")
    since = len(s.server_lines)
    tab = s.find(app, "page tab")
    s.click(tab, button=3)
    s.shot("tab-menu")
    s.keys("Down", "Down", "Down", "Return")
    poll("the upload to be kept waiting", lambda: s.server_said(r"^POST /lists -> ", since))
    check(s.shows_image(tab, SYNCING), "the list's tab shows its run")
    s.keys("space")
    time.sleep(1)
    s.shot("space-during-the-run")
    ticked_during = s.shows_image(cell(s, app, "Milk"), TICKED)
    s.note("ticked during the run: %s" % ticked_during)

    check(s.server_command("release", "released") == "released 1", "one answer was kept back")
    poll("the run to end", lambda: not s.shows_image(tab, SYNCING), interval=0.5)
    # The space waited with the run, and goes in where it was pressed once
    # the run ended: nothing half applied meanwhile, and nothing lost.
    check(not ticked_during, "the space went in while the list was still synchronising")
    poll("the space pressed during the run to tick \"Milk\"",
         lambda: s.shows_image(cell(s, app, "Milk"), TICKED))
    s.shot("after-the-run")
    check(s.shows_image(cell(s, app, "Eggs"), UNTICKED), "\"Eggs\" was ticked instead")
    s.synchronise(app)
    s.shot("synchronised")

    def milk_done_on_server():
        infos = s.server_get("/users/alice/lists-info")
        for i in re.findall(r"<dt>id</dt>\s*<dd>(\d+)</dd>", infos):
            doc = s.server_get("/lists/%s" % i)
            fields = doc[doc.find("<dd>Milk</dd>"):]
            fields = fields[:fields.find("</dl>")]
            if re.search(r"<dt>done</dt>\s*<dd>true</dd>", fields):
                return True
        return False

    poll("the server to hold \"Milk\" ticked", milk_done_on_server, interval=0.5)
    s.click(s.find(app, "push button", "Close"))
    check(s.wait_exit(p, "the program to end") == 0, "closing ended with an error")
    fields = task_segment(read(lists), "Milk", "Eggs")
    check(re.search(r"<dt>done</dt>\s*<dd>true</dd>", fields), "\"Milk\" is saved ticked:\n%s" % fields)


def scenario(s):
    two_links(s)
    tick_during_sync(s)


run("nothinglost", scenario, server=True, control=True)
