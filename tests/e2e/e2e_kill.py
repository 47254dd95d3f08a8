"""kill -9 while editing: the program starts again, every task saved before
the kill is there (the lists are saved on a timer), and no document is
damaged or left half-written."""

import os
import signal
import xml.etree.ElementTree as ElementTree

from e2e import check, has_tasks, poll, read, run, scaled, type_tasks

SAVE_WAIT = scaled(60)  # the save timer ticks every 10 s; a loaded machine may lag


def documents(folder):
    return sorted(f for f in os.listdir(folder) if f.endswith(".xhtml"))


def scenario(s):
    home = s.home("user")
    s.write_settings(home, "[updater]\nenabled=false\n")
    data = s.data_dir(home)
    lists = os.path.join(data, "lists.xhtml")

    first = s.start(home)
    app = s.app(first)
    s.main_window(first)
    type_tasks(s, app, ["Write report", "Call plumber", "Water plants"])
    has_tasks(s, app, ["Write report", "Call plumber", "Water plants"])
    poll("the timer to save the tasks",
         lambda: os.path.exists(lists) and "Water plants" in read(lists), timeout=SAVE_WAIT)
    s.shot("saved")

    # Editing again, mid-word, when the process is killed.
    last = s.task_cells(app)[-1]
    s.click(last)
    s.keys("End", "Return")
    s.type("Half typ")
    s.shot("editing")
    os.kill(first.pid, signal.SIGKILL)
    first.wait(timeout=20)
    check(first.returncode == -signal.SIGKILL, "the program was killed: %r" % first.returncode)

    for name in documents(data):
        ElementTree.parse(os.path.join(data, name))  # raises on a damaged document

    second = s.start(home)
    app = s.app(second)
    s.main_window(second)
    has_tasks(s, app, ["Write report", "Call plumber", "Water plants"])
    s.shot("restarted")
    labels = [s.text_of(l) or "" for l in s.find_all(app, "label")]
    check(not [t for t in labels if "could not be read" in t], "no document was found damaged: %r" % labels)
    # The guard's lock left by the killed process does not stop the start.
    type_tasks(s, app, ["After the kill"])
    has_tasks(s, app, ["After the kill"])
    s.click(s.find(app, "push button", "Close"))
    check(s.wait_exit(second, "the program to end") == 0, "closing ended with an error")

    for name in documents(data):
        ElementTree.parse(os.path.join(data, name))
    text = read(lists)
    for t in ("Write report", "Call plumber", "Water plants", "After the kill"):
        check(t in text, "%r is saved" % t)
    leftovers = [f for f in os.listdir(data) if f.startswith("lists.xhtml") and f != "lists.xhtml"]
    check(not leftovers, "no half-written or kept-aside lists files: %r" % leftovers)


run("kill", scenario)
