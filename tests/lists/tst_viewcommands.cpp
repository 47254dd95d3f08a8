// The view commands on a lists page: texts, keys and images, the on/off
// images that follow the page and the current list, and what each shows.

#include "commandstest.h"
#include "dialogs/listgroupsmanagerdialog.h"
#include "lists/commands/viewcommands.h"
#include "lists/syncingscreen.h"
#include "lists/tasklistsearchwidget.h"
#include "shell/pdlineedit.h"
#include "testenvironment.h"

#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>

using namespace CommandsTest;

namespace {

QList<UIModeAction *> modeCommands(ListsUI *ui)
{
    return ui->findChildren<UIModeAction *>(QString(), Qt::FindDirectChildrenOnly);
}

QString checkedModes(ListsUI *ui)
{
    QString marks;
    for (UIModeAction *action : modeCommands(ui))
        marks += showsImage(action, QStringLiteral("menu-check")) ? QLatin1Char('x')
            : showsImage(action, QStringLiteral("menu-spacer"))  ? QLatin1Char('.')
                                                                 : QLatin1Char('?');
    return marks;
}

} // namespace

class TstViewCommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { reset(); }

    void looks_data()
    {
        addLooksColumns();
        QTest::newRow("shortcuts") << "ShowShortcutsAction" << "Show shortcuts" << "" << "";
        QTest::newRow("start") << "ShowStartTimeColumnForCurrentAction" << "Show start time" << "" << "menu-spacer";
        QTest::newRow("end") << "ShowEndTimeColumnForCurrentAction" << "Show end time" << "" << "menu-spacer";
        QTest::newRow("elapsed") << "ShowElapsedTimeColumnForCurrentAction" << "Show elapsed time" << ""
                                 << "menu-spacer";
        QTest::newRow("assignee") << "ShowAssignColumnForCurrentAction" << "Show assignment" << "" << "menu-spacer";
        QTest::newRow("search") << "HideShowSearchTaskAction" << "Hide/Show task search" << "Ctrl+F" << "";
        QTest::newRow("manager") << "ShowListGroupsManagerDialogAction" << "Show list manager" << "Ctrl+L"
                                 << "info_lists";
        QTest::newRow("list info") << "ShowListInfoAction" << "Show list info" << "" << "info_lists";
    }

    void looks()
    {
        QFETCH(QString, command);
        Page page({QStringLiteral("Home: A")});
        ListsAction *action = page.command(command);
        verifyLooks(action);
        QVERIFY(action->shouldBeEnabled());
        QVERIFY(!action->isCheckable());
    }

    void modesMoveTheCheckImage()
    {
        Page page({QStringLiteral("Home: A")});
        QStringList texts;
        for (UIModeAction *action : modeCommands(page.ui.get()))
            texts << action->text() + QString::number(action->mode());
        QCOMPARE(texts, QStringList({QStringLiteral("Normal0"), QStringLiteral("Professional1"),
                                     QStringLiteral("Advanced2")}));
        QCOMPARE(checkedModes(page.ui.get()), QStringLiteral("x.."));
        QSignalSpy changed(page.ui.get(), &ListsUI::uiModeChanged);
        modeCommands(page.ui.get()).at(2)->trigger();
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().first().toInt(), 2);
        QCOMPARE(QSettings().value(QStringLiteral("ui/lists-ui-mode")).toInt(), 2);
        QCOMPARE(checkedModes(page.ui.get()), QStringLiteral("..x"));
        modeCommands(page.ui.get()).at(1)->trigger();
        QCOMPARE(checkedModes(page.ui.get()), QStringLiteral(".x."));
    }

    // A column turned on for one list stays off for the others, and the
    // image follows the current list.
    void columnsBelongToTheList_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("column");
        QTest::newRow("start") << "ShowStartTimeColumnForCurrentAction" << 8;
        QTest::newRow("end") << "ShowEndTimeColumnForCurrentAction" << 9;
        QTest::newRow("elapsed") << "ShowElapsedTimeColumnForCurrentAction" << 10;
        QTest::newRow("assignee") << "ShowAssignColumnForCurrentAction" << 11;
    }

    void columnsBelongToTheList()
    {
        QFETCH(QString, command);
        QFETCH(int, column);
        Page page({QStringLiteral("Home: A"), QStringLiteral("Work: B")});
        ListsAction *action = page.command(command);
        page.select(QStringLiteral("Work"));
        QVERIFY(page.tree()->isColumnHidden(column));
        action->trigger();
        QVERIFY(!page.tree()->isColumnHidden(column));
        QVERIFY(showsImage(action, QStringLiteral("menu-check")));
        page.select(QStringLiteral("Home"));
        QVERIFY(page.tree()->isColumnHidden(column));
        QVERIFY(showsImage(action, QStringLiteral("menu-spacer")));
        page.select(QStringLiteral("Work"));
        action->trigger();
        QVERIFY(page.tree()->isColumnHidden(column));
        QVERIFY(showsImage(action, QStringLiteral("menu-spacer")));
    }

    void columnFlagIsKeptWithTheList()
    {
        {
            Page page({QStringLiteral("Home: A"), QStringLiteral("Work: B")});
            page.select(QStringLiteral("Work"));
            page.command(QStringLiteral("ShowElapsedTimeColumnForCurrentAction"))->trigger();
            QVERIFY(page.ui->saveLists());
        }
        ListsUI again(nullptr, nullptr, nullptr);
        QVERIFY(!again.listForTabIndex(0)->showElapsedTimeColumn());
        QVERIFY(again.listForTabIndex(1)->showElapsedTimeColumn());
        QVERIFY(!again.treeViewForList(again.listForTabIndex(1))->isColumnHidden(10));
    }

    // What the page did to a tab it has not shown yet shows when the user
    // first opens that tab: its search bar, its syncing overlay, the order
    // the keyboard walks them in, and a search that works there.
    void tabFirstShownLater_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<bool>("barShown");
        QTest::addColumn<bool>("overlayShown");
        QTest::newRow("nothing") << QStringList() << false << false;
        QTest::newRow("search on") << QStringList{"Ctrl+F"} << true << false;
        QTest::newRow("search on and off") << QStringList{"Ctrl+F", "Ctrl+F"} << false << false;
        QTest::newRow("search on by default") << QStringList{"default"} << true << false;
        QTest::newRow("search on by default, then off") << QStringList{"default", "Ctrl+F"} << false << false;
        QTest::newRow("syncing") << QStringList{"sync"} << false << true;
        QTest::newRow("synced") << QStringList{"sync", "synced"} << false << false;
        QTest::newRow("search on, syncing") << QStringList{"Ctrl+F", "sync"} << true << true;
        QTest::newRow("syncing, search on") << QStringList{"sync", "Ctrl+F"} << true << true;
        QTest::newRow("a start time set") << QStringList{"start time"} << false << false;
        QTest::newRow("a start time set, its column shown")
            << QStringList{"start time", "start column"} << false << false;
    }

    void tabFirstShownLater()
    {
        QFETCH(QStringList, before);
        QFETCH(bool, barShown);
        QFETCH(bool, overlayShown);
        if (before.contains(QStringLiteral("default")))
            QSettings().setValue(QStringLiteral("ui/show-task-search-bar-by-default"), true);
        Page page({QStringLiteral("Home: A"), QStringLiteral("Work: B C"), QStringLiteral("Later: D")});
        ListModel *work = page.list(QStringLiteral("Work"));
        for (const QString &step : std::as_const(before)) {
            if (step == QLatin1String("sync"))
                page.ui->singleListSyncStarted(work);
            else if (step == QLatin1String("synced"))
                page.ui->singleListSyncEnded(work);
            else if (step == QLatin1String("start time"))
                work->setTaskStartTime(work->index(0, 0), QDateTime::currentDateTime().addDays(2));
            else if (step == QLatin1String("start column"))
                page.ui->treeViewForList(work)->showStartTimeColumn();
            else if (step != QLatin1String("default"))
                page.keys(step);
        }
        page.select(QStringLiteral("Work"));
        TreeView *view = page.tree();
        QCOMPARE(view->listModel(), work);
        // Its columns fit from the first frame: no passing horizontal bar.
        QVERIFY(!view->horizontalScrollBar()->isVisible());
        TaskListSearchWidget *bar = view->findChild<TaskListSearchWidget *>();
        SyncingScreen *overlay = view->findChild<SyncingScreen *>();
        QVERIFY(bar && overlay);
        QCOMPARE(view->searchBar(), bar);
        QCOMPARE(view->syncingScreen(), overlay);
        QCOMPARE(bar->isVisible(), barShown);
        QCOMPARE(overlay->isVisible(), overlayShown);
        QCOMPARE(overlay->model(), overlayShown ? work : nullptr);

        // Where they would have been had they been made with the tree.
        const int height = bar->sizeHint().height();
        QCOMPARE(bar->geometry().bottom(), view->height() - 11);
        QCOMPARE(bar->height(), height);
        QCOMPARE(overlay->geometry().center().x(), view->rect().center().x());
        if (overlayShown && barShown) {
            const QObjectList stack = view->children();
            QVERIFY(stack.indexOf(overlay) > stack.indexOf(bar));
        }
        QStringList walk;
        QWidget *later = page.ui->treeViewForList(page.list(QStringLiteral("Later")));
        for (QWidget *w = view->nextInFocusChain(); w && w != later && w != view; w = w->nextInFocusChain()) {
            if (w == overlay->cancelButton())
                walk << QStringLiteral("cancel");
            else if (w == bar->lineEdit())
                walk << QStringLiteral("search");
        }
        QCOMPARE(walk, (QStringList{QStringLiteral("cancel"), QStringLiteral("search")}));

        // Its columns as those of a tree given the list once shown.
        TreeView reference(nullptr);
        reference.resize(view->size());
        reference.show();
        QVERIFY(QTest::qWaitForWindowExposed(&reference));
        reference.setModel(work);
        if (!view->isColumnHidden(ListModel::StartTimeColumn))
            reference.showStartTimeColumn();
        QCOMPARE(view->header()->isHidden(), reference.header()->isHidden());
        QCOMPARE(view->header()->sectionResizeMode(ListModel::TitleColumn), QHeaderView::Stretch);
        QCOMPARE(view->header()->sectionResizeMode(ListModel::FirstIconColumn), QHeaderView::ResizeToContents);
        QVERIFY(!view->header()->stretchLastSection());
        for (int column = 0; column < ListModel::ColumnCount; ++column) {
            QCOMPARE(view->header()->sectionResizeMode(column), reference.header()->sectionResizeMode(column));
            QCOMPARE(view->columnWidth(column), reference.columnWidth(column));
        }
        reference.setModel(nullptr);

        if (barShown) {
            QTest::keyClicks(bar->lineEdit(), QStringLiteral("C"));
            QCOMPARE(page.current(), QStringLiteral("C"));
        }
        if (overlayShown)
            page.ui->singleListSyncEnded(work);
    }

    // The tree of a tab not shown yet takes commands as any other, and shows
    // their result, with the stored expansion, when first opened.
    void hiddenTabTreeTakesCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("expanded");
        QTest::newRow("none") << "" << "B[b1] -C[c1] D" << "B";
        QTest::newRow("collapse all") << "collapse all" << "-B[b1] -C[c1] D" << "";
        QTest::newRow("expand all") << "expand all" << "B[b1] C[c1] D" << "B C";
        // The current task is brought into view when the tree shows.
        QTest::newRow("indent D") << "indent" << "B[b1] C[c1 D]" << "B C";
        QTest::newRow("expand C") << "expand C" << "B[b1] C[c1] D" << "B C";
    }

    void hiddenTabTreeTakesCommands()
    {
        QFETCH(QString, command);
        QFETCH(QString, shape);
        QFETCH(QString, expanded);
        Page page({QStringLiteral("Home: A"), QStringLiteral("Work: B[b1] -C[c1] D")});
        ListModel *work = page.list(QStringLiteral("Work"));
        TreeView *hidden = page.ui->treeViewForList(work);
        QVERIFY(hidden && !hidden->isVisible());
        const auto row = [work](const char *title) {
            for (int i = 0; i < work->rowCount(); ++i) {
                if (work->index(i, 0).data().toString() == QLatin1String(title))
                    return work->index(i, 0);
            }
            return QModelIndex();
        };
        if (command == QLatin1String("collapse all")) {
            hidden->collapseAll();
        } else if (command == QLatin1String("expand all")) {
            hidden->expandAll();
        } else if (command == QLatin1String("indent")) {
            hidden->setCurrentIndex(row("D"));
            hidden->indentCurrent();
        } else if (command == QLatin1String("expand C")) {
            hidden->expandCurrent(row("C"));
        }
        page.select(QStringLiteral("Work"));
        QCOMPARE(page.tree(), hidden);
        QCOMPARE(page.shape(QStringLiteral("Work")), shape);
        QStringList open;
        for (const char *title : {"B", "C"}) {
            const QModelIndex index = row(title);
            QCOMPARE(hidden->isExpanded(index), work->taskForIndex(index)->isExpanded());
            if (hidden->isExpanded(index))
                open << QLatin1String(title);
        }
        QCOMPARE(open.join(QLatin1Char(' ')), expanded);
        // Rows under an open task show, rows under a closed one do not.
        const QModelIndex b1 = work->index(0, 0, row("B"));
        QCOMPARE(hidden->visualRect(b1).isValid(), expanded.contains(QLatin1Char('B')));
    }

    // Ctrl+F shows and hides the bars of every tab, not only the current one.
    void ctrlFTogglesEveryTab()
    {
        Page page({QStringLiteral("Home: A"), QStringLiteral("Work: B")});
        auto barsShown = [&page]() {
            QString shown;
            for (ListModel *list : page.ui->userLists()->models())
                shown += page.ui->treeViewForList(list)->searchBar()->isHidden() ? QLatin1Char('.') : QLatin1Char('x');
            return shown;
        };
        QCOMPARE(barsShown(), QStringLiteral(".."));
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        page.keys(QStringLiteral("Ctrl+F"));
        QCOMPARE(barsShown(), QStringLiteral("xx"));
        QVERIFY(page.ui->isTaskSearchShown());
        page.select(QStringLiteral("Work"), QStringLiteral("B"));
        page.keys(QStringLiteral("Ctrl+F"));
        QCOMPARE(barsShown(), QStringLiteral(".."));
        QVERIFY(!page.ui->isTaskSearchShown());
    }

    void ctrlLOpensTheManagerOnce()
    {
        Page page({QStringLiteral("Home: A")});
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        page.keys(QStringLiteral("Ctrl+L"));
        QPointer<ListGroupsManagerDialog> dialog = page.ui->listGroupsManagerDialog();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        page.ui->centralWidget()->activateWindow();
        page.keys(QStringLiteral("Ctrl+L"));
        QCOMPARE(page.ui->listGroupsManagerDialog(), dialog.data());
        int managers = 0;
        for (QWidget *widget : QApplication::allWidgets())
            managers += qobject_cast<ListGroupsManagerDialog *>(widget) ? 1 : 0;
        QCOMPARE(managers, 1);
    }

    void showShortcutsAsksTheWindow()
    {
        Page page({QStringLiteral("Home: A")});
        QSignalSpy asked(page.ui.get(), &ListsUI::showKeysDialogSignal);
        page.command(QStringLiteral("ShowShortcutsAction"))->trigger();
        QCOMPARE(asked.size(), 1);
    }
};

PLUMDECK_TEST_MAIN(TstViewCommands)
#include "tst_viewcommands.moc"
