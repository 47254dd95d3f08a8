// The sync commands of the lists page, and the page under the real sync
// front end against the fake server: F5 uploads the lists, and an edit made
// afterwards reaches the server at the next F5.

#include "commandstest.h"
#include "dialogdriver.h"
#include "contacts/assignmentsfriendscontainer.h"
#include "contacts/assignmentsfriendswidget.h"
#include "contacts/sharefriendscontainer.h"
#include "contacts/sharefriendswidget.h"
#include "dialogs/alarmdialog.h"
#include "core/uisettings.h"
#include "dialogs/deletechildrendialog.h"
#include "dialogs/listgroupsmanagerdialog.h"
#include "dialogs/listsgroupsmanagercontainer.h"
#include "dialogs/listsgroupsmanagerelement.h"
#include "dialogs/listsgroupsmanagerframeelement.h"
#include "dialogs/listinfodialog.h"
#include "dialogs/listsharingusersdialog.h"
#include "dialogs/taskassignmentsdialog.h"
#include "dialogs/taskattachmentsdialog.h"
#include "dialogs/taskinfodialog.h"
#include "lists/commands/synccommands.h"
#include "lists/commands/taskcommands.h"
#include "lists/syncingscreen.h"
#include "lists/textfieldkeyfilter.h"
#include "listssyncclient.h"
#include "sync/runs/singlelistsynchronizer.h"
#include "sync/requests/eventconnection.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/serverpoller.h"
#include "sync/runs/singlelistsyncqueue.h"
#include "syncfixture.h"
#include "syncui/syncdialog.h"
#include "shell/messagedialog.h"
#include "shell/pdlineedit.h"
#include "shell/pdtextedit.h"
#include "shell/toolbutton.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabBar>
#include <QTextEdit>
#include <QToolTip>
#include <QSignalSpy>
#include <QVBoxLayout>

namespace {

// The real page, recording what the front end asks of it; it opens no
// preferences (there is no main window here).
class RecordingPage : public ListsUI
{
public:
    RecordingPage() : ListsUI(nullptr, nullptr, nullptr) {}
    void cancelSingleListSyncs() override
    {
        calls << "cancelSingleListSyncs";
        ListsUI::cancelSingleListSyncs();
    }
    void setSyncing(bool syncing) override
    {
        calls << QStringLiteral("setSyncing %1").arg(syncing);
        ListsUI::setSyncing(syncing);
    }
    void showPreferences() override { calls << "showPreferences"; }

    QStringList calls;
};

// Answers message boxes; leaves the progress dialog to close by itself and
// cancels it (keeping its heading) when a run fails.
class Pilot : public QObject
{
public:
    Pilot()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QDialog *>(widget);
                if (!dialog || !dialog->isVisible())
                    continue;
                if (auto *sync = qobject_cast<SyncDialog *>(dialog)) {
                    ++syncDialogs;
                    if (sync->settingsButton()->isVisible()) {
                        errors << sync->headingLabel()->text();
                        QTest::mouseClick(sync->cancelButton(), Qt::LeftButton);
                    }
                    // A box may be open over it, waiting for an answer.
                    continue;
                }
                // Task info is no question; accepting it would close it.
                if (qobject_cast<TaskInfoDialog *>(dialog))
                    continue;
                const auto *label = dialog->findChild<QLabel *>(QStringLiteral("textlabel"));
                boxes << (label ? label->text() : QString());
                dialog->accept();
            }
        });
        m_timer.start(10);
    }
    QStringList boxes;
    QStringList errors;
    int syncDialogs = 0;

private:
    QTimer m_timer;
};

// A panel of the page docked in a window, as the advanced mode shows it (a
// floating one a full run closes); the page has it back afterwards.
template<typename Panel>
struct Docked
{
    explicit Docked(QWidget *widget)
        : panel(qobject_cast<Panel *>(widget))
    {
        if (!panel)
            return;
        (new QVBoxLayout(&dock))->addWidget(panel);
        dock.show();
    }
    ~Docked()
    {
        if (panel)
            panel->setParent(nullptr);
    }
    bool isShown() { return panel && QTest::qWaitForWindowExposed(&dock); }

    Panel *panel;
    QWidget dock;
};

// The page over lists written beforehand ("Name: shape"), shown and active.
std::unique_ptr<RecordingPage> showPage(const QStringList &lists)
{
    {
        UserLists written;
        for (const QString &entry : lists) {
            const int colon = entry.indexOf(QLatin1Char(':'));
            TaskList *list = written.createList()->taskList();
            list->setName(entry.left(colon));
            list->setLocalId(quint32(written.models().size()));
            while (list->rootTask()->childCount())
                delete list->rootTask()->takeChild(list->rootTask()->child(0));
            int pos = 0;
            TreeTest::parse(entry.mid(colon + 1).trimmed(), pos, list->rootTask());
            TreeTest::stampCreation(list->rootTask());
        }
        if (!written.save(ListsUI::listsFilePath()))
            return nullptr;
    }
    auto page = std::make_unique<RecordingPage>();
    QWidget *tabs = page->centralWidget();
    tabs->setGeometry(50, 50, 480, 400);
    tabs->show();
    tabs->activateWindow();
    if (!QTest::qWaitForWindowActive(tabs))
        return nullptr;
    if (TreeView *view = page->currentTreeView())
        view->setFocus();
    return page;
}

SyncAction *syncAction(ListsUI *page)
{
    return page->findChild<SyncAction *>(QString(), Qt::FindDirectChildrenOnly);
}

QStringList serverTitles(const FakeServer &server, const QString &listName)
{
    for (const FakeList &list : server.lists()) {
        if (list.name != listName)
            continue;
        QStringList titles;
        for (const FakeTask &task : list.tasks)
            titles << task.title();
        return titles;
    }
    return {QStringLiteral("<no list>")};
}

QStringList serverListNames(const FakeServer &server)
{
    QStringList names;
    for (const FakeList &list : server.lists())
        names << list.name;
    names.sort();
    return names;
}

// The server's copy of a list, written as a task shape (see treetest.h,
// without the collapsed marks).
QString serverShape(const QList<FakeTask> &tasks)
{
    QStringList parts;
    for (const FakeTask &task : tasks) {
        QString part = (fakeField(task.fields, QStringLiteral("done")) == QLatin1String("true") ? QStringLiteral("*")
                                                                                                : QString())
            + task.title();
        if (!task.children.isEmpty())
            part += QLatin1Char('[') + serverShape(task.children) + QLatin1Char(']');
        parts << part;
    }
    return parts.join(QLatin1Char(' '));
}

// Whether the server holds a task without a title, at any depth.
bool holdsUntitled(const QList<FakeTask> &tasks)
{
    return std::any_of(tasks.cbegin(), tasks.cend(),
                       [](const FakeTask &t) { return t.title().isEmpty() || holdsUntitled(t.children); });
}

QString serverShape(const FakeServer &server, const QString &listName)
{
    for (const FakeList &list : server.lists()) {
        if (list.name == listName)
            return serverShape(list.tasks);
    }
    return QStringLiteral("<no list>");
}

// The shown row of the list manager of that name.
ListsGroupsManagerFrameElement *shownRow(ListGroupsManagerDialog *manager, const QString &name)
{
    for (ListsGroupsManagerFrameElement *element : manager->findChildren<ListsGroupsManagerFrameElement *>()) {
        if (element->name() == name && !element->parentWidget()->isHidden())
            return element;
    }
    return nullptr;
}

// After a run rebuilt the manager's rows, the row of `name` still takes the
// typing `typed`; Return there ends it.
void returnInTheRenamedRow(Docked<ListGroupsManagerDialog> &docked, const QString &name, const QString &typed)
{
    ListsGroupsManagerFrameElement *frame = shownRow(docked.panel, name);
    QVERIFY(frame);
    QVERIFY(frame->isRenaming());
    auto *edit = frame->findChild<QLineEdit *>(QStringLiteral("nameTextEdit"));
    QCOMPARE(edit->text(), typed);
    docked.dock.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&docked.dock));
    QTest::keyClick(edit, Qt::Key_Return);
}

// The fake server started with alice, and the program pointed at it as her.
bool serveAlice(FakeServer &server)
{
    if (!server.start())
        return false;
    server.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    ServerSettings::instance()->setSettings(server.url(), QStringLiteral("alice"), QStringLiteral("secret"));
    return true;
}

} // namespace

class TstSyncCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void syncActionTexts();
    void toolTipFollowsThePoller_data();
    void toolTipFollowsThePoller();
    void f5StartsTheFullSync();
    void syncListFollowsTheCurrentList();
    void f5UploadsTheListsThenAnEdit();
    void f5LeavesUntouchedDefaultListsBehind_data();
    void f5LeavesUntouchedDefaultListsBehind();
    void f5CommitsTheOpenEditor();
    void keptCopyGetsATab();
    void syncListAfterTheListsAreReplaced();
    void editsWaitForTheListsRun_data();
    void editsWaitForTheListsRun();
    void openPanelsWaitForTheListsRun_data();
    void openPanelsWaitForTheListsRun();
    void heldRunShowsTheRefusal_data();
    void heldRunShowsTheRefusal();
    void taskInfoTypingSurvivesTheListsRun_data();
    void taskInfoTypingSurvivesTheListsRun();
    void taskInfoTypingOutlivesItsList_data();
    void taskInfoTypingOutlivesItsList();
    void formOpenWhenARunTakesItsTaskAway_data();
    void formOpenWhenARunTakesItsTaskAway();
    void listInfoFollowsTheListsRun_data();
    void listInfoFollowsTheListsRun();
    void listManagerRenameSurvivesTheFullRun();
    void listManagerGroupRenameSurvivesAMergingRun();
    void listManagerShowsTheListTheRunStartsAgain();
    void removeQuestionOpenWhenTheRunStarts();
    void syncListFailureShowsOnItsTab_data();
    void syncListFailureShowsOnItsTab();
    void keptTaskToldOnItsTabWhileTheUserTypes_data();
    void keptTaskToldOnItsTabWhileTheUserTypes();

private:
    // A full run brings the notepad into step too: the notepad page's part.
    NotepadNotes *m_notes = nullptr;
    TestNotepadView *m_view = nullptr;
};

void TstSyncCommands::initTestCase()
{
    ServerSettings::instance()->setSettings(QString(), QString(), QString());
    QVERIFY(ServerPoller::create());
}

void TstSyncCommands::init()
{
    CommandsTest::reset();
    ServerSettings::instance()->setSettings(QString(), QString(), QString());
    ServerPoller::instance()->setState(ServerPoller::NoServer);
    m_notes = new NotepadNotes;
    m_view = new TestNotepadView(m_notes);
}

void TstSyncCommands::cleanup()
{
    dropNotepad(m_notes, m_view);
    QCOMPARE(ListsSynchronizer::running(), nullptr);
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    ServerSettings::instance()->setSettings(QString(), QString(), QString());
}

void TstSyncCommands::syncActionTexts()
{
    auto page = showPage({QStringLiteral("Home: A")});
    QVERIFY(page);
    SyncAction *action = syncAction(page.get());
    QVERIFY(action);
    QCOMPARE(action->text(), QStringLiteral("Sync"));
    QCOMPARE(action->shortcut(), QKeySequence(Qt::Key_F5));
    QVERIFY(action->shouldBeEnabled());
    QVERIFY(!action->isCheckable());
    // It is the sync action the page hands to the main window.
    QCOMPARE(page->syncAction(), action);
}

void TstSyncCommands::toolTipFollowsThePoller_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("no server") << int(ServerPoller::NoServer) << "No server is set";
    QTest::newRow("trying") << int(ServerPoller::TryingConnect) << "Trying to connect...";
    QTest::newRow("unreachable") << int(ServerPoller::Unreachable) << "Could not connect";
    QTest::newRow("reachable") << int(ServerPoller::Reachable) << "Sync";
}

void TstSyncCommands::toolTipFollowsThePoller()
{
    QFETCH(int, state);
    QFETCH(QString, toolTip);
    auto page = showPage({QStringLiteral("Home: A")});
    QVERIFY(page);
    ServerPoller::instance()->setState(ServerPoller::State(state));
    SyncAction action(page.get());
    QCOMPARE(action.toolTip(), toolTip); // right from the start
    ServerPoller::instance()->setState(state == ServerPoller::Reachable ? ServerPoller::Unreachable
                                                                         : ServerPoller::Reachable);
    ServerPoller::instance()->setState(ServerPoller::State(state));
    QCOMPARE(action.toolTip(), toolTip); // and at each change
    QCOMPARE(syncAction(page.get())->toolTip(), toolTip); // the page's own too
}

