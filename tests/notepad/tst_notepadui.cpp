// The notepad page: tabs and notes in step both ways, and every change in the
// document by the next save tick, so that a kill loses nothing shown.

#include "dialogdriver.h"
#include "notepad/notepadcommands.h"
#include "notepad/renamenotedialog.h"
#include "notepadtest.h"
#include "lists/listsui.h"
#include "lists/treeview.h"
#include "shell/mainwindow.h"
#include "shell/messagedialog.h"
#include "testenvironment.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <algorithm>

#include <malloc.h>

using namespace NotepadTest;

namespace {

// A right click on the tab as the window system brings it (press and
// release on the window); the menu it opens, if any.
QMenu *rightClickTab(const Pad &pad, int tab)
{
    QWidget *window = pad.tabs()->window();
    const QPoint at = pad.tabs()->tabBar()->mapTo(window, pad.tabCentre(tab));
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, at);
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

} // namespace

class TstNotepadUI : public QObject
{
    Q_OBJECT
private slots:
    void init() { removeNotepadFiles(); }

    void firstStartHasOneEmptyDefaultNote()
    {
        {
            Pad pad;
            QCOMPARE(pad.tabTitles(), QStringList{QStringLiteral("Note")});
            QVERIFY(pad.editor(0)->toPlainText().isEmpty());
            QCOMPARE(pad.tabs()->objectName(), QStringLiteral("tabs"));
            QCOMPARE(pad.editor(0)->objectName(), QStringLiteral("textedit"));
            QVERIFY(!pad.editor(0)->acceptRichText());
            QCOMPARE(pad.page->syncAction(), &pad.lists.sync);
            QCOMPARE(pad.page->centralWidget(), pad.tabs());
            QCOMPARE(pad.page->bottomBarLeftWidget()->size(), QSize(64, 21));
            QCOMPARE(pad.page->uiMode(), 0);
        }
        QCOMPARE(savedTitles(), QStringList{QStringLiteral("Note")});
    }

    void storedNotesBecomeTabs()
    {
        storeNotes({note("Ideas", NotepadNote::Unedited, 1, "a pond"), note("Gone", NotepadNote::Deleted, 2),
                    note("Shopping", NotepadNote::Edited, 3, "bread")});
        Pad pad;
        QCOMPARE(pad.tabTitles(), (QStringList{"Ideas", "Shopping"}));
        QCOMPARE(pad.editor(1)->toPlainText(), QStringLiteral("bread"));
        // The deleted note stays for the server.
        QCOMPARE(pad.noteTitles(), (QStringList{"Ideas", "Gone", "Shopping"}));
    }

