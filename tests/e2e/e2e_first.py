"""First start on an empty account: the server and account entered in the
preferences, a list made, tasks typed, one indented, a priority and an alarm
set, then synchronised; the fake server holds the list and its tasks."""

import os
import re

from e2e import check, has_tasks, new_list, poll, read, run, scaled, type_tasks


def set_preferences(s, app, url, user, password):
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("F12")
    username = s.find(app, "text", "Username", what="the preferences' account page")
    s.shot("preferences")
    s.click(username)
    s.keys("ctrl+a")
    s.type(user)
    s.click(s.find(app, "password text", "Password"))
    s.keys("ctrl+a")
    s.type(password)
    s.click(s.find(app, "page tab", "Sync"))
    s.click(s.find(app, "check box", "Unlock"))
    url_edit = s.find(app, "text", "Server URL")
    poll("the server URL to be editable", lambda: url_edit.getState().contains(__import__("pyatspi").STATE_ENABLED))
    s.click(url_edit)
    s.keys("ctrl+a")
    s.type(url)
    s.shot("server-entered")
    s.click(s.find(app, "push button", "Ok"))

    # Nothing was synchronised under another account: no question about the
    # new user name, the preferences just close.
    def question():
        return [l for l in s.find_all(app, "label") if "username has changed" in (s.text_of(l) or "")]

    poll("the preferences to close", lambda: question() or not s.find_all(app, "text", "Server URL"))
    check(not question(), "a first sign-in must not ask about a changed user name")


def scenario(s):
    home = s.home("user")
    s.write_settings(home, "[updater]\nenabled=false\n")
    data = s.data_dir(home)
    lists = os.path.join(data, "lists.xhtml")

    p = s.start(home)
    app = s.app(p)
    s.main_window(p)
    s.shot("first-start")
    set_preferences(s, app, s.server_url, "alice", "secret")
    settings = read(os.path.join(home, ".config", "Marrowgate", "PlumDeck.conf"))
    check("username=alice" in settings and s.server_url in settings, "the preferences are kept: %s" % settings)

    new_list(s, app)
    type_tasks(s, app, ["Book flights", "Pack"])
    # The next task typed with Tab first goes under "Pack".
    last = s.task_cells(app)[-1]
    s.click(last)
    s.keys("End", "Return", "Tab")
    s.type("Passport")
    s.keys("Return", "Escape")
    has_tasks(s, app, ["Book flights", "Pack", "Passport"])
    s.shot("typed")

    # Priority through the task's context menu: the fourth entry, then Urgent.
    s.click(s.task_cells(app)[0], button=3)
    s.shot("context-menu")
    s.keys("Down", "Down", "Down", "Down", "Right", "Return")
    s.shot("priority")

    # An alarm on "Pack": the fifth entry opens the alarm dialog; its
    # proposal (tomorrow morning) is saved as it is.
    s.click(s.task_cells(app)[1], button=3)
    s.keys("Down", "Down", "Down", "Down", "Down", "Return")
    dialog = s.find(app, "dialog", "Alarm", what="the alarm dialog")
    s.shot("alarm")
    s.click(s.find(dialog, "push button", "Save"))
    poll("the alarm dialog to close", lambda: not s.find_all(app, "dialog", "Alarm"))

    s.focus(s.find(app, "push button", "Lists"))
    s.keys("F5")

    def on_server():
        infos = s.server_get("/users/alice/lists-info")
        ids = re.findall(r"<dt>id</dt>\s*<dd>(\d+)</dd>", infos)
        for i in ids:
            doc = s.server_get("/lists/%s" % i)
            if all(t in doc for t in ("Book flights", "Pack", "Passport")):
                return doc
        return None

    doc = poll("the server to hold the list and its tasks", on_server, timeout=scaled(60), interval=0.5)
    s.shot("synchronised")
    s.note("the server's list:\n" + doc)
    # "Passport" went under "Pack", and the first task carries its priority.
    check(re.search(r"<dd>Pack</dd>(?:(?!</li>).)*<ol class=\"pd-tasks\">(?:(?!</li>).)*<dd>Passport</dd>", doc, re.S),
          "Passport is a subtask of Pack:\n%s" % doc)
    check(len(re.findall(r"<dt>priority</dt>\s*<dd>urgent</dd>", doc)) == 1,
          "one urgent task on the server:\n%s" % doc)
    check(len(re.findall(r"<dt>alarm-time</dt>\s*<dd>\d{4}-\d\d-\d\d", doc)) == 1,
          "one task with an alarm on the server:\n%s" % doc)

    poll("the synchronisation to finish",
         lambda: not [l for l in s.find_all(app, "label") if "Synchronizing" in (s.text_of(l) or "")])
    s.shot("sync-finished")
    s.click(s.find(app, "push button", "Close"))
    check(s.wait_exit(p, "the program to end") == 0, "closing ended with an error")
    text = read(lists)
    check("Passport" in text, "the tasks are saved locally")


run("first", scenario, server=True)