// With no server set the command still runs: the front end asks for it.
void TstSyncCommands::f5StartsTheFullSync()
{
    auto page = showPage({QStringLiteral("Home: A")});
    QVERIFY(page);
    Pilot pilot;
    QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
    QCOMPARE(pilot.boxes, QStringList{"You must supply a server URL before you can sync."});
    QCOMPARE(pilot.syncDialogs, 0);
    QCOMPARE(page->calls, (QStringList{"cancelSingleListSyncs", "setSyncing 1", "showPreferences", "setSyncing 0"}));
    QVERIFY(!page->isSyncing());
}

void TstSyncCommands::syncListFollowsTheCurrentList()
{
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage({QStringLiteral("Trip: Tickets")});
    QVERIFY(page);
    auto *action = page->findChild<SyncSingleListAction *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(action);
    QCOMPARE(action->text(), QStringLiteral("Sync list"));
    QVERIFY(!action->currentIcon().isNull());

    ListModel *current = page->currentList();
    QVERIFY(current);
    QVERIFY(action->shouldBeEnabled());
    server.delay(QStringLiteral("^/lists$"), 100, true);
    action->updateState();
    action->trigger();
    QVERIFY(current->isManualSync());
    QCOMPARE(page->syncQueue()->runningCount(), 1);
    action->updateState();
    QVERIFY(!action->isEnabled());
    // While it runs, its tab shows it.
    TabWidget *tabs = page->tabWidget();
    QVERIFY(!tabs->tabIcon(0).isNull());
    QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
    QVERIFY(tabs->tabIcon(0).isNull());
    action->updateState();
    QVERIFY(action->isEnabled());
    QVERIFY(current->taskList()->serverId() != 0);
    QCOMPARE(serverTitles(server, QStringLiteral("Trip")), QStringList{"Tickets"});

    // No list at all: nothing to sync.
    page->userLists()->removeAllLists();
    QCOMPARE(page->currentList(), nullptr);
    QVERIFY(!action->shouldBeEnabled());
}

void TstSyncCommands::f5UploadsTheListsThenAnEdit()
{
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage({QStringLiteral("Home: Rent Gas"), QStringLiteral("Trip: Tickets")});
    QVERIFY(page);
    {
        Pilot pilot;
        QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
        QCOMPARE(pilot.boxes, QStringList());
        QVERIFY(pilot.syncDialogs > 0);
    }
    QCOMPARE(page->calls, (QStringList{"cancelSingleListSyncs", "setSyncing 1", "setSyncing 0"}));
    QVERIFY(!page->isSyncing());
    QCOMPARE(serverListNames(server), (QStringList{"Home", "Trip"}));
    QCOMPARE(serverTitles(server, QStringLiteral("Home")), (QStringList{"Rent", "Gas"}));
    QCOMPARE(serverTitles(server, QStringLiteral("Trip")), QStringList{"Tickets"});
    // The page still shows both lists, one tab each, now known to the server.
    QCOMPARE(page->tabWidget()->count(), 2);
    for (ListModel *list : page->userLists()->models()) {
        QVERIFY(list->taskList()->serverId() != 0);
        // The groups the server sent (none yet) still hold every list.
        QVERIFY(page->listsGroups()->containsList(list->taskList()));
    }

    ListModel *home = nullptr;
    for (ListModel *list : page->userLists()->models())
        if (list->name() == QLatin1String("Home"))
            home = list;
    QVERIFY(home);
    QVERIFY(home->setData(home->index(1, 0), QStringLiteral("Water"), Qt::EditRole));
    QCOMPARE(home->taskList()->syncStatus(), TaskList::Edited);
    server.clearRequests();
    // Back in the page once the progress dialog has gone.
    page->centralWidget()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
    {
        Pilot pilot;
        QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
        QVERIFY(pilot.syncDialogs > 0);
    }
    QCOMPARE(serverTitles(server, QStringLiteral("Home")), (QStringList{"Rent", "Water"}));
    QCOMPARE(serverListNames(server), (QStringList{"Home", "Trip"}));
    QCOMPARE(home->taskList()->syncStatus(), TaskList::Unedited);
}

// A new list nobody has named or written in is dropped before a run rather
// than uploaded; a page left with no list gets one fresh list afterwards.
void TstSyncCommands::f5LeavesUntouchedDefaultListsBehind_data()
{
    const QString plain = TaskList::defaultName() + QLatin1Char(':');
    QTest::addColumn<QStringList>("lists");
    QTest::addColumn<QStringList>("uploaded");
    QTest::addColumn<QStringList>("tabs");
    QTest::newRow("two untouched") << QStringList{plain, plain} << QStringList{}
                                   << QStringList{TaskList::defaultName()};
    QTest::newRow("one renamed") << QStringList{plain, QStringLiteral("Trip:")} << QStringList{"Trip"}
                                 << QStringList{"Trip"};
    QTest::newRow("one written in") << QStringList{plain, plain + QStringLiteral(" Milk")}
                                    << QStringList{TaskList::defaultName()}
                                    << QStringList{TaskList::defaultName()};
}

void TstSyncCommands::f5LeavesUntouchedDefaultListsBehind()
{
    QFETCH(QStringList, lists);
    QFETCH(QStringList, uploaded);
    QFETCH(QStringList, tabs);
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage(lists);
    QVERIFY(page);
    QCOMPARE(page->tabWidget()->count(), lists.size());
    {
        Pilot pilot;
        QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
        QVERIFY(pilot.syncDialogs > 0);
    }
    int posts = 0;
    for (const FakeRequest &request : server.requests())
        posts += request.method == "POST" && request.path == QLatin1String("/lists");
    QCOMPARE(posts, uploaded.size());
    QCOMPARE(serverListNames(server), uploaded);
    QStringList shown;
    for (int i = 0; i < page->tabWidget()->count(); ++i)
        shown << page->tabWidget()->tabText(i);
    QCOMPARE(shown, tabs);
    QCOMPARE(page->userLists()->models().size(), tabs.size());
    for (ListModel *list : page->userLists()->models())
        QVERIFY(list->rowCount() > 0);
}

// A title being typed when F5 is pressed is part of the run.
void TstSyncCommands::f5CommitsTheOpenEditor()
{
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage({QStringLiteral("Home: Rent")});
    QVERIFY(page);
    TreeView *tree = page->currentTreeView();
    const QModelIndex rent = page->currentList()->index(0, 0);
    tree->setCurrentIndex(rent);
    tree->edit(rent);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Bills"));
    Pilot pilot;
    QTest::keyClick(editor, Qt::Key_F5);
    QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
    QVERIFY(pilot.syncDialogs > 0);
    QCOMPARE(serverTitles(server, QStringLiteral("Home")), QStringList{"Bills"});
}

// A run that posted a list but failed to fetch it back, then an edit here and
// another on the server, with a mark of an older version that names none of
// the posted tasks: the next run takes the server's copy and keeps the
// user's beside it, which the page shows in a tab of its own and puts in the
// groups.
void TstSyncCommands::keptCopyGetsATab()
{
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage({QStringLiteral("Trip: Tickets Bags")});
    QVERIFY(page);
    server.respondOnce("GET", "^/lists/\\d+$", 500);
    {
        Pilot pilot;
        QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
        QCOMPARE(pilot.errors.size(), 1);
    }
    ListModel *trip = page->currentList();
    QVERIFY(trip->taskList()->serverId() != 0);
    FakeList changed = server.list(trip->taskList()->serverId());
    setFakeField(changed.tasks[1].fields, QStringLiteral("title"), QStringLiteral("Suitcase"));
    changed.tasks[1].hashcode.clear();
    ++changed.revision;
    server.putList(changed);
    QVERIFY(trip->setData(trip->index(0, 0), QStringLiteral("Passports"), Qt::EditRole));
    trip->taskList()->setPendingUpload(QStringLiteral("0:da39a3ee5e6b4b0d3255bfef95601890afd80709"));
    page->centralWidget()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
    Pilot pilot;
    QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
    QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
    QCOMPARE(pilot.boxes.size(), 1);
    QVERIFY(pilot.boxes.first().contains(QStringLiteral("Trip (my changes)")));

    TabWidget *tabs = page->tabWidget();
    QStringList tabTexts;
    for (int i = 0; i < tabs->count(); ++i)
        tabTexts << tabs->tabText(i);
    tabTexts.sort();
    QCOMPARE(tabTexts, (QStringList{"Trip", "Trip (my changes)"}));
    ListModel *copy = nullptr;
    for (ListModel *list : page->userLists()->models())
        if (list->name() == QLatin1String("Trip (my changes)"))
            copy = list;
    QVERIFY(copy);
    QVERIFY(page->treeViewForList(copy));
    QVERIFY(copy->taskList()->localId() != 0);
    QVERIFY(page->listsGroups()->containsList(copy->taskList()));
    QCOMPARE(serverTitles(server, QStringLiteral("Trip (my changes)")), (QStringList{"Passports", "Bags"}));
}

// The page's lists replaced as a whole: single-list runs work on the new
// set, not on the deleted one.
void TstSyncCommands::syncListAfterTheListsAreReplaced()
{
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage({QStringLiteral("Home: Rent")});
    QVERIFY(page);
    SingleListSyncQueue *before = page->syncQueue();
    auto *lists = new UserLists;
    TaskList *trip = TaskList::create();
    trip->setName(QStringLiteral("Trip"));
    trip->rootTask()->createChild(0)->setTitle(QStringLiteral("Tickets"));
    lists->addList(trip);
    page->setUserLists(lists);
    QVERIFY(page->syncQueue());
    QVERIFY(page->syncQueue() != before);
    page->setCurrentList(page->userLists()->models().first());
    page->syncSingleListManually(page->currentList());
    QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
    QCOMPARE(serverListNames(server), QStringList{"Trip"});
    QCOMPARE(serverTitles(server, QStringLiteral("Trip")), QStringList{"Tickets"});
    QCOMPARE(page->userLists()->models().first()->taskList()->serverId(), server.lists().first().id);
}

// Keys pressed on the tree while a run holds the list. During the full run
// (the page marked syncing, its window up) the commands refuse the edit as
// the tree refuses typing, rather than make it and have the run replace it
// with the server's copy. During the list's own run ("Sync list", its upload
// in flight, or the autosync of a list left and come back to at once) the
// keys wait for its end and then go in where they were typed, in order,
// whenever the server answers ("|"), the list left again ("away") or not:
// none lands on another task, none is lost; a title being typed goes on in
// its task. A task the run took away (removed on the other computer,
// "gone:"), before the keys or once its fetch is in ("fetched"), takes
// none, and the user is told what was left out; so do keys that reach other
// rows, where the run changed the rows around the task (a task the other
// computer put below it, "below:"). Keys typed at the untitled row go into
// a new one where it stood. F5, and the commands held with Ctrl, act at once
// or are refused, never wait for the run. After the full run ("F5": the
// keys of "during" typed once it is over) the user is where they were: the
// next title goes into the untitled row, never over another task, and the
// commands act on the current task.
void TstSyncCommands::editsWaitForTheListsRun_data()
{
    // "full run", "sync list" (a list new to the server), "sync list again",
    // "autosync" or "F5"
    QTest::addColumn<QString>("run");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("before"); // keys before the run starts
    QTest::addColumn<QString>("during");
    QTest::addColumn<QString>("after"); // the list once the runs are over, here and on the server
    // What the user is told was left out: "gone:" or "rows:" (the rows
    // around changed), then what was typed.
    QTest::addColumn<QString>("told");

    for (const bool full : {false, true}) {
        const QString run = QLatin1String(full ? "full run" : "sync list");
        auto row = [run](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(run + QLatin1String(", ") + QLatin1String(name))) << run;
        };
        row("check") << "A B" << "B" << "" << "Space" << (full ? "A B" : "A *B") << "";
        row("indent") << "A B" << "B" << "" << "Tab" << (full ? "A B" : "A[B]") << "";
        row("outdent") << "A[a1] B" << "a1" << "" << "Shift+Tab" << (full ? "A[a1] B" : "A a1 B") << "";
        row("move up") << "A B" << "B" << "" << "Ctrl+Up" << "A B" << "";
        row("move down") << "A B" << "A" << "" << "Ctrl+Down" << "A B" << "";
        row("paste") << "A B" << "A" << "Ctrl+C" << "Ctrl+V" << "A B" << "";
        row("undo") << "A B" << "A" << "Space" << "Ctrl+Z" << "*A B" << "";
        row("redo") << "A B" << "A" << "Space Ctrl+Z" << "Ctrl+Y" << "A B" << "";
    }
    QTest::newRow("sync list, a title being typed")
        << "sync list" << "A B" << "B" << "Right type:x" << "type:y Return type:C Up" << "A Bxy C" << "";
    QTest::newRow("sync list again, a title being typed at a task taken away")
        << "sync list again" << "A B" << "B" << "Up Space Down Right type:x gone:B" << "fetched type:y |" << "*A"
        << "gone:Bxy";
    QTest::newRow("autosync, titles typed as the server answers")
        << "autosync" << "A B" << "A" << "Space" << "Return type:O | type:ne Return type:Two Down"
        << "*A One Two B" << "";
    QTest::newRow("autosync, titles typed before it answers")
        << "autosync" << "A B" << "A" << "Space" << "Return type:One Return type:Two Down |" << "*A One Two B" << "";
    QTest::newRow("autosync, the list left again before it answers")
        << "autosync" << "A B" << "A" << "Space" << "Return type:One Return type:Two away |" << "*A One Two B"
        << "";
    QTest::newRow("autosync, titles typed at the untitled row")
        << "autosync" << "A B" << "B" << "Down type:Milk Return" << "type:Melon Return type:Kiwi Return Up |"
        << "A B Milk Melon Kiwi" << "";
    QTest::newRow("autosync, the task typed at taken away")
        << "autosync" << "A B" << "B" << "Up Space Down gone:B" << "Return type:One Escape |" << "*A"
        << "gone:One";
    QTest::newRow("autosync, typed once the fetch took the task away")
        << "autosync" << "A B" << "B" << "Up Space Down gone:B" << "fetched type:One Return |" << "*A"
        << "gone:One";
    QTest::newRow("autosync, a task come in below elsewhere")
        << "autosync" << "A B C" << "B" << "Space below:X" << "Down Delete |" << "A *B X C" << "rows:Down Del";
    QTest::newRow("autosync, backspace on the row, a task come in below elsewhere")
        << "autosync" << "A B C" << "B" << "Space below:X" << "Backspace |" << "A *B X C" << "rows:Backspace";
    QTest::newRow("autosync, a title corrected, a task come in below elsewhere")
        << "autosync" << "A B C" << "B" << "Space below:X" << "Right type:z Backspace type:y | Return Up"
        << "A *By X C" << "";
    QTest::newRow("autosync, F5 meanwhile") << "autosync" << "A B" << "B" << "Space" << "F5" << "A *B" << "";
    QTest::newRow("autosync, the next list with Ctrl+Tab meanwhile")
        << "autosync" << "A B" << "B" << "Space" << "Ctrl+Tab |" << "A *B" << "";
    QTest::newRow("F5, the next title") << "F5" << "A B" << "B" << "Down type:Milk Return"
                                        << "type:Melon Return Up" << "A B Milk Melon" << "";
    QTest::newRow("F5, the next title in a subtask row") << "F5" << "A B" << "B" << "Down type:Milk Return Tab"
                                                         << "type:Melon Return Up" << "A B Milk[Melon]" << "";
    QTest::newRow("F5, the commands of the current task")
        << "F5" << "A B C" << "B" << "" << "Ctrl+Down Tab Space" << "A C[*B]" << "";
}

