// The list commands on a lists page: texts, keys and images, the enabled rule
// for each kind of list and tab, and what each does to the lists and tabs,
// by the user's keys where they have one; export to files that can and
// cannot be written.

#include "commandstest.h"
#include "dialogdriver.h"
#include "lists/commands/listcommands.h"
#include "shell/menu.h"
#include "testenvironment.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPrintDialog>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace CommandsTest;

namespace {

const QStringList kinds = {QStringLiteral("owned"), QStringLiteral("r"), QStringLiteral("rw"), QStringLiteral("rwd")};

QStringList tabTexts(ListsUI *ui)
{
    QStringList texts;
    for (int i = 0; i < ui->tabWidget()->count(); ++i)
        texts << ui->tabWidget()->tabText(i);
    return texts;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

} // namespace

class TstListCommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { reset(); }

    void looks_data()
    {
        addLooksColumns();
        // The keys the shortcuts dialog shows, on every platform.
        QTest::newRow("add") << "AddListAction" << "Add list" << "Ctrl+T" << "add-list-menu";
        QTest::newRow("remove") << "RemoveListAction" << "Remove list" << "Ctrl+W, Ctrl+F4" << "remove-list-menu";
        QTest::newRow("rename") << "RenameListAction" << "Rename list" << "Ctrl+F2" << "rename-list";
        QTest::newRow("left") << "MoveListLeftAction" << "Move list left" << "" << "move-list-left";
        QTest::newRow("right") << "MoveListRightAction" << "Move list right" << "" << "move-list-right";
        QTest::newRow("jump") << "GoToListAction" << "Work" << "" << "list_goto";
        QTest::newRow("export") << "ExportListAction" << "Export list" << "" << "export-list";
        QTest::newRow("print") << "PrintListAction" << "Print list" << "" << "print_white";
    }

    void looks()
    {
        QFETCH(QString, command);
        Page page({QStringLiteral("Home: A"), QStringLiteral("Work: B")});
        Menu menu;
        ListModel *work = page.list(QStringLiteral("Work"));
        ListsAction *action = page.command(command);
        if (command == QLatin1String("MoveListLeftAction"))
            action = new MoveListLeftAction(page.ui.get(), work, false, &menu);
        else if (command == QLatin1String("MoveListRightAction"))
            action = new MoveListRightAction(page.ui.get(), work, true, &menu);
        else if (command == QLatin1String("GoToListAction"))
            action = new GoToListAction(work, page.ui.get(), &menu);
        else if (command == QLatin1String("ExportListAction"))
            action = new ExportListAction(page.ui.get(), work, &menu);
        else if (command == QLatin1String("PrintListAction"))
            action = new PrintListAction(page.ui.get(), work, &menu);
        verifyLooks(action);
        if (command == QLatin1String("RemoveListAction") || command == QLatin1String("RenameListAction")) {
            // The tab menu's own one has the same keys.
            ListsAction *forTab = command == QLatin1String("RemoveListAction")
                ? static_cast<ListsAction *>(new RemoveListAction(page.ui.get(), work, &menu))
                : new RenameListAction(page.ui.get(), work, &menu);
            QCOMPARE(forTab->shortcuts(), action->shortcuts());
            QCOMPARE(forTab->parent(), &menu);
        }
    }

