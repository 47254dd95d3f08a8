"""Tasks typed one after the other, each into the row the program made when
Enter closed the one before, so that several share the second they were made
in. One computer retitles one of them and synchronises, then moves it to
another list with "Move to list" and synchronises; the account's other
computer, not synchronised since, ticks its older copy and synchronises.
After runs of both, the task is in the other list only, retitled and ticked,
on both computers and the server."""

import os
import re

import pyatspi

from e2e import check, has_tasks, poll, read, run, type_tasks
from e2e_movetolist import add_list, cell, choose, on_focus, open_tab, sorted_lists, tasks_of


def done_titles(doc):
    """The titles of the tasks a server document holds ticked."""
    out = []
    for part in re.split(r"<dt>title</dt>", doc)[1:]:
        title = re.match(r"\s*<dd>([^<]*)</dd>", part)
        done = re.search(r"<dt>done</dt>\s*<dd>([^<]*)</dd>", part)
        if title and done and done.group(1) == "true":
            out.append(title.group(1))
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
    poll("both lists on the server", lambda: set(sorted_lists(s)) == {"Src", "Dst"}, interval=0.5)
    seconds = re.findall(r"<dt>creation-time</dt>\s*<dd>([^<]*)</dd>", read(os.path.join(s.data_dir(first_home),
                                                                                 "lists.xhtml")))
    s.note("creation times: %r" % seconds)

    second, second_app = s.open_program(second_home)
    s.synchronise(second_app)
    poll("the second computer's tabs", lambda: s.find_all(second_app, "page tab", "Src")
         and s.find_all(second_app, "page tab", "Dst"))
    s.close_program(second, second_app)

    # Retitled and sent, then moved to Dst and sent.
    open_tab(s, app, "Src")
    s.click(cell(s, app, "Bags"))
    s.keys("ctrl+a")
    s.type("Big bags")
    s.keys("Return", "Escape")
    has_tasks(s, app, ["Big bags"])
    s.synchronise(app)
    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    s.click(cell(s, app, "Big bags"), button=3)
    choose(s, ["Move to list", "Dst"])
    poll("Big bags gone from Src", lambda: "Big bags" not in s.cell_texts(app))
    s.synchronise(app)
    poll("the move on the server", lambda: sorted_lists(s).get("Dst") == [["Big bags", "Keys"]], interval=0.5)

    # The older copy still shows Bags in Src: ticked there.
    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    open_tab(s, second_app, "Src")
    has_tasks(s, second_app, ["Tickets", "Bags", "Socks"])
    s.click(cell(s, second_app, "Bags"))
    s.keys("Escape", "space")
    s.shot("older-copy-ticked")
    s.synchronise(second_app)

    for _ in range(2):
        s.synchronise(app)
        s.synchronise(second_app)
    for who in (app, second_app):
        open_tab(s, who, "Src")
        texts = s.cell_texts(who)
        check("Bags" not in texts and "Big bags" not in texts, "Src shows %r" % texts)
        open_tab(s, who, "Dst")
        check(sorted(t for t in s.cell_texts(who) if t) == ["Big bags", "Keys"], "Dst shows %r" % s.cell_texts(who))
    s.shot("after-runs")
    lists = sorted_lists(s)
    check(lists == {"Src": [["Socks", "Tickets"]], "Dst": [["Big bags", "Keys"]]}, "the server holds %r" % lists)
    dst = [doc for doc in s.server_lists() if "<dd>Dst</dd>" in doc]
    check(dst and done_titles(dst[0]) == ["Big bags"], "Dst holds ticked %r" % (done_titles(dst[0]) if dst else None))
    for p, who, home in ((first, app, first_home), (second, second_app, second_home)):
        s.close_program(p, who)
        text = read(os.path.join(s.data_dir(home), "lists.xhtml"))
        check(tasks_of(text).count("Big bags") == 1 and "Bags" not in tasks_of(text),
              "each computer keeps Big bags once:\n%s" % text)


run("movetolistonesecond", scenario, server=True)