void TstSyncCommands::editsWaitForTheListsRun()
{
    QFETCH(QString, run);
    QFETCH(QString, shape);
    QFETCH(QString, task);
    QFETCH(QString, before);
    QFETCH(QString, during);
    QFETCH(QString, after);
    QFETCH(QString, told);
    CheckedFakeServer server;
    QSignalSpy connected(EventConnection::instance(), &EventConnection::connected);
    QVERIFY(serveAlice(server));
    auto page = showPage({QStringLiteral("Home: ") + shape, QStringLiteral("Work: C")});
    QVERIFY(page);
    QStringList tellings;
    ListsUI::setNoticeHandler([&tellings](const QString &, const QString &text) { tellings << text; });
    const auto quiet = qScopeGuard([] { ListsUI::setNoticeHandler({}); });
    const bool autosync = run == QLatin1String("autosync");
    const bool again = run == QLatin1String("sync list again");
    if (autosync || again) {
        QVERIFY(EventConnection::instance()->isConnected() || connected.wait(5000));
        Pilot pilot;
        QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
        QSettings().setValue(QStringLiteral("ui/enable-list-autosync"), autosync);
        page->centralWidget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
    }
    ListModel *home = nullptr;
    for (ListModel *list : page->userLists()->models())
        home = list->name() == QLatin1String("Home") ? list : home;
    QVERIFY(home);
    page->setCurrentList(home);
    TreeView *tree = page->currentTreeView();
    auto find = [&home](const QString &title) {
        const QModelIndexList hits = home->match(home->index(0, 0), Qt::DisplayRole, title, 1,
                                                 Qt::MatchExactly | Qt::MatchRecursive);
        return hits.isEmpty() ? QModelIndex() : hits.first();
    };
    // Keys, and what happens meanwhile on the server.
    QString gone;
    QString edited;
    auto play = [&](const QString &script) {
        for (const QString &step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (step.startsWith(QLatin1String("gone:"))) {
                gone = step.mid(5);
                FakeList changed = server.list(home->taskList()->serverId());
                changed.tasks.removeIf([&gone](const FakeTask &t) { return t.title() == gone; });
                ++changed.revision;
                server.putList(changed);
            } else if (step.startsWith(QLatin1String("below:"))) {
                FakeList changed = server.list(home->taskList()->serverId());
                FakeTask added = FakeTask::make(step.mid(6));
                setFakeField(added.fields, QStringLiteral("created-by"), QStringLiteral("alice"));
                for (qsizetype i = 0; i < changed.tasks.size(); ++i)
                    if (changed.tasks[i].title() == task)
                        changed.tasks.insert(i + 1, added);
                ++changed.revision;
                server.putList(changed);
            } else if (step == QLatin1String("fetched")) {
                QTRY_VERIFY(!find(gone).isValid());
                edited = TreeTest::write(home->taskList()->rootTask());
            } else if (step == QLatin1String("F5")) {
                // The full run starts at once, the list's run left to it;
                // the server's answer held for that one comes meanwhile.
                QTRY_COMPARE(server.heldCount(), 1);
                Pilot pilot;
                const qsizetype runs = page->calls.count(QStringLiteral("setSyncing 1"));
                QTimer::singleShot(0, &server, [&server] { server.releaseHeld(); });
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
                QCOMPARE(page->calls.count(QStringLiteral("setSyncing 1")), runs + 1);
                QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
                page->centralWidget()->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
            } else if (step == QLatin1String("away")) {
                QTabBar *bar = page->tabWidget()->tabBar();
                QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1 - page->tabWidget()->indexOf(tree)).center());
            } else if (step == QLatin1String("|")) {
                QTRY_COMPARE(server.heldCount(), 1);
                QCOMPARE(server.releaseHeld(), 1);
                QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
                // Keys typed before the held ones went in would join them.
                QTRY_VERIFY(!tree->hasHeldKeys());
            } else {
                // A command held with Ctrl acts at once, or is refused.
                const bool held = tree->hasHeldKeys();
                TreeTest::keys(step);
                if (step.startsWith(QLatin1String("Ctrl+")))
                    QCOMPARE(tree->hasHeldKeys(), held);
            }
        }
    };
    tree->setCurrentIndex(find(task));
    tree->setFocus();
    play(before);
    edited = TreeTest::write(home->taskList()->rootTask());
    // A title being typed stays open through the run.
    const bool typing = TextFieldKeyFilter::isTaskTitleEditor(QApplication::focusWidget());
    const bool keysAfterTheRun = run == QLatin1String("F5");

    if (keysAfterTheRun) {
        Pilot pilot;
        QTest::keyClick(tree, Qt::Key_F5);
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
        // A row nobody typed into is no task, at any depth.
        for (const FakeList &list : server.lists())
            QVERIFY2(!holdsUntitled(list.tasks), qPrintable(list.name));
        page->centralWidget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
        QCOMPARE(QApplication::focusWidget(), tree);
    } else if (run == QLatin1String("full run")) {
        // What the full run does to the page while its dialog is up.
        page->setSyncing(true);
    } else if (autosync) {
        // Over to Work and straight back, with the mouse.
        server.hold(QByteArrayLiteral("PUT"), QStringLiteral("^/lists/\\d+$"));
        QTabBar *bar = page->tabWidget()->tabBar();
        const int at = page->tabWidget()->indexOf(tree);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1 - at).center());
        QVERIFY(home->isSynchronizing());
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(at).center());
        QCOMPARE(page->currentTreeView(), tree);
        QCOMPARE(QApplication::focusWidget(), tree);
    } else {
        if (again)
            server.hold(QByteArrayLiteral("PUT"), QStringLiteral("^/lists/\\d+$"));
        else
            server.hold(QStringLiteral("^/lists$"));
        auto *syncList = page->findChild<SyncSingleListAction *>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(syncList);
        syncList->updateState();
        syncList->trigger();
        QTRY_COMPARE(server.heldCount(), 1);
        QVERIFY(home->isSynchronizing());
    }
    if (!autosync && !typing && !keysAfterTheRun) {
        tree->setCurrentIndex(find(task));
        tree->setFocus();
    }
    const QString held = keysAfterTheRun ? QString() : during.section(QLatin1Char('|'), 0, 0);
    play(held);
    // Nothing the run would overwrite.
    if (!keysAfterTheRun)
        QCOMPARE(TreeTest::write(home->taskList()->rootTask()), edited);

    if (run == QLatin1String("full run")) {
        page->setSyncing(false);
        Pilot pilot;
        QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
    } else {
        const QString rest = during.mid(held.size());
        play(rest.isEmpty() && !held.contains(QLatin1String("F5")) ? QStringLiteral("|") : rest);
    }
    // The held keys go in, or are told, once the event loop runs after the
    // run's end: a list the run left as `after` may still wait for them.
    QTRY_VERIFY(!tree->hasHeldKeys());
    home = page->listForTabIndex(page->tabWidget()->indexOf(tree));
    QTRY_COMPARE(TreeTest::write(home->taskList()->rootTask()), after);
    // What went in goes up with the list's next run.
    if (home->taskList()->syncStatus() != TaskList::Unedited) {
        page->setCurrentList(home);
        auto *syncList = page->findChild<SyncSingleListAction *>(QString(), Qt::FindDirectChildrenOnly);
        syncList->updateState();
        syncList->trigger();
        QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
    }
    QCOMPARE(home->taskList()->syncStatus(), TaskList::Unedited);
    QCOMPARE(serverShape(server, QStringLiteral("Home")), after);
    QStringList toldTexts;
    if (!told.isEmpty())
        toldTexts << TreeView::heldKeysLeftOutText(QStringLiteral("Home"), told.section(QLatin1Char(':'), 1),
                                                   told.startsWith(QLatin1String("rows:")));
    QCOMPARE(tellings, toldTexts);
    for (const QString &text : std::as_const(tellings))
        QVERIFY(text.contains(QStringLiteral("the list \"Home\"")));
}

// Panels and dialogs open on a task of the list when "Sync list" starts:
// their editing controls wait for the run (which replaces the list with the
// server's copy) and come back when it ends, so no edit is made and lost.
void TstSyncCommands::openPanelsWaitForTheListsRun_data()
{
    QTest::addColumn<QString>("control");
    QTest::newRow("task info: done box") << "task done";
    QTest::newRow("task info: priority") << "task priority";
    QTest::newRow("attachments: add") << "attachment add";
    QTest::newRow("list info: done box") << "list done";
    QTest::newRow("sharing picker") << "sharing";
    QTest::newRow("assignments picker") << "assignments";
    QTest::newRow("list manager: rename") << "rename";
    QTest::newRow("alarm dialog: save") << "alarm save";
}

