#include "lists/commands/synccommands.h"
#include "listssyncclient.h"
#include "sync/listssyncpage.h"
#include "sync/serverpoller.h"
#include "sync/singlelistsyncqueue.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QSignalSpy>

namespace {

class Page : public ListsSyncPage
{
public:
    ListsGroups *listsGroups() const override { return host.listsGroups(); }
    void setListsGroups(ListsGroups *groups) override { host.setListsGroups(groups); }
    QWidget *dialogParent() const override { return nullptr; }
    void singleListSyncStarted(ListModel *) override {}
    void cancelSingleListSyncs() override { calls << "cancelSingleListSyncs"; }
    void setSyncing(bool syncing) override { calls << QStringLiteral("setSyncing %1").arg(syncing); }
    void commitOpenEditor() override {}
    void resetUIMode() override {}
    void closeHiddenDialogs() override {}
    void resetListsGroups() override {}
    void showPreferences() override { calls << "showPreferences"; }

    TestSyncHost host;
    QStringList calls;
};

} // namespace

class TstSyncCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void syncActionTexts();
    void toolTipFollowsThePoller_data();
    void toolTipFollowsThePoller();
    void unknownStatus();
    void f5StartsTheFullSync();
    void syncListFollowsTheCurrentList();
};

void TstSyncCommands::initTestCase()
{
    ServerSettings::instance()->setSettings(QString(), QString(), QString());
    QVERIFY(ServerPoller::create());
}

void TstSyncCommands::syncActionTexts()
{
    UserLists lists;
    Page page;
    SyncAction action(&lists, &page, this);
    QCOMPARE(action.text(), QStringLiteral("Sync"));
    QCOMPARE(action.shortcut(), QKeySequence(Qt::Key_F5));
    QVERIFY(action.shouldBeEnabled());
    QVERIFY(!action.isCheckable());
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
    UserLists lists;
    Page page;
    ServerPoller::instance()->setState(ServerPoller::State(state));
    SyncAction action(&lists, &page, this);
    QCOMPARE(action.toolTip(), toolTip); // right from the start
    ServerPoller::instance()->setState(state == ServerPoller::Reachable ? ServerPoller::Unreachable
                                                                         : ServerPoller::Reachable);
    ServerPoller::instance()->setState(ServerPoller::State(state));
    QCOMPARE(action.toolTip(), toolTip); // and at each change
}

void TstSyncCommands::unknownStatus()
{
    UserLists lists;
    Page page;
    SyncAction action(&lists, &page, this);
    QTest::ignoreMessage(QtWarningMsg, "unknown server status");
    ServerPoller::instance()->setState(ServerPoller::State(7));
    QCOMPARE(action.toolTip(), QStringLiteral("Unknown server status"));
    ServerPoller::instance()->setState(ServerPoller::NoServer);
}

// With no server set the command still runs: the front end asks for it.
void TstSyncCommands::f5StartsTheFullSync()
{
    UserLists lists;
    Page page;
    QWidget window;
    auto *action = new SyncAction(&lists, &page, &window);
    window.addAction(action);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ModalAnswerer boxes;
    QTest::keyClick(&window, Qt::Key_F5);
    QCOMPARE(boxes.texts, QStringList{"You must supply a server URL before you can sync."});
    QCOMPARE(page.calls, (QStringList{"cancelSingleListSyncs", "setSyncing 1", "showPreferences", "setSyncing 0"}));
}

void TstSyncCommands::syncListFollowsTheCurrentList()
{
    CheckedFakeServer server;
    QVERIFY(server.start());
    server.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    ServerSettings::instance()->setSettings(server.url(), QStringLiteral("alice"), QStringLiteral("secret"));
    SyncClient client;
    SingleListSyncQueue queue(&client.lists, &client.host);
    ListModel *current = nullptr;
    SyncSingleListAction action(&queue, [&current] { return current; }, this);
    QCOMPARE(action.text(), QStringLiteral("Sync list"));
    QVERIFY(!action.currentIcon().isNull());
    QVERIFY(!action.shouldBeEnabled());

    current = client.addList(QStringLiteral("Trip"), {"Tickets"});
    QVERIFY(action.shouldBeEnabled());
    server.delay(QStringLiteral("^/lists$"), 100, true);
    action.updateState();
    action.trigger();
    QVERIFY(current->isManualSync());
    action.updateState();
    QVERIFY(!action.isEnabled());
    QTRY_COMPARE(queue.runningCount(), 0);
    action.updateState();
    QVERIFY(action.isEnabled());
    QVERIFY(current->taskList()->serverId() != 0);
    QCOMPARE(server.lists().size(), 1);
    ServerSettings::instance()->setSettings(QString(), QString(), QString());
}

PLUMDECK_TEST_MAIN(TstSyncCommands)
#include "tst_synccommands.moc"
