"""A list removed on one computer while the account's other computer, not
synchronised since, typed a task into it. The first removes "Garden" and
synchronises; the second types "Bulbs" into its older copy and
synchronises: it is told that the list was put back with its change, the
list comes back holding only the typed task (the tasks it had not changed
stay removed), on the server and, after its next run, on the first."""

from e2e import check, has_tasks, message_box, new_list, open_tab, poll, remove_while_other_is_off, run, server_tasks, tabs, type_tasks


def scenario(s):
    first_home, second_home = s.home("first"), s.home("second")
    s.write_account(first_home)
    s.write_account(second_home)

    first, app = s.open_program(first_home)
    type_tasks(s, app, ["Keys"])
    s.name_list(app, "Home")
    new_list(s, app)
    type_tasks(s, app, ["Seeds", "Spade"])
    s.name_list(app, "Garden")
    s.synchronise(app)
    poll("both lists on the server", lambda: server_tasks(s, "Garden") == [["Seeds", "Spade"]], interval=0.5)

    # The other computer takes both, then is off while the first removes one.
    remove_while_other_is_off(s, app, second_home, "Garden")

    # Its copy still holds Garden: a task typed there.
    second, second_app = s.open_program(second_home)
    s.move_window(second, 640, 0)
    open_tab(s, second_app, "Garden")
    has_tasks(s, second_app, ["Seeds", "Spade"])
    type_tasks(s, second_app, ["Bulbs"])
    has_tasks(s, second_app, ["Bulbs"])
    s.shot("typed-into-the-older-copy")
    s.focus(s.find(second_app, "push button", "Lists"))
    s.keys("F5")
    told = poll("the message about the list kept", lambda: message_box(s, second_app))
    s.shot("second-told")
    check(s.label_saying(second_app, "removed on another computer after you changed them here") is not None,
          "the message says why the list is back")
    check(s.label_saying(second_app, "Garden") is not None, "the message names the list")
    s.click(s.find(told, "push button", "Ok"))
    s.wait_sync_end(second_app)
    poll("Garden on the server with the typed task only", lambda: server_tasks(s, "Garden") == [["Bulbs"]],
         interval=0.5)
    open_tab(s, second_app, "Garden")
    poll("the second shows Garden with the typed task only", lambda: s.cell_texts(second_app) == ["Bulbs"])
    s.shot("second-shows-the-kept-list")

    s.synchronise(app)
    poll("Garden back on the first computer", lambda: tabs(s, app) == ["Garden", "Home"])
    open_tab(s, app, "Garden")
    poll("the first shows the typed task", lambda: s.cell_texts(app) == ["Bulbs"])
    s.shot("first-shows-the-kept-list")

    s.close_program(first, app)
    s.close_program(second, second_app)
    check(server_tasks(s, "Garden") == [["Bulbs"]], "Garden once on the server: %r" % server_tasks(s, "Garden"))
    check(server_tasks(s, "Home") == [["Keys"]], "Home untouched: %r" % server_tasks(s, "Home"))


run("removedwhiletyped", scenario, server=True)