void TstSyncCommands::openPanelsWaitForTheListsRun()
{
    QFETCH(QString, control);
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage({QStringLiteral("Home: A B")});
    QVERIFY(page);
    ListModel *home = page->currentList();
    TreeView *tree = page->currentTreeView();
    tree->setCurrentIndex(home->index(0, 0));
    auto state = [&page] {
        ListModel *list = page->currentList();
        const QModelIndex first = list->index(0, 0);
        return TreeTest::write(list->taskList()->rootTask())
            + QStringLiteral(" | list %1 done %2 | priority %3 | alarm %4")
                  .arg(list->name())
                  .arg(list->isDone())
                  .arg(list->taskForIndex(first)->priority().value())
                  .arg(list->taskAlarmTime(first).toString());
    };
    const QString before = state();

    // The control, its use, and its dialog's own event loop where it has one.
    QWidget *widget = nullptr;
    std::function<void()> use;
    std::function<QString()> renamed;
    if (control.startsWith(QLatin1String("task"))) {
        page->showTaskInfoDialog();
        TaskInfoDialog *info = page->taskInfoDialog();
        QVERIFY(info);
        QVERIFY(QTest::qWaitForWindowExposed(info));
        if (control == QLatin1String("task done")) {
            widget = info->doneBox();
            use = [info] { QTest::mouseClick(info->doneBox(), Qt::LeftButton, {}, QPoint(6, info->doneBox()->height() / 2)); };
        } else {
            widget = info->priorityBox();
            use = [info] { QTest::keyClick(info->priorityBox(), Qt::Key_Down); };
        }
    } else if (control == QLatin1String("attachment add")) {
        page->showTaskAttachmentsDialog();
        TaskAttachmentsDialog *attachments = page->taskAttachmentsDialog();
        QVERIFY(attachments);
        QVERIFY(QTest::qWaitForWindowExposed(attachments));
        widget = attachments->addButton();
    } else if (control == QLatin1String("list done")) {
        page->showListInfoDialog();
        ListInfoDialog *info = page->listInfoDialog();
        QVERIFY(info);
        QVERIFY(QTest::qWaitForWindowExposed(info));
        widget = info->doneBox();
        use = [info] { QTest::mouseClick(info->doneBox(), Qt::LeftButton, {}, QPoint(6, info->doneBox()->height() / 2)); };
    } else if (control == QLatin1String("sharing")) {
        page->showListSharingUsersDialog();
        ListSharingUsersDialog *sharing = page->listSharingUsersDialog();
        QVERIFY(sharing);
        widget = sharing->shareContainer()->shareFriendsWidget();
    } else if (control == QLatin1String("assignments")) {
        page->showTaskAssignmentsDialog();
        TaskAssignmentsDialog *assignments = page->taskAssignmentsDialog();
        QVERIFY(assignments);
        widget = assignments->assignmentsContainer()->assignmentsFriendsWidget();
    } else if (control == QLatin1String("rename")) {
        // The row's rename field is open when the run starts; Return while it
        // runs puts the list's name back on the row.
        page->showListsGroupsManagerDialog();
        ListGroupsManagerDialog *manager = page->listGroupsManagerDialog();
        QVERIFY(manager);
        ListsGroupsManagerFrameElement *frame = nullptr;
        for (ListsGroupsManagerFrameElement *element : manager->findChildren<ListsGroupsManagerFrameElement *>()) {
            if (element->name() == QLatin1String("Home"))
                frame = element;
        }
        QVERIFY(frame);
        frame->startRename();
        use = [frame] {
            if (!frame->isRenaming())
                frame->startRename();
            auto *edit = frame->findChild<QLineEdit *>(QStringLiteral("nameTextEdit"));
            edit->setText(QStringLiteral("Attic"));
            QTest::keyClick(edit, Qt::Key_Return);
        };
        renamed = [frame] { return frame->name(); };
    }
    QVERIFY(widget || control == QLatin1String("alarm save") || control == QLatin1String("rename"));
    if (widget)
        QVERIFY(widget->isEnabled());

    server.hold(QStringLiteral("^/lists$"));
    auto *syncList = page->findChild<SyncSingleListAction *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(syncList);
    bool alarmChecked = false;
    if (control == QLatin1String("alarm save")) {
        // The dialog is open when the run starts: Save waits for its end.
        DialogDriver::whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<AlarmDialog *>(w);
            QVERIFY(dialog);
            QPushButton *save = dialog->findChild<QPushButton *>(QStringLiteral("okbutton"));
            QVERIFY(save);
            QVERIFY(save->isEnabled());
            syncList->trigger();
            QTRY_COMPARE(server.heldCount(), 1);
            QVERIFY(!save->isEnabled());
            QTest::mouseClick(save, Qt::LeftButton);
            QVERIFY(dialog->isVisible());
            QCOMPARE(server.releaseHeld(), 1);
            QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
            QTRY_VERIFY(save->isEnabled());
            QCOMPARE(state(), before);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cancelbutton")), Qt::LeftButton);
            alarmChecked = true;
        });
        page->showAlarmDialog();
        QVERIFY(alarmChecked);
        QCOMPARE(state(), before);
        QCOMPARE(page->currentList()->taskList()->syncStatus(), TaskList::Unedited);
        return;
    }

    syncList->trigger();
    QTRY_COMPARE(server.heldCount(), 1);
    QVERIFY(home->isSynchronizing());
    if (widget)
        QVERIFY(!widget->isEnabled());
    if (use)
        use();
    // Refused at once: nothing the run would overwrite.
    QCOMPARE(state(), before);
    if (renamed)
        QCOMPARE(renamed(), QStringLiteral("Home"));

    QCOMPARE(server.releaseHeld(), 1);
    QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
    if (widget)
        QTRY_VERIFY(widget->isEnabled());
    QCOMPARE(state(), before);
    QCOMPARE(page->currentList()->taskList()->syncStatus(), TaskList::Unedited);
    // And once the run is over the control edits again.
    if (use) {
        use();
        QVERIFY(state() != before);
    }
}

// While "Sync list" holds the list, what refuses the user's typing shows it
// and says why, where the user is: a panel's field looks read-only and the
// panel's notice says editing comes back when the run ends; over the tree,
// the overlay says so, and that the keys typed meanwhile go in then. Once
// the run is over the fields are as before.
void TstSyncCommands::heldRunShowsTheRefusal_data()
{
    QTest::addColumn<QString>("place");
    QTest::newRow("task info: title") << "title";
    QTest::newRow("task info: note") << "note";
    QTest::newRow("list info: description") << "description";
    QTest::newRow("task tree") << "tree";
}

void TstSyncCommands::heldRunShowsTheRefusal()
{
    QFETCH(QString, place);
    // The skin on: a field that takes no typing must look it.
    QFile skin(QStringLiteral(":/default.css"));
    QVERIFY(skin.open(QIODevice::ReadOnly));
    qApp->setStyleSheet(QString::fromUtf8(skin.readAll()));
    const auto plain = qScopeGuard([] { qApp->setStyleSheet(QString()); });
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage({QStringLiteral("Home: A B")});
    QVERIFY(page);
    ListModel *home = page->currentList();
    TreeView *tree = page->currentTreeView();
    tree->setCurrentIndex(home->index(0, 0));

    PDTextEdit *field = nullptr;
    QLabel *notice = nullptr;
    QString noticeText = QStringLiteral(
        "This list is being synchronised. Editing comes back when the synchronisation ends.");
    if (place == QLatin1String("title") || place == QLatin1String("note")) {
        auto *info = qobject_cast<TaskInfoDialog *>(page->taskInfoPanel());
        QVERIFY(info);
        info->show();
        QVERIFY(QTest::qWaitForWindowExposed(info));
        field = place == QLatin1String("title") ? info->titleEdit() : info->noteEdit();
        notice = info->findChild<QLabel *>(QStringLiteral("syncNoticeLabel"));
    } else if (place == QLatin1String("description")) {
        auto *info = qobject_cast<ListInfoDialog *>(page->listInfoPanel());
        QVERIFY(info);
        info->show();
        QVERIFY(QTest::qWaitForWindowExposed(info));
        field = info->descriptionEdit();
        notice = info->findChild<QLabel *>(QStringLiteral("syncNoticeLabel"));
    } else {
        notice = tree->syncingScreen()->findChild<QLabel *>(QStringLiteral("syncingNoticeLabel"));
        noticeText = QStringLiteral("Editing comes back when it ends.");
    }
    QVERIFY(notice);
    QVERIFY(!notice->isVisible());
    // What a field draws inside its border, away from the text.
    auto fill = [](QWidget *w) { return w->grab().toImage().pixelColor(w->width() - 6, w->height() - 6); };
    QColor editable;
    const QString before = TreeTest::write(home->taskList()->rootTask()) + QLatin1Char('|') + home->description();
    if (field) {
        QVERIFY(!field->isReadOnly());
        QTest::mouseClick(field->viewport(), Qt::LeftButton);
        editable = fill(field);
    }

    server.hold(QStringLiteral("^/lists$"));
    auto *syncList = page->findChild<SyncSingleListAction *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(syncList);
    syncList->trigger();
    QTRY_COMPARE(server.heldCount(), 1);
    QVERIFY(home->isSynchronizing());
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->text(), noticeText);
    if (field) {
        QVERIFY(field->isReadOnly());
        QVERIFY2(fill(field) != editable, qPrintable(fill(field).name()));
        const QString shown = field->toPlainText();
        QTest::keyClicks(field, QStringLiteral("held"));
        QCOMPARE(field->toPlainText(), shown);
    } else {
        // Over the tree, in the user's sight, while keys change nothing yet.
        QVERIFY(tree->viewport()->rect().contains(tree->syncingScreen()->geometry()));
        const auto *held = tree->syncingScreen()->findChild<QLabel *>(QStringLiteral("syncingHeldKeysLabel"));
        QVERIFY(held && held->isVisible());
        tree->setFocus();
        TreeTest::keys(QStringLiteral("Space Return Tab"));
    }
    QCOMPARE(TreeTest::write(home->taskList()->rootTask()) + QLatin1Char('|') + home->description(), before);

    QCOMPARE(server.releaseHeld(), 1);
    QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
    QTRY_VERIFY(!notice->isVisible());
    if (field) {
        QTRY_VERIFY(!field->isReadOnly());
        QCOMPARE(fill(field), editable);
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("free"));
        QVERIFY(field->toPlainText().contains(QStringLiteral("free")));
    }
}

// Typing left unsaved in Task info stays through a run of its list ("Sync
// list" or F5), which puts the server's copy of the list (new task objects)
// in place: after another client changed the list, after a tick here that
// the run uploads, and when the account's other computer adds a task at the
// top during a run that uploads a task new here, so that another task (with
// a server id of its own) takes its row. The panel stays on its task; its
// own Save then stores the typing there, and nowhere else. When the other
// computer removed the task, the panel keeps the typing, says so, and saves
// nothing: the task now at its row keeps its title and note, in the lists
// file and on the server. When it moved the task to another list, the panel
// follows it there and says so, and its Save stores the typing on it there.
void TstSyncCommands::taskInfoTypingSurvivesTheListsRun_data()
{
    QTest::addColumn<bool>("inNote");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("full"); // F5 rather than "Sync list"
    QTest::addColumn<bool>("floating"); // the dialog rather than the docked panel
    QTest::addColumn<bool>("refocus"); // the main window active again afterwards
    QTest::newRow("note, server changed") << true << "server" << false << false << false;
    QTest::newRow("title, server changed") << false << "server" << false << false << false;
    QTest::newRow("note, local tick") << true << "tick" << false << false << false;
    QTest::newRow("title, local tick") << false << "tick" << false << false << false;
    QTest::newRow("note, a task added above elsewhere") << true << "added above" << false << false << false;
    QTest::newRow("title, a task added above elsewhere") << false << "added above" << false << false << false;
    QTest::newRow("title, a task added above elsewhere, F5") << false << "added above" << true << false << false;
    QTest::newRow("note, a task added above elsewhere, floating") << true << "added above" << false << true << false;
    QTest::newRow("note, removed elsewhere") << true << "removed" << false << false << false;
    QTest::newRow("title, removed elsewhere") << false << "removed" << false << false << false;
    QTest::newRow("note, removed elsewhere, F5, floating") << true << "removed" << true << true << false;
    QTest::newRow("note, removed elsewhere, main window active again") << true << "removed" << false << false << true;
    QTest::newRow("title, removed elsewhere, F5, floating, main window active again")
        << false << "removed" << true << true << true;
    // Moved to another list elsewhere and ticked here: the full run settles
    // the move, taking the task out of this list into the other. Not changed
    // here (nothing changed, or another task only), the run brings the
    // other computer's move, and the panel follows it there too.
    QTest::newRow("title, moved elsewhere, ticked here, F5") << false << "moved" << true << false << false;
    QTest::newRow("note, moved elsewhere, ticked here, F5, floating") << true << "moved" << true << true << false;
    QTest::newRow("title, moved elsewhere, F5") << false << "moved only" << true << false << false;
    QTest::newRow("note, moved elsewhere, another task ticked here, F5, floating")
        << true << "moved, another ticked" << true << true << false;
}

