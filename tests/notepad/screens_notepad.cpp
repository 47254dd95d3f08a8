// Screens of the notepad page: the main window showing it, the tab menu, the
// editor's menu with "Move To List", and the rename and remove prompts.

#include "model/modelscontainer.h"
#include "notepad/renamenotedialog.h"
#include "notepadtest.h"
#include "screens.h"
#include "shell/mainwindow.h"
#include "shell/messagedialog.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTextCursor>

using namespace NotepadTest;

namespace {

// The main window with the notepad page over a stand-in lists page.
struct NotepadWindow
{
    // `leftOut`: a note record the reader refuses, stored after the first.
    explicit NotepadWindow(const QByteArray &leftOut = QByteArray())
    {
        removeNotepadFiles();
        storeNotes({note("Garden", NotepadNote::Unedited, 1,
                         "Ideas for the garden:\n- a small pond by the fence\n- tulips along the path\n"
                         "- a bench under the apple tree"),
                    note("Shopping", NotepadNote::Edited, 2, "bread\nmilk\neggs\ncoffee beans"),
                    note("Books", NotepadNote::Unedited, 3, "The long winter")});
        if (!leftOut.isEmpty()) {
            QFile file(NotepadNotes::filePath());
            if (!file.open(QIODevice::ReadWrite))
                qFatal("cannot open the notepad file");
            QByteArray bytes = file.readAll();
            const QByteArray element("<div class=\"pd-notepad-note\">");
            bytes.insert(bytes.indexOf(element, bytes.indexOf(element) + 1), leftOut);
            file.resize(0);
            file.write(bytes);
        }
        TaskList *groceries = TaskList::create();
        groceries->setName(QStringLiteral("Groceries"));
        userLists->addList(groceries);
        TaskList *shared = TaskList::create();
        shared->setName(QStringLiteral("Team plans"));
        shared->setPermissions(QStringLiteral("r"));
        userLists->addList(shared);

        MainWindow::PageBuilders builders;
        builders.lists = [](ModelsContainer *, MainWindowMode *, SplashScreen *, MainWindow *) {
            return new ListsPage;
        };
        builders.notepad = [this](MainWindowMode *listsPage, MainWindow *) {
            page = new NotepadUI(listsPage, [this] { return userLists.get(); });
            return page;
        };
        MainWindow::setPageBuilders(builders);
        window = std::make_unique<MainWindow>(&models, nullptr);
        MainWindow::setPageBuilders({});
        window->resize(520, 420);
        window->switchToNotepad();
    }
    ModelsContainer models;
    std::unique_ptr<UserLists> userLists{UserLists::create()};
    NotepadUI *page = nullptr;
    std::unique_ptr<MainWindow> window;
};

} // namespace

PLUMDECK_SCREEN(notepadPage)
{
    NotepadWindow w;
    QVERIFY(w.page);
    QVERIFY(!shoot(w.window.get(), QStringLiteral("notepad-page")).isNull());

    // The tab menu over the second tab.
    w.page->tabWidget()->setCurrentIndex(1);
    const QPoint at = w.page->tabWidget()->tabBar()->tabRect(1).center();
    w.page->showContextMenu(w.page->tabWidget()->tabBar()->mapToGlobal(at), 1);
    auto *tabMenu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(tabMenu);
    QVERIFY(!shoot(tabMenu, QStringLiteral("notepad-tab-menu")).isNull());
    tabMenu->close();

    // The editor's menu with a line selected.
    auto *editor = qobject_cast<NotepadTextEdit *>(w.page->tabWidget()->currentWidget());
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(6);
    cursor.setPosition(10, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    std::unique_ptr<QMenu> menu(editor->createMenu());
    menu->popup(editor->mapToGlobal(QPoint(40, 40)));
    QVERIFY(!shoot(menu.get(), QStringLiteral("notepad-editor-menu")).isNull());
    QMenu *toList = menu->actions().last()->menu();
    toList->popup(menu->mapToGlobal(QPoint(menu->width(), menu->actionGeometry(menu->actions().last()).top())));
    QVERIFY(!shoot(toList, QStringLiteral("notepad-move-to-list")).isNull());
    toList->hide();
    menu->hide();
}

// The message at the start when a note could not be read.
PLUMDECK_SCREEN(notepadUnreadNoteNotice)
{
    NotepadWindow w("<div class=\"pd-notepad-note\"><dl class=\"pd-notepad-note-fields\"><dt>sync-status</dt><dd>deleted</dd>"
                    "<dt>id</dt><dd>7</dd><dt>revision</dt><dd>0</dd><dt>title</dt><dd>Old plans</dd><dt>text</dt><dd/>"
                    "</dl></div>");
    w.window->show();
    QCoreApplication::processEvents();
    MessageDialog *told = w.window->findChild<MessageDialog *>();
    QVERIFY(told);
    QVERIFY(!shoot(told, QStringLiteral("notepad-unread-note-notice")).isNull());
    delete told;
    removeNotepadFiles();
}

PLUMDECK_SCREEN(notepadPrompts)
{
    RenameNoteDialog rename(QStringLiteral("Shopping"));
    QVERIFY(!shoot(&rename, QStringLiteral("notepad-rename")).isNull());
    MessageDialog question(QStringLiteral("Delete Note"),
                           QStringLiteral("Are you sure you want to delete the note \"Shopping\"?"), true);
    QVERIFY(!shoot(&question, QStringLiteral("notepad-remove")).isNull());
}
