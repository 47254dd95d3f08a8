"""Contact requests: alice signs in with twenty requests waiting on the
server besides the demo's one from carol; more arrive while she answers,
one of them again from a nick already waiting. One question is open at a
time, in the order the requests came, each nick asked once; each answer
reaches the server in that order. Her settings file, readable by all
before, is hers alone once the program ran."""

import os
import re
import stat

from e2e import check, poll, run

WAITING = ["req%02d" % i for i in range(1, 21)]


def questions(s, app):
    """The texts of the contact questions open now."""
    texts = []
    for d in s.find_all(app, "dialog", "Contact request"):
        texts += [t for t in (s.text_of(l) or "" for l in s.find_all(d, "label")) if t.startswith("Add ")]
    return texts


def scenario(s):
    home = s.home("alice")
    s.write_account(home)
    settings = os.path.join(home, ".config", "Marrowgate", "PlumDeck.conf")
    os.chmod(settings, 0o644)
    for nick in WAITING:
        s.server_command("request alice %s" % nick, "requested")

    process, app = s.open_program(home)
    mode = stat.S_IMODE(os.stat(settings).st_mode)
    check(mode == 0o600, "the settings file is private once the program started: %o" % mode)

    expected = ["carol"] + WAITING + ["erin"]
    asked = []
    while len(asked) < len(expected):
        shown = poll("question %d" % (len(asked) + 1), lambda: questions(s, app) or None)
        check(len(shown) == 1, "one question open at a time, not %r" % shown)
        nick = re.match(r"Add (.*) as a contact\?", shown[0]).group(1)
        asked.append(nick)
        if len(asked) == 1:
            s.shot("first-question")
            # A repeat of one still waiting, and a new one, while she answers.
            s.server_command("request alice req05", "requested")
            s.server_command("request alice erin", "requested")
        if len(asked) == 11:
            s.shot("eleventh-question")
        dialog = s.find(app, "dialog", "Contact request")
        s.click(s.find(dialog, "push button", "Ok" if len(asked) % 2 else "Cancel"))
        poll("question %d to close" % len(asked), lambda: nick not in " ".join(questions(s, app)))
    s.shot("all-answered")
    check(asked == expected, "asked in the order the requests came, each once: %r" % asked)

    answers = []
    for i, nick in enumerate(expected):
        answers.append("POST /users/%s/friend-requests" % nick if i % 2 == 0
                       else "DELETE /users/alice/friend-requests/%s" % nick)

    def sent():
        lines = [re.sub(r" -> \d+$", "", l) for l in s.server_lines]
        return [l for l in lines if l in answers]

    poll("every answer at the server", lambda: len(sent()) == len(answers))
    check(sent() == answers, "the answers reach the server in order: %r" % sent())
    check(not questions(s, app), "no question left open")
    s.close_program(process, app)


run("requests", scenario, server="demo", control=True)