void TstSyncCommands::taskInfoTypingSurvivesTheListsRun()
{
    QFETCH(bool, inNote);
    QFETCH(QString, change);
    QFETCH(bool, full);
    QFETCH(bool, floating);
    QFETCH(bool, refocus);
    const bool moved = change.startsWith(QLatin1String("moved"));
    const bool tickedHere = change == QLatin1String("tick") || change == QLatin1String("moved");
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = moved ? showPage({QStringLiteral("Home: A B"), QStringLiteral("Work: C")})
                      : showPage({QStringLiteral("Home: A B")});
    QVERIFY(page);
    auto *syncList = page->findChild<SyncSingleListAction *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(syncList);
    ListModel *home = page->currentList();
    if (moved) {
        Pilot pilot;
        QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
        QCOMPARE(page->currentList(), home);
    } else {
        syncList->trigger();
        QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
    }
    const quint32 serverId = home->taskList()->serverId();
    QVERIFY(serverId != 0);
    // The account's other computer, holding the list as it is now.
    SyncClient other;
    ListModel *theirs = other.lists.addList(home->taskList()->clone());

    TreeView *tree = page->currentTreeView();
    if (change == QLatin1String("added above")) {
        // Made here after the run: not on the server yet.
        auto *made = new Task;
        made->setTitle(QStringLiteral("C"));
        made->setCreatedBy(QStringLiteral("alice"));
        made->setCreationTime(QDateTime::fromSecsSinceEpoch(1800000000, Qt::UTC));
        home->appendTask(made);
        tree->setCurrentIndex(home->index(2, 0));
        QCOMPARE(page->currentTask()->id(), quint32(0));
    } else if (change == QLatin1String("moved, another ticked")) {
        page->centralWidget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
        tree->setCurrentIndex(home->index(1, 0));
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Space);
        QTest::keyClick(tree, Qt::Key_Up);
        QVERIFY(home->taskList()->rootTask()->child(1)->isDone());
    } else {
        tree->setCurrentIndex(home->index(0, 0));
    }
    TaskInfoDialog *info = nullptr;
    if (floating) {
        page->showTaskInfoDialog();
        info = page->taskInfoDialog();
    } else {
        info = qobject_cast<TaskInfoDialog *>(page->taskInfoPanel());
    }
    QVERIFY(info);
    info->show();
    QVERIFY(QTest::qWaitForWindowExposed(info));
    QCOMPARE(info->task(), page->currentTask());
    const QString title = page->currentTask()->title();
    PDTextEdit *typed = inNote ? info->noteEdit() : info->titleEdit();
    QTest::mouseClick(typed->viewport(), Qt::LeftButton);
    QTest::keyClick(typed, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(typed, QStringLiteral(" by Friday"));
    const QString text = typed->toPlainText();

    if (change == QLatin1String("server")) {
        FakeList changed = server.list(serverId);
        setFakeField(changed.tasks[1].fields, QStringLiteral("title"), QStringLiteral("Bills"));
        changed.tasks[1].hashcode.clear();
        ++changed.revision;
        server.putList(changed);
    } else if (moved || tickedHere) {
        page->centralWidget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
        tree->setFocus();
        if (tickedHere) {
            QTest::keyClick(tree, Qt::Key_Space);
            QVERIFY(page->currentTask()->isDone());
        }
        if (moved) {
            // The other computer moved A to Work meanwhile.
            FakeList from = server.list(serverId);
            FakeList to;
            for (const FakeList &list : server.lists())
                if (list.name == QLatin1String("Work"))
                    to = list;
            QVERIFY(!to.isNull());
            FakeTask task = from.tasks.takeFirst();
            task.id = 0;
            task.hashcode.clear();
            to.tasks.append(task);
            ++from.revision;
            ++to.revision;
            server.putList(from);
            server.putList(to);
        }
    } else if (change == QLatin1String("removed")) {
        theirs->saveUndoState();
        QVERIFY(theirs->removeRow(0));
        SingleListSynchronizer upload(&other.lists, &other.host, theirs);
        QSignalSpy uploaded(&upload, &SingleListSynchronizer::success);
        upload.start();
        QTRY_COMPARE(uploaded.size(), 1);
    }
    // The other computer's upload of a task at the top lands while this
    // client's run is under way: after its upload, before its read-back.
    // (Landed before the run, this client's later upload would keep its
    // own order, the other's task last.)
    QMetaObject::Connection landing;
    if (change == QLatin1String("added above")) {
        const QRegularExpression listPut(QStringLiteral("^/lists/\\d+$"));
        landing = connect(&server, &FakeServer::requestReceived, &server, [&, listPut](const FakeRequest &request) {
            if (request.method != "PUT" || !listPut.match(request.path).hasMatch())
                return;
            disconnect(landing);
            FakeList changed = server.list(serverId);
            FakeTask above = FakeTask::make(QStringLiteral("Z"));
            setFakeField(above.fields, QStringLiteral("created-by"), QStringLiteral("alice"));
            changed.tasks.prepend(above);
            ++changed.revision;
            server.putList(changed);
        });
    }
    const Task *before = page->currentTask();
    if (full) {
        page->centralWidget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
        Pilot pilot;
        QTest::keyClick(tree, Qt::Key_F5);
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
        QVERIFY(pilot.syncDialogs > 0);
    } else {
        syncList->updateState();
        QVERIFY(syncList->isEnabled());
        syncList->trigger();
        QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
    }
    QCOMPARE(page->currentList(), home);
    const QString after = change == QLatin1String("server")                  ? QStringLiteral("A Bills")
                          : change == QLatin1String("tick")                  ? QStringLiteral("*A B")
                          : change == QLatin1String("added above")           ? QStringLiteral("Z A B C")
                          : change == QLatin1String("moved, another ticked") ? QStringLiteral("*B")
                                                                             : QStringLiteral("B");
    const QString movedShape = tickedHere ? QStringLiteral("C *A") : QStringLiteral("C A");
    if (moved)
        QCOMPARE(serverShape(server, QStringLiteral("Work")), movedShape);
    QCOMPARE(serverShape(server, QStringLiteral("Home")), after);
    QCOMPARE(TreeTest::write(home->taskList()->rootTask()), after);
    QCOMPARE(typed->toPlainText(), text);
    auto *notice = info->findChild<QLabel *>(QStringLiteral("goneNoticeLabel"));

    ListModel *work = moved ? page->userLists()->models().last() : nullptr;
    if (moved) {
        // On the task where it went, the typing on show for its Save; the
        // page's tree, where another task took its row, has none current.
        QVERIFY(!tree->currentIndex().isValid());
        QCOMPARE(info->model(), work);
        QCOMPARE(info->task(), work->taskList()->rootTask()->child(1));
        QVERIFY(notice);
        QTRY_VERIFY(notice->isVisible());
        QVERIFY2(notice->text().contains(QStringLiteral("moved to the list \"Work\" on another computer")),
                 qPrintable(notice->text()));
        QTRY_VERIFY(!typed->isReadOnly());
        QCOMPARE(inNote ? info->titleEdit()->toPlainText() : info->noteEdit()->toPlainText(),
                 inNote ? title : QString());
        QTest::mouseClick(inNote ? info->saveNoteButton() : info->saveTitleButton(), Qt::LeftButton);
        page->centralWidget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
        Pilot pilot;
        QTest::keyClick(tree, Qt::Key_F5);
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
        QCOMPARE(info->task(), work->taskList()->rootTask()->child(1));
    } else if (change == QLatin1String("removed")) {
        if (refocus) {
            // To the panel's window and back: the main window's tree takes
            // the focus again, which chooses no task.
            info->window()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(info->window()));
            page->centralWidget()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
            QCOMPARE(QApplication::focusWidget(), tree);
            QCOMPARE(typed->toPlainText(), text);
        }
        // No task is current: the one now at its row is another task.
        QVERIFY(!tree->currentIndex().isValid());
        QVERIFY(!info->task());
        QVERIFY(notice);
        QTRY_VERIFY(notice->isVisible());
        QVERIFY2(notice->text().contains(QStringLiteral("removed on another computer")), qPrintable(notice->text()));
        QVERIFY2(notice->text().contains(QStringLiteral("What you typed stays here for you to copy")),
                 qPrintable(notice->text()));
        QVERIFY(typed->isReadOnly());
        // The other field still shows the removed task's own text.
        QCOMPARE(inNote ? info->titleEdit()->toPlainText() : info->noteEdit()->toPlainText(),
                 inNote ? title : QString());
        QVERIFY(!info->saveTitleButton()->isEnabled());
        QVERIFY(!info->saveNoteButton()->isEnabled());
        const quint32 revision = server.list(serverId).revision;
        QTest::mouseClick(info->saveTitleButton(), Qt::LeftButton);
        QTest::mouseClick(info->saveNoteButton(), Qt::LeftButton);
        QTest::keyClick(typed, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(typed->toPlainText(), text);
        QCOMPARE(home->taskList()->syncStatus(), TaskList::Unedited);
        QVERIFY(!home->taskList()->rootTask()->child(0)->hasNote());
        syncList->updateState();
        syncList->trigger();
        QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
        QCOMPARE(server.list(serverId).revision, revision);
    } else {
        // The run put new task objects in place; the panel is on the same task.
        QVERIFY(page->currentTask() != before);
        QCOMPARE(page->currentTask()->title(), title);
        QCOMPARE(info->task(), page->currentTask());
        QVERIFY(page->currentTask()->id() != 0);
        QVERIFY(!page->currentTask()->hasNote());
        QVERIFY(!notice || !notice->isVisible());
        QTRY_VERIFY(!typed->isReadOnly());

        QTest::mouseClick(inNote ? info->saveNoteButton() : info->saveTitleButton(), Qt::LeftButton);
        if (inNote)
            QCOMPARE(page->currentTask()->note().text(), text.trimmed());
        else
            QCOMPARE(page->currentTask()->title(), text);
        syncList->updateState();
        syncList->trigger();
        QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
    }
    // No other task took the typing: not here, not in the lists file, not on
    // the server.
    QVERIFY(page->saveLists());
    std::unique_ptr<UserLists> saved(UserLists::load(ListsUI::listsFilePath()));
    QVERIFY(saved);
    QCOMPARE(saved->models().size(), moved ? 2 : 1);
    const QList<FakeTask> serverTasks = server.list(serverId).tasks;
    const QList<Task *> savedTasks = saved->models().first()->taskList()->rootTask()->children();
    const QList<Task *> tasks = home->taskList()->rootTask()->children();
    QCOMPARE(saved->models().first()->name(), QStringLiteral("Home"));
    QCOMPARE(savedTasks.size(), tasks.size());
    QCOMPARE(serverTasks.size(), tasks.size());
    if (moved) {
        // The task where it went took it, there and on the server.
        const Task *savedTask = saved->models().last()->taskList()->rootTask()->child(1);
        const FakeTask serverTask = server.list(work->taskList()->serverId()).tasks.value(1);
        QCOMPARE(TreeTest::write(work->taskList()->rootTask()),
                 inNote ? movedShape : movedShape.chopped(1) + text);
        const Task *workTask = work->taskList()->rootTask()->child(1);
        for (const Task *task : {workTask, savedTask}) {
            QCOMPARE(task->note().text(), inNote ? text.trimmed() : QString());
            QCOMPARE(task->title(), inNote ? title : text);
        }
        QCOMPARE(fakeField(serverTask.fields, QStringLiteral("note-text")), inNote ? text.trimmed() : QString());
        QCOMPARE(serverTask.title(), inNote ? title : text);
    }
    for (int i = 0; i < tasks.size(); ++i) {
        const bool typedOne = change != QLatin1String("removed") && !moved && tasks[i] == page->currentTask();
        for (const QString &shown : {tasks[i]->title(), savedTasks[i]->title(), serverTasks[i].title()}) {
            QVERIFY2((typedOne && !inNote) == shown.contains(QStringLiteral("Friday")), qPrintable(shown));
            if (!typedOne || inNote)
                QCOMPARE(shown, QString(after.split(QLatin1Char(' ')).at(i)).remove(QLatin1Char('*')));
        }
        const QString serverNote = fakeField(serverTasks[i].fields, QStringLiteral("note-text"));
        for (const QString &note : {tasks[i]->note().text(), savedTasks[i]->note().text(), serverNote})
            QCOMPARE(note.contains(QStringLiteral("Friday")), typedOne && inNote);
    }
}

// Typing left unsaved in Task info for a task whose whole list a run takes
// away (removed on the other computer, or no longer shared with the user),
// or in List info for that list's description, stays on show, read-only, and
// the panel says why; the page goes on to another list, where no task is
// current and none takes the typing, whatever a run does to that list
// meanwhile. Once the user chooses a task there (the one that was current
// too), the form is that task's, or that list's.
void TstSyncCommands::taskInfoTypingOutlivesItsList_data()
{
    QTest::addColumn<QString>("panel"); // "task info" (its note or title), or "list info"
    QTest::addColumn<bool>("inNote");
    QTest::addColumn<QString>("change"); // "removed" on the other computer, or "unshared" by its owner
    QTest::addColumn<bool>("full");      // F5 rather than "Sync list"
    QTest::addColumn<bool>("floating");  // the dialog rather than the docked panel
    QTest::newRow("note, list removed elsewhere, F5") << "task info" << true << "removed" << true << false;
    QTest::newRow("title, list removed elsewhere, F5, floating") << "task info" << false << "removed" << true << true;
    QTest::newRow("note, list removed elsewhere, Sync list, floating") << "task info" << true << "removed" << false
                                                                         << true;
    QTest::newRow("title, list unshared by its owner, F5") << "task info" << false << "unshared" << true << false;
    QTest::newRow("note, list unshared by its owner, F5, floating") << "task info" << true << "unshared" << true
                                                                      << true;
    QTest::newRow("list info, list removed elsewhere, F5") << "list info" << false << "removed" << true << false;
    QTest::newRow("list info, list removed elsewhere, Sync list") << "list info" << false << "removed" << false
                                                                    << false;
    QTest::newRow("list info, list unshared by its owner, F5") << "list info" << false << "unshared" << true
                                                                 << false;
    // Nothing typed: the panel follows the page to Work's current task.
    QTest::newRow("nothing typed, list removed elsewhere, F5") << "nothing typed" << false << "removed" << true
                                                                 << false;
}

