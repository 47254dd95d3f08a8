"""An upload carried out by the server whose answer is lost, the program
then killed, and the change taken back after the restart, before the next
synchronisation: the group Work made in the list manager and removed again,
then the Groceries list shared with bob and unshared again. After the runs
the server holds neither: what the lost upload put there was this
computer's own change, not another computer's."""

import os
import re
import signal
import time

import pyatspi

from e2e import Failure, check, poll, run
from e2e_movetolist import choose, on_focus


def groceries_id(s):
    infos = s.server_get("/users/alice/lists-info")
    for fields in re.findall(r"<dl[^>]*>(.*?)</dl>", infos, re.S):
        if re.search(r"<dt>name</dt>\s*<dd>Groceries</dd>", fields):
            return re.search(r"<dt>id</dt>\s*<dd>(\d+)</dd>", fields).group(1)

def server_sharing(s, list_id):
    doc = s.server_get("/lists/%s/sharingV3" % list_id)
    return dict(re.findall(r"<dt>name</dt>\s*<dd>([^<]*)</dd>\s*<dt>permissions</dt>\s*<dd>([^<]*)</dd>", doc))

def server_group_names(s):
    doc = s.server_get("/users/alice/list-groups-display-order")
    return sorted(re.findall(r"<dt>name</dt><dd>([^<]*)</dd><dt>id</dt>", doc))

def open_program(s, home):
    process, app = s.open_program(home)
    try:
        request = s.find(app, "dialog", "Contact request", timeout=8)
        s.click(s.find(request, "push button", "Cancel"))
    except Failure:
        pass
    return process, app

def lose_answer_and_kill(s, process, app, method, path):
    """A synchronisation whose upload the server carries out and whose
    answer is lost; then the program is killed."""
    s.server_command("drop %s %s" % (method, path), "dropping")
    s.synchronise(app)
    s.shot("answer-lost")
    os.kill(process.pid, signal.SIGKILL)
    process.wait(timeout=20)

def scenario(s):
    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    home = s.home("first")
    s.write_account(home)
    p, app = open_program(s, home)
    s.synchronise(app)
    # Groups: Work made, its upload's answer lost, then removed.
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("ctrl+l")
    manager = s.find(app, "dialog", "List manager", what="the list manager")
    s.click(s.find(manager, "push button", "Add Group"))
    s.click(s.find(manager, "label", "New Group"))
    s.keys("F2")
    s.find(manager, "text", "Name", what="the name being typed")
    s.keys("ctrl+a")
    s.type("Work")
    s.keys("Return")
    s.find(manager, "label", "Work", what="the group Work")
    s.click(s.find(manager, "push button", "Close"))
    lose_answer_and_kill(s, p, app, "PUT", "list-groups-display-order$")
    check(server_group_names(s) == ["Work"], "the upload arrived: %r" % server_group_names(s))
    p, app = open_program(s, home)
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("ctrl+l")
    manager = s.find(app, "dialog", "List manager", what="the list manager")
    s.click(s.find(manager, "label", "Work"), button=3)
    choose(s, ["Remove group"])
    s.find(app, "dialog", "Delete Group", what="the question before the removal")
    # The question is the active window (the list manager may hide it).
    s.keys("Return")
    poll("Work gone here", lambda: not s.find_all(manager, "label", "Work"))
    s.click(s.find(manager, "push button", "Close"))
    s.synchronise(app)
    s.synchronise(app)
    groups = server_group_names(s)
    s.shot("groups-after")
    # Sharing: bob shared (the fifth entry from the bottom of the tab's
    # menu, "Share list": the sharing, carol, then the other friends), the
    # answer lost, then bob unshared.
    list_id = groceries_id(s)
    s.click(s.find(app, "page tab", "Groceries"), button=3)
    s.keys("Up", "Up", "Up", "Up", "Up", "Right", "Down", "Down")
    s.keys("Return")
    dialog = s.find(app, "dialog", "Send list to bob", what="the permissions dialog")
    s.click(s.find(dialog, "push button", "Accept"))
    lose_answer_and_kill(s, p, app, "PUT", "sharingV3$")
    sharing = server_sharing(s, list_id)
    check(sharing == {"bob": "rwd", "carol": "r"}, "the share arrived: %r" % sharing)
    p, app = open_program(s, home)
    s.click(s.find(app, "page tab", "Groceries"), button=3)
    s.keys("Up", "Up", "Up", "Up", "Up", "Right", "Down")
    s.shot("unshare-bob-menu")
    s.keys("Return")
    question = s.find(app, "dialog", "Unshare list", what="the unshare question")
    s.shot("unshare-question")
    s.click(s.find(question, "push button", "Ok"))
    s.synchronise(app)
    s.synchronise(app)
    sharing = server_sharing(s, list_id)
    s.shot("sharing-after")
    s.close_program(p, app)
    check(groups == [], "the group removed is on the server: %r" % groups)
    check(sharing == {"carol": "r"}, "bob kept the list on the server: %r" % sharing)


run("answerlost", scenario, server="demo", control=True)