    // An unreadable file, or a note left out of one, is told at the start in
    // a message over the window; the notes read show.
    void unreadNotesAreTold_data()
    {
        QTest::addColumn<QByteArray>("record"); // put before the second note; null: the whole file broken
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<QString>("told"); // the start of the message; empty: none
        const QByteArray record("<div class=\"pd-notepad-note\"><dl class=\"pd-notepad-note-fields\">%1</dl></div>");
        QTest::newRow("removed note with an id and revision 0")
            << QByteArray(record).replace("%1", "<dt>sync-status</dt><dd>deleted</dd><dt>id</dt><dd>7</dd>"
                                                "<dt>revision</dt><dd>0</dd><dt>title</dt><dd>Gone</dd><dt>text</dt><dd/>")
            << QStringList{"Ideas", "Shopping"}
            << "One of your notes could not be read and was left out: \"Gone\". Your other notes were loaded. "
               "The notepad file as it was is kept as \"";
        QTest::newRow("two, unnamed")
            << QByteArray(record).replace("%1", "<dt>sync-status</dt><dd>x</dd>")
                   + QByteArray(record).replace("%1", "<dt>sync-status</dt><dd>edited</dd><dt>id</dt><dd>4</dd>")
            << QStringList{"Ideas", "Shopping"}
            << "2 of your notes could not be read and were left out: note 2 in the file, the note with server id 4.";
        QTest::newRow("the whole file") << QByteArray() << QStringList{"Note"}
                                        << "Your notepad file could not be read, so you start with a new note. "
                                           "The old file was kept as \"";
        QTest::newRow("none") << QByteArray("") << QStringList{"Ideas", "Shopping"} << "";
    }
    void unreadNotesAreTold()
    {
        QFETCH(QByteArray, record);
        QFETCH(QStringList, tabs);
        QFETCH(QString, told);
        storeNotes({note("Ideas", NotepadNote::Unedited, 1, "a pond"), note("Shopping", NotepadNote::Edited, 3, "bread")});
        QFile file(NotepadNotes::filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        file.close();
        const QByteArray element("<div class=\"pd-notepad-note\">");
        if (record.isNull())
            bytes.chop(30);
        else
            bytes.insert(bytes.indexOf(element, bytes.indexOf(element) + 1), record);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();

        Pad pad;
        QCOMPARE(pad.tabTitles(), tabs);
        QCoreApplication::processEvents();
        QStringList texts;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<MessageDialog *>(widget); dialog && dialog->isVisible()) {
                texts << dialog->findChild<QLabel *>(QStringLiteral("textlabel"))->text();
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Notepad"));
                delete dialog;
            }
        }
        if (told.isEmpty()) {
            QCOMPARE(texts, QStringList());
            return;
        }
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts.first().startsWith(told), qPrintable(texts.first()));
        const QFileInfo info(NotepadNotes::filePath());
        const QStringList kept = info.dir().entryList({QStringLiteral("notepad.xhtml.unreadable-*")});
        QCOMPARE(kept.size(), 1);
        QVERIFY2(texts.first().contains(QDir::toNativeSeparators(info.dir().filePath(kept.first()))), qPrintable(texts.first()));
        QFile keptFile(info.dir().filePath(kept.first()));
        QVERIFY(keptFile.open(QIODevice::ReadOnly));
        QCOMPARE(keptFile.readAll(), bytes);
    }

    void allNotesDeletedGivesNoTab()
    {
        storeNotes({note("Gone", NotepadNote::Deleted, 2)});
        Pad pad;
        QCOMPARE(pad.tabs()->count(), 0);
        QVERIFY(!pad.page->currentNote());
    }

    // Each step of a session, and the document a kill right after the next
    // save tick leaves.
    void eachStepReachesTheDocument()
    {
        storeNotes({note("Ideas", NotepadNote::Unedited, 1, "a pond")});
        Pad pad;
        pad.tabs()->show();

        pad.page->addNoteAction()->trigger();
        QCOMPARE(pad.tabTitles(), (QStringList{"Ideas", "Note"}));
        QCOMPARE(pad.tabs()->currentIndex(), 0);
        pad.tick();
        QCOMPARE(savedTitles(), (QStringList{"Ideas", "Note"}));

        // Typed, never left: the tick still takes it.
        QTest::keyClicks(pad.editor(1), QStringLiteral("  milk, eggs  "));
        pad.tick();
        QCOMPARE(savedNotes().at(1).text, QStringLiteral("milk, eggs"));

        pad.tabs()->setCurrentIndex(1);
        pad.page->moveLeftAction()->trigger();
        QCOMPARE(pad.tabTitles(), (QStringList{"Note", "Ideas"}));
        QVERIFY(pad.notes()->isDisplayOrderChanged());
        pad.tick();
        QCOMPARE(savedTitles(), (QStringList{"Note", "Ideas"}));

        DialogDriver::whenModal([](QWidget *dialog) {
            auto *entry = dialog->findChild<QLineEdit *>(QStringLiteral("edit"));
            entry->selectAll();
            QTest::keyClicks(entry, QStringLiteral("  Shopping "));
            QTest::keyClick(entry, Qt::Key_Return);
        });
        QTest::mouseDClick(pad.tabs()->tabBar(), Qt::LeftButton, {}, pad.tabCentre(0));
        QCOMPARE(pad.tabTitles(), (QStringList{"Shopping", "Ideas"}));
        pad.tick();
        QCOMPARE(savedTitles(), (QStringList{"Shopping", "Ideas"}));

        // The synchronised note stays, marked deleted, for the server.
        pad.tabs()->setCurrentIndex(1);
        DialogDriver::whenModal([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Return); });
        pad.page->removeNoteAction()->trigger();
        QCOMPARE(pad.tabTitles(), QStringList{"Shopping"});
        pad.tick();
        const QList<SavedNote> saved = savedNotes();
        QCOMPARE(saved.size(), 2);
        QCOMPARE(saved.at(1).title, QStringLiteral("Ideas"));
        QCOMPARE(saved.at(1).status, int(NotepadNote::Deleted));
    }

    // A save tick takes only what the user changed.
    void aTickLeavesUntouchedNotesAlone()
    {
        storeNotes({note("Padded", NotepadNote::Unedited, 1, "  as the server has it  ")});
        Pad pad;
        pad.tick();
        QCOMPARE(pad.notes()->notes().at(0)->syncStatus(), NotepadNote::Unedited);
        QCOMPARE(pad.notes()->notes().at(0)->text(), QStringLiteral("  as the server has it  "));
        QTest::keyClick(pad.editor(0), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(pad.editor(0), QStringLiteral("!"));
        pad.tick();
        QCOMPARE(pad.notes()->notes().at(0)->syncStatus(), NotepadNote::Edited);
        QCOMPARE(savedNotes().at(0).text, QStringLiteral("as the server has it  !"));
    }

    void removing_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QStringList>("tabsAfter");
        QTest::addColumn<QStringList>("notesAfter");
        QTest::newRow("new note purged") << int(NotepadNote::New) << true << QStringList{"Keep"} << QStringList{"Keep"};
        QTest::newRow("synchronised note kept for the server")
            << int(NotepadNote::Unedited) << true << QStringList{"Keep"} << QStringList{"Drop", "Keep"};
        QTest::newRow("cancelled") << int(NotepadNote::Unedited) << false << QStringList{"Drop", "Keep"}
                                   << QStringList{"Drop", "Keep"};
    }
    void removing()
    {
        QFETCH(int, status);
        QFETCH(bool, confirm);
        storeNotes({note("Drop", NotepadNote::SyncStatus(status), 5), note("Keep", NotepadNote::Unedited, 6)});
        Pad pad;
        QString asked;
        QString title;
        DialogDriver::whenModal([&](QWidget *dialog) {
            title = dialog->windowTitle();
            for (QLabel *label : dialog->findChildren<QLabel *>())
                asked += label->text();
            QTest::keyClick(dialog, confirm ? Qt::Key_Return : Qt::Key_Escape);
        });
        pad.page->removeNoteAction()->trigger();
        QCOMPARE(title, QStringLiteral("Delete Note"));
        QVERIFY2(asked.contains(QStringLiteral("Are you sure you want to delete the note \"Drop\"?")), qPrintable(asked));
        QTEST(pad.tabTitles(), "tabsAfter");
        QTEST(pad.noteTitles(), "notesAfter");
        pad.tick();
        QTEST(savedTitles(), "notesAfter");
    }

    void removingTheLastTabAddsADefaultNote()
    {
        storeNotes({note("Only", NotepadNote::Unedited, 5, "text")});
        Pad pad;
        pad.page->removeNote(pad.page->currentNote());
        QCOMPARE(pad.tabTitles(), QStringList{"Note"});
        QCOMPARE(pad.noteTitles(), (QStringList{"Only", "Note"}));
    }

    void aFocusOutTakesTheTrimmedText()
    {
        Pad pad;
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(pad.tabs());
        auto *elsewhere = new QLineEdit;
        layout->addWidget(elsewhere);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        pad.editor(0)->setFocus();
        QTest::keyClicks(pad.editor(0), QStringLiteral("  tulips"));
        QTest::keyClick(pad.editor(0), Qt::Key_Return);
        QVERIFY(pad.page->currentNote()->text().isEmpty());
        elsewhere->setFocus();
        QCOMPARE(pad.page->currentNote()->text(), QStringLiteral("tulips"));
        QVERIFY(pad.notes()->isChanged());
        layout->removeWidget(pad.tabs());
        pad.tabs()->setParent(nullptr);
    }

    // The synchroniser reads the notes after asking for the default notes to
    // go; its answer sets the text back into the editor.
    void synchronisingWhileTypingKeepsTheText()
    {
        storeNotes({note("Ideas", NotepadNote::Unedited, 1, "a pond")});
        Pad pad;
        pad.page->addNewNote();
        QTest::keyClick(pad.editor(0), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(pad.editor(0), QStringLiteral(", tulips"));
        QTest::keyClicks(pad.editor(1), QStringLiteral("typed into the default note"));

        pad.notes()->requestRemoveDefaultNotes();
        QCOMPARE(pad.tabTitles(), (QStringList{"Ideas", "Note"}));
        NotepadNote *ideas = pad.notes()->notes().at(0);
        QCOMPARE(ideas->text(), QStringLiteral("a pond, tulips"));
        QCOMPARE(ideas->syncStatus(), NotepadNote::Edited);

        // The server's copy of what was uploaded.
        NotepadNote *fromServer = note("Ideas", NotepadNote::Unedited, 1, ideas->text());
        fromServer->setRevision(2);
        pad.notes()->updateNote(ideas, fromServer);
        QCOMPARE(pad.editor(0)->toPlainText(), QStringLiteral("a pond, tulips"));
    }

    void theServersChangesReachTheTabs()
    {
        storeNotes({note("Ideas", NotepadNote::Unedited, 1, "a pond")});
        Pad pad;
        NotepadNote *fromServer = note("Garden", NotepadNote::Unedited, 1, "a pond and tulips");
        fromServer->setRevision(2);
        pad.notes()->updateNote(pad.notes()->notes().at(0), fromServer);
        QCOMPARE(pad.tabTitles(), QStringList{"Garden"});
        QCOMPARE(pad.editor(0)->toPlainText(), QStringLiteral("a pond and tulips"));

        pad.notes()->addNote(note("Recipes", NotepadNote::New, 9, "soup"));
        QCOMPARE(pad.tabTitles(), (QStringList{"Garden", "Recipes"}));
        QCOMPARE(pad.editor(1)->toPlainText(), QStringLiteral("soup"));

        pad.notes()->removeNote(pad.notes()->notes().at(1));
        QCOMPARE(pad.tabTitles(), QStringList{"Garden"});
        QCOMPARE(pad.notes()->notes().at(1)->syncStatus(), NotepadNote::Deleted);
    }

    void removingDefaultNotesWalksThemAll()
    {
        Pad pad;
        pad.page->addNewNote();
        pad.page->addNewNote();
        QTest::keyClicks(pad.editor(1), QStringLiteral("keep me"));
        pad.notes()->requestRemoveDefaultNotes();
        QCOMPARE(pad.tabs()->count(), 1);
        QCOMPARE(pad.editor(0)->toPlainText(), QStringLiteral("keep me"));
        QCOMPARE(pad.notes()->notes().size(), 1);

    }

    void removingOnlyDefaultNotesLeavesNoTab()
    {
        Pad pad;
        pad.page->addNewNote();
        pad.notes()->requestRemoveDefaultNotes();
        QCOMPARE(pad.tabs()->count(), 0);
        QVERIFY(pad.notes()->notes().isEmpty());

        // What the synchronisation asks for after its run: a note of the
        // user's own, to be uploaded once written in.
        NotepadNote *note = pad.notes()->addDefaultNote();
        QCOMPARE(pad.tabs()->count(), 1);
        QCOMPARE(pad.notes()->notes(), QList<NotepadNote *>{note});
        QCOMPARE(note->syncStatus(), NotepadNote::New);
        QVERIFY(note->isUntouched());
    }

    void serverOrder_data()
    {
        QTest::addColumn<QList<quint32>>("order");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<QStringList>("notes");
        // Stored: A 1, D 2 (deleted), B 3, C 4.
        QTest::newRow("reversed") << QList<quint32>{4, 3, 1} << QStringList{"C", "B", "A"}
                                  << QStringList{"C", "B", "A", "D"};
        QTest::newRow("unknown and deleted ids skipped")
            << QList<quint32>{4, 99, 2, 1} << QStringList{"C", "A", "B"} << QStringList{"C", "A", "D", "B"};
        QTest::newRow("unnamed notes follow") << QList<quint32>{3} << QStringList{"B", "A", "C"}
                                              << QStringList{"B", "A", "D", "C"};
    }
    void serverOrder()
    {
        QFETCH(QList<quint32>, order);
        storeNotes({note("A", NotepadNote::Unedited, 1), note("D", NotepadNote::Deleted, 2),
                    note("B", NotepadNote::Unedited, 3), note("C", NotepadNote::Unedited, 4)});
        Pad pad;
        pad.notes()->setDisplayOrder(order);
        QTEST(pad.tabTitles(), "tabs");
        QTEST(pad.noteTitles(), "notes");
        // Each tab still shows its own note.
        for (int i = 0; i < pad.tabs()->count(); ++i)
            QCOMPARE(pad.page->noteAt(i)->title(), pad.tabs()->tabText(i));
        // Taking the server's order is no move of the user's: nothing of it
        // goes back up.
        QVERIFY(!pad.notes()->isDisplayOrderChanged());
        QCOMPARE(pad.notes()->movedInOrder(), std::optional<QSet<quint32>>(QSet<quint32>()));
        pad.tick();
        QTEST(savedTitles(), "notes");
        // A tab the user moves is recorded as moved.
        pad.tabs()->setCurrentIndex(1);
        const quint32 moved = pad.page->noteAt(1)->serverId();
        pad.page->moveLeftAction()->trigger();
        QVERIFY(pad.notes()->isDisplayOrderChanged());
        QCOMPARE(pad.notes()->movedInOrder(), std::optional<QSet<quint32>>(QSet<quint32>{moved}));
    }

    void deleteAndPurgeEverythingEmptiesTheNotepad()
    {
        storeNotes({note("A", NotepadNote::Unedited, 1), note("D", NotepadNote::Deleted, 2)});
        Pad pad;
        QPointer<NotepadNote> first = pad.notes()->notes().at(0);
        pad.notes()->deleteAndPurgeEverything();
        QCOMPARE(pad.tabs()->count(), 0);
        QVERIFY(pad.notes()->notes().isEmpty());
        pad.tick();
        QVERIFY(savedNotes().isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
    }

    void movingByDraggingATab()
    {
        storeNotes({note("A", NotepadNote::Unedited, 1), note("B", NotepadNote::Unedited, 2),
                    note("C", NotepadNote::Unedited, 3)});
        Pad pad;
        pad.tabs()->show();
        QVERIFY(QTest::qWaitForWindowExposed(pad.tabs()));
        QTabBar *bar = pad.tabs()->tabBar();
        QTest::mousePress(bar, Qt::LeftButton, {}, pad.tabCentre(0));
        // Shorter than the start-drag distance: nothing moves.
        QMouseEvent small(QEvent::MouseMove, pad.tabCentre(0) + QPoint(1, 0), bar->mapToGlobal(pad.tabCentre(0) + QPoint(1, 0)),
                          Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(bar, &small);
        QCOMPARE(pad.tabTitles(), (QStringList{"A", "B", "C"}));
        for (int target : {1, 2}) {
            const QPoint at = pad.tabCentre(target);
            QMouseEvent move(QEvent::MouseMove, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
            QApplication::sendEvent(bar, &move);
        }
        QTest::mouseRelease(bar, Qt::LeftButton, {}, pad.tabCentre(2));
        QCOMPARE(pad.tabTitles(), (QStringList{"B", "C", "A"}));
        QCOMPARE(pad.noteTitles(), (QStringList{"B", "C", "A"}));
        QCOMPARE(pad.tabs()->currentIndex(), 2);
        pad.tick();
        QCOMPARE(savedTitles(), (QStringList{"B", "C", "A"}));
    }

    void renaming_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("changed");
        QTest::newRow("trimmed") << "Ideas" << QStringLiteral("  Garden  ") << true << QStringLiteral("Garden") << true;
        QTest::newRow("unchanged") << "Ideas" << QStringLiteral("Ideas") << true << QStringLiteral("Ideas") << false;
        QTest::newRow("empty ignored") << "Ideas" << QStringLiteral("   ") << true << QStringLiteral("Ideas") << false;
        QTest::newRow("cancelled") << "Ideas" << QStringLiteral("Garden") << false << QStringLiteral("Ideas") << false;
        // An "&" is shown as written, never as the tab's shortcut mark.
        QTest::newRow("ampersand kept") << "Q&A" << QStringLiteral("Q&A") << true << QStringLiteral("Q&A") << false;
        QTest::newRow("ampersand typed") << "Ideas" << QStringLiteral("R&&D & co") << true
                                         << QStringLiteral("R&&D & co") << true;
    }
    void renaming()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, accept);
        QFETCH(QString, title);
        storeNotes({note(stored, NotepadNote::Unedited, 1)});
        Pad pad;
        // As the bar draws it: a doubled "&" is one "&", a single one marks a shortcut.
        QCOMPARE(pad.tabs()->tabText(0), QString(stored).replace(QLatin1Char('&'), QStringLiteral("&&")));
        QSignalSpy renamed(pad.tabs(), &NotepadTabWidget::tabTextChangedByUser);
        QString heading;
        QString label;
        QString prefilled;
        DialogDriver::whenModal([&](QWidget *dialog) {
            heading = dialog->windowTitle();
            label = dialog->findChild<QLabel *>(QStringLiteral("label"))->text();
            auto *entry = dialog->findChild<QLineEdit *>(QStringLiteral("edit"));
            prefilled = entry->text();
            entry->selectAll();
            QTest::keyClicks(entry, typed);
            QTest::keyClick(entry, accept ? Qt::Key_Return : Qt::Key_Escape);
        });
        pad.page->renameNoteAction()->trigger();
        QCOMPARE(heading, QStringLiteral("Rename Note"));
        QCOMPARE(label, QStringLiteral("New Note Title"));
        QCOMPARE(prefilled, stored);
        QCOMPARE(pad.tabs()->tabText(0), QString(title).replace(QLatin1Char('&'), QStringLiteral("&&")));
        QTEST(pad.page->currentNote()->title(), "title");
        QTEST(!renamed.isEmpty(), "changed");
        QTEST(pad.page->currentNote()->syncStatus() == NotepadNote::Edited, "changed");
    }

    // A synchronisation changes the notes while the rename or delete
    // question is open: the answer goes to the note it was asked about, or
    // to none when that note is gone.
    void notesChangedWhileAsking_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("tabsAfter");
        QTest::addColumn<QStringList>("notesAfter");
        QTest::newRow("rename, an earlier note removed")
            << "rename" << "remove first" << QStringList{"Garden"} << QStringList{"Ideas", "Garden"};
        QTest::newRow("rename, notes moved")
            << "rename" << "move" << (QStringList{"Garden", "Ideas"}) << (QStringList{"Garden", "Ideas"});
        QTest::newRow("rename, the note removed") << "rename" << "remove second" << QStringList{"Ideas"}
                                                  << (QStringList{"Ideas", "Recipes"});
        QTest::newRow("delete, the note removed") << "delete" << "remove second" << QStringList{"Ideas"}
                                                  << (QStringList{"Ideas", "Recipes"});
        QTest::newRow("delete, every note purged") << "delete" << "purge" << QStringList{} << QStringList{};
    }
    void notesChangedWhileAsking()
    {
        QFETCH(QString, step);
        QFETCH(QString, change);
        // Acting on a note no longer shown would be refused with a warning.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("note not known")));
        storeNotes({note("Ideas", NotepadNote::Unedited, 1), note("Recipes", NotepadNote::Unedited, 2)});
        Pad pad;
        pad.tabs()->setCurrentIndex(1);
        NotepadNote *asked = pad.page->currentNote();
        QCOMPARE(asked->title(), QStringLiteral("Recipes"));
        DialogDriver::whenModal([&](QWidget *dialog) {
            if (change == QLatin1String("remove first"))
                pad.notes()->removeNote(pad.notes()->notes().at(0));
            else if (change == QLatin1String("remove second"))
                pad.notes()->removeNote(asked);
            else if (change == QLatin1String("move"))
                pad.page->moveNote(1, 0);
            else
                pad.notes()->deleteAndPurgeEverything();
            QTest::qWait(10);
            if (auto *entry = dialog->findChild<QLineEdit *>(QStringLiteral("edit"))) {
                entry->selectAll();
                QTest::keyClicks(entry, QStringLiteral("Garden"));
                QTest::keyClick(entry, Qt::Key_Return);
            } else {
                QTest::keyClick(dialog, Qt::Key_Return);
            }
        });
        if (step == QLatin1String("rename"))
            pad.page->renameNoteAction()->trigger();
        else
            pad.page->removeNoteAction()->trigger();
        QTEST(pad.tabTitles(), "tabsAfter");
        QTEST(pad.noteTitles(), "notesAfter");
    }

    void theTabMenu_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<bool>>("enabled");
        QTest::newRow("empty tab-bar space") << -1 << QStringList{"Add note"} << QList<bool>{true};
        QTest::newRow("first tab") << 0
                                   << QStringList{"Add note", "Remove note", "Move Note Left", "Move Note Right",
                                                  "Rename note"}
                                   << QList<bool>{true, true, false, true, true};
        QTest::newRow("last tab") << 1
                                  << QStringList{"Add note", "Remove note", "Move Note Left", "Move Note Right",
                                                 "Rename note"}
                                  << QList<bool>{true, true, true, false, true};
    }
    void theTabMenu()
    {
        QFETCH(int, tab);
        storeNotes({note("A", NotepadNote::Unedited, 1), note("B", NotepadNote::Unedited, 2)});
        Pad pad;
        pad.tabs()->show();
        QVERIFY(QTest::qWaitForWindowExposed(pad.tabs()));
        const QPoint at = tab == -1 ? QPoint(pad.tabs()->tabBar()->width() + 40, pad.tabs()->tabBar()->height() / 2)
                                    : pad.tabCentre(tab);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, pad.tabs()->mapToGlobal(at));
        QApplication::sendEvent(pad.tabs(), &request);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QStringList entries;
        QList<bool> enabled;
        for (QAction *entry : menu->actions()) {
            entries.append(entry->text());
            enabled.append(entry->isEnabled());
            QVERIFY(!entry->icon().isNull());
        }
        QTEST(entries, "entries");
        QTEST(enabled, "enabled");
        if (tab != -1)
            QCOMPARE(pad.tabs()->currentIndex(), tab);
        // An entry runs its command.
        menu->actions().first()->trigger();
        QCOMPARE(pad.tabs()->count(), 3);
        menu->close();
    }

    // A command the menu offers runs even when its own state was left
    // refused by an earlier use (moving a note to the end).
    void aMenuEntryRunsAfterItsCommandWasRefused()
    {
        storeNotes({note("A", NotepadNote::Unedited, 1), note("B", NotepadNote::Unedited, 2),
                    note("C", NotepadNote::Unedited, 3)});
        Pad pad;
        pad.tabs()->show();
        QVERIFY(QTest::qWaitForWindowExposed(pad.tabs()));
        auto moveRightFrom = [&pad](int tab) {
            const QPoint at = pad.tabCentre(tab);
            QContextMenuEvent request(QContextMenuEvent::Mouse, at, pad.tabs()->mapToGlobal(at));
            QApplication::sendEvent(pad.tabs(), &request);
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QAction *right = menu->actions().value(3);
            QVERIFY(right);
            QCOMPARE(right->text(), QStringLiteral("Move Note Right"));
            QVERIFY(right->isEnabled());
            right->trigger();
            menu->close();
        };
        moveRightFrom(1);
        QCOMPARE(pad.tabs()->tabText(2), QStringLiteral("B"));
        moveRightFrom(0);
        QCOMPARE(pad.tabs()->tabText(0), QStringLiteral("C"));
        QCOMPARE(pad.tabs()->tabText(1), QStringLiteral("A"));
    }

    // The tab menu's entries that ask first, chosen with a real right click
    // and keys: the menu has hidden while its entry still runs the question
    // under it. Answering leaves the program running, the notes as answered
    // and what was typed in another note kept.
    void theTabMenusQuestions_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("typed"); // into the rename box; null: nothing
        QTest::addColumn<int>("answer"); // key in the rename box, or 0: a click on Ok
        QTest::addColumn<QStringList>("tabsAfter");
        QTest::newRow("rename, Return on a new name")
            << "Rename note" << QStringLiteral("Garden") << int(Qt::Key_Return) << QStringList{"Garden", "B"};
        QTest::newRow("rename, Escape") << "Rename note" << QStringLiteral("Garden") << int(Qt::Key_Escape)
                                        << QStringList{"A", "B"};
        QTest::newRow("rename, Return on the same name") << "Rename note" << QString() << int(Qt::Key_Return)
                                                         << QStringList{"A", "B"};
        QTest::newRow("remove, Ok") << "Remove note" << QString() << 0 << QStringList{"B"};
        QTest::newRow("remove, Escape") << "Remove note" << QString() << int(Qt::Key_Escape) << QStringList{"A", "B"};
    }
    void theTabMenusQuestions()
    {
        QFETCH(QString, entry);
        QFETCH(QString, typed);
        QFETCH(int, answer);
        // Freed memory is scribbled over: a menu used after it was deleted
        // crashes here at once rather than some time later.
        mallopt(M_PERTURB, 0x5a);
        auto restore = qScopeGuard([] { mallopt(M_PERTURB, 0); });
        storeNotes({note("A", NotepadNote::Unedited, 1), note("B", NotepadNote::Unedited, 2)});
        Pad pad;
        pad.tabs()->show();
        QVERIFY(QTest::qWaitForWindowExposed(pad.tabs()));
        pad.tabs()->setCurrentIndex(1);
        QTest::keyClicks(pad.editor(1), QStringLiteral("milk"));

        QMenu *menu = rightClickTab(pad, 0);
        QVERIFY(menu);
        const QPointer<QMenu> first(menu);
        QCOMPARE(pad.tabs()->currentIndex(), 0);
        bool asked = false;
        DialogDriver::whenModal([&](QWidget *dialog) {
            asked = true;
            auto *box = qobject_cast<CustomDialog *>(dialog);
            QVERIFY(box);
            if (auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("edit"))) {
                if (!typed.isNull()) {
                    field->selectAll();
                    QTest::keyClicks(field, typed);
                }
                QTest::keyClick(field, Qt::Key(answer));
            } else if (answer) {
                QTest::keyClick(dialog, Qt::Key(answer));
            } else {
                QTest::mouseClick(box->okButton(), Qt::LeftButton);
            }
        });
        for (int i = 0; i < 10 && !(menu->activeAction() && menu->activeAction()->text() == entry); ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        QVERIFY(menu->activeAction());
        QCOMPARE(menu->activeAction()->text(), entry);
        QTest::keyClick(menu, Qt::Key_Return);
        QVERIFY(asked);
        QTest::qWait(20);

        QTEST(pad.tabTitles(), "tabsAfter");
        const int b = pad.tabTitles().indexOf(QStringLiteral("B"));
        QCOMPARE(pad.editor(b)->toPlainText(), QStringLiteral("milk"));
        pad.tick();
        const QList<SavedNote> saved = savedNotes();
        auto kept = std::find_if(saved.cbegin(), saved.cend(), [](const SavedNote &n) { return n.title == "B"; });
        QVERIFY(kept != saved.cend());
        QCOMPARE(kept->text, QStringLiteral("milk"));
        // The page goes on taking clicks: the menu opens again.
        QMenu *again = rightClickTab(pad, 0);
        QVERIFY(again);
        // One menu at a time: the earlier one goes when the next opens.
        QVERIFY(!first);
        QTest::keyClick(again, Qt::Key_Escape);
    }

    // Named and placed over the page, as the lists page's menus are:
    // assistive tools announce it as the note's menu, not as nobody's.
    void theTabMenuIsNamed()
    {
        Pad pad;
        pad.tabs()->show();
        QVERIFY(QTest::qWaitForWindowExposed(pad.tabs()));
        QMenu *menu = rightClickTab(pad, 0);
        QVERIFY(menu);
        QVERIFY(menu->parentWidget());
        QCOMPARE(menu->parentWidget()->window(), pad.tabs()->window());
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(menu);
        QVERIFY(iface);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Note"));
        QCOMPARE(iface->childCount(), 5);
        for (int i = 0; i < iface->childCount(); ++i)
            QVERIFY(!iface->child(i)->text(QAccessible::Name).isEmpty());
        QTest::keyClick(menu, Qt::Key_Escape);
    }

    void aRightClickMakesTheTabCurrent()
    {
        storeNotes({note("A", NotepadNote::Unedited, 1), note("B", NotepadNote::Unedited, 2)});
        Pad pad;
        pad.tabs()->show();
        QVERIFY(QTest::qWaitForWindowExposed(pad.tabs()));
        QTest::mousePress(pad.tabs()->tabBar(), Qt::RightButton, {}, pad.tabCentre(1));
        QCOMPARE(pad.tabs()->currentIndex(), 1);
        QCOMPARE(pad.page->currentNote()->title(), QStringLiteral("B"));
        // The tab bar still handles its own clicks.
        QTest::mouseClick(pad.tabs()->tabBar(), Qt::LeftButton, {}, pad.tabCentre(0));
        QCOMPARE(pad.tabs()->currentIndex(), 0);
    }

    // The main window's closing steps take what is typed, as the program
    // plugs the page in.
    void closingStepsSaveWhatIsTyped()
    {
        ListsPage lists;
        NotepadUI *page = nullptr;
        MainWindow::PageBuilders builders;
        builders.notepad = [&page](MainWindowMode *, MainWindow *) {
            page = new NotepadUI(nullptr, nullptr);
            return page;
        };
        MainWindow::setPageBuilders(builders);
        {
            MainWindow window(nullptr, nullptr);
            MainWindow::setPageBuilders({});
            window.setPageHook(MainWindow::PageHook::SaveNotepad, [page] { page->save(); });
            QVERIFY(page);
            window.switchToNotepad();
            QCOMPARE(window.currentMode(), page);
            QTest::keyClicks(qobject_cast<NotepadTextEdit *>(page->tabWidget()->widget(0)), QStringLiteral("milk"));
            window.runClosingSteps();
            QCOMPARE(savedNotes().value(0).text, QStringLiteral("milk"));
        }
    }

    void switchingToAPageGivesItTheKeys_data()
    {
        QTest::addColumn<bool>("notepad");
        QTest::newRow("notepad") << true;
        QTest::newRow("lists, back from the notepad") << false;
    }

    // Shift+Ctrl+O, then typing, writes the note; back on the lists page the
    // keys reach the current list's tree.
    void switchingToAPageGivesItTheKeys()
    {
        QFETCH(bool, notepad);
        NotepadUI *page = nullptr;
        MainWindow::PageBuilders builders;
        builders.lists = [](ModelsContainer *models, MainWindowMode *, SplashScreen *splash, MainWindow *window) {
            return static_cast<MainWindowMode *>(new ListsUI(models, nullptr, splash, nullptr, window->pageArea()));
        };
        builders.notepad = [&page](MainWindowMode *lists, MainWindow *) {
            page = new NotepadUI(lists, nullptr);
            return page;
        };
        MainWindow::setPageBuilders(builders);
        MainWindow window(nullptr, nullptr);
        MainWindow::setPageBuilders({});
        auto *lists = dynamic_cast<ListsUI *>(window.listsMode());
        QVERIFY(page && lists);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_O, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(window.currentMode(), page);
        if (notepad) {
            QVERIFY(QApplication::focusWidget());
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("milk"));
            QCOMPARE(qobject_cast<NotepadTextEdit *>(page->tabWidget()->currentWidget())->toPlainText(),
                     QStringLiteral("milk"));
            return;
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(window.currentMode(), static_cast<MainWindowMode *>(lists));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(lists->currentTreeView()));
    }
};

PLUMDECK_TEST_MAIN(TstNotepadUI)
#include "tst_notepadui.moc"