void TstSyncCommands::taskInfoTypingOutlivesItsList()
{
    QFETCH(QString, panel);
    QFETCH(bool, inNote);
    QFETCH(QString, change);
    QFETCH(bool, full);
    QFETCH(bool, floating);
    const bool unshared = change == QLatin1String("unshared");
    const bool taskInfo = panel != QLatin1String("list info");
    const bool nothingTyped = panel == QLatin1String("nothing typed");
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    server.addUser(QStringLiteral("bob"), QStringLiteral("secret"));
    quint32 homeId = 0;
    if (unshared) {
        homeId = server.addList(QStringLiteral("bob"), QStringLiteral("Home"),
                                {FakeTask::make(QStringLiteral("A")), FakeTask::make(QStringLiteral("B"))});
        server.share(homeId, QStringLiteral("alice"), QStringLiteral("rw"));
    }
    auto page = showPage(unshared ? QStringList{QStringLiteral("Work: C D")}
                                  : QStringList{QStringLiteral("Home: A B"), QStringLiteral("Work: C D")});
    QVERIFY(page);
    const auto runF5 = [&] {
        page->centralWidget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
        Pilot pilot;
        QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
        QVERIFY(pilot.syncDialogs > 0);
    };
    runF5();
    QVERIFY(!QTest::currentTestFailed());
    QPointer<ListModel> home;
    for (ListModel *list : page->userLists()->models()) {
        if (list->name() == QLatin1String("Home"))
            home = list;
    }
    QVERIFY(home);
    if (!unshared)
        homeId = home->taskList()->serverId();
    QVERIFY(homeId != 0);
    QCOMPARE(home->isOwned(), !unshared);
    QCOMPARE(serverShape(server, QStringLiteral("Work")), QStringLiteral("C D"));

    // Work's second task current, then Home's tab, its first task, and the form.
    auto *bar = page->centralWidget()->findChild<QTabBar *>();
    QVERIFY(bar);
    for (ListModel *list : page->userLists()->models()) {
        if (list->name() == QLatin1String("Work"))
            page->treeViewForList(list)->setCurrentIndex(list->index(1, 0));
    }
    for (int i = 0; i < bar->count(); ++i) {
        if (bar->tabText(i) == QLatin1String("Home"))
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
    }
    QCOMPARE(page->currentList(), home.data());
    TreeView *tree = page->currentTreeView();
    tree->setCurrentIndex(home->index(0, 0));
    TaskInfoDialog *info = nullptr;
    std::unique_ptr<Docked<ListInfoDialog>> docked;
    PDTextEdit *typed = nullptr;
    QLabel *notice = nullptr;
    if (!taskInfo) {
        docked = std::make_unique<Docked<ListInfoDialog>>(page->listInfoPanel());
        QVERIFY(docked->isShown());
        typed = docked->panel->descriptionEdit();
        notice = docked->panel->goneNoticeLabel();
    } else {
        if (floating) {
            page->showTaskInfoDialog();
            info = page->taskInfoDialog();
        } else {
            info = qobject_cast<TaskInfoDialog *>(page->taskInfoPanel());
        }
        QVERIFY(info);
        info->show();
        QVERIFY(QTest::qWaitForWindowExposed(info));
        QCOMPARE(info->task(), page->currentTask());
        typed = inNote ? info->noteEdit() : info->titleEdit();
        notice = info->goneNoticeLabel();
    }
    if (!nothingTyped) {
        QTest::mouseClick(typed->viewport(), Qt::LeftButton);
        QTest::keyClick(typed, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(typed, QStringLiteral(" by Friday"));
    }
    const QString text = typed->toPlainText();

    if (unshared)
        server.share(homeId, QStringLiteral("alice"), QString());
    else
        server.removeList(homeId);
    if (full) {
        runF5();
        QVERIFY(!QTest::currentTestFailed());
    } else {
        auto *syncList = page->findChild<SyncSingleListAction *>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(syncList);
        syncList->updateState();
        QVERIFY(syncList->isEnabled());
        syncList->trigger();
        QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
    }
    QTRY_VERIFY(!home);
    QCOMPARE(page->currentList()->name(), QStringLiteral("Work"));
    tree = page->currentTreeView();
    if (nothingTyped) {
        QCOMPARE(page->currentTask()->title(), QStringLiteral("D"));
        QCOMPARE(info->task(), page->currentTask());
        QCOMPARE(info->titleEdit()->toPlainText(), QStringLiteral("D"));
        QVERIFY(!notice->isVisible());
        QVERIFY(!info->titleEdit()->isReadOnly());
        return;
    }
    // No task of Work took the removed one's place.
    QVERIFY(!tree->currentIndex().isValid());

    // The form keeps the typing, read-only, and says why.
    const auto keptOnShow = [&] {
        QCOMPARE(typed->toPlainText(), text);
        QVERIFY(typed->isReadOnly());
        QVERIFY(notice->isVisible());
        const QString what = taskInfo ? QStringLiteral("This task's list") : QStringLiteral("This list");
        QVERIFY2(notice->text().startsWith(what + (unshared ? QStringLiteral(" is no longer shared with you")
                                                            : QStringLiteral(" was removed on another computer"))),
                 qPrintable(notice->text()));
        QVERIFY2(notice->text().endsWith(
                     QStringLiteral("What you typed stays here for you to copy; it cannot be saved.")),
                 qPrintable(notice->text()));
        if (info)
            QVERIFY(!info->task());
    };
    QTRY_VERIFY(notice->isVisible());
    keptOnShow();
    if (info)
        QCOMPARE(inNote ? info->titleEdit()->toPlainText() : info->noteEdit()->toPlainText(),
                 inNote ? QStringLiteral("A") : QString());
    QList<QWidget *> saves;
    if (info)
        saves = {info->saveTitleButton(), info->saveNoteButton(), info->doneBox()};
    else
        saves = {docked->panel->saveDescriptionButton(), docked->panel->doneBox(), docked->panel->renameButton()};
    for (QWidget *save : saves) {
        QVERIFY(!save->isEnabled() || !save->isVisible());
        QTest::mouseClick(save, Qt::LeftButton);
    }
    QTest::keyClick(typed, Qt::Key_Return, Qt::ControlModifier);
    keptOnShow();
    // Work took none of it, here, in the lists file or on the server.
    ListModel *work = page->currentList();
    QVERIFY(!work->isDone());
    QVERIFY(!work->description().contains(QStringLiteral("Friday")));
    for (const Task *task : work->taskList()->allTasks())
        QVERIFY2(!task->title().contains(QStringLiteral("Friday")) && !task->note().text().contains(QStringLiteral("Friday")),
                 qPrintable(task->title()));
    QVERIFY(page->saveLists());
    {
        QFile file(ListsUI::listsFilePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("Friday"));
    }
    // The other computer renames a task of Work, and the next run puts the
    // server's copy of Work in place: still no choice of the user's.
    for (const FakeList &list : server.lists()) {
        if (list.name != QLatin1String("Work"))
            continue;
        FakeList changed = list;
        setFakeField(changed.tasks[1].fields, QStringLiteral("title"), QStringLiteral("Dishes"));
        changed.tasks[1].hashcode.clear();
        ++changed.revision;
        server.putList(changed);
    }
    runF5();
    QVERIFY(!QTest::currentTestFailed());
    QCOMPARE(serverShape(server, QStringLiteral("Work")), QStringLiteral("C Dishes"));
    QCOMPARE(TreeTest::write(work->taskList()->rootTask()), QStringLiteral("C Dishes"));
    keptOnShow();

    // A task chosen with a click: the form is that task's, or Work's, editable.
    tree->setFocus();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(work->index(0, 0)).center());
    QVERIFY(page->currentTask());
    QCOMPARE(page->currentTask()->title(), QStringLiteral("C"));
    QVERIFY(!notice->isVisible());
    QVERIFY(!typed->isReadOnly());
    if (info) {
        QCOMPARE(info->task(), page->currentTask());
        QCOMPARE(info->titleEdit()->toPlainText(), QStringLiteral("C"));
        QCOMPARE(info->noteEdit()->toPlainText(), QString());
        QVERIFY(info->saveNoteButton()->isEnabled());
    } else {
        QCOMPARE(docked->panel->nameLabel()->text(), QStringLiteral("Work"));
        QCOMPARE(typed->toPlainText(), work->description());
        QVERIFY(docked->panel->saveDescriptionButton()->isVisible());
    }
}

// A form open on a task or list (its note, its new name, a link) while a run
// of the list takes that task or list away (an autosynchronisation, removed
// on the other computer): its Save stores nothing anywhere, and says so with
// what was typed, rather than dropping it without a word, or putting the
// link on the task the page went on to.
void TstSyncCommands::formOpenWhenARunTakesItsTaskAway_data()
{
    QTest::addColumn<QString>("form"); // "note", "rename" or "link"
    QTest::addColumn<QString>("gone"); // "task" or "list"
    QTest::newRow("note, task removed elsewhere") << "note" << "task";
    QTest::newRow("note, list removed elsewhere") << "note" << "list";
    QTest::newRow("rename, list removed elsewhere") << "rename" << "list";
    QTest::newRow("link, task removed elsewhere") << "link" << "task";
    QTest::newRow("link, list removed elsewhere") << "link" << "list";
}

void TstSyncCommands::formOpenWhenARunTakesItsTaskAway()
{
    QFETCH(QString, form);
    QFETCH(QString, gone);
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage({QStringLiteral("Home: A B"), QStringLiteral("Work: C D")});
    QVERIFY(page);
    {
        Pilot pilot;
        QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
    }
    ListModel *first = page->userLists()->models().value(0);
    QPointer<ListModel> home = first && first->name() == QLatin1String("Home") ? first
                                                                               : page->userLists()->models().value(1);
    QVERIFY(home && home->name() == QLatin1String("Home"));
    const quint32 homeId = home->taskList()->serverId();
    page->setCurrentList(home);
    page->currentTreeView()->setCurrentIndex(home->index(0, 0));
    QCOMPARE(page->currentTask()->title(), QStringLiteral("A"));
    TaskAttachmentsDialog *links = nullptr;
    if (form == QLatin1String("link")) {
        page->showTaskAttachmentsDialog();
        links = page->taskAttachmentsDialog();
        QVERIFY(links);
        QVERIFY(QTest::qWaitForWindowExposed(links));
    }

    const QString typed = QStringLiteral("Friday");
    bool saved = false;
    QStringList said;
    DialogDriver::whenModal([&](QWidget *dialog) {
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        if (form == QLatin1String("note")) {
            auto *editor = dialog->findChild<QTextEdit *>(QStringLiteral("textedit"));
            QVERIFY(editor);
            QTest::keyClicks(editor, typed);
        } else if (form == QLatin1String("rename")) {
            auto *name = dialog->findChild<QLineEdit *>();
            QVERIFY(name);
            name->selectAll();
            QTest::keyClicks(name, typed);
        } else {
            const QList<PDLineEdit *> edits =
                dialog->findChild<QFrame *>(QStringLiteral("webElementsFrame"))->findChildren<PDLineEdit *>();
            QVERIFY(edits.size() >= 2);
            QTest::keyClicks(edits.at(0), typed);
            QTest::keyClicks(edits.at(1), QStringLiteral("http://example.org/") + typed);
        }
        // The other computer's change, brought by a run of Home meanwhile.
        if (gone == QLatin1String("list")) {
            server.removeList(homeId);
        } else {
            FakeList changed = server.list(homeId);
            changed.tasks.removeFirst();
            ++changed.revision;
            server.putList(changed);
        }
        page->syncSingleList(home);
        QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
        QCOMPARE(bool(home), gone == QLatin1String("task"));
        QPushButton *save = dialog->findChild<QPushButton *>(QStringLiteral("okbutton"));
        if (!save) {
            for (QPushButton *button : dialog->findChildren<QPushButton *>())
                if (button->text() == QLatin1String("Save"))
                    save = button;
        }
        QVERIFY(save);
        // A list taken away gives Save back once its removal is seen through.
        QTRY_VERIFY(save->isEnabled());
        // What is said then, once the form is gone.
        DialogDriver::whenDialog(
            [dialog = QPointer<QWidget>(dialog)]() -> QWidget * {
                QWidget *box = DialogDriver::visibleDialog("MessageDialog");
                return box && box != dialog ? box : nullptr;
            },
            [&said](QWidget *box) {
                const auto *label = box->findChild<QLabel *>(QStringLiteral("textlabel"));
                said << (label ? label->text() : QString());
                QTest::mouseClick(box->findChild<QPushButton *>(QStringLiteral("okbutton")), Qt::LeftButton);
            },
            500);
        QTest::mouseClick(save, Qt::LeftButton);
        saved = true;
    });
    if (form == QLatin1String("note"))
        page->showNoteDialog();
    else if (form == QLatin1String("rename"))
        page->changeListNameExternally(home, page->centralWidget());
    else
        QTest::mouseClick(links->addButton(), Qt::LeftButton);
    QVERIFY(saved);
    // Said, with what was typed.
    QTRY_COMPARE(said.size(), 1);
    QVERIFY2(said.first().contains(QStringLiteral("was not saved")) && said.first().contains(typed),
             qPrintable(said.first()));
    // Stored nowhere: no task, list or file holds it.
    for (ListModel *list : page->userLists()->models()) {
        QVERIFY(!list->name().contains(typed));
        for (const Task *task : list->taskList()->allTasks()) {
            QVERIFY(!task->note().text().contains(typed));
            QVERIFY(task->attachments().isEmpty());
        }
    }
    QVERIFY(page->saveLists());
    QFile file(ListsUI::listsFilePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains(typed.toUtf8()));
}

