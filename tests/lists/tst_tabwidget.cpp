// The list tabs, driven with the mouse on a shown lists page: dragging a tab
// reorders the lists, a double click renames, a right press selects; leaving
// a list autosyncs it.

#include "core/options.h"
#include "core/serversettings.h"
#include "dialogdriver.h"
#include "fakeservertest.h"
#include "lists/listsui.h"
#include "lists/tabwidget.h"
#include "lists/tasklistsearchwidget.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "shell/menu.h"
#include "shell/stringentrydialog.h"
#include "sync/requests/eventconnection.h"
#include "sync/runs/singlelistsyncqueue.h"
#include "testenvironment.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QDir>
#include <QFileInfo>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QToolButton>

#include <memory>

namespace {

void writeLists(const QStringList &names)
{
    UserLists lists;
    for (const QString &name : names) {
        ListModel *model = lists.createList();
        model->taskList()->setName(name);
        model->taskList()->setLocalId(quint32(lists.models().size()));
    }
    QVERIFY(lists.save(ListsUI::listsFilePath()));
}

QStringList names(UserLists *lists)
{
    QStringList result;
    for (ListModel *model : lists->models())
        result << model->name();
    return result;
}

QStringList tabTexts(TabWidget *tabs)
{
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts << tabs->tabText(i);
    return texts;
}

void send(QWidget *widget, QEvent::Type type, const QPoint &pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class TstTabWidget : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CheckedFakeServer> m_server;
    std::unique_ptr<ListsUI> m_ui;
    TabWidget *tabs() const { return m_ui->tabWidget(); }
    QTabBar *bar() const { return tabs()->tabBar(); }
    QPoint centre(int index) const { return bar()->tabRect(index).center(); }

    // A fake server with alice's account, the program connected to it.
    bool connectToServer()
    {
        m_server = std::make_unique<CheckedFakeServer>();
        if (!m_server->start())
            return false;
        m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
        QSignalSpy connected(EventConnection::instance(), &EventConnection::connected);
        ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
        return EventConnection::instance()->isConnected() || connected.wait(5000);
    }

    void showPage(const QStringList &lists)
    {
        writeLists(lists);
        m_ui = std::make_unique<ListsUI>(nullptr, nullptr, nullptr);
        tabs()->resize(600, 300);
        tabs()->show();
        QVERIFY(QTest::qWaitForWindowExposed(tabs()));
    }

private slots:
    void init()
    {
        QDir dir = QFileInfo(ListsUI::listsFilePath()).absoluteDir();
        for (const QString &name : dir.entryList(QDir::Files))
            dir.remove(name);
        QSettings().clear();
        Options::resetAll();
    }

    void cleanup()
    {
        m_ui.reset();
        if (m_server) {
            ServerSettings::instance()->setSettings(QString(), QString(), QString());
            QTRY_VERIFY(!EventConnection::instance()->isConnected());
            m_server.reset();
        }
    }

    // The page adds its lists' tabs in one go: they are laid out as a bar
    // given the same tabs one by one lays them out.
    void tabsLaidOutAsAddedOneByOne_data()
    {
        QTest::addColumn<int>("lists");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("shown");
        QTest::newRow("one") << 1 << "Errands" << true;
        QTest::newRow("a few") << 3 << "List %1" << true;
        QTest::newRow("more than fit, with scroll buttons") << 40 << "List %1" << true;
        QTest::newRow("long names") << 6 << "A list with a rather long name %1" << true;
        QTest::newRow("one, page not shown yet") << 1 << "Errands" << false;
        QTest::newRow("a few, page not shown yet") << 3 << "List %1" << false;
        QTest::newRow("more than fit, page not shown yet") << 40 << "List %1" << false;
    }

    void tabsLaidOutAsAddedOneByOne()
    {
        QFETCH(int, lists);
        QFETCH(QString, name);
        QFETCH(bool, shown);
        QStringList names;
        for (int i = 0; i < lists; ++i)
            names << name.arg(i);
        QTabWidget plain;
        plain.setObjectName(QStringLiteral("tabs"));
        if (shown) {
            showPage(names);
        } else {
            writeLists(names);
            m_ui = std::make_unique<ListsUI>(nullptr, nullptr, nullptr);
        }
        for (int i = 0; i < tabs()->count(); ++i)
            plain.addTab(new QWidget, tabs()->tabIcon(i), tabs()->tabText(i));
        if (shown) {
            plain.resize(tabs()->size());
            plain.show();
            QVERIFY(QTest::qWaitForWindowExposed(&plain));
        }
        QCOMPARE(bar()->count(), lists);
        // The bar the tab widget would have made.
        QCOMPARE(bar()->objectName(), plain.tabBar()->objectName());
        QCOMPARE(bar()->drawBase(), plain.tabBar()->drawBase());
        QCOMPARE(bar()->expanding(), plain.tabBar()->expanding());
        for (int i = 0; i < lists; ++i) {
            QVERIFY(!bar()->tabRect(i).isEmpty());
            QCOMPARE(bar()->tabRect(i), plain.tabBar()->tabRect(i));
        }
        const auto scrollButtons = [](QTabBar *tabBar) {
            QString shown;
            for (const QToolButton *button : tabBar->findChildren<QToolButton *>())
                shown += button->isVisible() ? QLatin1Char('x') : QLatin1Char('.');
            return shown;
        };
        QCOMPARE(scrollButtons(bar()), scrollButtons(plain.tabBar()));
    }

    void tabBarNeverTakesFocus()
    {
        showPage({QStringLiteral("A"), QStringLiteral("B")});
        QCOMPARE(bar()->focusPolicy(), Qt::NoFocus);
        QCOMPARE(tabs()->objectName(), QStringLiteral("tabs"));
        // Nor does the current tab claim it to assistive tools, which are
        // told the focus is where it is (in the tree, or the search field);
        // it is the selected one, and pressing another switches to it.
        m_ui->currentTreeView()->setFocus();
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(bar());
        QVERIFY(iface && iface->childCount() >= 2);
        QAccessibleInterface *first = iface->child(0);
        QAccessibleInterface *second = iface->child(1);
        QVERIFY(first && second);
        QCOMPARE(first->role(), QAccessible::PageTab);
        QCOMPARE(first->text(QAccessible::Name), QStringLiteral("A"));
        QCOMPARE(first->parent(), iface);
        QCOMPARE(iface->indexOfChild(second), 1);
        QCOMPARE(iface->child(1), second);
        QCOMPARE(first->rect(), QRect(bar()->mapToGlobal(bar()->tabRect(0).topLeft()), bar()->tabRect(0).size()));
        QCOMPARE(iface->childAt(first->rect().center().x(), first->rect().center().y()), first);
        QVERIFY(!first->state().focused);
        QVERIFY(first->state().selected);
        QVERIFY(!second->state().selected);
        QVERIFY(!first->state().invisible);
        second->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(tabs()->currentIndex(), 1);
        QVERIFY(second->state().selected && !second->state().focused);
        QVERIFY(!first->state().selected);
        // The tab's tip (a failed run's reason) is its description; a tab
        // hidden or turned off says so, and pressing one turned off does
        // nothing.
        bar()->setTabToolTip(0, QStringLiteral("The last synchronisation of this list failed"));
        QCOMPARE(first->text(QAccessible::Description), bar()->tabToolTip(0));
        QCOMPARE(second->text(QAccessible::Description), QString());
        bar()->setTabEnabled(0, false);
        QVERIFY(first->state().disabled && !second->state().disabled);
        first->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(tabs()->currentIndex(), 1);
        bar()->setTabEnabled(0, true);
        bar()->setTabVisible(0, false);
        QVERIFY(first->state().invisible && !second->state().invisible);
        bar()->setTabVisible(0, true);
        // After the tabs, the bar's own buttons (its scroll arrows), each at
        // its place.
        QCOMPARE(iface->childCount(), bar()->count() + int(bar()->findChildren<QToolButton *>().size()));
        for (int i = bar()->count(); i < iface->childCount(); ++i) {
            QAccessibleInterface *button = iface->child(i);
            QVERIFY(button && qobject_cast<QToolButton *>(button->object()));
            QCOMPARE(button->object()->parent(), bar());
            QCOMPARE(iface->indexOfChild(button), i);
        }
        QVERIFY(!iface->child(iface->childCount()));
        // Gone with the page.
        const QAccessible::Id id = QAccessible::uniqueId(first);
        QCOMPARE(QAccessible::accessibleInterface(id), first);
        m_ui.reset();
        QVERIFY(!QAccessible::accessibleInterface(id));
    }

    void dragReordersTheLists()
    {
        showPage({QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")});
        const QPoint start = centre(0);
        send(bar(), QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        // Less than the start distance: nothing moves.
        send(bar(), QEvent::MouseMove, start + QPoint(1, 0), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(names(m_ui->userLists()), QStringList({"Alpha", "Beta", "Gamma"}));

        send(bar(), QEvent::MouseMove, centre(1), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(names(m_ui->userLists()), QStringList({"Beta", "Alpha", "Gamma"}));
        QCOMPARE(tabTexts(tabs()), QStringList({"Beta", "Alpha", "Gamma"}));
        QVERIFY(m_ui->userLists()->isDisplayOrderChanged());

        // The dragged tab keeps following the pointer.
        send(bar(), QEvent::MouseMove, centre(2), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(names(m_ui->userLists()), QStringList({"Beta", "Gamma", "Alpha"}));
        QCOMPARE(tabTexts(tabs()), QStringList({"Beta", "Gamma", "Alpha"}));

        // Off the tabs: nothing moves.
        send(bar(), QEvent::MouseMove, QPoint(bar()->tabRect(2).right() + 40, centre(2).y()), Qt::NoButton,
             Qt::LeftButton);
        QCOMPARE(names(m_ui->userLists()), QStringList({"Beta", "Gamma", "Alpha"}));
        send(bar(), QEvent::MouseButtonRelease, centre(2), Qt::LeftButton, Qt::NoButton);

        // Moving without a held button changes nothing.
        send(bar(), QEvent::MouseMove, centre(0), Qt::NoButton, Qt::NoButton);
        QCOMPARE(names(m_ui->userLists()), QStringList({"Beta", "Gamma", "Alpha"}));
    }

    void shortDragOverTheBorderMovesNothing()
    {
        showPage({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        // Pressed at the right edge of the first tab, released just over the
        // second: less than the start distance.
        const QPoint start(bar()->tabRect(0).right() - 1, centre(0).y());
        const QPoint over(bar()->tabRect(1).left() + 1, centre(1).y());
        QVERIFY((over - start).manhattanLength() < QApplication::startDragDistance());
        QCOMPARE(bar()->tabAt(over), 1);
        send(bar(), QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        send(bar(), QEvent::MouseMove, over, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(names(m_ui->userLists()), QStringList({"Alpha", "Beta"}));
        send(bar(), QEvent::MouseButtonRelease, over, Qt::LeftButton, Qt::NoButton);
    }

    void dragIsRefusedWhileSyncing()
    {
        showPage({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        m_ui->setSyncing(true);
        send(bar(), QEvent::MouseButtonPress, centre(0), Qt::LeftButton, Qt::LeftButton);
        send(bar(), QEvent::MouseMove, centre(1), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(names(m_ui->userLists()), QStringList({"Alpha", "Beta"}));
    }

    void rightPressSelectsTheTab()
    {
        showPage({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        QCOMPARE(tabs()->currentIndex(), 0);
        QTest::mousePress(bar(), Qt::RightButton, {}, centre(1));
        QCOMPARE(tabs()->currentIndex(), 1);
        QCOMPARE(m_ui->currentList()->name(), QStringLiteral("Beta"));
        QTest::mouseRelease(bar(), Qt::RightButton, {}, centre(1));
    }

    void leftClickSwitchesTabs()
    {
        showPage({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        // The filter watches the bar's events and lets every one through.
        QTest::mouseClick(bar(), Qt::LeftButton, {}, centre(1));
        QCOMPARE(tabs()->currentIndex(), 1);
        QCOMPARE(m_ui->currentList()->name(), QStringLiteral("Beta"));
    }

    void contextMenuOnATabSelectsIt()
    {
        showPage({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        // Pressed on Beta; the menu asked for over Alpha (where the platform
        // asks on the release, the pointer moved on) is Alpha's.
        QTest::mousePress(bar(), Qt::RightButton, {}, centre(1));
        QTest::mouseRelease(bar(), Qt::RightButton, {}, centre(1));
        QCOMPARE(tabs()->currentIndex(), 1);
        const QPoint pos = bar()->mapTo(tabs(), centre(0));
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, tabs()->mapToGlobal(pos));
        QApplication::sendEvent(tabs(), &event);
        QCOMPARE(tabs()->currentIndex(), 0);
        QVERIFY(m_ui->contextMenu());
        QVERIFY(m_ui->contextMenu()->actions().size() > 2);
        m_ui->deleteContextMenu();
    }

    void doubleClickRenames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("renames");
        QTest::newRow("new name") << "  Groceries " << "Groceries" << 1;
        QTest::newRow("same name") << "Alpha " << "Alpha" << 0;
        QTest::newRow("blank name") << "   " << "Alpha" << 0;
        QTest::newRow("empty name") << "" << "Alpha" << 0;
    }

    void doubleClickRenames()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QFETCH(int, renames);
        showPage({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        QSignalSpy spy(tabs(), &TabWidget::tabTextChanged);
        bool seen = false;
        DialogDriver::whenModal([&](QWidget *dialog) {
            auto *entry = qobject_cast<StringEntryDialog *>(dialog);
            QVERIFY(entry);
            seen = true;
            QCOMPARE(entry->lineEdit()->text(), QStringLiteral("Alpha"));
            entry->lineEdit()->setText(typed);
            QTest::keyClick(entry->lineEdit(), Qt::Key_Return);
        });
        QTest::mouseDClick(bar(), Qt::LeftButton, {}, centre(0));
        QVERIFY(seen);
        QCOMPARE(spy.count(), renames);
        QCOMPARE(tabs()->tabText(0), expected);
        QCOMPARE(m_ui->listForTabIndex(0)->name(), expected);
    }

    // A list named by its owner "Q&A" shows "Q&A" on its tab (drawn from a
    // doubled "&"), not "QA" with an underlined A that Alt+A would switch
    // to; the stored name and the rename editor keep it as written.
    void ampersandShownAsWritten_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");
        QTest::newRow("one") << "Q&A" << "Q&A";
        QTest::newRow("doubled") << "R&&D" << "R&&D";
        QTest::newRow("at the end, renamed") << "Tom &" << "Salt & pepper";
    }

    void ampersandShownAsWritten()
    {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        const auto drawn = [](QString text) { return text.replace(QLatin1Char('&'), QStringLiteral("&&")); };
        showPage({QStringLiteral("Beta"), name});
        QCOMPARE(tabTexts(tabs()), QStringList({QStringLiteral("Beta"), drawn(name)}));
        QCOMPARE(QAccessible::queryAccessibleInterface(bar())->child(1)->text(QAccessible::Name), name);
        QCOMPARE(tabs()->currentIndex(), 0);
        m_ui->currentTreeView()->setFocus();
        QTest::keyClick(m_ui->currentTreeView(), Qt::Key_A, Qt::AltModifier);
        QTest::keyClick(m_ui->currentTreeView(), Qt::Key_D, Qt::AltModifier);
        QTest::keyClick(m_ui->currentTreeView(), Qt::Key_Space, Qt::AltModifier);
        QCOMPARE(tabs()->currentIndex(), 0);

        QString prefilled;
        DialogDriver::whenModal([&](QWidget *dialog) {
            auto *entry = qobject_cast<StringEntryDialog *>(dialog);
            QVERIFY(entry);
            prefilled = entry->lineEdit()->text();
            entry->lineEdit()->selectAll();
            QTest::keyClicks(entry->lineEdit(), typed);
            QTest::keyClick(entry->lineEdit(), Qt::Key_Return);
        });
        QTest::mouseDClick(bar(), Qt::LeftButton, {}, centre(1));
        QCOMPARE(prefilled, name);
        QCOMPARE(m_ui->listForTabIndex(1)->name(), typed);
        QCOMPARE(tabs()->tabText(1), drawn(typed));
        // Read out as written too.
        QCOMPARE(QAccessible::queryAccessibleInterface(bar())->child(1)->text(QAccessible::Name), typed);
        QCOMPARE(names(m_ui->userLists()), QStringList({QStringLiteral("Beta"), typed}));
    }

    // A run moves the tabs while the rename dialog is open: the name goes to
    // the list it was typed for, wherever its tab is now.
    void renameFollowsItsListsTab()
    {
        showPage({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        DialogDriver::whenModal([&](QWidget *dialog) {
            auto *entry = qobject_cast<StringEntryDialog *>(dialog);
            QVERIFY(entry);
            m_ui->userLists()->moveList(1, 0);
            entry->lineEdit()->selectAll();
            QTest::keyClicks(entry->lineEdit(), QStringLiteral("Gamma"));
            QTest::keyClick(entry->lineEdit(), Qt::Key_Return);
        });
        QTest::mouseDClick(bar(), Qt::LeftButton, {}, centre(1));
        QCOMPARE(names(m_ui->userLists()), QStringList({QStringLiteral("Gamma"), QStringLiteral("Alpha")}));
        QCOMPARE(tabTexts(tabs()), QStringList({QStringLiteral("Gamma"), QStringLiteral("Alpha")}));
    }

    void doubleClickOutsideTabsOrWhileSyncingDoesNothing()
    {
        showPage({QStringLiteral("Alpha")});
        QSignalSpy spy(tabs(), &TabWidget::tabTextChanged);
        // Beside the last tab, where the bar holds no tab.
        const QPoint empty(bar()->tabRect(0).right() + 20, bar()->height() / 2);
        QCOMPARE(bar()->tabAt(empty), -1);
        send(bar(), QEvent::MouseButtonDblClick, empty, Qt::LeftButton, Qt::LeftButton);
        QVERIFY(!QApplication::activeModalWidget());

        m_ui->currentList()->setSynchronizing(true);
        tabs()->editTabName(0);
        m_ui->currentList()->setSynchronizing(false);
        m_ui->setSyncing(true);
        tabs()->editTabName(0);
        QCOMPARE(spy.count(), 0);
    }

    void addingAListTakesTheKeyboardAlong()
    {
        showPage({QStringLiteral("Alpha")});
        QApplication::setActiveWindow(tabs());
        QVERIFY(QTest::qWaitForWindowActive(tabs()));
        // Typing a title in the first list, as a user starts.
        TreeView *first = m_ui->currentTreeView();
        first->setFocus();
        first->setCurrentIndex(m_ui->currentList()->index(0, 0));
        first->edit(first->currentIndex());
        QWidget *editor = QApplication::focusWidget();
        QVERIFY(editor && first->isAncestorOf(editor));
        QTest::keyClicks(editor, QStringLiteral("Milk"));
        QTest::keyClick(editor, Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(tabs()->count(), 2);
        QCOMPARE(tabs()->currentIndex(), 1);
        QWidget *focus = QApplication::focusWidget();
        QVERIFY2(focus && (tabs()->currentWidget()->isAncestorOf(focus) || focus == tabs()->currentWidget()),
                 focus ? focus->metaObject()->className() : "none");
    }

    // Leaving a list autosyncs it, and only it: tabs closed or moved around
    // the current one change its place, not the list the user is on.
    void autosyncsOnlyTheListLeft_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("synced");
        QTest::newRow("leaving a list") << 0 << "click 2" << QStringList{"A"};
        QTest::newRow("closing a tab before the current") << 2 << "delete 0" << QStringList();
        QTest::newRow("closing a tab after the current") << 1 << "delete 2" << QStringList();
        QTest::newRow("closing the current tab") << 1 << "delete 1" << QStringList();
        QTest::newRow("moving a tab from before the current to after it") << 1 << "move 0 3" << QStringList();
        QTest::newRow("moving a tab from after the current to before it") << 1 << "move 3 0" << QStringList();
        QTest::newRow("moving the current tab") << 1 << "move 1 3" << QStringList();
        QTest::newRow("moving the current list right") << 1 << "right" << QStringList();
        QTest::newRow("moving the current list left") << 1 << "left" << QStringList();
        QTest::newRow("leaving once a tab before it closed") << 2 << "delete 0 click 0" << QStringList{"C"};
        QTest::newRow("leaving once it moved") << 0 << "move 0 2 click 0" << QStringList{"A"};
    }

    void autosyncsOnlyTheListLeft()
    {
        QFETCH(int, current);
        QFETCH(QString, steps);
        QFETCH(QStringList, synced);
        QVERIFY(connectToServer());
        // Lists never synchronised: each one left is due for its first run.
        showPage({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
        QTest::mouseClick(bar(), Qt::LeftButton, {}, centre(current));
        QCOMPARE(tabs()->currentIndex(), current);
        QSettings().setValue(QStringLiteral("ui/enable-list-autosync"), true);

        const QStringList step = steps.split(QLatin1Char(' '));
        for (int i = 0; i < step.size(); ++i) {
            ListModel *list = m_ui->currentList();
            if (step.at(i) == QLatin1String("click")) {
                QTest::mouseClick(bar(), Qt::LeftButton, {}, centre(step.at(++i).toInt()));
            } else if (step.at(i) == QLatin1String("delete")) {
                m_ui->userLists()->deleteList(m_ui->listForTabIndex(step.at(++i).toInt())->taskList());
            } else if (step.at(i) == QLatin1String("move")) {
                const int from = step.at(++i).toInt();
                m_ui->userLists()->moveList(from, step.at(++i).toInt());
            } else if (step.at(i) == QLatin1String("right")) {
                m_ui->userLists()->moveListRight(list);
            } else if (step.at(i) == QLatin1String("left")) {
                m_ui->userLists()->moveListLeft(list);
            }
        }
        QStringList pending;
        for (ListModel *list : m_ui->userLists()->models()) {
            if (list->isSyncPending())
                pending << list->name();
        }
        QCOMPARE(pending, synced);
        QTRY_COMPARE(m_ui->syncQueue()->runningCount(), 0);
    }

    // A right click on another tab right after an edit switches to it and
    // opens its menu, and a double click renames it, as without autosync:
    // the run of the list left starts beside it, its icon widening the tab
    // of that list under the pointer.
    void clickAfterAnEditDoesWhatItDoes_data()
    {
        QTest::addColumn<QString>("click");
        QTest::addColumn<bool>("autosync");
        QTest::addColumn<bool>("committed");
        QTest::newRow("right, autosync off, typing open") << "right" << false << false;
        QTest::newRow("right, autosync on, typing open") << "right" << true << false;
        QTest::newRow("right, autosync on, typing ended with Return") << "right" << true << true;
        QTest::newRow("double, autosync off, typing open") << "double" << false << false;
        QTest::newRow("double, autosync on, typing ended with Return") << "double" << true << true;
    }

    void clickAfterAnEditDoesWhatItDoes()
    {
        QFETCH(QString, click);
        QFETCH(bool, autosync);
        QFETCH(bool, committed);
        QVERIFY(connectToServer());
        showPage({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        QSettings().setValue(QStringLiteral("ui/enable-list-autosync"), autosync);
        tabs()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tabs()));
        TreeView *tree = m_ui->currentTreeView();
        tree->setFocus();
        tree->setCurrentIndex(tree->model()->index(0, 0));
        // Each key to where the keyboard is: the first opens the editor.
        for (const QChar c : QStringLiteral("Milk"))
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        if (committed)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

        // Through the window, as the pointer does, near the tab's left end.
        QWindow *window = tabs()->window()->windowHandle();
        const QPoint at = bar()->mapTo(tabs()->window(), QPoint(bar()->tabRect(1).left() + 4, centre(1).y()));
        if (click == QLatin1String("right")) {
            QTest::mousePress(window, Qt::RightButton, {}, at);
            QTest::mouseRelease(window, Qt::RightButton, {}, at);
            QCOMPARE(tabs()->currentIndex(), 1);
            QVERIFY(m_ui->contextMenu());
            QTRY_VERIFY(m_ui->contextMenu()->isVisible());
            m_ui->contextMenu()->hide();
        } else {
            QString renamed;
            DialogDriver::whenModal([&](QWidget *dialog) {
                auto *entry = qobject_cast<StringEntryDialog *>(dialog);
                QVERIFY(entry);
                renamed = entry->lineEdit()->text();
                entry->reject();
            });
            QTest::mouseDClick(window, Qt::LeftButton, {}, at);
            QCOMPARE(tabs()->currentIndex(), 1);
            QTRY_COMPARE(renamed, QStringLiteral("Beta"));
        }
        QCOMPARE(m_ui->userLists()->models().at(0)->taskList()->rootTask()->child(0)->title(),
                 QStringLiteral("Milk"));
        // Left with autosync on, the list went up.
        QTRY_COMPARE(m_ui->syncQueue()->runningCount(), 0);
        QTRY_COMPARE(m_ui->userLists()->models().at(0)->taskList()->syncStatus() != TaskList::New, autosync);
    }

    void searchBarsFollowThePage()
    {
        showPage({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        tabs()->showSearchBars();
        for (int i = 0; i < tabs()->count(); ++i)
            QVERIFY(!qobject_cast<TreeView *>(tabs()->widget(i))->searchBar()->isHidden());
        tabs()->hideSearchBars();
        for (int i = 0; i < tabs()->count(); ++i)
            QVERIFY(qobject_cast<TreeView *>(tabs()->widget(i))->searchBar()->isHidden());
    }
};

PLUMDECK_TEST_MAIN(TstTabWidget)
#include "tst_tabwidget.moc"
