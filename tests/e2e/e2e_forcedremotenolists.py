"""A computer with no lists of its own (a new one) forces a remote run from the
preferences, answering the preferences' question with Return. The run then
asks whether to delete every list on the server; a second Return, typed on the
way, refuses: the run ends saying nothing was changed, and the server keeps
the lists the other computer made. Deleting them takes a click on Ok."""

from e2e import check, named, new_list, poll, run, type_tasks

LISTS = {"Trip": "Tickets", "Home": "Bills"}
QUESTION = "There are no lists on this computer"


def question_box(s, app):
    """The run's question, once it shows."""
    def find():
        for dialog in s.find_all(app, "dialog"):
            if s.label_saying(dialog, QUESTION):
                return dialog
        return None

    return poll("the question before deleting every list", find)


def force_remote(s, app):
    """The preferences' sync page, the forced remote run's button, and Return to its question."""
    s.focus(s.find(app, "push button", "Lists"))
    s.keys("F12")
    s.click(s.find(app, "page tab", "Sync", what="the preferences' sync page"))
    s.click(s.find(app, "push button", "force remote sync"))
    s.find(app, "dialog", "Force Remote Sync", what="the preferences' question")
    s.keys("Return")


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)

    first, app = s.open_program(first_home)
    type_tasks(s, app, [LISTS["Trip"]])
    s.name_list(app, "Trip")
    new_list(s, app)
    type_tasks(s, app, [LISTS["Home"]])
    s.name_list(app, "Home")
    s.synchronise(app)
    poll("both lists on the server", lambda: all(len(named(s.server_lists(), n)) == 1 for n in LISTS),
         interval=0.5)
    s.close_program(first, app)

    # The new computer: its first start made one empty list, which the run drops.
    second, app = s.open_program(second_home)
    force_remote(s, app)
    question = question_box(s, app)
    s.shot("question")
    since = len(s.server_lines)
    s.keys("Return")
    poll("the run's end", lambda: s.find_all(app, "push button", "Settings..."))
    check(s.label_saying(app, "Nothing was changed: there are no lists on this computer to upload."),
          "the run says nothing was changed")
    s.shot("refused")
    check(not s.server_said(r"^DELETE ", since), "nothing was deleted on the server")
    docs = s.server_lists()
    for name, task in LISTS.items():
        check(len(named(docs, name)) == 1, "the server keeps %s:\n%s" % (name, "\n".join(docs)))
    s.click(s.find(app, "push button", "Cancel"))

    # Asked again, a click on Ok is the deliberate choice.
    force_remote(s, app)
    question = question_box(s, app)
    s.click(s.find(question, "push button", "Ok"))
    s.wait_sync_end(app)
    s.shot("deleted")
    poll("every list gone from the server", lambda: not s.server_lists(), interval=0.5)
    s.close_program(second, app)


run("forcedremotenolists", scenario, server=True, control=True)