// A description typed in the docked List info stays through a run of its
// list, which puts a new list object in place; the panel shows what the run
// brought (the name given on the other computer, the new revision), as does
// the list manager's row, and its own Save then stores the typing.
void TstSyncCommands::listInfoFollowsTheListsRun_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("fullRun");
    QTest::newRow("renamed on the server") << "server" << false;
    QTest::newRow("local tick") << "tick" << false;
    QTest::newRow("renamed on the server, full run") << "server" << true;
}

void TstSyncCommands::listInfoFollowsTheListsRun()
{
    QFETCH(QString, change);
    QFETCH(bool, fullRun);
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage({QStringLiteral("Home: A B")});
    QVERIFY(page);
    auto *syncList = page->findChild<SyncSingleListAction *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(syncList);
    ListModel *home = page->currentList();
    home->setDescription(QStringLiteral("Weekly"));
    syncList->trigger();
    QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
    QVERIFY(home->taskList()->serverId() != 0);

    TreeView *tree = page->currentTreeView();
    tree->setCurrentIndex(home->index(0, 0));
    Docked<ListInfoDialog> docked(page->listInfoPanel());
    QVERIFY(docked.isShown());
    ListInfoDialog *listPanel = docked.panel;
    PDTextEdit *typed = listPanel->descriptionEdit();
    QCOMPARE(listPanel->revisionLabel()->text(), QString::number(home->taskList()->revision()));
    auto *manager = qobject_cast<ListGroupsManagerDialog *>(page->listsGroupsManagerPanel());
    QVERIFY(manager);
    auto managerNames = [manager] {
        QStringList names;
        for (const ListsGroupsManagerFrameElement *element : manager->findChildren<ListsGroupsManagerFrameElement *>())
            names << element->name();
        return names;
    };
    QVERIFY(managerNames().contains(QStringLiteral("Home")));
    QTest::mouseClick(typed->viewport(), Qt::LeftButton);
    QTest::keyClick(typed, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(typed, QStringLiteral(" by Friday"));
    const QString text = typed->toPlainText();

    const quint32 revisionBefore = home->taskList()->revision();
    const TaskList *listBefore = home->taskList();
    if (change == QLatin1String("server")) {
        FakeList changed = server.list(home->taskList()->serverId());
        changed.name = QStringLiteral("House");
        setFakeField(changed.tasks[1].fields, QStringLiteral("title"), QStringLiteral("Bills"));
        changed.tasks[1].hashcode.clear();
        ++changed.revision;
        server.putList(changed);
    } else {
        page->centralWidget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Space);
        QVERIFY(page->currentTask()->isDone());
    }
    if (fullRun) {
        Pilot pilot;
        syncAction(page.get())->trigger();
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
    } else {
        syncList->updateState();
        QVERIFY(syncList->isEnabled());
        syncList->trigger();
        QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
    }
    QTRY_VERIFY(!typed->isReadOnly());
    home = page->currentList();
    const QString after = change == QLatin1String("server") ? QStringLiteral("A Bills") : QStringLiteral("*A B");
    QCOMPARE(serverShape(server, home->name()), after);
    QVERIFY(home->taskList() != listBefore);
    QCOMPARE(typed->toPlainText(), text);
    const QString name = change == QLatin1String("server") ? QStringLiteral("House") : QStringLiteral("Home");
    QCOMPARE(home->name(), name);
    QCOMPARE(listPanel->nameLabel()->text(), name);
    // The list manager's row shows that name too.
    QVERIFY2(managerNames().contains(name), qPrintable(managerNames().join(QLatin1Char(','))));
    QCOMPARE(managerNames().contains(QStringLiteral("Home")), name == QLatin1String("Home"));
    QVERIFY(home->taskList()->revision() > revisionBefore);
    QCOMPARE(listPanel->revisionLabel()->text(), QString::number(home->taskList()->revision()));
    QCOMPARE(home->description(), QStringLiteral("Weekly"));
    QTest::mouseClick(listPanel->saveDescriptionButton(), Qt::LeftButton);
    QCOMPARE(home->description(), text);
}