    // With the list current: owned, then shared "r", "rw" and "rwd".
    void enabled_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("enabled");
        QTest::newRow("add") << "AddListAction" << "1111";
        QTest::newRow("remove") << "RemoveListAction" << "1001";
        QTest::newRow("rename") << "RenameListAction" << "1011";
        QTest::newRow("export") << "ExportListAction" << "1111";
    }

    void enabled()
    {
        QFETCH(QString, command);
        QFETCH(QString, enabled);
        Page page({QStringLiteral("Home: A"), QStringLiteral("Shared: B")});
        QString seen;
        for (const QString &kind : kinds) {
            setPermission(page.list(QStringLiteral("Shared")), kind);
            page.select(QStringLiteral("Shared"));
            seen += page.command(command) ? (page.command(command)->shouldBeEnabled() ? QLatin1Char('1') : QLatin1Char('0'))
                                          : QLatin1Char('?');
        }
        if (command == QLatin1String("ExportListAction")) {
            seen.clear();
            for (int i = 0; i < kinds.size(); ++i)
                seen += ExportListAction(page.ui.get(), nullptr, nullptr).shouldBeEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        }
        QCOMPARE(seen, enabled);
    }

    // The page's rule looks at the current list, also for a tab's command.
    void tabCommandsFollowTheCurrentList()
    {
        Page page({QStringLiteral("Home: A"), QStringLiteral("Shared: B")});
        setPermission(page.list(QStringLiteral("Shared")), QStringLiteral("r"));
        page.select(QStringLiteral("Shared"));
        Menu menu;
        QVERIFY(!RemoveListAction(page.ui.get(), page.list(QStringLiteral("Home")), &menu).shouldBeEnabled());
        QVERIFY(!RenameListAction(page.ui.get(), page.list(QStringLiteral("Home")), &menu).shouldBeEnabled());
    }

    // Ctrl+T adds a list: it is the last tab and current, and no tree was
    // collapsed by the same key.
    void ctrlTAddsAList()
    {
        Page page({QStringLiteral("Home: A[a1] B")});
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        page.keys(QStringLiteral("Ctrl+T"));
        QCOMPARE(page.ui->userLists()->models().size(), 2);
        ListModel *added = page.ui->userLists()->models().last();
        QCOMPARE(page.ui->currentList(), added);
        QCOMPARE(page.ui->tabWidget()->currentIndex(), 1);
        QCOMPARE(tabTexts(page.ui.get()).last(), added->name());
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A[a1] B"));
        // Typing goes on in the new list.
        QCOMPARE(QApplication::focusWidget(), page.ui->treeViewForList(added));
        TreeTest::keys(QStringLiteral("Return type:Milk Return"));
        QVERIFY(TreeTest::write(added->taskList()->rootTask()).startsWith(QStringLiteral("Milk")));
    }

    void removeByKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<bool>("noconfirm");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("questions");
        QTest::addColumn<QString>("tabs");
        QTest::newRow("asked, yes") << "Ctrl+W" << "A" << false << true << 1 << "Home";
        QTest::newRow("asked, no") << "Ctrl+W" << "A" << false << false << 1 << "Home Work";
        QTest::newRow("Ctrl+F4, yes") << "Ctrl+F4" << "A" << false << true << 1 << "Home";
        QTest::newRow("blank: not asked") << "Ctrl+W" << "_ _" << false << false << 0 << "Home";
        QTest::newRow("-noconfirm: not asked") << "Ctrl+W" << "A" << true << false << 0 << "Home";
    }

    void removeByKeys()
    {
        QFETCH(QString, key);
        QFETCH(QString, shape);
        QFETCH(bool, noconfirm);
        QFETCH(bool, yes);
        QFETCH(int, questions);
        QFETCH(QString, tabs);
        if (noconfirm)
            Options::noconfirm.set();
        Page page({QStringLiteral("Home: H"), QStringLiteral("Work: ") + shape});
        page.select(QStringLiteral("Work"), shape == QLatin1String("A") ? QStringLiteral("A") : QString());
        Answer answer(yes);
        page.keys(key);
        QCOMPARE(answer.count, questions);
        if (questions)
            QCOMPARE(answer.text, QStringLiteral("Are you sure you want to delete the list \"Work\"?"));
        QCOMPARE(tabTexts(page.ui.get()).join(QLatin1Char(' ')), tabs);
        QCOMPARE(listNamesOf(page), tabs);
    }

    void removeFromATabMenuRemovesThatTab()
    {
        Page page({QStringLiteral("Home: H"), QStringLiteral("Work: W"), QStringLiteral("Misc: M")});
        page.select(QStringLiteral("Home"));
        auto *menu = new Menu;
        auto *remove = new RemoveListAction(page.ui.get(), page.list(QStringLiteral("Misc")), menu);
        {
            Answer answer(true);
            remove->trigger();
        }
        QCOMPARE(tabTexts(page.ui.get()).join(QLatin1Char(' ')), QStringLiteral("Home Work"));
        QCOMPARE(page.ui->currentList(), page.list(QStringLiteral("Home")));
        // Its list is gone: triggering it again removes no other list.
        remove->trigger();
        QCOMPARE(tabTexts(page.ui.get()).join(QLatin1Char(' ')), QStringLiteral("Home Work"));
        QPointer<RemoveListAction> guard(remove);
        delete menu;
        QVERIFY(!guard);
    }

    void removeIsRefusedWithoutDelete()
    {
        Page page({QStringLiteral("Home: H"), QStringLiteral("Shared: S")});
        setPermission(page.list(QStringLiteral("Shared")), QStringLiteral("rw"));
        page.select(QStringLiteral("Shared"), QStringLiteral("S"));
        Answer answer(true);
        page.keys(QStringLiteral("Ctrl+W"));
        page.command(QStringLiteral("RemoveListAction"))->trigger();
        QCOMPARE(answer.count, 0);
        QCOMPARE(tabTexts(page.ui.get()).join(QLatin1Char(' ')), QStringLiteral("Home Shared"));
    }

    // Left and right in the tab menu of the first, middle and last tab
    // (the tab is also current, as a right press makes it).
    void moveLeftAndRight_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("right");
        QTest::addColumn<QString>("afterLeft");
        QTest::addColumn<QString>("afterRight");
        QTest::newRow("first") << 0 << false << true << "A B C" << "B A C";
        QTest::newRow("middle") << 1 << true << true << "B A C" << "A C B";
        QTest::newRow("last") << 2 << true << false << "A C B" << "A B C";
    }

    void moveLeftAndRight()
    {
        QFETCH(int, tab);
        QFETCH(bool, left);
        QFETCH(bool, right);
        QFETCH(QString, afterLeft);
        QFETCH(QString, afterRight);
        for (const bool toLeft : {true, false}) {
            reset();
            Page page({QStringLiteral("A: a"), QStringLiteral("B: b"), QStringLiteral("C: c")});
            const int count = page.ui->tabWidget()->count();
            ListModel *list = page.ui->listForTabIndex(tab);
            page.ui->setCurrentList(list);
            Menu menu;
            ListsAction *action = toLeft
                ? static_cast<ListsAction *>(new MoveListLeftAction(page.ui.get(), list, tab == 0, &menu))
                : new MoveListRightAction(page.ui.get(), list, tab == count - 1, &menu);
            QCOMPARE(action->shouldBeEnabled(), toLeft ? left : right);
            action->trigger();
            QCOMPARE(listNamesOf(page), toLeft ? afterLeft : afterRight);
            QCOMPARE(tabTexts(page.ui.get()).join(QLatin1Char(' ')), toLeft ? afterLeft : afterRight);
        }
    }

    void singleListCannotMove()
    {
        Page page({QStringLiteral("Only: a")});
        ListModel *list = page.list(QStringLiteral("Only"));
        Menu menu;
        QVERIFY(!MoveListLeftAction(page.ui.get(), list, true, &menu).shouldBeEnabled());
        QVERIFY(!MoveListRightAction(page.ui.get(), list, true, &menu).shouldBeEnabled());
    }

    void jumpTo()
    {
        Page page({QStringLiteral("Home: H"), QStringLiteral("Work: W")});
        page.select(QStringLiteral("Home"));
        auto *menu = new Menu;
        auto *jump = new GoToListAction(page.list(QStringLiteral("Work")), page.ui.get(), menu);
        page.list(QStringLiteral("Work"))->setName(QStringLiteral("Job"));
        // The name as the menu was filled.
        QCOMPARE(jump->text(), QStringLiteral("Work"));
        QCOMPARE(jump->list(), page.list(QStringLiteral("Job")));
        jump->trigger();
        QCOMPARE(page.ui->currentList(), page.list(QStringLiteral("Job")));
        QPointer<GoToListAction> guard(jump);
        delete menu;
        QVERIFY(!guard);
    }

    // Mended: the tab menu's entries live with the menu, not with the page.
    void tabMenusLeaveNoCommandsBehind()
    {
        Page page({QStringLiteral("Home: H"), QStringLiteral("Work: W"), QStringLiteral("Misc: M")});
        const int before = page.ui->findChildren<QAction *>().size();
        for (int i = 0; i < 3; ++i) {
            Menu menu;
            page.ui->fillTabContextMenu(&menu, 1);
            QVERIFY(!menu.findChildren<GoToListAction *>().isEmpty());
        }
        for (int i = 0; i < 3; ++i) {
            Menu menu;
            page.ui->fillTaskContextMenu(&menu);
        }
        QCOMPARE(page.ui->findChildren<QAction *>().size(), before);
    }

    // The tab menu's Print list prints that tab's list, through the printer's
    // dialog (here printing to a file); a printer that cannot be written to
    // tells the user.
    void tabMenuPrintsItsList_data()
    {
        QTest::addColumn<bool>("printable");
        QTest::addColumn<QString>("notice");
        QTest::newRow("printed") << true << "";
        QTest::newRow("output file cannot be opened") << false << "Could not print the list";
    }

    void tabMenuPrintsItsList()
    {
        QFETCH(bool, printable);
        QFETCH(QString, notice);
        Page page({QStringLiteral("Home: H"), QStringLiteral("Work: W")});
        Menu menu;
        page.ui->fillTabContextMenu(&menu, 1);
        QStringList texts;
        for (QAction *a : menu.actions())
            texts << a->text();
        QCOMPARE(texts.indexOf(QStringLiteral("Print list")), texts.indexOf(QStringLiteral("Export list")) + 1);
        auto *print = qobject_cast<PrintListAction *>(menu.actions().at(texts.indexOf(QStringLiteral("Print list"))));
        QVERIFY(print);
        QCOMPARE(print->printedList(), page.list(QStringLiteral("Work")));
        QVERIFY(print->isEnabled());

        QTemporaryDir dir;
        const QString path = dir.filePath(printable ? QStringLiteral("work.pdf") : QStringLiteral("gone/work.pdf"));
        bool asked = false;
        DialogDriver::whenModal([&](QWidget *dialog) {
            asked = qobject_cast<QPrintDialog *>(dialog);
            auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printers"));
            auto *file = dialog->findChild<QLineEdit *>(QStringLiteral("filename"));
            if (printers && file) {
                printers->setCurrentIndex(printers->count() - 1);
                file->setText(path);
                QMetaObject::invokeMethod(dialog, "accept");
            } else {
                QTest::keyClick(dialog, Qt::Key_Escape);
            }
        });
        if (!printable)
            QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        Answer answer(true);
        print->trigger();
        QVERIFY(asked);
        QCOMPARE(answer.count, printable ? 0 : 1);
        QCOMPARE(answer.text, notice);
        QFile pdf(path);
        QCOMPARE(pdf.open(QIODevice::ReadOnly), printable);
        if (printable)
            QVERIFY(pdf.readAll().startsWith("%PDF"));
    }

    void exportWritesTheListAsText()
    {
        Page page({QStringLiteral("Home: *Buy[Fresh] Żółw"), QStringLiteral("Empty: _")});
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("home.txt"));
        Menu menu;
        ExportListAction action(page.ui.get(), page.list(QStringLiteral("Home")), &menu);
        QVERIFY(action.exportTo(path));
        QCOMPARE(contents(path), QStringLiteral("= Home =\n- Buy [done]\n-- Fresh\n- Żółw\n").toUtf8());

        // The current list when built without one.
        page.list(QStringLiteral("Empty"))->removeRow(0);
        page.select(QStringLiteral("Empty"));
        ExportListAction current(page.ui.get(), nullptr, &menu);
        QVERIFY(current.exportTo(path));
        QCOMPARE(contents(path), QByteArray("= Empty =\n"));
    }

    // A tab's export whose list has been removed meanwhile exports no other.
    void exportOfARemovedList()
    {
        Page page({QStringLiteral("Home: A"), QStringLiteral("Work: B")});
        Menu menu;
        ExportListAction action(page.ui.get(), page.list(QStringLiteral("Work")), &menu);
        page.ui->userLists()->deleteList(page.list(QStringLiteral("Work"))->taskList());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("work.txt"));
        QVERIFY(!action.shouldBeEnabled());
        QVERIFY(!action.exportTo(path));
        QVERIFY(!QFileInfo::exists(path));
    }

    void exportToAFileThatCannotBeOpened()
    {
        Page page({QStringLiteral("Home: A")});
        Menu menu;
        ExportListAction action(page.ui.get(), page.list(QStringLiteral("Home")), &menu);
        const QString path = QStringLiteral("/nonexistent-folder/home.txt");
        Answer answer(true);
        QVERIFY(!action.exportTo(path));
        QCOMPARE(answer.count, 1);
        QCOMPARE(answer.text, QStringLiteral("Could not open the file %1").arg(path));
    }

    // Mended: a write that fails after the file opened is told, and the
    // earlier export stays whole.
    void exportThatCannotBeWritten()
    {
#ifdef Q_OS_UNIX
        Page page({QStringLiteral("Home: A")});
        ListModel *home = page.list(QStringLiteral("Home"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("home.txt"));
        Menu menu;
        ExportListAction action(page.ui.get(), home, &menu);
        QVERIFY(action.exportTo(path));
        const QByteArray earlier = contents(path);
        for (int i = 0; i < 200; ++i)
            home->setTaskTitle(home->taskList()->rootTask()->child(0), QString(300, QLatin1Char('x')));
        for (int i = 0; i < 50; ++i)
            home->appendTask(home->taskList()->rootTask()->child(0)->copy());

        // Files may grow to 4 KiB only: the write fails after a good open.
        signal(SIGXFSZ, SIG_IGN);
        rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        bool written;
        {
            Answer answer(true);
            written = action.exportTo(path);
            setrlimit(RLIMIT_FSIZE, &saved);
            QCOMPARE(answer.count, 1);
            QCOMPARE(answer.text, QStringLiteral("Could not write the file %1").arg(path));
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!written);
        QCOMPARE(contents(path), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("home.txt")}));
#else
        QSKIP("needs a file size limit");
#endif
    }

private:
    static QString listNamesOf(const Page &page)
    {
        QStringList names;
        for (ListModel *model : page.ui->userLists()->models())
            names << model->name();
        return names.join(QLatin1Char(' '));
    }
};

PLUMDECK_TEST_MAIN(TstListCommands)
#include "tst_listcommands.moc"
