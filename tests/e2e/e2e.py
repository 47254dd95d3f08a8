"""Runs the real program as a person would: a private X display (Xvfb), the
accessibility bus, optionally a tray host (trayer) and the fake server, each
run with its own home folder. Widgets are found through AT-SPI by role and
accessible name and driven with xdotool; every wait polls a condition with a
deadline, so a loaded machine only makes a run slower.

Run a scenario inside `dbus-run-session`; CTest does (tests/e2e/CMakeLists.txt).
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
import urllib.request
import base64

# The build's factor for every limit on a test's time (the sanitizer build's
# programs are slower); CTest sets it (tests/CMakeLists.txt).
SCALE = float(os.environ.get("PLUMDECK_TIMEOUT_SCALE", "1"))


def scaled(seconds):
    """A wait for something that must come, in the build's time."""
    return seconds * SCALE


# Generous: a loaded 2-core machine starts the program slowly.
TIMEOUT = scaled(float(os.environ.get("PLUMDECK_E2E_TIMEOUT", "40")))


def _die_with_parent():
    # Every program of a run ends with it, even when the run itself is
    # killed (a CTest timeout): no display or program is left behind.
    import ctypes

    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


class Failure(Exception):
    pass


def poll(what, condition, timeout=TIMEOUT, interval=0.1):
    """Returns condition()'s first true value, or fails naming `what`."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = condition()
            if value:
                return value
        except Exception as e:  # the tree changes under our feet
            last_error = e
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for %s%s" % (what, " (%s)" % last_error if last_error else ""))
        time.sleep(interval)


class Session:
    """One display, one accessibility bus, the programs of one run."""

    def __init__(self, name, tray=False, server=False, control=False):
        self.name = name
        self.plumdeck = os.environ["PLUMDECK_BINARY"]
        self.fakeserver_binary = os.environ.get("PLUMDECK_FAKESERVER", "")
        self.shots = os.path.join(os.environ.get("PLUMDECK_E2E_SHOTS", "e2e-screens"), name)
        shutil.rmtree(self.shots, ignore_errors=True)
        os.makedirs(self.shots, exist_ok=True)
        self.root = tempfile.mkdtemp(prefix="plumdeck-e2e-%s-" % name)
        self.processes = []
        self.step = 0
        self._last_click = None
        self.log = open(os.path.join(self.shots, "run.log"), "w")
        self._start_display()
        self._start_accessibility()
        self.tray = self._start_tray() if tray else None
        self.server_lines = []
        self.server_url = self._start_server(server, control) if server else None

    # --- infrastructure -------------------------------------------------

    def _spawn(self, args, env=None, **kwargs):
        p = subprocess.Popen(args, env=env or self.env, stdin=kwargs.pop("stdin", subprocess.DEVNULL),
                             stdout=kwargs.pop("stdout", self.log), stderr=subprocess.STDOUT,
                             start_new_session=True, preexec_fn=_die_with_parent, **kwargs)
        self.processes.append(p)
        return p

    def _start_display(self):
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x900x24",
                                      "-nolisten", "tcp", "-noreset"],
                                     pass_fds=(write_fd,), stdin=subprocess.DEVNULL,
                                     stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True,
                                     preexec_fn=_die_with_parent)
        os.close(write_fd)
        number = b""
        with os.fdopen(read_fd, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    raise Failure("Xvfb did not start")
                number += chunk
        self.env = dict(os.environ)
        self.env["DISPLAY"] = ":" + number.decode().strip()
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env["QT_QPA_PLATFORM"] = "xcb"
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        os.environ["DISPLAY"] = self.env["DISPLAY"]

    def _start_accessibility(self):
        # The accessibility bus's socket goes into the runtime folder, by
        # default one the user's runs share, named after the display: a run
        # ending as another starts on the display number it freed would
        # remove the new run's socket, and its programs could not join.
        runtime = os.path.join(self.root, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.env["XDG_RUNTIME_DIR"] = runtime
        self._spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])

        def launcher_up():
            r = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                                "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                                "string:org.a11y.Bus"], stdin=subprocess.DEVNULL, capture_output=True, text=True)
            return "boolean true" in r.stdout

        # Asked for before, the bus would be started a second time by the
        # session bus, with the shared folder.
        poll("the accessibility bus", launcher_up)
        global pyatspi
        import pyatspi  # after the bus is up: it connects when imported

        poll("the accessibility registry", lambda: pyatspi.Registry.getDesktop(0) is not None)

    def _start_tray(self):
        p = self._spawn(["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                         "--width", "200", "--heighttype", "pixel", "--height", "32"])
        poll("the tray host's window", lambda: self.xdotool("search", "--class", "trayer", check=False).strip())
        return p

    def _start_server(self, server, control):
        # With `control` the test steers it through its standard input
        # (server_command).
        p = self._spawn([self.fakeserver_binary] + ([] if server == "demo" else ["--empty"])
                        + (["--control"] if control else []), stdout=subprocess.PIPE,
                        stdin=subprocess.PIPE if control else subprocess.DEVNULL)
        url = None
        while url is None:
            line = p.stdout.readline().decode()
            if not line:
                raise Failure("the fake server did not start")
            if line.startswith("server-url "):
                url = line.split()[1]
        self.server = p
        # Keep reading its request log so its pipe never fills.
        import threading

        def drain():
            for line in p.stdout:
                self.server_lines.append(line.decode().rstrip("\n"))
                self.log.write("server: " + line.decode())
                self.log.flush()

        threading.Thread(target=drain, daemon=True).start()
        return url

    def close(self):
        for p in reversed(self.processes):
            if p.poll() is None:
                try:
                    os.killpg(p.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for p in self.processes:
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(p.pid, signal.SIGKILL)
                p.wait()
        self.xvfb.terminate()
        try:
            self.xvfb.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.xvfb.kill()
        self.log.close()
        shutil.rmtree(self.root, ignore_errors=True)

    # --- homes and the program -------------------------------------------

    def home(self, name):
        home = os.path.join(self.root, name)
        os.makedirs(os.path.join(home, "tmp"), exist_ok=True)
        return home

    def home_env(self, home):
        env = dict(self.env)
        env["HOME"] = home
        env["XDG_CONFIG_HOME"] = os.path.join(home, ".config")
        env["XDG_DATA_HOME"] = os.path.join(home, ".local", "share")
        env["XDG_CACHE_HOME"] = os.path.join(home, ".cache")
        env["XDG_RUNTIME_DIR"] = os.path.join(home, "tmp")
        # The single-instance guard's socket and lock live in the temporary folder.
        env["TMPDIR"] = os.path.join(home, "tmp")
        return env

    def data_dir(self, home):
        return os.path.join(home, ".local", "share", "Marrowgate", "PlumDeck")

    def write_settings(self, home, lines):
        folder = os.path.join(home, ".config", "Marrowgate")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "PlumDeck.conf"), "w") as f:
            f.write(lines)

    def write_account(self, home, user="alice"):
        """Settings naming the fake server and an account whose password is
        "secret" (stored scrambled, as the preferences keep it)."""
        self.write_settings(home, "[net]\nserver-url=%s\nusername=%s\n"
                            "password=@ByteArray((\\xa5R\\x8cR\\xd8)\n[updater]\nenabled=false\n"
                            % (self.server_url, user))

    def synchronise(self, app):
        """F5 on the lists page, then waits for the sync dialog to go."""
        self.focus(self.find(app, "push button", "Lists"))
        self.keys("F5")
        self.wait_sync_end(app)

    def wait_sync_end(self, app):
        """Waits for a synchronisation's dialog to go, however it was started."""

        def syncing():
            return [l for l in self.find_all(app, "label") if "Synchronizing" in (self.text_of(l) or "")]

        # The dialog may come and go between two looks.
        try:
            poll("the sync dialog", syncing, timeout=5)
        except Failure:
            pass
        poll("the synchronisation to finish", lambda: not syncing())

    def start(self, home, args=(), **popen):
        """Starts the program in `home`; returns its process. `popen` goes to
        subprocess.Popen as it is."""
        p = self._spawn([self.plumdeck] + list(args), env=self.home_env(home), **popen)
        self.note("started Plumdeck pid %d in %s" % (p.pid, home))
        return p

    def start_over_lists(self, document):
        """Starts the program in a new home (updates off) whose lists document
        holds `document` (bytes); returns its process and the document's path."""
        home = self.home("user")
        self.write_settings(home, "[updater]\nenabled=false\n")
        data = self.data_dir(home)
        os.makedirs(data)
        lists = os.path.join(data, "lists.xhtml")
        with open(lists, "wb") as f:
            f.write(document)
        return self.start(home), lists

    def app(self, process):
        """The accessible application of `process`, once it is there."""

        def find():
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                a = desktop.getChildAtIndex(i)
                if a is not None and a.get_process_id() == process.pid:
                    return a
            return None

        return poll("Plumdeck (pid %d) on the accessibility bus" % process.pid, find)

    def main_window(self, process):
        # The frameless window's own title bar: its page buttons show it is up.
        return self.find(self.app(process), "push button", "Lists", what="the main window")

    def open_program(self, home):
        """Starts the program over `home`; its process and application, once its window is up."""
        process = self.start(home)
        app = self.app(process)
        self.main_window(process)
        return process, app

    # --- finding and driving widgets -----------------------------------------

    @staticmethod
    def _matches(node, role, name):
        try:
            return (role is None or node.getRoleName() == role) and (name is None or node.name == name)
        except Exception:
            return False

    def find_all(self, root, role=None, name=None, showing=True):
        found = []

        def walk(node, depth):
            if node is None or depth > 30:
                return
            if self._matches(node, role, name) and (not showing or self.is_showing(node)):
                found.append(node)
            try:
                count = node.childCount
            except Exception:
                return
            for i in range(min(count, 500)):
                try:
                    walk(node.getChildAtIndex(i), depth + 1)
                except Exception:
                    pass

        walk(root, 0)
        return found

    def find(self, root, role=None, name=None, what=None, timeout=TIMEOUT, showing=True):
        return poll(what or "%s %r" % (role, name),
                    lambda: (self.find_all(root, role, name, showing) or [None])[0], timeout)

    @staticmethod
    def is_showing(node):
        try:
            return node.getState().contains(pyatspi.STATE_SHOWING)
        except Exception:
            return False

    @staticmethod
    def centre(node):
        e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        if e.width <= 0 or e.height <= 0:
            raise Failure("%s %r has no area" % (node.getRoleName(), node.name))
        return e.x + e.width // 2, e.y + e.height // 2

    def xdotool(self, *args, check=True):
        r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, stdin=subprocess.DEVNULL,
                           capture_output=True, text=True)
        if check and r.returncode != 0:
            raise Failure("xdotool %s: %s" % (" ".join(map(str, args)), r.stderr.strip()))
        return r.stdout

    def click_at(self, x, y, button=1):
        # Two clicks at one place within the toolkit's double-click time
        # (400 ms) are a double click: on a tab it opens the rename dialog,
        # which then takes the keys meant for the page; on a task, its title
        # editor. A tab clicked by open_tab and again before a command can
        # come that close.
        last = self._last_click
        if last and last[1] == button and abs(last[2] - x) + abs(last[3] - y) <= 10:
            time.sleep(max(0.0, last[0] + 0.6 - time.monotonic()))
        here = dict(line.split("=", 1) for line in self.xdotool("getmouselocation", "--shell").split())
        # "mousemove --sync" waits for a motion that never comes when the
        # pointer is already there.
        if (int(here["X"]), int(here["Y"])) != (x, y):
            self.xdotool("mousemove", "--sync", x, y)
        self.xdotool("click", button)
        self._last_click = (time.monotonic(), button, x, y)

    def click(self, node, button=1):
        x, y = self.centre(node)
        self.note("click %s %r at %d,%d" % (node.getRoleName(), node.name, x, y))
        self.click_at(x, y, button)

    def focus(self, node):
        """Gives the window holding `node` the keyboard, as a click on it
        does: with no window manager nothing else makes it active."""
        self.click(node)

    def keys(self, *keys):
        self.note("keys %s" % " ".join(keys))
        self.xdotool("key", "--delay", "60", *keys)

    def type(self, text):
        self.note("type %r" % text)
        self.xdotool("type", "--delay", "40", text)

    def move_window(self, process, x, y):
        """Moves the program's main window, so that two programs side by side
        do not cover each other (there is no window manager to place them)."""
        wid = poll("the main window of pid %d" % process.pid, lambda: self.xdotool(
            "search", "--all", "--onlyvisible", "--pid", process.pid, "--name", "^Plumdeck$", check=False).split()[:1])[0]
        self.xdotool("windowmove", "--sync", wid, x, y)

    def tray_icon(self):
        """The centre of the program's icon in the tray host's panel."""

        def find():
            for wid in self.xdotool("search", "--class", "PlumDeck", check=False).split():
                g = dict(line.split("=", 1) for line in
                         self.xdotool("getwindowgeometry", "--shell", wid, check=False).split())
                w, h, x, y = (int(g.get(k, 0)) for k in ("WIDTH", "HEIGHT", "X", "Y"))
                # The panel sits at the bottom of the screen; the icon is small.
                if 8 <= w <= 64 and 8 <= h <= 64 and y > 800:
                    return x + w // 2, y + h // 2
            return None

        return poll("the program's icon in the tray", find)

    def tray_menu_choose_last(self):
        """Opens the tray icon's menu and chooses its last entry (Quit).

        A pop-up is no child of any window on the accessibility bus: it is
        found as a new visible window and driven with the keyboard, as a
        person may."""
        def menu():
            for wid in self.xdotool("search", "--onlyvisible", "--class", "PlumDeck", check=False).split():
                g = dict(line.split("=", 1) for line in
                         self.xdotool("getwindowgeometry", "--shell", wid, check=False).split())
                if int(g.get("HEIGHT", 0)) > 100 and int(g.get("X", 0)) > 640:
                    return wid
            return None

        # A click while the icon is still being embedded is lost: click again.
        deadline = time.monotonic() + TIMEOUT
        while True:
            self.click_at(*self.tray_icon(), button=3)
            try:
                poll("the tray menu", menu, timeout=3)
                break
            except Failure:
                if time.monotonic() > deadline:
                    raise
                self.note("no tray menu yet; clicking again")
        self.shot("tray-menu")
        # Up from no current entry wraps to the last one.
        self.keys("Up")
        self.keys("Return")

    def task_cells(self, app):
        """The first cell of each row of the current list's task tree."""
        tree = self.find(app, "tree", what="the task tree")
        columns = len(self.find_all(tree, "table column header", showing=False))
        cells = self.find_all(tree, "table cell", showing=False)
        return cells[::columns] if columns else []

    def label_saying(self, app, phrase):
        """The shown label whose text holds `phrase`, or None."""
        for label in self.find_all(app, "label"):
            if phrase in (self.text_of(label) or ""):
                return label
        return None

    def cell_texts(self, app):
        return [t.strip() for t in (self.text_of(c) for c in self.task_cells(app)) if t and t.strip()]

    def text_of(self, node):
        try:
            t = node.queryText()
            return t.getText(0, t.characterCount)
        except Exception:
            return node.name

    # --- evidence ----------------------------------------------------------

    def note(self, text):
        self.log.write("%.1f %s\n" % (time.monotonic(), text))
        self.log.flush()

    def shot(self, label):
        self.step += 1
        path = os.path.join(self.shots, "%02d-%s.png" % (self.step, label))
        subprocess.run(["import", "-window", "root", path], env=self.env, stdin=subprocess.DEVNULL,
                       capture_output=True)
        self.note("screenshot %s" % path)

    def _raw(self, args, size):
        r = subprocess.run(args, env=self.env, stdin=subprocess.DEVNULL, capture_output=True)
        if r.returncode != 0 or len(r.stdout) != size:
            raise Failure("%s: %s" % (" ".join(args), r.stderr.decode(errors="replace").strip()))
        return r.stdout

    def shows_image(self, node, image):
        """Whether the screen inside `node` shows the image file `image`
        (16x16, drawn unscaled, as tab icons are): its opaque pixels are found
        at one place, colour for colour."""
        e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        w, h = e.width, e.height
        screen = self._raw(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, e.x, e.y),
                            "+repage", "-depth", "8", "rgb:-"], w * h * 3)
        icon = self._raw(["convert", image, "-depth", "8", "rgba:-"], 16 * 16 * 4)
        opaque = [(i % 16, i // 16, icon[4 * i:4 * i + 3]) for i in range(256) if icon[4 * i + 3] == 255]
        if not opaque:
            raise Failure("%s has no opaque pixel to look for" % image)

        def close(a, b):
            return all(abs(x - y) <= 12 for x, y in zip(a, b))

        for oy in range(h - 15):
            for ox in range(w - 15):
                misses = 0
                for x, y, colour in opaque:
                    at = 3 * ((oy + y) * w + ox + x)
                    if not close(screen[at:at + 3], colour):
                        misses += 1
                        if misses > len(opaque) // 10:
                            break
                else:
                    return True
        return False

    def wait_exit(self, process, what, timeout=TIMEOUT):
        poll(what, lambda: process.poll() is not None, timeout)
        return process.returncode

    # --- the server --------------------------------------------------------

    def server_command(self, command, answer=None):
        """Sends a command to a server started with `control`; returns the
        first line it prints after that starting with `answer`."""
        seen = len(self.server_lines)
        self.note("server command %s" % command)
        self.server.stdin.write((command + "\n").encode())
        self.server.stdin.flush()
        if answer is None:
            return None
        return poll("the server's answer %r to %r" % (answer, command),
                    lambda: next((l for l in self.server_lines[seen:] if l.startswith(answer)), None))

    def server_said(self, pattern, since=0):
        """The first line of the server's log from `since` on matching the
        regular expression `pattern`, or None."""
        import re

        return next((l for l in self.server_lines[since:] if re.search(pattern, l)), None)

    def server_get(self, path, user="alice", password="secret"):
        request = urllib.request.Request(self.server_url + path)
        token = base64.b64encode(("%s:%s" % (user, password)).encode()).decode()
        request.add_header("Authorization", "Basic " + token)
        with urllib.request.urlopen(request, timeout=scaled(10)) as answer:
            return answer.read().decode("utf-8")

    def server_lists(self):
        """Every list alice holds on the server, as the server writes it."""
        infos = self.server_get("/users/alice/lists-info")
        return [self.server_get("/lists/%s" % i) for i in re.findall(r"<dt>id</dt>\s*<dd>(\d+)</dd>", infos)]

    def name_list(self, app, name):
        """Names the current list through its rename dialog (Ctrl+F2)."""
        self.keys("ctrl+F2")
        rename = self.find(app, "dialog", "Rename List", what="the rename dialog")
        self.keys("ctrl+a")
        self.type(name)
        self.click(self.find(rename, "push button", "Ok"))
        self.find(app, "page tab", name, what="the tab %s" % name)

    def close_program(self, process, app):
        self.click(self.find(app, "push button", "Close"))
        check(self.wait_exit(process, "the program to end") == 0, "closing ended with an error")


def named(docs, name):
    """The server's lists (see server_lists) of that name."""
    return [doc for doc in docs if "<dd>%s</dd>" % name in doc]


def tabs(s, app):
    """The lists' tab names, sorted."""
    return sorted(t.name for t in s.find_all(app, "page tab", showing=False))


def open_tab(s, app, name):
    s.click(s.find(app, "page tab", name))
    poll("the list %s shown" % name,
         lambda: s.find(app, "page tab", name).getState().contains(pyatspi.STATE_SELECTED))


def message_box(s, app):
    """The message over the sync dialog (both are titled "Sync"): the one with an Ok button."""
    for d in s.find_all(app, "dialog", "Sync"):
        if s.find_all(d, "push button", "Ok"):
            return d
    return None


def list_id(s, name):
    """The server id of alice's list of that name, or None."""
    infos = s.server_get("/users/alice/lists-info")
    for i in re.findall(r"<dt>id</dt>\s*<dd>(\d+)</dd>", infos):
        if "<dd>%s</dd>" % name in s.server_get("/lists/%s" % i):
            return i
    return None


def force_sync(s, app, button, title, shot=None):
    """The preferences' sync page, the forced run's button ("force remote
    sync" or "force local sync"), and yes to its question titled `title`."""
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("F12")
    s.click(s.find(app, "page tab", "Sync", what="the preferences' sync page"))
    s.click(s.find(app, "push button", button))
    question = s.find(app, "dialog", title, what="the question %r" % title)
    if shot:
        s.shot(shot)
    s.click(s.find(question, "push button", "Ok"))


def server_tasks(s, name):
    """Each server list of that name's task titles, sorted."""
    docs = named(s.server_lists(), name)
    return [sorted(re.findall(r"<dt>title</dt>\s*<dd>([^<]*)</dd>", doc)) for doc in docs]


def remove_while_other_is_off(s, app, other_home, name):
    """The other computer takes every list, then is off while this one
    removes `name` with Ctrl+W and synchronises."""
    lists = tabs(s, app)
    other, other_app = s.open_program(other_home)
    s.synchronise(other_app)
    poll("the lists on the other computer", lambda: tabs(s, other_app) == lists)
    s.close_program(other, other_app)

    open_tab(s, app, name)
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("ctrl+w")
    question = s.find(app, "dialog", "Delete List", what="the question before the removal")
    s.click(s.find(question, "push button", "Ok"))
    poll("%s gone on this computer" % name, lambda: tabs(s, app) == [t for t in lists if t != name])
    s.synchronise(app)
    poll("%s gone from the server" % name, lambda: server_tasks(s, name) == [], interval=0.5)


def new_list(s, app):
    """Adds a list with the "Add list" button and waits for its tab."""
    tabs_before = len(s.find_all(app, "page tab"))
    s.click(s.find(app, "push button", "Add list"))
    poll("the new list's tab", lambda: len(s.find_all(app, "page tab")) == tabs_before + 1)


def type_tasks(s, app, tasks):
    last = s.task_cells(app)[-1]
    s.click(last)
    if (s.text_of(last) or "").strip():
        # A click on the last task edits it; Return there opens a new one below.
        s.keys("End", "Return")
    # Else the empty list's one row: the click starts typing its first task.
    for t in tasks:
        s.type(t)
        s.keys("Return")
    s.keys("Escape")


def has_tasks(s, app, tasks):
    return poll("the tasks %r on the page" % (tasks,), lambda: all(t in s.cell_texts(app) for t in tasks))


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def check(condition, text):
    if not condition:
        raise Failure(text)


def run(name, scenario, **options):
    """Runs `scenario(session)`; screenshots the display when it fails."""
    session = Session(name, **options)
    try:
        scenario(session)
    except Exception:
        traceback.print_exc()
        session.shot("failure")
        print("screenshots and log: %s" % session.shots, file=sys.stderr)
        session.close()
        sys.exit(1)
    session.close()
    print("%s: passed; screenshots in %s" % (name, session.shots))