// The sync button pressed while a list's new name is being typed in the
// docked list manager (the button takes no focus, so the field stays open): the run
// brings the server's groups and the manager rebuilds its rows; the typing
// stays in the row, and Return then renames the list.
void TstSyncCommands::listManagerRenameSurvivesTheFullRun()
{
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage({QStringLiteral("Home: A"), QStringLiteral("Work: W")});
    QVERIFY(page);
    Docked<ListGroupsManagerDialog> docked(page->listsGroupsManagerPanel());
    QVERIFY(docked.isShown());
    ListsGroupsManagerFrameElement *frame = shownRow(docked.panel, QStringLiteral("Home"));
    QVERIFY(frame);
    frame->startRename();
    auto *edit = frame->findChild<QLineEdit *>(QStringLiteral("nameTextEdit"));
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, QStringLiteral(" office"));
    {
        Pilot pilot;
        syncAction(page.get())->trigger();
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
        QVERIFY(pilot.syncDialogs > 0);
    }
    QCOMPARE(serverListNames(server), (QStringList{"Home", "Work"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    returnInTheRenamedRow(docked, QStringLiteral("Home"), QStringLiteral("Home office"));
    if (QTest::currentTestFailed())
        return;
    QVERIFY(page->userLists()->models().first()->name() == QLatin1String("Home office")
            || page->userLists()->models().last()->name() == QLatin1String("Home office"));
}

// A group's new name is being typed in the docked list manager while a run
// puts the tree edited here (a group added) onto the server's, which another
// computer changed (Attic added): the typing stays in the group's row, Return
// renames it, and nothing either computer did is lost.
void TstSyncCommands::listManagerGroupRenameSurvivesAMergingRun()
{
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    FakeGroup root{0, {}, true, {}, {FakeGroup{20, QStringLiteral("Shelf"), true, {}, {}}}};
    server.setGroups(QStringLiteral("alice"), root);
    auto page = showPage({QStringLiteral("Home: A")});
    QVERIFY(page);
    Docked<ListGroupsManagerDialog> docked(page->listsGroupsManagerPanel());
    QVERIFY(docked.isShown());
    ListGroupsManagerDialog *manager = docked.panel;
    const auto sync = [&page] {
        Pilot pilot;
        syncAction(page.get())->trigger();
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    sync();
    QVERIFY(shownRow(manager, QStringLiteral("Shelf")));

    root.children << FakeGroup{21, QStringLiteral("Attic"), true, {}, {}};
    server.setGroups(QStringLiteral("alice"), root);
    manager->container()->addNewGroup();
    ListsGroupsManagerFrameElement *frame = shownRow(manager, QStringLiteral("Shelf"));
    frame->startRename();
    auto *edit = frame->findChild<QLineEdit *>(QStringLiteral("nameTextEdit"));
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, QStringLiteral(" 2"));
    sync();
    QCOMPARE(serverGroupsOutline(server, QStringLiteral("alice")), QStringLiteral("[Home]Shelf([])Attic([])New Group([])"));
    returnInTheRenamedRow(docked, QStringLiteral("Shelf"), QStringLiteral("Shelf 2"));
    QVERIFY(shownRow(manager, QStringLiteral("Shelf 2")));
    sync();
    QCOMPARE(serverGroupsOutline(server, QStringLiteral("alice")), QStringLiteral("[Home]Shelf 2([])Attic([])New Group([])"));
    QVERIFY(shownRow(manager, QStringLiteral("Attic")));
    QVERIFY(shownRow(manager, QStringLiteral("New Group")));
}

// The untouched starting list goes when a run starts and a new one takes its
// place after it: an open list manager shows a row for each tab.
void TstSyncCommands::listManagerShowsTheListTheRunStartsAgain()
{
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage({});
    QVERIFY(page);
    QCOMPARE(page->userLists()->models().size(), 1);
    Docked<ListGroupsManagerDialog> docked(page->listsGroupsManagerPanel());
    QVERIFY(docked.isShown());
    ListGroupsManagerDialog *manager = docked.panel;
    const auto rows = [manager] {
        QStringList names;
        for (ListsGroupsManagerElement *row : manager->findChildren<ListsGroupsManagerElement *>())
            if (row->isList() && !row->isHidden())
                names << row->name();
        names.sort();
        return names;
    };
    const auto tabs = [&page] {
        QStringList names;
        for (ListModel *model : page->userLists()->models())
            names << model->name();
        names.sort();
        return names;
    };
    QCOMPARE(rows(), tabs());
    {
        Pilot pilot;
        syncAction(page.get())->trigger();
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!tabs().isEmpty());
    QCOMPARE(rows(), tabs());

    // A list added on the page, or by the manager's own command, has one row.
    page->centralWidget()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
    QTest::keyClick(page->currentTreeView(), Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(page->userLists()->models().size(), 2);
    QCOMPARE(rows(), tabs());
    ListsGroupsManagerContainer *container = manager->container();
    container->addNewListIntoDefaultGroup();
    QCOMPARE(page->userLists()->models().size(), 3);
    QCOMPARE(rows(), tabs());
}

// Delete on a task with subtasks asks first; "Sync list" starts while the
// question is open (from the page's menu or the server's news): Yes then
// removes nothing, as the run would bring the task back.
void TstSyncCommands::removeQuestionOpenWhenTheRunStarts()
{
    UISettings::instance()->setRemoveChildrenOnDelete(UISettings::AskRemoveChildren);
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage({QStringLiteral("Home: A[a1] B")});
    QVERIFY(page);
    ListModel *home = page->currentList();
    TreeView *tree = page->currentTreeView();
    tree->setCurrentIndex(home->index(0, 0));
    tree->setFocus();
    const QString before = TreeTest::write(home->taskList()->rootTask());
    server.hold(QStringLiteral("^/lists$"));
    auto *syncList = page->findChild<SyncSingleListAction *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(syncList);
    bool asked = false;
    DialogDriver::whenModal([&](QWidget *w) {
        auto *question = qobject_cast<DeleteChildrenDialog *>(w);
        QVERIFY(question);
        asked = true;
        syncList->trigger();
        QTRY_COMPARE(server.heldCount(), 1);
        QTest::mouseClick(question->findChild<QPushButton *>(QStringLiteral("okbutton")), Qt::LeftButton);
    });
    QTest::keyClick(tree, Qt::Key_Delete);
    QVERIFY(asked);
    QCOMPARE(TreeTest::write(home->taskList()->rootTask()), before);
    QCOMPARE(server.releaseHeld(), 1);
    QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
    QCOMPARE(TreeTest::write(page->currentList()->taskList()->rootTask()), before);
    QCOMPARE(serverShape(server, QStringLiteral("Home")), before);
}

void TstSyncCommands::syncListFailureShowsOnItsTab_data()
{
    QTest::addColumn<bool>("inDoubt");
    // The list here at a revision above the server's: the run says so here
    // alone, no box taking the keys of a user who did not wait for it.
    QTest::addColumn<bool>("ahead");
    QTest::newRow("its creation in doubt: it waits for the full run") << true << false;
    QTest::newRow("the server refuses the upload") << false << false;
    QTest::newRow("the list ahead of the server's") << false << true;
}

// "Sync list" that ends without synchronising the list says why on the
// list's tab until its next run, which succeeds and takes it away.
void TstSyncCommands::syncListFailureShowsOnItsTab()
{
    QFETCH(bool, inDoubt);
    QFETCH(bool, ahead);
    CheckedFakeServer server;
    QVERIFY(serveAlice(server));
    auto page = showPage({QStringLiteral("Trip: Tickets")});
    QVERIFY(page);
    ListModel *trip = page->currentList();
    if (inDoubt) {
        server.dropAnswerAfterApplying("POST", QStringLiteral("^/lists$"));
        Pilot pilot;
        QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
        QCOMPARE(pilot.errors.size(), 1);
        QCOMPARE(trip->taskList()->syncStatus(), TaskList::New);
    } else {
        Pilot pilot;
        QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
        QVERIFY(pilot.errors.isEmpty());
        trip = page->currentList();
        QVERIFY(trip->setData(trip->index(0, 0), QStringLiteral("Passports"), Qt::EditRole));
        if (ahead)
            trip->taskList()->setRevision(trip->taskList()->revision() + 3);
        else
            server.respondOnce("PUT", QStringLiteral("^/lists/\\d+$"), 500);
    }
    auto *syncList = page->findChild<SyncSingleListAction *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(syncList);
    TabWidget *tabs = page->tabWidget();
    syncList->updateState();
    {
        Pilot pilot;
        syncList->trigger();
        QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
        QCOMPARE(pilot.boxes, QStringList());
    }
    QTRY_VERIFY(!tabs->tabToolTip(0).isEmpty());
    QVERIFY(!tabs->tabIcon(0).isNull());
    const QString expected = inDoubt ? SingleListSynchronizer::waitsForFullSyncText(QStringLiteral("Trip"))
                             : ahead ? QStringLiteral("The local revision number of the list Trip is bigger than the "
                                                      "remote one.\nPlease force a local or remote sync to fix the "
                                                      "problem")
                                     : QStringLiteral("Failed to upload changes.");
    QVERIFY2(tabs->tabToolTip(0).contains(expected), qPrintable(tabs->tabToolTip(0)));
    // Waiting for the full run is not a failure, and does not say it is.
    const bool saysFailed
        = tabs->tabToolTip(0).startsWith(QStringLiteral("The last synchronisation of this list failed"));
    QCOMPARE(saysFailed, !inDoubt);
    const QIcon shown = QApplication::style()->standardIcon(inDoubt ? QStyle::SP_MessageBoxInformation
                                                                    : QStyle::SP_MessageBoxWarning);
    QCOMPARE(tabs->tabIcon(0).pixmap(16).toImage(), shown.pixmap(16).toImage());

    // The next run of the list settles it (the full run for a list in
    // doubt) and the tab is as before.
    if (inDoubt) {
        page->centralWidget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
        Pilot pilot;
        QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
        QVERIFY(pilot.syncDialogs > 0);
        QVERIFY(pilot.errors.isEmpty());
        QCOMPARE(server.visibleLists(QStringLiteral("alice")).size(), 1);
        QCOMPARE(page->userLists()->models().size(), 1);
    }
    if (ahead)
        trip->taskList()->setRevision(server.list(trip->taskList()->serverId()).revision);
    syncList->updateState();
    syncList->trigger();
    QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
    QTRY_VERIFY2(tabs->tabToolTip(0).isEmpty(), qPrintable(tabs->tabToolTip(0)));
    QVERIFY(tabs->tabIcon(0).isNull());
}

void TstSyncCommands::keptTaskToldOnItsTabWhileTheUserTypes_data()
{
    QTest::addColumn<bool>("autosync"); // else "Sync list", then on to the other list
    // The server's copy changed without a new revision of the task: what
    // either side changed cannot be told, and the user's version is kept
    // beside it, on a tab of its own.
    QTest::addColumn<bool>("copy");
    // Once started again, the list's own next run before the full run: what
    // its tab says was not read, and stays.
    QTest::addColumn<bool>("nextOwnRun");
    // The pointer over the tab shows its tip before the full run: read, it
    // is not told again.
    QTest::addColumn<bool>("readTip");
    QTest::newRow("autosync of the list left") << true << false << false << false;
    QTest::newRow("Sync list, then the other list") << false << false << false << false;
    QTest::newRow("autosync, the user's version kept beside") << true << true << false << false;
    QTest::newRow("autosync, then the list's next run") << true << false << true << false;
    QTest::newRow("autosync, the user's version kept beside, then its next run") << true << true << true << false;
    QTest::newRow("autosync, the tab's tip read") << true << false << false << true;
}

// A list's own run that keeps a task the user removed (changed on another
// computer since) says so on the list's tab, while the user types in another
// list: nothing takes the keys, every title typed is there. The tab keeps
// saying it after the program is closed and started again, until the full
// run tells it once its window is closed, unless the user read the tip.
void TstSyncCommands::keptTaskToldOnItsTabWhileTheUserTypes()
{
    QFETCH(bool, autosync);
    QFETCH(bool, copy);
    QFETCH(bool, nextOwnRun);
    QFETCH(bool, readTip);
    CheckedFakeServer server;
    QSignalSpy connected(EventConnection::instance(), &EventConnection::connected);
    QVERIFY(serveAlice(server));
    QVERIFY(EventConnection::instance()->isConnected() || connected.wait(5000));
    auto page = showPage({QStringLiteral("Trip: Tickets Maps"), QStringLiteral("Home: Milk")});
    QVERIFY(page);
    {
        Pilot pilot;
        QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
        QVERIFY2(pilot.errors.isEmpty(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
    }
    QSettings().setValue(QStringLiteral("ui/enable-list-autosync"), autosync);
    page->centralWidget()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
    ListModel *trip = page->userLists()->models().at(0);
    ListModel *home = page->userLists()->models().at(1);
    QCOMPARE(trip->name(), QStringLiteral("Trip"));
    // Renamed on the other computer, removed here.
    FakeList changed = server.list(trip->taskList()->serverId());
    setFakeField(changed.tasks[1].fields, QStringLiteral("title"), QStringLiteral("Maps and guides"));
    changed.tasks[1].hashcode.clear();
    if (!copy)
        changed.tasks[1].revision = 0;
    ++changed.revision;
    server.putList(changed);
    page->setCurrentList(trip);
    page->currentTreeView()->setCurrentIndex(trip->index(1, 0));
    auto *remove = page->findChild<RemoveTaskAction *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(remove);
    remove->updateState();
    remove->trigger();
    QCOMPARE(TreeTest::write(trip->taskList()->rootTask()), QStringLiteral("Tickets"));
    if (!autosync) {
        auto *syncList = page->findChild<SyncSingleListAction *>(QString(), Qt::FindDirectChildrenOnly);
        syncList->updateState();
        syncList->trigger();
    }

    // A box would take the keys: each one met is counted, and one left open
    // is closed so that the test ends.
    QStringList boxes;
    const auto countBox = [&boxes] {
        QWidget *box = QApplication::activeModalWidget();
        const auto *label = box ? box->findChild<QLabel *>(QStringLiteral("textlabel")) : nullptr;
        const QString text = label ? label->text() : box ? box->objectName() : QString();
        if (box && (boxes.isEmpty() || boxes.last() != text))
            boxes << text;
        return box;
    };
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<QDialog *>(countBox()); dialog && !closer.property("patient").toBool())
            dialog->reject();
    });
    closer.start(500);
    // Over to Home, typing titles key by key where the keyboard is, until a
    // title after the run's end is in.
    QTest::mouseClick(page->tabWidget()->tabBar(), Qt::LeftButton, {},
                      page->tabWidget()->tabBar()->tabRect(1).center());
    QCOMPARE(page->currentList(), home);
    page->currentTreeView()->setCurrentIndex(home->index(0, 0));
    QCOMPARE(QApplication::focusWidget(), page->currentTreeView());
    QStringList typed;
    QString keys;
    bool runOver = false;
    bool typedAfter = false;
    QTimer typist;
    connect(&typist, &QTimer::timeout, [&] {
        countBox();
        if (keys.isEmpty()) {
            if (runOver) {
                typedAfter = true;
                typist.stop();
                return;
            }
            typed << QStringLiteral("T%1").arg(typed.size() + 1);
            keys = QLatin1Char('\r') + typed.last();
            runOver = !trip->isSyncPending() && page->syncQueue()->runningCount() == 0;
        }
        QWidget *to = QApplication::focusWidget();
        if (!to)
            return;
        const QChar key = keys.at(0);
        keys.remove(0, 1);
        if (key == QLatin1Char('\r'))
            QTest::keyClick(to, Qt::Key_Return);
        else
            QTest::keyClick(to, key.toLatin1());
    });
    typist.start(5);
    QTRY_VERIFY_WITH_TIMEOUT(typedAfter || !boxes.isEmpty(), 20000);
    QCOMPARE(boxes, QStringList());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QStringList titles;
    for (const Task *task : home->taskList()->rootTask()->children())
        if (!task->title().isEmpty())
            titles << task->title();
    QCOMPARE(titles, QStringList{QStringLiteral("Milk")} + typed);

    // Told on the tab of the list it concerns, which the user reads when
    // ready.
    QCOMPARE(TreeTest::write(trip->taskList()->rootTask()), QStringLiteral("Tickets Maps and guides"));
    const int tab = copy ? 2 : 0;
    QCOMPARE(page->tabWidget()->count(), copy ? 3 : 2);
    const auto noticeFor = [copy](const QString &name) {
        ListOutcome::KeptAgainstRemovals kept;
        kept.tasks << name + QStringLiteral(": Maps and guides");
        return copy ? ListOutcome::unknownBaseText({name}) : ListOutcome::keptAgainstRemovalsText(kept);
    };
    QString notice = noticeFor(copy ? QStringLiteral("Trip (my changes)") : QStringLiteral("Trip"));
    QCOMPARE(page->tabWidget()->tabToolTip(tab), notice);
    const QIcon info = QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
    QCOMPARE(page->tabWidget()->tabIcon(tab).pixmap(16).toImage(), info.pixmap(16).toImage());
    for (int other = 0; other < page->tabWidget()->count(); ++other)
        QVERIFY(other == tab || page->tabWidget()->tabToolTip(other).isEmpty());

    // Closed and started again: still there.
    QVERIFY(page->saveLists());
    page.reset();
    page = std::make_unique<RecordingPage>();
    page->centralWidget()->setGeometry(50, 50, 480, 400);
    page->centralWidget()->show();
    page->centralWidget()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(page->centralWidget()));
    QCOMPARE(page->tabWidget()->tabToolTip(tab), notice);
    QCOMPARE(page->tabWidget()->tabIcon(tab).pixmap(16).toImage(), info.pixmap(16).toImage());
    // Renamed, the list is named so there too.
    page->tabWidget()->renameTab(tab, QStringLiteral("Journey"));
    notice = noticeFor(QStringLiteral("Journey"));
    QCOMPARE(page->tabWidget()->tabToolTip(tab), notice);

    if (nextOwnRun) {
        page->setCurrentList(page->listForTabIndex(tab));
        auto *syncList = page->findChild<SyncSingleListAction *>(QString(), Qt::FindDirectChildrenOnly);
        syncList->updateState();
        syncList->trigger();
        QTRY_COMPARE(page->syncQueue()->runningCount(), 0);
        QCOMPARE(boxes, QStringList());
        QTRY_COMPARE(page->tabWidget()->tabToolTip(tab), notice);
    }
    if (readTip) {
        QTabBar *bar = page->tabWidget()->tabBar();
        QTest::mouseMove(bar, bar->tabRect(tab).center());
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), notice);
        // Still there while the user reads it.
        QCOMPARE(page->tabWidget()->tabToolTip(tab), notice);
        QToolTip::hideText();
        notice.clear();
    }

    // The full run the user waits for tells it once its window is closed,
    // and the tab is as before.
    closer.setProperty("patient", true);
    QStringList told;
    bool toldDuringTheRun = false;
    DialogDriver::whenDialog(
        [] {
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (qobject_cast<MessageDialog *>(widget) && widget->isVisible())
                    return widget;
            return static_cast<QWidget *>(nullptr);
        },
        [&](QWidget *box) {
            told << box->findChild<QLabel *>(QStringLiteral("textlabel"))->text();
            for (QWidget *widget : QApplication::topLevelWidgets())
                toldDuringTheRun = toldDuringTheRun || (qobject_cast<SyncDialog *>(widget) && widget->isVisible());
            static_cast<MessageDialog *>(box)->accept();
        },
        1000);
    QTest::keyClick(page->currentTreeView(), Qt::Key_F5);
    QCOMPARE(told, notice.isEmpty() ? QStringList() : QStringList{notice});
    QVERIFY(!toldDuringTheRun);
    for (int other = 0; other < page->tabWidget()->count(); ++other) {
        QCOMPARE(page->tabWidget()->tabToolTip(other), QString());
        QVERIFY(page->tabWidget()->tabIcon(other).isNull());
    }
}

PLUMDECK_TEST_MAIN(TstSyncCommands)
#include "tst_synccommands.moc"
