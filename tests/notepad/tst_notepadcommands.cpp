// The note commands, the editor's menu and the conversion of selected note
// text into a task.

#include "core/uisettings.h"
#include "dialogdriver.h"
#include "model/task.h"
#include "notepad/notepadcommands.h"
#include "notepad/totasklistaction.h"
#include "notepadtest.h"
#include "testenvironment.h"

#include <QMenu>
#include <QPointer>
#include <QSettings>
#include <QTextCursor>

using namespace NotepadTest;

namespace {

Action *command(Pad &pad, const QString &name)
{
    if (name == QLatin1String("add"))
        return pad.page->addNoteAction();
    if (name == QLatin1String("rename"))
        return pad.page->renameNoteAction();
    if (name == QLatin1String("remove"))
        return pad.page->removeNoteAction();
    if (name == QLatin1String("right"))
        return pad.page->moveRightAction();
    return pad.page->moveLeftAction();
}

void select(NotepadTextEdit *editor, int from, int to)
{
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
}

QStringList topTitles(ListModel *list)
{
    QStringList titles;
    for (Task *task : list->taskList()->rootTask()->children())
        titles.append(task->title());
    return titles;
}

} // namespace

class TstNotepadCommands : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        removeNotepadFiles();
        QSettings().remove(QStringLiteral("ui"));
    }

    // With three tabs; the tab current when the state is read.
    void commands_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QList<bool>>("enabledAtTab"); // first, middle, last, one tab only
        QTest::newRow("add") << "add" << "Add note" << ":/notepad_add.png" << QList<bool>{true, true, true, true};
        QTest::newRow("rename") << "rename" << "Rename note" << ":/notepad_edit.png"
                                << QList<bool>{true, true, true, true};
        QTest::newRow("remove") << "remove" << "Remove note" << ":/notepad_delete.png"
                                << QList<bool>{true, true, true, true};
        QTest::newRow("right") << "right" << "Move Note Right" << ":/notepad_move_right.png"
                               << QList<bool>{true, true, false, false};
        QTest::newRow("left") << "left" << "Move Note Left" << ":/notepad_move_left.png"
                              << QList<bool>{false, true, true, false};
    }
    void commands()
    {
        QFETCH(QString, name);
        QFETCH(QString, icon);
        QFETCH(QList<bool>, enabledAtTab);
        storeNotes({note("A", NotepadNote::Unedited, 1), note("B", NotepadNote::Unedited, 2),
                    note("C", NotepadNote::Unedited, 3)});
        Pad pad;
        Action *action = command(pad, name);
        QTEST(action->text(), "text");
        QVERIFY(action->shortcut().isEmpty());
        QVERIFY(!action->parent());
        QCOMPARE(action->currentIcon().pixmap(16).toImage(), QIcon(icon).pixmap(16).toImage());
        for (int tab = 0; tab < 3; ++tab) {
            pad.tabs()->setCurrentIndex(tab);
            QCOMPARE(action->shouldBeEnabled(), enabledAtTab.at(tab));
        }
        pad.page->removeNote(pad.page->noteAt(2));
        pad.page->removeNote(pad.page->noteAt(1));
        QCOMPARE(action->shouldBeEnabled(), enabledAtTab.at(3));
    }

    void movingRightThenLeft()
    {
        storeNotes({note("A", NotepadNote::Unedited, 1), note("B", NotepadNote::Unedited, 2)});
        Pad pad;
        pad.page->moveRightAction()->trigger();
        QCOMPARE(pad.tabTitles(), (QStringList{"B", "A"}));
        QCOMPARE(pad.tabs()->currentIndex(), 1);
        // At the end nothing runs.
        pad.page->moveRightAction()->trigger();
        QCOMPARE(pad.tabTitles(), (QStringList{"B", "A"}));
        QTest::ignoreMessage(QtWarningMsg,
                             "Tryng to move a note right, but note is already the one more in the right");
        pad.page->moveCurrentNoteRight();
        pad.page->moveLeftAction()->trigger();
        QCOMPARE(pad.tabTitles(), (QStringList{"A", "B"}));
        QCOMPARE(pad.noteTitles(), (QStringList{"A", "B"}));
        QTest::ignoreMessage(QtWarningMsg, "Tryng to move a note left, but note is already the one more in the left");
        pad.page->moveCurrentNoteLeft();
        QCOMPARE(pad.tabTitles(), (QStringList{"A", "B"}));
    }

    void toTask_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("title"); // null: no task
        QTest::addColumn<QString>("left");
        QTest::newRow("one word") << "milk eggs" << 0 << 4 << "milk" << " eggs";
        QTest::newRow("three lines, one blank per break")
            << "  x\nbread\n\nbutter\ty  " << 2 << 20 << "x bread  buttery" << "   ";
        QTest::newRow("white space only") << "a  \n  b" << 1 << 6 << QString() << "a  \n  b";
        QTest::newRow("control characters only") << QStringLiteral("a\t\tb") << 1 << 3 << QString()
                                                 << QStringLiteral("a\t\tb");
    }
    void toTask()
    {
        QFETCH(QString, text);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, title);
        Pad pad;
        ListModel *list = pad.addList(QStringLiteral("Groceries"));
        withOldTask(list);
        NotepadTextEdit *editor = pad.editor(0);
        editor->setPlainText(text);
        select(editor, from, to);
        ToTaskListAction action(list, editor);
        action.trigger();
        if (title.isNull()) {
            QCOMPARE(topTitles(list), QStringList{"Old"});
            QVERIFY(editor->textCursor().hasSelection());
        } else {
            QCOMPARE(topTitles(list), (QStringList{title, "Old"}));
            QCOMPARE(list->taskList()->syncStatus(), TaskList::Edited);
        }
        QTEST(editor->toPlainText(), "left");
        // The note takes the shortened text when the editor is left.
        QVERIFY(pad.page->currentNote()->text().isEmpty());
    }

    void toTaskSettings_data()
    {
        QTest::addColumn<bool>("moveToTop");
        QTest::addColumn<bool>("deleteFromNote");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("left");
        QTest::newRow("defaults") << true << true << QStringList{"milk", "Old"} << " eggs";
        QTest::newRow("to the bottom") << false << true << QStringList{"Old", "milk"} << " eggs";
        QTest::newRow("text kept") << true << false << QStringList{"milk", "Old"} << "milk eggs";
    }
    void toTaskSettings()
    {
        QFETCH(bool, moveToTop);
        QFETCH(bool, deleteFromNote);
        QSettings().setValue(QStringLiteral("ui/move-to-top"), moveToTop);
        QSettings().setValue(QStringLiteral("ui/delete-note-when-move"), deleteFromNote);
        Pad pad;
        ListModel *list = pad.addList(QStringLiteral("Groceries"));
        withOldTask(list);
        pad.editor(0)->setPlainText(QStringLiteral("milk eggs"));
        select(pad.editor(0), 0, 4);
        ToTaskListAction(list, pad.editor(0)).trigger();
        QTEST(topTitles(list), "titles");
        QTEST(pad.editor(0)->toPlainText(), "left");
    }

    void aListThatMayOnlyBeReadTakesNoTask()
    {
        Pad pad;
        ListModel *list = pad.addList(QStringLiteral("Shared"), QStringLiteral("r"));
        pad.editor(0)->setPlainText(QStringLiteral("milk"));
        select(pad.editor(0), 0, 4);
        ToTaskListAction action(list, pad.editor(0));
        QVERIFY(!action.isEnabled());
        action.trigger();
        QVERIFY(topTitles(list).isEmpty());
        QCOMPARE(pad.editor(0)->toPlainText(), QStringLiteral("milk"));
    }

    void theEditorsMenu_data()
    {
        QTest::addColumn<bool>("selection");
        QTest::newRow("with a selection") << true;
        QTest::newRow("without") << false;
    }
    void theEditorsMenu()
    {
        QFETCH(bool, selection);
        Pad pad;
        pad.addList(QStringLiteral("Groceries"));
        pad.addList(QStringLiteral("Shared"), QStringLiteral("r"));
        pad.addList(QStringLiteral("Q&A"));
        NotepadTextEdit *editor = pad.editor(0);
        editor->setPlainText(QStringLiteral("milk"));
        if (selection)
            select(editor, 0, 4);
        std::unique_ptr<QMenu> menu(editor->createMenu());
        const QList<QAction *> entries = menu->actions();
        QCOMPARE(entries.size(), 8);
        const char *icons[] = {":/undo.png",  ":/redo.png",        ":/cut.png",       ":/copy.png",
                               ":/paste.png", ":/task_delete.png", ":/select_all.png"};
        for (int i = 0; i < 7; ++i) {
            QVERIFY(!entries.at(i)->isSeparator());
            QCOMPARE(entries.at(i)->icon().pixmap(16).toImage(), QIcon(QLatin1String(icons[i])).pixmap(16).toImage());
        }
        QMenu *toList = entries.last()->menu();
        QVERIFY(toList);
        QCOMPARE(toList->title(), QStringLiteral("Move To List"));
        QCOMPARE(toList->isEnabled(), selection);
        QStringList names;
        QList<bool> enabled;
        for (QAction *entry : toList->actions()) {
            names.append(entry->text());
            enabled.append(entry->isEnabled());
        }
        // An "&" in a list's name is shown as written (doubled, as entries
        // take it), not as the entry's shortcut key.
        QCOMPARE(names, (QStringList{"Groceries", "Shared", "Q&&A"}));
        QCOMPARE(enabled, (QList<bool>{true, false, true}));
        // The entries go with the menu.
        menu.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(editor->findChildren<ToTaskListAction *>().isEmpty());
    }

    // The editor's menu was built, then the list went (a sync removed it) or
    // its run began: the entry chosen afterwards adds no task, and the text
    // stays in the note.
    void aListGoneOrInARunTakesNoTask_data()
    {
        QTest::addColumn<bool>("removed");
        QTest::newRow("list removed") << true;
        QTest::newRow("list synchronising") << false;
    }
    void aListGoneOrInARunTakesNoTask()
    {
        QFETCH(bool, removed);
        Pad pad;
        QPointer<ListModel> list = pad.addList(QStringLiteral("Groceries"));
        NotepadTextEdit *editor = pad.editor(0);
        editor->setPlainText(QStringLiteral("milk"));
        select(editor, 0, 4);
        std::unique_ptr<QMenu> menu(editor->createMenu());
        QAction *entry = menu->actions().last()->menu()->actions().value(0);
        QVERIFY(entry);
        QVERIFY(entry->isEnabled());
        if (removed) {
            pad.userLists->deleteList(list->taskList());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!list);
        } else {
            list->setSynchronizing(true);
        }
        entry->trigger();
        QCOMPARE(editor->toPlainText(), QStringLiteral("milk"));
        if (list) {
            QVERIFY(topTitles(list).isEmpty());
            list->setSynchronizing(false);
        }
    }

    void withoutListsTheSubMenuIsEmpty()
    {
        Pad pad;
        std::unique_ptr<QMenu> menu(pad.editor(0)->createMenu());
        QVERIFY(menu->actions().last()->menu()->actions().isEmpty());
    }

private:
    // A list the server knows, holding one task, "Old".
    static void withOldTask(ListModel *list)
    {
        list->taskList()->setSyncStatus(TaskList::Unedited);
        list->taskList()->rootTask()->createChild(0)->setTitle(QStringLiteral("Old"));
    }
};

PLUMDECK_TEST_MAIN(TstNotepadCommands)
#include "tst_notepadcommands.moc"
