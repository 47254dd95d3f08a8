"""Two computers of one account hold the Groceries list shared with carol.
The first shares it with bob too and synchronises; the second, from its
older sharing, stops sharing it with carol, quits, starts again and
synchronises: on the server and on both computers bob keeps the list and
carol has lost it."""

import os
import re

from e2e import Failure, check, poll, read, run


def groceries_id(s):
    infos = s.server_get("/users/alice/lists-info")
    for fields in re.findall(r"<dl[^>]*>(.*?)</dl>", infos, re.S):
        if re.search(r"<dt>name</dt>\s*<dd>Groceries</dd>", fields):
            return re.search(r"<dt>id</dt>\s*<dd>(\d+)</dd>", fields).group(1)
    return None


def server_sharing(s, list_id):
    doc = s.server_get("/lists/%s/sharingV3" % list_id)
    return dict(re.findall(r"<dt>name</dt>\s*<dd>([^<]*)</dd>\s*<dt>permissions</dt>\s*<dd>([^<]*)</dd>", doc))


def share_entry(s, app, downs, label):
    """Chooses an entry of the Groceries tab's "Share list" menu: the fifth
    from the bottom; its first entry shows the sharing, then the people it
    is shared with, then the other friends."""
    s.click(s.find(app, "page tab", "Groceries"), button=3)
    s.keys("Up", "Up", "Up", "Up", "Up", "Right", *(["Down"] * downs))
    s.shot(label)
    s.keys("Return")


def open_program(s, home):
    """The program over `home`, carol's pending contact request put aside
    (the demo server's; it may come once only)."""
    process, app = s.open_program(home)
    try:
        request = s.find(app, "dialog", "Contact request", timeout=8)
        s.click(s.find(request, "push button", "Cancel"))
    except Failure:
        pass
    return process, app


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)
    first, first_app = open_program(s, first_home)
    s.synchronise(first_app)
    second, second_app = open_program(s, second_home)
    s.move_window(second, 640, 0)
    s.synchronise(second_app)
    list_id = poll("the Groceries list on the server", lambda: groceries_id(s))
    check(server_sharing(s, list_id) == {"carol": "r"}, "the demo's Groceries is shared with carol")

    # The first computer shares it with bob, its friend (after carol).
    share_entry(s, first_app, 2, "first-shares-with-bob")
    dialog = s.find(first_app, "dialog", "Send list to bob", what="the permissions dialog")
    s.click(s.find(dialog, "push button", "Accept"))
    s.synchronise(first_app)
    check(server_sharing(s, list_id) == {"bob": "rwd", "carol": "r"}, "bob shares the list on the server")

    # The second, which has not seen bob's share, stops sharing with carol
    # and quits before its synchronisation.
    share_entry(s, second_app, 1, "second-unshares-carol")
    question = s.find(second_app, "dialog", "Unshare list", what="the unshare question")
    s.click(s.find(question, "push button", "Ok"))
    s.close_program(second, second_app)
    second, second_app = open_program(s, second_home)
    s.move_window(second, 640, 0)
    s.synchronise(second_app)
    s.shot("second-synchronised")
    sharing = server_sharing(s, list_id)
    check(sharing == {"bob": "rwd"}, "bob keeps the list and carol has lost it on the server: %r" % sharing)

    s.synchronise(first_app)
    for p, app, home in ((first, first_app, first_home), (second, second_app, second_home)):
        s.close_program(p, app)
        text = read(os.path.join(s.data_dir(home), "lists.xhtml"))
        shared = re.search(r'<ul class="pd-shared">(.*?)</ul>', text, re.S)
        check(shared and ">bob<" in shared.group(1) and ">carol<" not in shared.group(1),
              "each computer keeps the server's sharing:\n%s" % (shared.group(0) if shared else text))


if __name__ == "__main__":
    run("sharingtwocomputers", scenario, server="demo")
