"""Two clients on one account, each with its own home: what the first
synchronises shows in the second after its synchronisation, and an edit made
in the second reaches the first after the first's next synchronisation."""

import os
import re

from e2e import check, has_tasks, poll, read, run, type_tasks


def server_tasks(s):
    infos = s.server_get("/users/alice/lists-info")
    return "".join(s.server_get("/lists/%s" % i) for i in re.findall(r"<dt>id</dt>\s*<dd>(\d+)</dd>", infos))


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)

    first = s.start(first_home)
    first_app = s.app(first)
    s.main_window(first)
    type_tasks(s, first_app, ["Milk", "Eggs"])
    has_tasks(s, first_app, ["Milk", "Eggs"])
    s.synchronise(first_app)
    poll("the server to hold the first client's tasks",
         lambda: all(t in server_tasks(s) for t in ("Milk", "Eggs")), interval=0.5)
    s.shot("first-synchronised")

    second = s.start(second_home)
    second_app = s.app(second)
    s.move_window(second, 640, 0)
    s.main_window(second)
    s.synchronise(second_app)
    has_tasks(s, second_app, ["Milk", "Eggs"])
    s.shot("second-has-the-list")

    type_tasks(s, second_app, ["Butter"])
    has_tasks(s, second_app, ["Butter"])
    s.synchronise(second_app)
    poll("the server to hold the second client's edit", lambda: "Butter" in server_tasks(s), interval=0.5)

    s.synchronise(first_app)
    has_tasks(s, first_app, ["Milk", "Eggs", "Butter"])
    s.shot("first-has-the-edit")

    for p, app, home in ((first, first_app, first_home), (second, second_app, second_home)):
        s.click(s.find(app, "push button", "Close"))
        check(s.wait_exit(p, "the program to end") == 0, "closing ended with an error")
        text = read(os.path.join(s.data_dir(home), "lists.xhtml"))
        check(all(t in text for t in ("Milk", "Eggs", "Butter")), "both clients saved the same tasks")
    # One list on the server, each task once: nothing was duplicated.
    doc = server_tasks(s)
    check(doc.count(">Milk<") == 1 and doc.count(">Butter<") == 1, "each task is on the server once:\n%s" % doc)


run("twoclients", scenario, server=True)
