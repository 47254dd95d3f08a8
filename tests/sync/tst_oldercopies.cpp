#include "core/clock.h"
#include "core/xmlreaderwriter.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "listedits.h"
#include "storedclient.h"
#include "model/tasknote.h"
#include "sync/runs/forcedruns.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/runs/singlelistsynchronizer.h"
#include "sync/runs/syncnotices.h"
#include "sync/runs/syncsnapshot.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QProcess>

#include <functional>

// Computers of one account, one of them holding older copies of the lists
// than the server (it has not synchronised since another changed them):
// what each changed reaches the server and every computer, whoever runs
// last; nothing removed on one comes back, nothing is there twice.

namespace {

const QString OneList = QStringLiteral("^/lists/\\d+$");

void describe(const Task *task, const QString &prefix, QStringList &out)
{
    for (const Task *child : task->children()) {
        if (child->title().isEmpty() && child->childCount() == 0 && !child->isDone())
            continue;
        QString text = prefix + child->title() + (child->isDone() ? QStringLiteral("*") : QString());
        for (const QString &nick : child->assignments())
            text += QLatin1Char('@') + nick;
        out << text;
        describe(child, prefix + child->title() + QLatin1Char('>'), out);
    }
}

void describe(const QList<FakeTask> &tasks, const QString &prefix, QStringList &out)
{
    for (const FakeTask &t : tasks) {
        QString text = prefix + t.title()
                       + (fakeField(t.fields, QStringLiteral("done")) == QLatin1String("true") ? QStringLiteral("*")
                                                                                               : QString());
        for (const QString &nick : t.assignments)
            text += QLatin1Char('@') + nick;
        out << text;
        describe(t.children, prefix + t.title() + QLatin1Char('>'), out);
    }
}

// "Name[first,second,second>child]", tasks in their order.
QString listText(const QString &name, const QStringList &tasks)
{
    return name + QLatin1Char('[') + tasks.join(QLatin1Char(',')) + QLatin1Char(']');
}

} // namespace

using namespace ListEdits;

class TstOlderCopies : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void eachChangeHolds_data();
    void eachChangeHolds();
    void anUnchangedServerTakesOneUpload();
    void forcedRunsKeepTheUsersLists_data();
    void forcedRunsKeepTheUsersLists();
    void mergedTasksKeepTheStampsOfTheirLastChange();
    void aMoveIsSettledWhereverTheRunEnds_data();
    void aMoveIsSettledWhereverTheRunEnds();

private:
    enum Case {
        RenamedThere,
        ReorderedThere,
        RemovedThere,
        RetitledThere,
        AssignedThere,
        UnassignedThere,
        RemovedThereSubtaskAddedHere,
        RemovedThereTwoOlderCopies,
        MovedToAnotherListThere,
        MovedToAnotherListThereMovedHereToo,
        MovedIntoAListRenamedHere,
        MovedToAnotherListThereEditedHere,
        AddedHereUpdateLostTickedThere,
        TickUndoneAfterAnUpdateAppliedAnswered500,
        RetitledBeforeARunKilledBeforeItsList,
        RemovedHereRetitledThere,
        BothRetitledOneTask,
        IndentedThereAddedBelowHere,
        MovedToAnotherListHereRetitledThere,
        MovedToAnotherListThereIndentedHere,
        MovedWithItsSubtaskThereSubtaskRetitledHere,
        MovedWithItsSubtaskThereSubtaskRemovedHere,
        SubtaskRemovedThereMovedToAnotherListHere,
        RemovedWithItsSubtaskThereMovedToAnotherListHere,
        IndentedUpdateAppliedAnswered500ThenRemoved,
        MovedToAnotherListThereEditedHereSentAlone,
        MovedToAnotherListThereKilledBeforeTheOtherListEditedHere,
        MovedWithItsSubtaskHereSubtaskRetitledThere,
        MovedToAnotherListBothRetitledThereAfter,
        MovedToOneListThereAnotherHere,
        MovedIntoAListMadeThereAnotherHereAfterAPostInDoubtHere,
        MovedIntoAListMadeThereRetitledHereAfterAPostInDoubtHere,
        IndentedAndMovedWithItsParentThereParentMovedElsewhereHere,
        PastedIntoAListThereAnotherRemovedThereItsSourceMovedThereHere,
        MovedWithItsSubtaskToOneListThereAnotherHere,
        MovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore,
        SameSecondMovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore,
        MovedWithItsSubtaskOnBoth,
        MovedThereAnotherIndentedBelowItHere,
        RemovedWithTwoLevelsThereMovedHere,
        MovedThereItsSubtaskRemovedThenRetitledHere,
        MovedHereSentAloneRetitledThere,
        SameSecondMovedThereTickedHere,
        SameSecondMovedThereRetitledHere,
        SameSecondRetitledSentMovedThereTickedHere,
        SameSecondTwoMovedThereOneTickedHere,
        SameSecondMovedHereTickedThere,
        SameSecondAlikeTwoMovedThereOneTickedHere,
        PastedCopyMovedThereTickedHere,
        PastedSourceMovedThereRetitledHere,
        TypedIntoARowOfAMovedTasksSecond,
        MovedToOneListOnBothTickedThere,
        MovedToOneListOnBothTickedHere,
        MovedToOneListOnBothTickedHereKilledOnceTheFirstUploadLeft,
        SameSecondMovedToOneListOnBothTickedThere,
        PastedIntoAListThereItsSourceMovedThereHere,
        MovedToOneListOnBothTickedThereATaskOfItsTitleThere,
        PastedBesideItsSourceOnBoth,
        RenamedThereTheLookBeforeTheUploadCut,
        RenamedThereTheLookBeforeTheUploadCutOnce,
        ListsReorderedThereListMadeHere,
        ListsReorderedAndAListMadeThereATaskTickedHere,
        ListMadeAndMovedFirstThereTakenHereByARunThatFailed,
        ListsReorderedOnBoth,
        RetitledThereTickedHereWithoutTheAgreedCopy,
        RetitledThereTickedHereInDoubtWithoutTheAgreedCopy,
        RetitledThereTickedHereTheAgreedCopyUnderWrongIds,
        RetitledThereTickedHereTheAgreedCopyLackingATask,
        TickedHereMadeReadOnlyThere,
        UntitledRowWithANoteTickedHereRetitledThere,
        ListsEachMovedAfterAnotherOnBoth,
        ListMovedHereItsOrderInDoubtAnotherMovedHere,
        ListMadeAndMovedFirstThereListsReorderedHere,
        ListMovedHereInAFileWithoutTheAgreedOrder,
        MovedThereTickedHereTheOtherListAlone,
        MovedHereTheOtherListAloneRetitledThere,
        MovedHereSentAloneBeforeARetitleThere,
        MovedIntoAListMadeHereRetitledThere,
        SubtaskMovedOutItsParentRemovedHereRetitledThere,
        SubtaskMovedOutItsParentRemovedThereRetitledHere,
        ListRemovedThereTaskAddedHere,
        ListRemovedThereNoteWrittenHere,
        ListRemovedThereTickedHere,
        ListRemovedThereRenamedHere,
        ListRemovedThereSharedHere,
        ListRemovedThereUntouchedHere,
        ListRemovedThereTaskAddedHereSentAlone,
        ListRemovedThereSubtaskAddedHere,
        ListRemovedHereTaskAddedThere,
        ListRemovedHereRetitledThere,
        ListRemovedHereUntouchedThere,
        ListRemovedHereAfterAnUpdateInDoubtFromHere,
        MovedIntoAListRemovedThere,
        ListRemovedThereWithATaskMovedOutTaskRetitledHere,
        ListRemovedHereBeforeARestartTaskAddedThere,
        ListRemovedThereEditedHereInAnOlderFile,
        RemovedHereRetitledThereSentAlone,
        ListRemovedHereAfterATaskMovedOutTaskTickedThere,
        ForcedThereTaskAddedHere,
        ForcedThereTickedHere,
        ForcedThereAfterATaskTypedThereRetitledHere,
        ForcedThereTwoListsAlikeTaskAddedHere,
        ForcedThereEmptyListRenamedHere,
        ForcedThereRemovedThereTaskAddedHere,
        ForcedThereTaskAddedHereInAGroup,
        ForcedThereRemovedHere,
        ForcedThereAfterATaskAddedThereRemovedHere,
        ForcedThereRetitledThereMovedWithItsSubtaskOnBoth,
        RetitledThereMovedWithItsSubtaskOnBoth,
        ListRemovedThereTaskAddedHereInAGroup,
        ListRemovedHereTaskAddedThereInAGroup,
        ListMovedToAGroupAndRemovedHereTaskAddedThere,
        ListRemovedThereEmptyRowBelowASubtaskHere,
        ListRemovedThereEmptyRowBelowAParentHere,
        ListRemovedThereEmptyRowHereSentAlone,
        ListRemovedHereEmptyRowMadeThere,
        RemovedWithItsSubtaskThereEmptyRowBelowItHere,
        RemovedWithItsSubtaskHereEmptyRowBelowItThere,
        MovedToOneListThereAnotherHereThatListRemovedHere,
        SameSecondAlikeMovedToTwoListsThereOneTickedHere,
        PastedCopiesTickedAndMovedThereOneRetitledHere,
        SameSecondMadeOnBothListRemovedThereEditedHere,
        SameSecondAlikeMovedCrosswiseOnBoth,
        SameSecondAlikeOneMovedOnEach,
        SameSecondAlikeOneMovedOnEachItsListRemovedHere,
        SameSecondAlikeMovedCrosswiseOnBothRetitledThere,
        MovedToOneListOnBothThereKilledBeforeItsSourceList,
        MovedThereKilledAfterBothListsRetitledHere,
        OnlyTaskMovedOutAndRetitledThereTickedHere,
        SameSecondMovedToOneListOnBothAfterAnUploadInDoubtHere,
        SameSecondMovedToOneListOnBothRetitledThereACopyOfItsSecondElsewhere,
        MovedWithItsSubtaskOnBothItsUpdateInDoubtHere,
        OutdentedThereMovedWithItsParentHere,
        OutdentedHereMovedWithItsParentThere,
        EmptiedIntoANewListAndRemovedThereRemovedHere,
        EmptiedIntoANewListAndRemovedThereATaskRemovedHere,
        ForcedThereAfterARetitleTaskAddedHere,
        ForcedThereAfterTheListEmptiedTaskAddedHere,
        ForcedThereAfterTheListRetypedTaskAddedHere,
        SameSecondForcedThereAfterARetitleTaskAddedHere,
        ListRemovedThereForcedHere,
        MovedOutWithItsParentAndBackThereRetitledHere,
        MovedOutWithItsParentAndBackHereRetitledThere,
        SameSecondMadeOnBothRemovedThereRetitledHere,
        RolledOverOnBoth,
        RolledOverThereIntoAListHere,
        IntoAListThereRolledOverHere,
        RolledOverPartlyThereWholeHere,
        RolledOverOnBothTheNewListSentAloneHere,
        RolledOverHereATaskAddedThere,
        RolledOverThereRemovedHereAnotherListTickedHere,
        RolledOverOnBothRetitledAndTickedATaskRemovedHere,
        SubtaskMovedWithItsParentThereAloneHereRetitledItsListRemovedHere,
        MovedToOneListThereAndHereFromACopyOlderThanItsSubtasksRemovalOnAThird,
        MovedToOneListOnBothFromACopyOlderThanItsSubtasksRemovalOnAThird,
        MovedToOneListOnBothOneTickedThereBothRemovedHere,
        MovedHereByARunFailedBeforeTheListItLeftTickedThereBeforeMovedThereToo,
        ForcedHereCancelledTaskAddedThere,
        ForcedHereConnectionDroppedRenamedThere,
        ForcedHereKilledSharedListRemovedThere,
        ForcedHereFailedAtItsFirstRequestTaskAddedThere,
        ForcedHereCutServersListChangedThere,
        ForcedHereCutServersListUntouchedThere,
        ForcedHereCutSharedListRemovedBefore,
        ForcedHereOverARetitleThereOnAServerKeepingNewerTasks,
        ForcedHereKilledBeforeItsFirstLookTaskAddedThere,
        ForcedHereTaskAddedHereListRemovedThereMidRun,
        ForcedHereCutTwiceServersListChangedBetween,
        ForcedHereWithoutTheAgreedCopyRetitledThere,
        ForcedHereCutWithoutTheAgreedCopyTaskAddedThere,
        ForcedHereCutAtItsUpdateRenamedThere,
        ForcedHereCancelledRemovedHereTaskAddedThere,
    };

    std::unique_ptr<LiveClient> session(StoredClient &store);
    bool sync(LiveClient &client);
    QString syncAlone(LiveClient &client, const QString &name);
    // The run of the computer stored in `store`, ended at its request number
    // `point` (from 0) as `ending` says; false when it had ended before.
    bool runEndedAt(StoredClient &store, const QString &ending, int point);
    void play(Case c, StoredClient &a, StoredClient &b, StoredClient &c3, QStringList &expected);
    QStringList serverLists() const;

    std::unique_ptr<CheckedFakeServer> m_server;
    // The lists' display order every computer and the server end with, by
    // name (empty: not looked at); a text the user is told, or empty.
    QStringList m_expectedOrder;
    QString m_expectedNotice;
    // The runs tell nothing.
    bool m_expectedNoNotice = false;
    // What a case expects the user to be told (one of the boxes), and what
    // else it checks once every computer has run.
    QString m_notice;
    // The groups every computer and the server end with, the computers
    // keeping them as the lists page does; empty: not looked at.
    QString m_groups;
    std::function<void()> m_check;
};

void TstOlderCopies::init()
{
    m_server = std::make_unique<CheckedFakeServer>();
    QVERIFY(m_server->start());
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    m_server->addUser(QStringLiteral("bob"), QStringLiteral("hunter2"));
    m_server->addUser(QStringLiteral("carol"), QStringLiteral("pw"));
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    QFile::remove(NotepadNotes::filePath());
    Clock::setFixedTime(QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC));
}

void TstOlderCopies::cleanup()
{
    Clock::reset();
    QCOMPARE(ListsSynchronizer::running(), nullptr);
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    m_server.reset();
}

std::unique_ptr<LiveClient> TstOlderCopies::session(StoredClient &store)
{
    Clock::advance(7000);
    auto client = std::make_unique<LiveClient>(store);
    if (!m_groups.isEmpty())
        client->asThePage();
    return client;
}

bool TstOlderCopies::sync(LiveClient &client)
{
    return runClientSync(client, *m_server);
}

// As the page does when the user leaves the list's tab: "" when it succeeded,
// else what it says.
QString TstOlderCopies::syncAlone(LiveClient &client, const QString &name)
{
    SingleListSynchronizer alone(client.lists, &client, client.model(name));
    std::optional<QString> outcome;
    connect(&alone, &SingleListSynchronizer::success, this, [&] { outcome = QString(); });
    connect(&alone, &SingleListSynchronizer::failed, this, [&](const QString &error) { outcome = error; });
    alone.start();
    if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 15000))
        return QStringLiteral("no answer");
    return *outcome;
}

bool TstOlderCopies::runEndedAt(StoredClient &store, const QString &ending, int point)
{
    const int before = int(m_server->requests().size());
    const auto received = [&] { return int(m_server->requests().size()) - before; };
    const QString any = QStringLiteral(".*");
    // The fault waits for that request: armed once the one before it is in.
    const auto arm = [&] {
        if (ending == QLatin1String("500"))
            m_server->respondOnce({}, any, 500);
        else if (ending == QLatin1String("applied, 500"))
            m_server->respondAfterApplying({}, any, 500);
        else if (ending == QLatin1String("answer lost"))
            m_server->dropAnswerAfterApplying({}, any);
        else if (ending == QLatin1String("answer cut, unapplied"))
            m_server->respondRaw({}, any,
                                 "HTTP/1.1 200 OK\r\nContent-Type: application/xhtml+xml\r\n"
                                 "Content-Length: 4096\r\n\r\n<ht");
        else if (ending == QLatin1String("killed process"))
            m_server->hold(any);
    };
    if (point == 0)
        arm();
    const QMetaObject::Connection arming = connect(m_server.get(), &FakeServer::requestReceived, this, [&] {
        if (point > 0 && received() == point)
            arm();
    });
    const int firedBefore = m_server->faultsFired();
    bool ended = false;
    if (ending == QLatin1String("killed process")) {
        // The program killed for real while the request is out, in a
        // process of its own.
        QProcess child;
        child.start(QStringLiteral(PLUMDECK_SYNCCHILD),
                    {store.path, m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"),
                     QString::number(Clock::currentMSecsSinceEpoch()), QStringLiteral("norows")});
        ended = QTest::qWaitFor([&] { return m_server->heldCount() > 0 || child.state() == QProcess::NotRunning; },
                                30000)
                && m_server->heldCount() > 0;
        if (child.state() != QProcess::NotRunning) {
            child.kill();
            child.waitForFinished();
        }
        m_server->releaseHeld();
    } else if (ending == QLatin1String("cancelled") || ending == QLatin1String("killed")) {
        // Once the server has the request, before its answer is read.
        auto client = session(store);
        runClientSync(*client, *m_server, [&] { return ended = ended || received() > point; });
        // Cancelled, the program lives on and saves as it quits.
        if (ending == QLatin1String("cancelled"))
            client->persist();
    } else {
        auto client = session(store);
        runClientSync(*client, *m_server);
        client->persist();
        ended = m_server->faultsFired() > firedBefore;
    }
    disconnect(arming);
    QTest::qWait(20);
    m_server->clearFaults();
    return ended;
}

QStringList TstOlderCopies::serverLists() const
{
    QStringList out;
    for (const FakeList &l : m_server->visibleLists(QStringLiteral("alice"))) {
        QStringList tasks;
        describe(l.tasks, QString(), tasks);
        out << listText(l.name, tasks);
    }
    out.sort();
    return out;
}

void TstOlderCopies::eachChangeHolds_data()
{
    QTest::addColumn<int>("c");
    QTest::newRow("renamed there") << int(RenamedThere);
    QTest::newRow("reordered there") << int(ReorderedThere);
    QTest::newRow("removed there") << int(RemovedThere);
    QTest::newRow("retitled there") << int(RetitledThere);
    QTest::newRow("assigned there") << int(AssignedThere);
    QTest::newRow("unassigned there") << int(UnassignedThere);
    QTest::newRow("removed there, a subtask added below it here") << int(RemovedThereSubtaskAddedHere);
    QTest::newRow("removed there, two computers with older copies") << int(RemovedThereTwoOlderCopies);
    QTest::newRow("moved to another list there") << int(MovedToAnotherListThere);
    QTest::newRow("moved to another list there and here") << int(MovedToAnotherListThereMovedHereToo);
    QTest::newRow("moved there into a list renamed here") << int(MovedIntoAListRenamedHere);
    QTest::newRow("moved to another list there, edited here") << int(MovedToAnotherListThereEditedHere);
    QTest::newRow("added here, the update's answer lost, ticked there") << int(AddedHereUpdateLostTickedThere);
    QTest::newRow("a tick undone after its update was applied and answered 500")
        << int(TickUndoneAfterAnUpdateAppliedAnswered500);
    QTest::newRow("retitled before a run killed before it reached the list")
        << int(RetitledBeforeARunKilledBeforeItsList);
    QTest::newRow("removed here, retitled there: it stays") << int(RemovedHereRetitledThere);
    QTest::newRow("one task retitled on both: the later upload") << int(BothRetitledOneTask);
    QTest::newRow("indented there, a subtask added below it here") << int(IndentedThereAddedBelowHere);
    QTest::newRow("moved to another list here, retitled there") << int(MovedToAnotherListHereRetitledThere);
    QTest::newRow("moved to another list there, indented here") << int(MovedToAnotherListThereIndentedHere);
    QTest::newRow("moved to another list there with its subtask, the subtask retitled here")
        << int(MovedWithItsSubtaskThereSubtaskRetitledHere);
    QTest::newRow("moved to another list there with its subtask, the subtask removed here")
        << int(MovedWithItsSubtaskThereSubtaskRemovedHere);
    QTest::newRow("a subtask removed there, its parent moved to another list here")
        << int(SubtaskRemovedThereMovedToAnotherListHere);
    QTest::newRow("removed with its subtask there, moved to another list here: the subtask stays removed")
        << int(RemovedWithItsSubtaskThereMovedToAnotherListHere);
    QTest::newRow("indented, the update applied and answered 500, then removed")
        << int(IndentedUpdateAppliedAnswered500ThenRemoved);
    QTest::newRow("moved to another list there, edited here and sent by the list's own run")
        << int(MovedToAnotherListThereEditedHereSentAlone);
    QTest::newRow("moved to another list there by a run killed before that list went up, edited here")
        << int(MovedToAnotherListThereKilledBeforeTheOtherListEditedHere);
    QTest::newRow("moved to another list here with its subtask, the subtask retitled there")
        << int(MovedWithItsSubtaskHereSubtaskRetitledThere);
    QTest::newRow("moved to another list on both, retitled there once moved")
        << int(MovedToAnotherListBothRetitledThereAfter);
    QTest::newRow("moved to one list there, to another here: the later upload's") << int(MovedToOneListThereAnotherHere);
    QTest::newRow("moved into a list made there, to another here after a list's post in doubt here: there, told")
        << int(MovedIntoAListMadeThereAnotherHereAfterAPostInDoubtHere);
    QTest::newRow("moved into a list made there, retitled here after a list's post in doubt here: the change "
                  "follows it")
        << int(MovedIntoAListMadeThereRetitledHereAfterAPostInDoubtHere);
    QTest::newRow("indented below a task there and moved with it, that task moved elsewhere here, a task of each "
                  "list removed there")
        << int(IndentedAndMovedWithItsParentThereParentMovedElsewhereHere);
    QTest::newRow("a copy pasted into a list there, another task of it removed there, the source moved into it here")
        << int(PastedIntoAListThereAnotherRemovedThereItsSourceMovedThereHere);
    QTest::newRow("moved with its subtask to one list there, to another here: the later upload's, subtask with it")
        << int(MovedWithItsSubtaskToOneListThereAnotherHere);
    QTest::newRow("moved to one list there, to another here, after its subtask moved on both and in doubt there: once")
        << int(MovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore);
    QTest::newRow("as above, the subtask made in its parent's second")
        << int(SameSecondMovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore);
    QTest::newRow("moved to one list on both with its subtask") << int(MovedWithItsSubtaskOnBoth);
    QTest::newRow("removed with two levels below it there, moved to another list here")
        << int(RemovedWithTwoLevelsThereMovedHere);
    QTest::newRow("moved to another list there, its subtask then removed there, retitled here")
        << int(MovedThereItsSubtaskRemovedThenRetitledHere);
    QTest::newRow("moved to another list here, the list's own run after a retitle there: the full run settles it")
        << int(MovedHereSentAloneRetitledThere);
    QTest::newRow("moved to another list there, another task indented below it here")
        << int(MovedThereAnotherIndentedBelowItHere);
    QTest::newRow("typed in one second, one moved to another list there, ticked here")
        << int(SameSecondMovedThereTickedHere);
    QTest::newRow("typed in one second, one moved to another list there, retitled here")
        << int(SameSecondMovedThereRetitledHere);
    QTest::newRow("typed in one second, one retitled and sent there, then moved to another list, ticked here")
        << int(SameSecondRetitledSentMovedThereTickedHere);
    QTest::newRow("typed in one second, two moved to another list there, one ticked here")
        << int(SameSecondTwoMovedThereOneTickedHere);
    QTest::newRow("typed in one second, one moved to another list here, ticked there")
        << int(SameSecondMovedHereTickedThere);
    QTest::newRow("two alike made in one second moved to another list there, one ticked here: any pairing is one")
        << int(SameSecondAlikeTwoMovedThereOneTickedHere);
    QTest::newRow("a pasted copy moved to another list there, ticked here") << int(PastedCopyMovedThereTickedHere);
    QTest::newRow("the source of a pasted copy moved to another list there, retitled here")
        << int(PastedSourceMovedThereRetitledHere);
    QTest::newRow("typed into the untitled row made in the second of a task moved to another list there")
        << int(TypedIntoARowOfAMovedTasksSecond);
    QTest::newRow("moved to one list on both, ticked there") << int(MovedToOneListOnBothTickedThere);
    QTest::newRow("moved to one list on both, ticked here") << int(MovedToOneListOnBothTickedHere);
    QTest::newRow("moved to one list on both, ticked here by a run killed once its first upload left")
        << int(MovedToOneListOnBothTickedHereKilledOnceTheFirstUploadLeft);
    QTest::newRow("typed in one second, moved to one list on both, ticked there")
        << int(SameSecondMovedToOneListOnBothTickedThere);
    QTest::newRow("a copy pasted into a list there and its source retitled, the source moved into that list here")
        << int(PastedIntoAListThereItsSourceMovedThereHere);
    QTest::newRow("moved to one list on both, ticked there, that list holding another task of its title")
        << int(MovedToOneListOnBothTickedThereATaskOfItsTitleThere);
    QTest::newRow("a copy pasted beside its source on both: both stay") << int(PastedBesideItsSourceOnBoth);
    QTest::newRow("renamed there, the look at the server's copy before the upload here cut")
        << int(RenamedThereTheLookBeforeTheUploadCut);
    QTest::newRow("renamed there, the run's look at the server's copy cut once: the upload merges onto it")
        << int(RenamedThereTheLookBeforeTheUploadCutOnce);
    QTest::newRow("lists reordered there, a list made here") << int(ListsReorderedThereListMadeHere);
    QTest::newRow("a list made and moved first there, a task ticked and a list made here")
        << int(ListsReorderedAndAListMadeThereATaskTickedHere);
    QTest::newRow("a list made and moved first there, taken here by a run that then failed")
        << int(ListMadeAndMovedFirstThereTakenHereByARunThatFailed);
    QTest::newRow("lists reordered on both") << int(ListsReorderedOnBoth);
    QTest::newRow("renamed and retitled there, ticked here, what it agreed lost from the file")
        << int(RetitledThereTickedHereWithoutTheAgreedCopy);
    QTest::newRow("renamed and retitled there, ticked here by an update whose answer was lost, what it agreed lost "
                  "from the file")
        << int(RetitledThereTickedHereInDoubtWithoutTheAgreedCopy);
    QTest::newRow("renamed and retitled there, ticked here, what it agreed read under wrong ids")
        << int(RetitledThereTickedHereTheAgreedCopyUnderWrongIds);
    QTest::newRow("renamed and retitled there, ticked here, what it agreed lacking a task of the list")
        << int(RetitledThereTickedHereTheAgreedCopyLackingATask);
    QTest::newRow("ticked here, made read-only there") << int(TickedHereMadeReadOnlyThere);
    QTest::newRow("an untitled row holding a note ticked here, another task retitled there: the tick holds")
        << int(UntitledRowWithANoteTickedHereRetitledThere);
    QTest::newRow("lists each moved after the last on both") << int(ListsEachMovedAfterAnotherOnBoth);
    QTest::newRow("a list moved here, the order's upload answered lost, another moved here since")
        << int(ListMovedHereItsOrderInDoubtAnotherMovedHere);
    QTest::newRow("a list made and moved first there, lists reordered here")
        << int(ListMadeAndMovedFirstThereListsReorderedHere);
    QTest::newRow("a list moved here in a file written before the agreed order was kept")
        << int(ListMovedHereInAFileWithoutTheAgreedOrder);
    QTest::newRow("moved to another list there, ticked here, the other list's own run: the full run settles it")
        << int(MovedThereTickedHereTheOtherListAlone);
    QTest::newRow("moved to another list here, that list's own run after a retitle there: the full run settles it")
        << int(MovedHereTheOtherListAloneRetitledThere);
    QTest::newRow("moved to another list here, the list's own run before a retitle there: the full run settles it")
        << int(MovedHereSentAloneBeforeARetitleThere);
    QTest::newRow("moved into a list made here since the last run, retitled there")
        << int(MovedIntoAListMadeHereRetitledThere);
    QTest::newRow("a subtask moved to another list here, its parent then removed here, retitled there")
        << int(SubtaskMovedOutItsParentRemovedHereRetitledThere);
    QTest::newRow("a subtask moved to another list there, its parent then removed there, retitled here")
        << int(SubtaskMovedOutItsParentRemovedThereRetitledHere);
    QTest::newRow("list removed there, a task added to it here: back with the task")
        << int(ListRemovedThereTaskAddedHere);
    QTest::newRow("list removed there, a note written on a task here") << int(ListRemovedThereNoteWrittenHere);
    QTest::newRow("list removed there, a task ticked here") << int(ListRemovedThereTickedHere);
    QTest::newRow("list removed there, renamed here: back empty, renamed") << int(ListRemovedThereRenamedHere);
    QTest::newRow("list removed there, shared here: back empty, shared") << int(ListRemovedThereSharedHere);
    QTest::newRow("list removed there, untouched here: the removal holds") << int(ListRemovedThereUntouchedHere);
    QTest::newRow("list removed there, a task added here, the list's own run first")
        << int(ListRemovedThereTaskAddedHereSentAlone);
    QTest::newRow("list removed there, a subtask added here: back with the task above it")
        << int(ListRemovedThereSubtaskAddedHere);
    QTest::newRow("list removed here from an older copy, a task added there: back with the task")
        << int(ListRemovedHereTaskAddedThere);
    QTest::newRow("list removed here from an older copy, a task retitled there")
        << int(ListRemovedHereRetitledThere);
    QTest::newRow("list removed here, untouched there: the removal holds") << int(ListRemovedHereUntouchedThere);
    QTest::newRow("list removed here after its own update in doubt: the removal holds")
        << int(ListRemovedHereAfterAnUpdateInDoubtFromHere);
    QTest::newRow("moved into a list removed there: the list comes back holding it")
        << int(MovedIntoAListRemovedThere);
    QTest::newRow("list removed there after a task moved out of it, the task retitled here")
        << int(ListRemovedThereWithATaskMovedOutTaskRetitledHere);
    QTest::newRow("list removed here, the program restarted before its run, a task added there")
        << int(ListRemovedHereBeforeARestartTaskAddedThere);
    QTest::newRow("list removed there, edited here in a file without what it agreed: back whole")
        << int(ListRemovedThereEditedHereInAnOlderFile);
    QTest::newRow("removed here, retitled there, the list's own run: it stays, and the user is told")
        << int(RemovedHereRetitledThereSentAlone);
    QTest::newRow("forced remote run there, a task added here: one list, with it, nobody told of a removal")
        << int(ForcedThereTaskAddedHere);
    QTest::newRow("forced remote run there, a task ticked here") << int(ForcedThereTickedHere);
    QTest::newRow("a task typed there and sent by a forced remote run, another retitled here: both hold")
        << int(ForcedThereAfterATaskTypedThereRetitledHere);
    QTest::newRow("forced remote run there over two lists alike, a task added to one here: each list once")
        << int(ForcedThereTwoListsAlikeTaskAddedHere);
    QTest::newRow("forced remote run there, a list without tasks renamed here: known by its name")
        << int(ForcedThereEmptyListRenamedHere);
    QTest::newRow("list removed there, then a forced remote run there, a task added here: back with the task, told")
        << int(ForcedThereRemovedThereTaskAddedHere);
    QTest::newRow("forced remote run there, the list removed here: removed") << int(ForcedThereRemovedHere);
    QTest::newRow("a task added there and sent by a forced remote run, the list removed here: back with the task")
        << int(ForcedThereAfterATaskAddedThereRemovedHere);
    QTest::newRow("forced remote run there, a task added here: the list stays in its group on both")
        << int(ForcedThereTaskAddedHereInAGroup);
    QTest::newRow("forced remote run there, then retitled and moved to one list with its subtask there and here")
        << int(ForcedThereRetitledThereMovedWithItsSubtaskOnBoth);
    QTest::newRow("retitled and moved to one list with its subtask there, moved there first here: the subtask stays")
        << int(RetitledThereMovedWithItsSubtaskOnBoth);
    QTest::newRow("list removed there, a task added to it here: back with the task, in its group")
        << int(ListRemovedThereTaskAddedHereInAGroup);
    QTest::newRow("list removed here from an older copy, a task added there: back with the task, in its group")
        << int(ListRemovedHereTaskAddedThereInAGroup);
    QTest::newRow("list moved to a group and removed here, a restart, a task added there: back in that group")
        << int(ListMovedToAGroupAndRemovedHereTaskAddedThere);
    QTest::newRow("list removed here after a task moved out of it, the task ticked there")
        << int(ListRemovedHereAfterATaskMovedOutTaskTickedThere);
    QTest::newRow("list removed there, an empty row opened below a subtask here: the removal holds")
        << int(ListRemovedThereEmptyRowBelowASubtaskHere);
    QTest::newRow("list removed there, an empty row opened below a parent here: the removal holds")
        << int(ListRemovedThereEmptyRowBelowAParentHere);
    QTest::newRow("list removed there, an empty row opened here, the list's own run first: the removal holds")
        << int(ListRemovedThereEmptyRowHereSentAlone);
    QTest::newRow("list removed here from an older copy, an empty row sent there: the removal holds")
        << int(ListRemovedHereEmptyRowMadeThere);
    QTest::newRow("removed with its subtask there, an empty row opened below it here: the removal holds")
        << int(RemovedWithItsSubtaskThereEmptyRowBelowItHere);
    QTest::newRow("removed with its subtask here from an older copy, an empty row sent below it there")
        << int(RemovedWithItsSubtaskHereEmptyRowBelowItThere);
    QTest::newRow("moved to one list there, to another here, the first list removed here: once, the later upload's")
        << int(MovedToOneListThereAnotherHereThatListRemovedHere);
    QTest::newRow("two alike made in one second moved to two lists there, one ticked here: both kept, and told")
        << int(SameSecondAlikeMovedToTwoListsThereOneTickedHere);
    QTest::newRow("two pasted copies ticked and moved to another list there, one retitled here: any pairing is one")
        << int(PastedCopiesTickedAndMovedThereOneRetitledHere);
    QTest::newRow("made in one second on both, the list of one removed there, that one retitled here")
        << int(SameSecondMadeOnBothListRemovedThereEditedHere);
    QTest::newRow("two alike made in one second, each moved to another list on each computer, crosswise")
        << int(SameSecondAlikeMovedCrosswiseOnBoth);
    QTest::newRow("two alike made in one second, one moved to another list on each computer: both there")
        << int(SameSecondAlikeOneMovedOnEach);
    QTest::newRow("two alike made in one second, one moved to another list on each computer, their list removed here, "
                  "the move here read from a lists file of an earlier version")
        << int(SameSecondAlikeOneMovedOnEachItsListRemovedHere);
    QTest::newRow("two alike made in one second, moved crosswise on both and retitled there: both kept, and told")
        << int(SameSecondAlikeMovedCrosswiseOnBothRetitledThere);
    QTest::newRow("moved to one list on both, the other's run killed before its source list went up: told")
        << int(MovedToOneListOnBothThereKilledBeforeItsSourceList);
    QTest::newRow("moved to another list there by a run killed after both lists went up, retitled here: told")
        << int(MovedThereKilledAfterBothListsRetitledHere);
    QTest::newRow("a list's only task moved out and retitled there, ticked here: the tick follows it")
        << int(OnlyTaskMovedOutAndRetitledThereTickedHere);
    QTest::newRow("made in one second, moved to one list on both, here after an upload in doubt of its list that "
                  "kept another of its second against a removal there")
        << int(SameSecondMovedToOneListOnBothAfterAnUploadInDoubtHere);
    QTest::newRow("made in one second, moved to one list on both and retitled there, a copy of another of its "
                  "second pasted into a third list there")
        << int(SameSecondMovedToOneListOnBothRetitledThereACopyOfItsSecondElsewhere);
    QTest::newRow("moved to one list on both with its subtask, here by an update of that list whose answer was lost "
                  "before the other list went up")
        << int(MovedWithItsSubtaskOnBothItsUpdateInDoubtHere);
    QTest::newRow("a subtask outdented there, its parent moved to another list here: it stays where it went")
        << int(OutdentedThereMovedWithItsParentHere);
    QTest::newRow("a subtask outdented here, its parent moved to another list there: it stays where it went")
        << int(OutdentedHereMovedWithItsParentThere);
    QTest::newRow("emptied into a new list and removed there, removed here: the new list keeps its tasks")
        << int(EmptiedIntoANewListAndRemovedThereRemovedHere);
    QTest::newRow("emptied into a new list and removed there, a task removed here: the new list keeps it")
        << int(EmptiedIntoANewListAndRemovedThereATaskRemovedHere);
    QTest::newRow("forced there after two tasks retitled, a task added here")
        << int(ForcedThereAfterARetitleTaskAddedHere);
    QTest::newRow("forced there after the list was emptied, a task added here")
        << int(ForcedThereAfterTheListEmptiedTaskAddedHere);
    QTest::newRow("forced there after the list was cleared and retyped, a task added here")
        << int(ForcedThereAfterTheListRetypedTaskAddedHere);
    QTest::newRow("typed in one second, forced there after two retitled, a task added here")
        << int(SameSecondForcedThereAfterARetitleTaskAddedHere);
    QTest::newRow("list removed there, forced here: posted anew") << int(ListRemovedThereForcedHere);
    QTest::newRow("a subtask moved to another list with its parent there and back on its own, retitled here")
        << int(MovedOutWithItsParentAndBackThereRetitledHere);
    QTest::newRow("a subtask moved to another list with its parent here and back on its own, retitled there")
        << int(MovedOutWithItsParentAndBackHereRetitledThere);
    QTest::newRow("made in one second on both, the one made here removed there and retitled here: both kept, and told")
        << int(SameSecondMadeOnBothRemovedThereRetitledHere);
    QTest::newRow("emptied into a new list and removed on both: each task once, where it went there, and told")
        << int(RolledOverOnBoth);
    QTest::newRow("emptied into a new list there, into a list both had here, removed on both")
        << int(RolledOverThereIntoAListHere);
    QTest::newRow("emptied into a list both had there, into a new list here, removed on both")
        << int(IntoAListThereRolledOverHere);
    QTest::newRow("two tasks moved into a new list there, emptied into a new list and removed here")
        << int(RolledOverPartlyThereWholeHere);
    QTest::newRow("emptied into a new list and removed on both, the new list sent alone here first")
        << int(RolledOverOnBothTheNewListSentAloneHere);
    QTest::newRow("emptied into a new list and removed here, a task added to it there and a moved one ticked")
        << int(RolledOverHereATaskAddedThere);
    QTest::newRow("emptied into a new list and removed there, removed here and another list ticked here")
        << int(RolledOverThereRemovedHereAnotherListTickedHere);
    QTest::newRow("typed in one second, rolled over on both, retitled on each, ticked and one removed here: once, told")
        << int(RolledOverOnBothRetitledAndTickedATaskRemovedHere);
    QTest::newRow("a subtask moved with its parent there, alone to that list here, retitled, its list removed: once")
        << int(SubtaskMovedWithItsParentThereAloneHereRetitledItsListRemovedHere);
    QTest::newRow("its same-second subtask removed on a third computer, moved to one list there, retitled, and here")
        << int(MovedToOneListThereAndHereFromACopyOlderThanItsSubtasksRemovalOnAThird);
    QTest::newRow("its subtask removed on a third computer, moved to one list there and here from an older copy")
        << int(MovedToOneListOnBothFromACopyOlderThanItsSubtasksRemovalOnAThird);
    QTest::newRow("two moved to one list on both, one ticked there, both removed from it here: that one kept, told")
        << int(MovedToOneListOnBothOneTickedThereBothRemovedHere);
    QTest::newRow("ticked there, moved to one list here by a run failed before its list, and there too: once, ticked")
        << int(MovedHereByARunFailedBeforeTheListItLeftTickedThereBeforeMovedThereToo);
    QTest::newRow("a forced remote run here cancelled before a list, a task added to it there: it stays, told")
        << int(ForcedHereCancelledTaskAddedThere);
    QTest::newRow("a forced remote run here cut by a dropped connection before a list, renamed there: the name stays")
        << int(ForcedHereConnectionDroppedRenamedThere);
    QTest::newRow("a forced remote run here killed before a shared list, removed there: the removal holds")
        << int(ForcedHereKilledSharedListRemovedThere);
    QTest::newRow("a forced remote run here failing at its first request, a task added there: it stays")
        << int(ForcedHereFailedAtItsFirstRequestTaskAddedThere);
    QTest::newRow("a forced remote run here cut before removing a list only the server had, changed there: kept, told")
        << int(ForcedHereCutServersListChangedThere);
    QTest::newRow("a forced remote run here cut before removing a list only the server had, untouched there: removed")
        << int(ForcedHereCutServersListUntouchedThere);
    QTest::newRow("a shared list removed there, a forced remote run here cut before posting it anew: shared anew")
        << int(ForcedHereCutSharedListRemovedBefore);
    QTest::newRow("retitled there, a forced remote run here, the server keeping copies newer than those sent")
        << int(ForcedHereOverARetitleThereOnAServerKeepingNewerTasks);
    QTest::newRow("a forced remote run here killed before its first look, its marks saved, a task added there: it stays")
        << int(ForcedHereKilledBeforeItsFirstLookTaskAddedThere);
    QTest::newRow("a task added here, the list removed there while a forced remote run here is on: back with it, told")
        << int(ForcedHereTaskAddedHereListRemovedThereMidRun);
    QTest::newRow("two forced remote runs here cut before removing a list only the server had, changed there between")
        << int(ForcedHereCutTwiceServersListChangedBetween);
    QTest::newRow("edited here, its agreed copy lost, retitled there, a forced remote run here: its copy, none beside")
        << int(ForcedHereWithoutTheAgreedCopyRetitledThere);
    QTest::newRow("edited here, its agreed copy lost, a forced remote run here cut before it, a task added there")
        << int(ForcedHereCutWithoutTheAgreedCopyTaskAddedThere);
    QTest::newRow("renamed there, a forced remote run here failing at that list's update, renamed there again: told")
        << int(ForcedHereCutAtItsUpdateRenamedThere);
    QTest::newRow("a forced remote run here cancelled before a list, removed here, a task added there: back, told")
        << int(ForcedHereCancelledRemovedHereTaskAddedThere);
}

namespace {

enum class Damage { AgreedGone, IdsExchanged, TaskLeftOut };

// The lists file as a damaged disk or an edit by hand may leave it: what an
// edited list agreed with the server gone, a task it changed here written
// under the id of the last it names unchanged, and that one under the changed
// one's, or the last task it names unchanged left out.
void damageAgreedCopies(const QString &path, Damage damage)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(file.readAll());
    file.close();
    const QRegularExpression agreed(QStringLiteral("<div class=\"pd-agreed-list\">.*?</ol>\\s*</div>"),
                                    QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch found = agreed.match(text);
    QVERIFY(found.hasMatch());
    QString part = found.captured(0);
    if (damage == Damage::TaskLeftOut) {
        const QRegularExpression lastNamed(QStringLiteral("(pd-agreed-list-tree\">[^<]*)\\s\\d+:\\d+([^<]*<)"));
        const QRegularExpressionMatch named = lastNamed.match(part);
        QVERIFY(named.hasMatch());
        part.replace(named.capturedStart(0), named.capturedLength(0), named.captured(1) + named.captured(2));
    } else if (damage == Damage::IdsExchanged) {
        const QRegularExpression changedId(QStringLiteral("pd-agreed-list-changes.*?<dt>id</dt>\\s*<dd>(\\d+)</dd>"),
                                           QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpression namedId(QStringLiteral("pd-agreed-list-tree\">[^<]*\\b\\d+:(\\d+)"));
        const QRegularExpressionMatch changed = changedId.match(part), named = namedId.match(part);
        QVERIFY(changed.hasMatch() && named.hasMatch());
        QVERIFY(named.capturedStart(1) < changed.capturedStart(1));
        const QString changedValue = changed.captured(1), namedValue = named.captured(1);
        part.replace(changed.capturedStart(1), changed.capturedLength(1), namedValue);
        part.replace(named.capturedStart(1), named.capturedLength(1), changedValue);
    } else {
        part.clear();
    }
    text.replace(found.capturedStart(0), found.capturedLength(0), part);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

QStringList orderOf(const UserLists *lists)
{
    QStringList out;
    for (const ListModel *model : lists->models())
        out << model->taskList()->name();
    return out;
}

} // namespace

void TstOlderCopies::play(Case c, StoredClient &a, StoredClient &b, StoredClient &c3, QStringList &expected)
{
    const QString trip = QStringLiteral("Trip");
    const bool orderCase = c == ListsReorderedThereListMadeHere || c == ListsReorderedOnBoth
                           || c == ListsReorderedAndAListMadeThereATaskTickedHere
                           || c == ListMadeAndMovedFirstThereTakenHereByARunThatFailed
                           || c == ListsEachMovedAfterAnotherOnBoth || c == ListMovedHereItsOrderInDoubtAnotherMovedHere
                           || c == ListMadeAndMovedFirstThereListsReorderedHere
                           || c == ListMovedHereInAFileWithoutTheAgreedOrder;
    quint32 garden = 0;
    if (c == TickedHereMadeReadOnlyThere) {
        garden = m_server->addList(QStringLiteral("bob"), QStringLiteral("Garden"), {FakeTask::make(QStringLiteral("Rake"))});
        m_server->share(garden, QStringLiteral("alice"), QStringLiteral("rw"));
    }
    // Both computers start from Trip [Tickets, Bags, Socks].
    {
        auto client = session(a);
        if (c == RetitledBeforeARunKilledBeforeItsList)
            makeList(*client, QStringLiteral("Aaa first"), {QStringLiteral("One")});
        const bool sameSecond = c == SameSecondMovedThereTickedHere || c == SameSecondMovedThereRetitledHere
                                || c == SameSecondRetitledSentMovedThereTickedHere
                                || c == SameSecondTwoMovedThereOneTickedHere || c == SameSecondMovedHereTickedThere
                                || c == SameSecondMovedToOneListOnBothTickedThere
                                || c == SameSecondMovedToOneListOnBothRetitledThereACopyOfItsSecondElsewhere
                                || c == SameSecondAlikeTwoMovedThereOneTickedHere
                                || c == SameSecondAlikeMovedToTwoListsThereOneTickedHere
                                || c == SameSecondAlikeMovedCrosswiseOnBoth || c == SameSecondAlikeOneMovedOnEach
                                || c == SameSecondAlikeOneMovedOnEachItsListRemovedHere
                                || c == SameSecondAlikeMovedCrosswiseOnBothRetitledThere
                                || c == SameSecondForcedThereAfterARetitleTaskAddedHere
                                || c == RolledOverOnBothRetitledAndTickedATaskRemovedHere;
        if (c == SameSecondAlikeTwoMovedThereOneTickedHere || c == SameSecondAlikeMovedToTwoListsThereOneTickedHere
            || c == SameSecondAlikeMovedCrosswiseOnBoth || c == SameSecondAlikeOneMovedOnEach
            || c == SameSecondAlikeOneMovedOnEachItsListRemovedHere
            || c == SameSecondAlikeMovedCrosswiseOnBothRetitledThere) {
            Clock::advance(1000);
            const QStringList typed{QStringLiteral("Tickets"), QStringLiteral("Eggs"), QStringLiteral("Eggs")};
            typeTasks(client->addList(trip, {}),
                      typed.mid(c == SameSecondAlikeOneMovedOnEachItsListRemovedHere ? 1 : 0));
        } else if (sameSecond) {
            // Typed one after the other, Enter between, in one second.
            Clock::advance(1000);
            typeTasks(client->addList(trip, {}),
                      {QStringLiteral("Tickets"), QStringLiteral("Bags"), QStringLiteral("Socks")});
        } else if (c == TypedIntoARowOfAMovedTasksSecond) {
            makeList(*client, trip, {QStringLiteral("Tickets"), QStringLiteral("Bags")});
        } else {
            makeList(*client, trip, {QStringLiteral("Tickets"), QStringLiteral("Bags"), QStringLiteral("Socks")});
        }
        if (c == UntitledRowWithANoteTickedHereRetitledThere) {
            // A row left without a title, a note written on it.
            ListModel *model = client->model(trip);
            addTask(model, QString());
            model->setTaskNote(model->index(model->rowCount() - 1, 0),
                               TaskNote(Clock::currentDateTimeUtc(), QStringLiteral("the blue ones")));
        }
        if (c == PastedCopyMovedThereTickedHere || c == PastedSourceMovedThereRetitledHere
            || c == PastedCopiesTickedAndMovedThereOneRetitledHere) {
            Clock::advance(1000);
            pasteCopy(client->model(trip), QStringLiteral("Bags"), QStringLiteral("Spare bags"));
        }
        if (c == PastedCopiesTickedAndMovedThereOneRetitledHere) {
            Clock::advance(1000);
            pasteCopy(client->model(trip), QStringLiteral("Bags"), QStringLiteral("Spare bags"));
        }
        if (sameSecond || c == PastedCopyMovedThereTickedHere || c == PastedSourceMovedThereRetitledHere
            || c == TypedIntoARowOfAMovedTasksSecond || c == MovedToOneListOnBothTickedThere
            || c == MovedToOneListOnBothTickedHere || c == PastedIntoAListThereItsSourceMovedThereHere
            || c == PastedIntoAListThereAnotherRemovedThereItsSourceMovedThereHere
            || c == MovedToOneListOnBothTickedHereKilledOnceTheFirstUploadLeft
            || c == PastedBesideItsSourceOnBoth || c == PastedCopiesTickedAndMovedThereOneRetitledHere
            || c == SameSecondMadeOnBothListRemovedThereEditedHere)
            makeList(*client, QStringLiteral("Home"), {QStringLiteral("Keys")});
        if (c == MovedToOneListOnBothTickedThereATaskOfItsTitleThere) {
            // Another Bags there, told apart by its assignment.
            ListModel *home = makeList(*client, QStringLiteral("Home"), {QStringLiteral("Keys"), QStringLiteral("Bags")});
            home->assignTask(home->indexOfTask(taskTitled(home->taskList(), QStringLiteral("Bags"))),
                             QStringLiteral("bob"));
        }
        if (c == MovedToAnotherListThere || c == MovedToAnotherListThereMovedHereToo
            || c == MovedIntoAListRenamedHere || c == MovedToAnotherListThereEditedHere
            || c == MovedToAnotherListHereRetitledThere || c == MovedToAnotherListThereIndentedHere
            || c == MovedWithItsSubtaskThereSubtaskRetitledHere || c == MovedWithItsSubtaskThereSubtaskRemovedHere
            || c == SubtaskRemovedThereMovedToAnotherListHere || c == RemovedWithItsSubtaskThereMovedToAnotherListHere
            || c == MovedToAnotherListThereEditedHereSentAlone
            || c == MovedToAnotherListThereKilledBeforeTheOtherListEditedHere
            || c == MovedWithItsSubtaskHereSubtaskRetitledThere || c == MovedToAnotherListBothRetitledThereAfter
            || c == MovedToOneListThereAnotherHere || c == MovedWithItsSubtaskOnBoth
            || c == MovedIntoAListMadeThereAnotherHereAfterAPostInDoubtHere
            || c == MovedIntoAListMadeThereRetitledHereAfterAPostInDoubtHere
            || c == IndentedAndMovedWithItsParentThereParentMovedElsewhereHere
            || c == MovedWithItsSubtaskOnBothItsUpdateInDoubtHere || c == OutdentedThereMovedWithItsParentHere
            || c == OutdentedHereMovedWithItsParentThere || c == MovedOutWithItsParentAndBackThereRetitledHere
            || c == MovedOutWithItsParentAndBackHereRetitledThere
            || c == MovedThereAnotherIndentedBelowItHere || c == RemovedWithTwoLevelsThereMovedHere
            || c == MovedThereItsSubtaskRemovedThenRetitledHere || c == MovedHereSentAloneRetitledThere
            || c == ForcedThereRetitledThereMovedWithItsSubtaskOnBoth || c == RetitledThereMovedWithItsSubtaskOnBoth
            || c == MovedThereTickedHereTheOtherListAlone || c == MovedHereTheOtherListAloneRetitledThere
            || c == MovedHereSentAloneBeforeARetitleThere || c == SubtaskMovedOutItsParentRemovedHereRetitledThere
            || c == SubtaskMovedOutItsParentRemovedThereRetitledHere
            || c == MovedIntoAListRemovedThere || c == ListRemovedThereWithATaskMovedOutTaskRetitledHere
            || c == ListRemovedHereAfterATaskMovedOutTaskTickedThere
            || c == MovedToOneListThereAnotherHereThatListRemovedHere
            || c == MovedToOneListOnBothThereKilledBeforeItsSourceList || c == MovedThereKilledAfterBothListsRetitledHere
            || c == OnlyTaskMovedOutAndRetitledThereTickedHere || c == MovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore
            || c == MovedWithItsSubtaskToOneListThereAnotherHere
            || c == SameSecondMovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore
            || c == RolledOverThereIntoAListHere || c == IntoAListThereRolledOverHere
            || c == RolledOverThereRemovedHereAnotherListTickedHere
            || (c >= SubtaskMovedWithItsParentThereAloneHereRetitledItsListRemovedHere
                && c <= MovedHereByARunFailedBeforeTheListItLeftTickedThereBeforeMovedThereToo)
            || c == ForcedHereCancelledTaskAddedThere || c == ForcedHereConnectionDroppedRenamedThere
            || c == ForcedHereKilledSharedListRemovedThere || c == ForcedHereFailedAtItsFirstRequestTaskAddedThere
            || c == ForcedHereCutSharedListRemovedBefore || c == ForcedHereKilledBeforeItsFirstLookTaskAddedThere
            || c == ForcedHereTaskAddedHereListRemovedThereMidRun
            || c == ForcedHereCutWithoutTheAgreedCopyTaskAddedThere || c == ForcedHereCancelledRemovedHereTaskAddedThere)
            makeList(*client, QStringLiteral("Home"), {QStringLiteral("Keys")});
        if (c == MovedToOneListThereAnotherHere || c == MovedToOneListThereAnotherHereThatListRemovedHere
            || c == MovedWithItsSubtaskToOneListThereAnotherHere
            || c == IndentedAndMovedWithItsParentThereParentMovedElsewhereHere
            || c == MovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore
            || c == SameSecondMovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore
            || c == SameSecondMovedToOneListOnBothRetitledThereACopyOfItsSecondElsewhere
            || c == SameSecondAlikeMovedToTwoListsThereOneTickedHere || c == SameSecondAlikeMovedCrosswiseOnBoth
            || c == SameSecondAlikeMovedCrosswiseOnBothRetitledThere
            || c == SameSecondAlikeOneMovedOnEachItsListRemovedHere)
            makeList(*client, QStringLiteral("Shop"), {QStringLiteral("Soap")});
        if (orderCase) {
            makeList(*client, QStringLiteral("Home"), {QStringLiteral("Keys")});
            makeList(*client, QStringLiteral("Shop"), {QStringLiteral("Soap")});
        }
        if (c == MovedWithItsSubtaskThereSubtaskRetitledHere || c == MovedWithItsSubtaskThereSubtaskRemovedHere
            || c == SubtaskRemovedThereMovedToAnotherListHere || c == RemovedWithItsSubtaskThereMovedToAnotherListHere
            || c == MovedWithItsSubtaskHereSubtaskRetitledThere || c == MovedWithItsSubtaskOnBoth
            || c == MovedWithItsSubtaskOnBothItsUpdateInDoubtHere || c == OutdentedThereMovedWithItsParentHere
            || c == OutdentedHereMovedWithItsParentThere || c == MovedOutWithItsParentAndBackThereRetitledHere
            || c == MovedOutWithItsParentAndBackHereRetitledThere
            || c == RemovedWithTwoLevelsThereMovedHere || c == MovedThereItsSubtaskRemovedThenRetitledHere
            || c == SubtaskMovedOutItsParentRemovedHereRetitledThere
            || c == SubtaskMovedOutItsParentRemovedThereRetitledHere || c == ListRemovedThereEmptyRowBelowASubtaskHere
            || c == ListRemovedThereEmptyRowBelowAParentHere || c == ListRemovedThereEmptyRowHereSentAlone
            || c == ListRemovedHereEmptyRowMadeThere || c == RemovedWithItsSubtaskThereEmptyRowBelowItHere
            || c == RemovedWithItsSubtaskHereEmptyRowBelowItThere || c == MovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore
            || c == SameSecondMovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore || c == MovedWithItsSubtaskToOneListThereAnotherHere
            || c == ForcedThereRetitledThereMovedWithItsSubtaskOnBoth || c == RetitledThereMovedWithItsSubtaskOnBoth
            || (c >= RolledOverOnBoth && c <= MovedToOneListOnBothFromACopyOlderThanItsSubtasksRemovalOnAThird)) {
            Clock::advance(1000);
            addTask(client->model(trip), QStringLiteral("Big one"), QStringLiteral("Bags"));
            if (c == SameSecondMovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore
                || c == MovedToOneListThereAndHereFromACopyOlderThanItsSubtasksRemovalOnAThird
                || c == SubtaskMovedWithItsParentThereAloneHereRetitledItsListRemovedHere) {
                Task *bags = const_cast<Task *>(taskTitled(client->model(trip)->taskList(), QStringLiteral("Bags")));
                bags->child(0)->setCreationTime(bags->creationTime());
            }
        }
        if (c == SameSecondMovedToOneListOnBothAfterAnUploadInDoubtHere) {
            // Big one in the second of the others, Home's tasks in another.
            addTask(client->model(trip), QStringLiteral("Big one"), QStringLiteral("Bags"));
            Clock::advance(1000);
            makeList(*client, QStringLiteral("Home"), {QStringLiteral("Keys")});
        }
        if (c == RemovedWithTwoLevelsThereMovedHere) {
            Clock::advance(1000);
            addTask(client->model(trip), QStringLiteral("Tiny one"), QStringLiteral("Big one"));
        }
        if (c == ForcedThereTwoListsAlikeTaskAddedHere) {
            // Its tasks pasted into another list: the same creators and
            // seconds, the same titles.
            ListModel *spare = client->addList(QStringLiteral("Spare"), {});
            for (const Task *task : client->model(trip)->taskList()->rootTask()->children())
                spare->appendTask(task->copy());
        }
        if (c == ForcedThereEmptyListRenamedHere)
            client->addList(QStringLiteral("Empty"), {});
        if (!m_groups.isEmpty()) {
            // Trip in a group of its own, Travel, sent up (or Travel alone).
            QVERIFY(sync(*client));
            ListsGroups *groups = client->listsGroups();
            ListsGroupsElementGroup *travel = groups->addGroupToDefaultGroup();
            groups->setGroupName(travel, QStringLiteral("Travel"));
            if (c != ListMovedToAGroupAndRemovedHereTaskAddedThere)
                groups->userMoveListToGroup(groups->findListByLocalId(client->model(trip)->taskList()->localId()),
                                            travel);
        }
        // Home first: its update leaves before Trip's.
        if (c == MovedWithItsSubtaskOnBothItsUpdateInDoubtHere || c == MovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore
            || c == SameSecondMovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore
            || c == MovedHereByARunFailedBeforeTheListItLeftTickedThereBeforeMovedThereToo)
            client->lists->moveList(int(client->lists->models().indexOf(client->model("Home"))), 0);
        if (c == UnassignedThere)
            client->model(trip)->assignTask(client->model(trip)->indexOfTask(
                                                taskTitled(client->model(trip)->taskList(), QStringLiteral("Bags"))),
                                            QStringLiteral("bob"));
        QVERIFY(sync(*client));
        client->persist();
    }
    for (StoredClient *other : {&b, &c3}) {
        auto client = session(*other);
        QVERIFY(sync(*client));
        client->persist();
    }
    // A changes, and synchronises; B, not synchronised since, changes
    // something else, and synchronises.
    const auto onA = [&](const std::function<void(LiveClient &)> &change) {
        auto client = session(a);
        change(*client);
        QVERIFY(sync(*client));
        client->persist();
    };
    const auto onB = [&](const std::function<void(LiveClient &)> &change, StoredClient &store) {
        auto client = session(store);
        change(*client);
        QVERIFY(sync(*client));
        client->persist();
    };
    const auto retitleTickets = [&](LiveClient &client) {
        retitle(client.model(trip), QStringLiteral("Tickets"), QStringLiteral("Train tickets"));
    };
    const auto moveBagsHome = [&](LiveClient &client) {
        moveToList(client.model(trip), QStringLiteral("Bags"), client.model("Home"));
    };
    const auto retitleBags = [&](LiveClient &client) {
        retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags"));
    };
    // The week's roll-over: every task of Trip moved into a new list, Trip
    // removed.
    const auto rollIntoJourney = [&](LiveClient &client) {
        ListModel *next = client.addList(QStringLiteral("Journey"), {});
        for (const QString &title : {QStringLiteral("Tickets"), QStringLiteral("Bags"), QStringLiteral("Socks")})
            moveToList(client.model(trip), title, next);
        client.lists->deleteList(client.model(trip)->taskList());
    };
    switch (c) {
    case RenamedThere:
        onA([&](LiveClient &client) { client.model(trip)->setName(QStringLiteral("Journey")); });
        onB(retitleTickets, b);
        expected = {QStringLiteral("Journey[Train tickets,Bags,Socks]")};
        break;
    case ReorderedThere:
        onA([&](LiveClient &client) { moveTo(client.model(trip), QStringLiteral("Socks"), 0); });
        onB(retitleTickets, b);
        expected = {QStringLiteral("Trip[Socks,Train tickets,Bags]")};
        break;
    case RemovedThere:
        onA([&](LiveClient &client) { removeTask(client.model(trip), QStringLiteral("Bags")); });
        onB(retitleTickets, b);
        expected = {QStringLiteral("Trip[Train tickets,Socks]")};
        break;
    case RetitledThere:
        onA([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags")); });
        onB(retitleTickets, b);
        expected = {QStringLiteral("Trip[Train tickets,Big bags,Socks]")};
        break;
    case AssignedThere:
        onA([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            model->assignTask(model->indexOfTask(taskTitled(model->taskList(), QStringLiteral("Bags"))),
                              QStringLiteral("bob"));
        });
        onB(retitleTickets, b);
        expected = {QStringLiteral("Trip[Train tickets,Bags@bob,Socks]")};
        break;
    case UnassignedThere:
        onA([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            model->unassignTask(model->indexOfTask(taskTitled(model->taskList(), QStringLiteral("Bags"))),
                                QStringLiteral("bob"));
        });
        onB(retitleTickets, b);
        expected = {QStringLiteral("Trip[Train tickets,Bags,Socks]")};
        break;
    case RemovedThereSubtaskAddedHere:
        onA([&](LiveClient &client) { removeTask(client.model(trip), QStringLiteral("Bags")); });
        onB([&](LiveClient &client) { addTask(client.model(trip), QStringLiteral("Big one"), QStringLiteral("Bags")); },
            b);
        expected = {QStringLiteral("Trip[Tickets,Bags,Bags>Big one,Socks]")};
        break;
    case RemovedThereTwoOlderCopies:
        onA([&](LiveClient &client) { removeTask(client.model(trip), QStringLiteral("Bags")); });
        onB(retitleTickets, b);
        onB([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Socks"), QStringLiteral("Wool socks")); },
            c3);
        expected = {QStringLiteral("Trip[Train tickets,Wool socks]")};
        break;
    case MovedToAnotherListThere:
        onA([&](LiveClient &client) { moveToList(client.model(trip), QStringLiteral("Bags"), client.model("Home")); });
        onB(retitleTickets, b);
        expected = {QStringLiteral("Home[Keys,Bags]"), QStringLiteral("Trip[Train tickets,Socks]")};
        break;
    case MovedToAnotherListThereMovedHereToo:
        onA([&](LiveClient &client) { moveToList(client.model(trip), QStringLiteral("Bags"), client.model("Home")); });
        onB([&](LiveClient &client) { moveToList(client.model(trip), QStringLiteral("Bags"), client.model("Home")); },
            b);
        expected = {QStringLiteral("Home[Keys,Bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case MovedIntoAListRenamedHere:
        onB([&](LiveClient &client) { client.model("Home")->setName(QStringLiteral("House")); }, b);
        onA([&](LiveClient &client) { moveToList(client.model(trip), QStringLiteral("Bags"), client.model("Home")); });
        expected = {QStringLiteral("House[Keys,Bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case MovedToAnotherListThereEditedHere:
        onA([&](LiveClient &client) { moveToList(client.model(trip), QStringLiteral("Bags"), client.model("Home")); });
        onB([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags")); },
            b);
        expected = {QStringLiteral("Home[Keys,Big bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case AddedHereUpdateLostTickedThere: {
        {
            auto client = session(b);
            addTask(client->model(trip), QStringLiteral("Passport"));
            m_server->dropAnswerAfterApplying("PUT", OneList);
            QVERIFY(!sync(*client));
            client->persist();
        }
        onA([&](LiveClient &client) {
            QVERIFY(sync(client));
            ListModel *model = client.model(trip);
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Passport")), true);
        });
        expected = {QStringLiteral("Trip[Tickets,Bags,Socks,Passport*]")};
        break;
    }
    case TickUndoneAfterAnUpdateAppliedAnswered500: {
        auto client = session(b);
        ListModel *model = client->model(trip);
        model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Bags")), true);
        m_server->respondAfterApplying("PUT", OneList, 500);
        QVERIFY(!sync(*client));
        QVERIFY(model->canUndo());
        model->undo();
        QVERIFY(sync(*client));
        client->persist();
        expected = {QStringLiteral("Trip[Tickets,Bags,Socks]")};
        break;
    }
    case RetitledBeforeARunKilledBeforeItsList: {
        quint32 first = 0;
        for (const FakeList &l : m_server->visibleLists(QStringLiteral("alice")))
            if (l.name == QLatin1String("Aaa first"))
                first = l.id;
        const QString firstPath = QStringLiteral("^/lists/%1$").arg(first);
        auto client = session(b);
        QCOMPARE(client->lists->models().first()->taskList()->serverId(), first);
        retitle(client->model("Aaa first"), QStringLiteral("One"), QStringLiteral("One more"));
        retitle(client->model(trip), QStringLiteral("Tickets"), QStringLiteral("Train tickets"));
        // Killed once the first list's upload left: Trip's never did.
        m_server->hold("PUT", firstPath);
        runClientSync(*client, *m_server, [&] { return !m_server->requests("PUT", firstPath).isEmpty(); });
        QVERIFY(m_server->releaseHeld() > 0);
        QTest::qWait(50);
        m_server->clearFaults();
        QCOMPARE(m_server->requests("PUT", OneList).size(), 1);
        onA([&](LiveClient &client) {
            QVERIFY(sync(client));
            retitle(client.model(trip), QStringLiteral("Socks"), QStringLiteral("Wool socks"));
        });
        expected = {QStringLiteral("Aaa first[One more]"), QStringLiteral("Trip[Train tickets,Bags,Wool socks]")};
        break;
    }
    case RemovedHereRetitledThere:
        onA([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags")); });
        onB([&](LiveClient &client) { removeTask(client.model(trip), QStringLiteral("Bags")); }, b);
        expected = {QStringLiteral("Trip[Tickets,Big bags,Socks]")};
        m_notice = ListOutcome::keptAgainstRemovalsText({{}, {}, {}, {QStringLiteral("Trip: Big bags")}, {}});
        break;
    case BothRetitledOneTask:
        onA([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags")); });
        onB([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Red bags")); },
            b);
        expected = {QStringLiteral("Trip[Tickets,Red bags,Socks]")};
        break;
    case IndentedThereAddedBelowHere:
        onA([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            const QModelIndex bags = model->indexOfTask(taskTitled(model->taskList(), QStringLiteral("Bags")));
            const QModelIndex tickets = model->indexOfTask(taskTitled(model->taskList(), QStringLiteral("Tickets")));
            model->saveUndoState();
            QVERIFY(model->reparentTask(bags, tickets, 0));
        });
        onB([&](LiveClient &client) { addTask(client.model(trip), QStringLiteral("Big one"), QStringLiteral("Bags")); },
            b);
        expected = {QStringLiteral("Trip[Tickets,Tickets>Bags,Tickets>Bags>Big one,Socks]")};
        break;
    case MovedToAnotherListHereRetitledThere:
        onA([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags")); });
        onB(moveBagsHome, b);
        expected = {QStringLiteral("Home[Keys,Big bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case MovedToAnotherListThereIndentedHere:
        onA(moveBagsHome);
        onB([&](LiveClient &client) { indentBelow(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Tickets")); },
            b);
        expected = {QStringLiteral("Home[Keys,Bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case MovedWithItsSubtaskThereSubtaskRetitledHere:
        onA(moveBagsHome);
        onB([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Big one"), QStringLiteral("Huge one")); },
            b);
        expected = {QStringLiteral("Home[Keys,Bags,Bags>Huge one]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case MovedWithItsSubtaskThereSubtaskRemovedHere:
        onA(moveBagsHome);
        onB([&](LiveClient &client) { removeTask(client.model(trip), QStringLiteral("Big one")); }, b);
        expected = {QStringLiteral("Home[Keys,Bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case SubtaskRemovedThereMovedToAnotherListHere:
        onA([&](LiveClient &client) { removeTask(client.model(trip), QStringLiteral("Big one")); });
        onB(moveBagsHome, b);
        expected = {QStringLiteral("Home[Keys,Bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case MovedThereItsSubtaskRemovedThenRetitledHere:
        onA([&](LiveClient &client) {
            moveBagsHome(client);
            removeTask(client.model("Home"), QStringLiteral("Big one"));
        });
        onB([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags")); },
            b);
        expected = {QStringLiteral("Home[Keys,Big bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case RemovedWithTwoLevelsThereMovedHere:
    case RemovedWithItsSubtaskThereMovedToAnotherListHere:
        onA([&](LiveClient &client) { removeTask(client.model(trip), QStringLiteral("Bags")); });
        onB(moveBagsHome, b);
        expected = {QStringLiteral("Home[Keys,Bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case IndentedUpdateAppliedAnswered500ThenRemoved: {
        auto client = session(b);
        ListModel *model = client->model(trip);
        indentBelow(model, QStringLiteral("Bags"), QStringLiteral("Tickets"));
        m_server->respondAfterApplying("PUT", OneList, 500);
        QVERIFY(!sync(*client));
        removeTask(model, QStringLiteral("Bags"));
        QVERIFY(sync(*client));
        client->persist();
        expected = {QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case MovedToAnotherListThereEditedHereSentAlone: {
        onA(moveBagsHome);
        auto client = session(b);
        retitle(client->model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags"));
        // The list's own run sees no other list: where the task the server
        // no longer has went is for the full run to see.
        QCOMPARE(syncAlone(*client, trip), SingleListSynchronizer::waitsForOtherListsText(trip));
        QVERIFY(sync(*client));
        client->persist();
        expected = {QStringLiteral("Home[Keys,Big bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case MovedThereTickedHereTheOtherListAlone: {
        onA(moveBagsHome);
        auto client = session(b);
        ListModel *model = client->model(trip);
        model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Bags")), true);
        // Taken alone, the task that came into it would no longer tell the
        // full run where the ticked one went.
        QCOMPARE(syncAlone(*client, QStringLiteral("Home")),
                 SingleListSynchronizer::waitsForOtherListsText(QStringLiteral("Home")));
        QVERIFY(sync(*client));
        client->persist();
        expected = {QStringLiteral("Home[Keys,Bags*]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case MovedHereTheOtherListAloneRetitledThere: {
        onA(retitleBags);
        auto client = session(b);
        moveBagsHome(*client);
        QCOMPARE(syncAlone(*client, QStringLiteral("Home")),
                 SingleListSynchronizer::waitsForMovesText(QStringLiteral("Home")));
        QVERIFY(sync(*client));
        client->persist();
        expected = {QStringLiteral("Home[Keys,Big bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case MovedHereSentAloneBeforeARetitleThere: {
        {
            auto client = session(b);
            moveBagsHome(*client);
            QCOMPARE(syncAlone(*client, trip), SingleListSynchronizer::waitsForMovesText(trip));
            client->persist();
        }
        onA(retitleBags);
        onB([](LiveClient &) {}, b);
        expected = {QStringLiteral("Home[Keys,Big bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case SubtaskMovedOutItsParentRemovedHereRetitledThere:
    case SubtaskMovedOutItsParentRemovedThereRetitledHere: {
        // The subtask went to another list before its parent was removed:
        // it is there once, with the change; the parent's removal did not
        // know of that change below it, and the parent stays.
        const auto moveOutAndRemove = [&](LiveClient &client) {
            moveToList(client.model(trip), QStringLiteral("Big one"), client.model("Home"));
            removeTask(client.model(trip), QStringLiteral("Bags"));
        };
        const auto retitleBigOne = [&](LiveClient &client) {
            retitle(client.model(trip), QStringLiteral("Big one"), QStringLiteral("Huge one"));
        };
        if (c == SubtaskMovedOutItsParentRemovedHereRetitledThere) {
            onA(retitleBigOne);
            onB(moveOutAndRemove, b);
        } else {
            onA(moveOutAndRemove);
            onB(retitleBigOne, b);
        }
        expected = {QStringLiteral("Home[Keys,Huge one]"), QStringLiteral("Trip[Tickets,Bags,Socks]")};
        break;
    }
    case MovedIntoAListMadeHereRetitledThere:
        onA(retitleBags);
        onB([&](LiveClient &client) {
            makeList(client, QStringLiteral("Bin"), {QStringLiteral("Box")});
            moveToList(client.model(trip), QStringLiteral("Bags"), client.model("Bin"));
        }, b);
        expected = {QStringLiteral("Bin[Box,Big bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case MovedHereSentAloneRetitledThere: {
        onA([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags")); });
        auto client = session(b);
        moveBagsHome(*client);
        QCOMPARE(syncAlone(*client, trip), SingleListSynchronizer::waitsForMovesText(trip));
        QVERIFY(sync(*client));
        client->persist();
        expected = {QStringLiteral("Home[Keys,Big bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case MovedToAnotherListThereKilledBeforeTheOtherListEditedHere: {
        quint32 tripId = 0;
        for (const FakeList &l : m_server->visibleLists(QStringLiteral("alice")))
            if (l.name == trip)
                tripId = l.id;
        const QString tripPath = QStringLiteral("^/lists/%1$").arg(tripId);
        {
            auto client = session(a);
            moveBagsHome(*client);
            // Killed once Trip's upload left: Home's never did.
            m_server->hold("PUT", tripPath);
            runClientSync(*client, *m_server, [&] { return !m_server->requests("PUT", tripPath).isEmpty(); });
            QVERIFY(m_server->releaseHeld() > 0);
            QTest::qWait(50);
            m_server->clearFaults();
        }
        QCOMPARE(serverLists(), QStringList({QStringLiteral("Home[Keys]"), QStringLiteral("Trip[Tickets,Socks]")}));
        onB([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags")); },
            b);
        // The move reaches the server in two runs, the other computer's
        // change between them: the task it kept where it was is its version
        // of the moved one.
        expected = {QStringLiteral("Home[Keys,Big bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case MovedWithItsSubtaskHereSubtaskRetitledThere:
        onA([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Big one"), QStringLiteral("Huge one")); });
        onB(moveBagsHome, b);
        expected = {QStringLiteral("Home[Keys,Bags,Bags>Huge one]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case MovedThereAnotherIndentedBelowItHere:
        onA(moveBagsHome);
        onB([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            const QModelIndex socks = model->indexOfTask(taskTitled(model->taskList(), QStringLiteral("Socks")));
            const QModelIndex bags = model->indexOfTask(taskTitled(model->taskList(), QStringLiteral("Bags")));
            model->saveUndoState();
            QVERIFY(model->reparentTask(socks, bags, 0));
        }, b);
        expected = {QStringLiteral("Home[Keys,Bags,Bags>Socks]"), QStringLiteral("Trip[Tickets]")};
        break;
    case MovedWithItsSubtaskOnBoth:
        onA(moveBagsHome);
        onB(moveBagsHome, b);
        expected = {QStringLiteral("Home[Keys,Bags,Bags>Big one]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case MovedWithItsSubtaskOnBothItsUpdateInDoubtHere: {
        {
            auto client = session(b);
            moveBagsHome(*client);
            m_server->dropAnswerAfterApplying("PUT", OneList);
            QVERIFY(!sync(*client));
            client->persist();
        }
        onA(moveBagsHome);
        onB([](LiveClient &) {}, b);
        expected = {QStringLiteral("Home[Keys,Bags,Bags>Big one]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case OutdentedThereMovedWithItsParentHere:
    case OutdentedHereMovedWithItsParentThere: {
        const auto outdentBigOne = [&](LiveClient &client) {
            ListModel *model = client.model(trip);
            const Task *bags = taskTitled(model->taskList(), QStringLiteral("Bags"));
            const QModelIndex index = model->indexOfTask(taskTitled(model->taskList(), QStringLiteral("Big one")));
            model->saveUndoState();
            QVERIFY(model->reparentTask(index, QModelIndex(), bags->parent()->indexOfChild(bags) + 1));
        };
        if (c == OutdentedThereMovedWithItsParentHere) {
            onA(outdentBigOne);
            onB(moveBagsHome, b);
        } else {
            onA(moveBagsHome);
            onB(outdentBigOne, b);
        }
        // Only Bags moved to Home: Big one stays where its own move put it.
        expected = {QStringLiteral("Home[Keys,Bags]"), QStringLiteral("Trip[Tickets,Big one,Socks]")};
        break;
    }
    case MovedOutWithItsParentAndBackThereRetitledHere:
    case MovedOutWithItsParentAndBackHereRetitledThere: {
        const auto outAndBack = [&](LiveClient &client) {
            moveBagsHome(client);
            moveToList(client.model("Home"), QStringLiteral("Big one"), client.model(trip));
        };
        const auto retitleBigOne = [&](LiveClient &client) {
            retitle(client.model(trip), QStringLiteral("Big one"), QStringLiteral("Huge one"));
        };
        if (c == MovedOutWithItsParentAndBackThereRetitledHere) {
            onA(outAndBack);
            onB(retitleBigOne, b);
        } else {
            onA(retitleBigOne);
            onB(outAndBack, b);
        }
        expected = {QStringLiteral("Home[Keys,Bags]"), QStringLiteral("Trip[Tickets,Socks,Huge one]")};
        break;
    }
    case MovedToAnotherListBothRetitledThereAfter:
        onA([&](LiveClient &client) {
            moveBagsHome(client);
            QVERIFY(sync(client));
            retitle(client.model("Home"), QStringLiteral("Bags"), QStringLiteral("Big bags"));
        });
        onB(moveBagsHome, b);
        expected = {QStringLiteral("Home[Keys,Big bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case SameSecondMovedThereTickedHere:
    case PastedSourceMovedThereRetitledHere:
    case SameSecondMovedThereRetitledHere: {
        const bool tick = c == SameSecondMovedThereTickedHere;
        onA(moveBagsHome);
        onB([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            if (tick)
                model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Bags")), true);
            else
                retitle(model, QStringLiteral("Bags"), QStringLiteral("Big bags"));
        }, b);
        const QString moved = tick ? QStringLiteral("Bags*") : QStringLiteral("Big bags");
        expected = {QStringLiteral("Home[Keys,%1]").arg(moved),
                    c == PastedSourceMovedThereRetitledHere ? QStringLiteral("Trip[Tickets,Spare bags,Socks]")
                                                            : QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case SameSecondRetitledSentMovedThereTickedHere:
        onA([&](LiveClient &client) {
            retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags"));
            QVERIFY(sync(client));
            moveToList(client.model(trip), QStringLiteral("Big bags"), client.model("Home"));
        });
        onB([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Bags")), true);
        }, b);
        expected = {QStringLiteral("Home[Keys,Big bags*]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case SameSecondTwoMovedThereOneTickedHere:
        onA([&](LiveClient &client) {
            moveBagsHome(client);
            moveToList(client.model(trip), QStringLiteral("Socks"), client.model("Home"));
        });
        onB([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Socks")), true);
        }, b);
        expected = {QStringLiteral("Home[Keys,Bags,Socks*]"), QStringLiteral("Trip[Tickets]")};
        break;
    case SameSecondAlikeTwoMovedThereOneTickedHere:
        onA([&](LiveClient &client) {
            moveToList(client.model(trip), QStringLiteral("Eggs"), client.model("Home"));
            moveToList(client.model(trip), QStringLiteral("Eggs"), client.model("Home"));
        });
        onB([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Eggs")), true);
        }, b);
        // Nothing tells which moved Eggs is the one ticked here, and nothing
        // needs to: both went alike into one list.
        expected = {QStringLiteral("Home[Keys,Eggs*,Eggs]"), QStringLiteral("Trip[Tickets]")};
        m_expectedNoNotice = true;
        break;
    case SameSecondAlikeMovedToTwoListsThereOneTickedHere:
        onA([&](LiveClient &client) {
            moveToList(client.model(trip), QStringLiteral("Eggs"), client.model("Home"));
            moveToList(client.model(trip), QStringLiteral("Eggs"), client.model("Shop"));
        });
        onB([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Eggs")), true);
        }, b);
        // Which list the ticked one went to is not known: it stays where it
        // was, and the user is told.
        expected = {QStringLiteral("Home[Keys,Eggs]"), QStringLiteral("Shop[Soap,Eggs]"),
                    QStringLiteral("Trip[Tickets,Eggs*]")};
        m_expectedNotice = QStringLiteral("Trip: Eggs");
        break;
    case SameSecondAlikeMovedCrosswiseOnBoth:
    case SameSecondAlikeMovedCrosswiseOnBothRetitledThere:
        onA([&](LiveClient &client) {
            moveToList(client.model(trip), QStringLiteral("Eggs"), client.model("Home"));
            moveToList(client.model(trip), QStringLiteral("Eggs"), client.model("Shop"));
            if (c == SameSecondAlikeMovedCrosswiseOnBothRetitledThere) {
                retitle(client.model("Home"), QStringLiteral("Eggs"), QStringLiteral("Brown eggs"));
                retitle(client.model("Shop"), QStringLiteral("Eggs"), QStringLiteral("White eggs"));
            }
        });
        onB([&](LiveClient &client) {
            moveToList(client.model(trip), QStringLiteral("Eggs"), client.model("Shop"));
            moveToList(client.model(trip), QStringLiteral("Eggs"), client.model("Home"));
        }, b);
        if (c == SameSecondAlikeMovedCrosswiseOnBoth) {
            // Alike, they went where this computer put them, whichever is which.
            expected = {QStringLiteral("Home[Keys,Eggs]"), QStringLiteral("Shop[Soap,Eggs]"),
                        QStringLiteral("Trip[Tickets]")};
            m_expectedNoNotice = true;
        } else {
            // Which retitle goes with which is not known: this computer's
            // copies stay beside the other's, and the user is told.
            expected = {QStringLiteral("Home[Keys,Brown eggs,Eggs]"), QStringLiteral("Shop[Soap,White eggs,Eggs]"),
                        QStringLiteral("Trip[Tickets]")};
            m_expectedNotice = QStringLiteral("Home: Eggs\nShop: Eggs");
        }
        break;
    case SameSecondAlikeOneMovedOnEach:
    case SameSecondAlikeOneMovedOnEachItsListRemovedHere:
        onA([&](LiveClient &client) { moveToList(client.model(trip), QStringLiteral("Eggs"), client.model("Home")); });
        onB([&](LiveClient &client) {
            // The second Eggs: Tickets, Eggs, Eggs (or Eggs, Eggs).
            ListModel *model = client.model(trip);
            Task *second = model->taskList()->rootTask()->child(c == SameSecondAlikeOneMovedOnEach ? 2 : 1);
            QCOMPARE(second->title(), QStringLiteral("Eggs"));
            // The removal's copy without the task's lineage, as one read from
            // a lists file of an earlier version.
            Task *copy = c == SameSecondAlikeOneMovedOnEach ? second->movedCopy() : second->copy();
            const QModelIndex index = model->indexOfTask(second);
            model->saveUndoState();
            second->markLeftByMove();
            model->removeRows(index.row(), 1, index.parent());
            client.model(c == SameSecondAlikeOneMovedOnEach ? "Home" : "Shop")->appendTask(copy);
            if (c == SameSecondAlikeOneMovedOnEachItsListRemovedHere)
                client.lists->deleteList(model->taskList());
        }, b);
        expected = c == SameSecondAlikeOneMovedOnEach
                       ? QStringList{QStringLiteral("Home[Keys,Eggs,Eggs]"), QStringLiteral("Trip[Tickets]")}
                       : QStringList{QStringLiteral("Home[Keys,Eggs]"), QStringLiteral("Shop[Soap,Eggs]")};
        m_expectedNoNotice = true;
        break;
    case PastedCopiesTickedAndMovedThereOneRetitledHere:
        // Both ticked, then moved by "Move all checked tasks".
        onA([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            model->taskList()->rootTask()->forEachBelow([&](Task *task) {
                if (task->title() == QLatin1String("Spare bags"))
                    model->setTaskDone(task, true);
            });
            moveToList(model, QStringLiteral("Spare bags"), client.model("Home"));
            moveToList(model, QStringLiteral("Spare bags"), client.model("Home"));
        });
        onB([&](LiveClient &client) {
            retitle(client.model(trip), QStringLiteral("Spare bags"), QStringLiteral("Big spare bags"));
        }, b);
        expected = {QStringLiteral("Home[Keys,Big spare bags*,Spare bags*]"), QStringLiteral("Trip[Tickets,Bags,Socks]")};
        m_expectedNoNotice = true;
        break;
    case SameSecondMadeOnBothListRemovedThereEditedHere: {
        // Passport made here and Milk there, in one second; each computer
        // has run since it made its own, and this one holds both.
        const QDateTime second = Clock::currentDateTimeUtc().addSecs(60);
        onB([&](LiveClient &client) {
            Clock::setFixedTime(second);
            addTask(client.model(trip), QStringLiteral("Passport"));
        }, b);
        onA([&](LiveClient &client) {
            Clock::setFixedTime(second);
            addTask(client.model("Home"), QStringLiteral("Milk"));
            Clock::advance(7000);
        });
        onA([&](LiveClient &client) { client.lists->deleteList(client.model(trip)->taskList()); });
        onB([&](LiveClient &client) {
            retitle(client.model(trip), QStringLiteral("Passport"), QStringLiteral("Passports"));
        }, b);
        // Nothing moved: Milk is not Passport's copy.
        expected = {QStringLiteral("Home[Keys,Milk]"), QStringLiteral("Trip[Passports]")};
        m_notice = ListOutcome::keptAgainstRemovalsText({{trip}, {}, {}, {}, {}});
        break;
    }
    case SameSecondMadeOnBothRemovedThereRetitledHere: {
        // Passport made here, and Milk in a new list there, in one second.
        const QDateTime second = Clock::currentDateTimeUtc().addSecs(60);
        onB([&](LiveClient &client) {
            Clock::setFixedTime(second);
            addTask(client.model(trip), QStringLiteral("Passport"));
        }, b);
        onA([&](LiveClient &client) {
            Clock::setFixedTime(second);
            addTask(client.addList(QStringLiteral("Shop"), {}), QStringLiteral("Milk"));
            Clock::advance(7000);
        });
        onA([&](LiveClient &client) { removeTask(client.model(trip), QStringLiteral("Passport")); });
        onB([&](LiveClient &client) {
            retitle(client.model(trip), QStringLiteral("Passport"), QStringLiteral("Passports"));
        }, b);
        // Nothing tells that Milk is Passport's move.
        expected = {QStringLiteral("Shop[Milk]"), QStringLiteral("Trip[Tickets,Bags,Socks,Passports]")};
        m_notice = ListOutcome::keptAgainstRemovalsText({{}, {}, {}, {}, {QStringLiteral("Trip: Passports")}});
        break;
    }
    case SameSecondMovedHereTickedThere:
        onA([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Bags")), true);
        });
        onB(moveBagsHome, b);
        expected = {QStringLiteral("Home[Keys,Bags*]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case PastedCopyMovedThereTickedHere:
        onA([&](LiveClient &client) {
            moveToList(client.model(trip), QStringLiteral("Spare bags"), client.model("Home"));
        });
        onB([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Spare bags")), true);
        }, b);
        expected = {QStringLiteral("Home[Keys,Spare bags*]"), QStringLiteral("Trip[Tickets,Bags,Socks]")};
        break;
    case TypedIntoARowOfAMovedTasksSecond: {
        onA([&](LiveClient &client) { addTask(client.model(trip), QStringLiteral("Socks")); });
        onB([&](LiveClient &other) {
            QVERIFY(sync(other));
            moveToList(other.model(trip), QStringLiteral("Socks"), other.model("Home"));
        }, b);
        // A row made in the second Socks was made (by the program, or on a
        // clock behind), typed into now: it keeps that second.
        auto client = session(a);
        ListModel *model = client->model(trip);
        const QDateTime now = Clock::currentDateTimeUtc();
        Clock::setFixedTime(taskTitled(model->taskList(), QStringLiteral("Socks"))->creationTime());
        model->insertRows(model->rowCount(), 1);
        Clock::setFixedTime(now);
        model->setData(model->index(model->rowCount() - 1, 0), QStringLiteral("Bread"), Qt::EditRole);
        QVERIFY(sync(*client));
        client->persist();
        expected = {QStringLiteral("Home[Keys,Socks]"), QStringLiteral("Trip[Tickets,Bags,Bread]")};
        break;
    }
    case MovedToOneListOnBothTickedThere:
    case MovedToOneListOnBothTickedThereATaskOfItsTitleThere:
    case SameSecondMovedToOneListOnBothTickedThere:
        onA([&](LiveClient &client) {
            moveBagsHome(client);
            ListModel *model = client.model("Home");
            model->setTaskDone(model->taskList()->rootTask()->children().last(), true); // the one moved
        });
        onB(moveBagsHome, b);
        expected = {c == MovedToOneListOnBothTickedThereATaskOfItsTitleThere ? QStringLiteral("Home[Keys,Bags@bob,Bags*]")
                                                                             : QStringLiteral("Home[Keys,Bags*]"),
                    QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case PastedBesideItsSourceOnBoth:
        onA([&](LiveClient &client) { pasteCopy(client.model("Home"), QStringLiteral("Keys")); });
        onB([&](LiveClient &client) { pasteCopy(client.model("Home"), QStringLiteral("Keys")); }, b);
        expected = {QStringLiteral("Home[Keys,Keys,Keys]"), QStringLiteral("Trip[Tickets,Bags,Socks]")};
        break;
    case MovedToOneListOnBothTickedHere:
        onA(moveBagsHome);
        onB([&](LiveClient &client) {
            moveBagsHome(client);
            ListModel *model = client.model("Home");
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Bags")), true);
        }, b);
        expected = {QStringLiteral("Home[Keys,Bags*]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case MovedToOneListOnBothTickedHereKilledOnceTheFirstUploadLeft: {
        // Killed once the list the task left went up: the list it went to
        // never did, yet is marked as sent. The other computer's move then
        // reaches the server first.
        auto client = session(b);
        moveBagsHome(*client);
        ListModel *home = client->model("Home");
        home->setTaskDone(home->taskList()->rootTask()->children().last(), true);
        const QString tripPath = QStringLiteral("^/lists/%1$").arg(client->model(trip)->taskList()->serverId());
        m_server->hold("PUT", tripPath);
        runClientSync(*client, *m_server, [&] { return !m_server->requests("PUT", tripPath).isEmpty(); });
        QVERIFY(m_server->releaseHeld() > 0);
        QTest::qWait(50);
        m_server->clearFaults();
        QCOMPARE(m_server->requests("PUT", OneList).size(), 1);
        onA(moveBagsHome);
        expected = {QStringLiteral("Home[Keys,Bags*]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case PastedIntoAListThereItsSourceMovedThereHere:
    case PastedIntoAListThereAnotherRemovedThereItsSourceMovedThereHere: {
        const bool keysRemoved = c == PastedIntoAListThereAnotherRemovedThereItsSourceMovedThereHere;
        onA([&](LiveClient &client) {
            ListModel *home = client.model("Home");
            QVERIFY(home->pasteTask(taskTitled(client.model(trip)->taskList(), QStringLiteral("Bags"))->copy(),
                                    QModelIndex()));
            retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags"));
            if (keysRemoved)
                removeTask(home, QStringLiteral("Keys"));
        });
        onB(moveBagsHome, b);
        expected = {keysRemoved ? QStringLiteral("Home[Bags,Big bags]") : QStringLiteral("Home[Keys,Bags,Big bags]"),
                    QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case RenamedThereTheLookBeforeTheUploadCut: {
        onA([&](LiveClient &client) { client.model(trip)->setName(QStringLiteral("Journey")); });
        auto client = session(b);
        retitleTickets(*client);
        // The server's copy comes back cut each time it is looked at
        // before the upload: the list waits, and the run names it.
        m_server->setCompressionFault(OneList, FakeServer::TruncatedZlib);
        m_server->clearRequests();
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral("^run failed: The list \"Trip\" could not be read from "
                                                               "the server and was left as it is: ")));
        QVERIFY(!sync(*client));
        QCOMPARE(m_server->requests("PUT", OneList).size(), 0);
        m_server->clearFaults();
        client->persist();
        expected = {QStringLiteral("Journey[Train tickets,Bags,Socks]")};
        break;
    }
    case RenamedThereTheLookBeforeTheUploadCutOnce: {
        onA([&](LiveClient &client) { client.model(trip)->setName(QStringLiteral("Journey")); });
        auto client = session(b);
        retitleTickets(*client);
        m_server->setCompressionFault(OneList, FakeServer::TruncatedZlib, true);
        m_server->clearRequests();
        QVERIFY(sync(*client));
        QCOMPARE(m_server->requests("PUT", OneList).size(), 1);
        client->persist();
        expected = {QStringLiteral("Journey[Train tickets,Bags,Socks]")};
        break;
    }
    case ListsReorderedThereListMadeHere:
        onA([&](LiveClient &client) { client.lists->moveList(2, 0); });
        onB([&](LiveClient &client) { makeList(client, QStringLiteral("Work"), {QStringLiteral("Mail")}); }, b);
        expected = {QStringLiteral("Trip[Tickets,Bags,Socks]"), QStringLiteral("Home[Keys]"), QStringLiteral("Shop[Soap]"),
                    QStringLiteral("Work[Mail]")};
        m_expectedOrder = {QStringLiteral("Shop"), trip, QStringLiteral("Home"), QStringLiteral("Work")};
        break;
    case ListsReorderedAndAListMadeThereATaskTickedHere:
    case ListMadeAndMovedFirstThereTakenHereByARunThatFailed: {
        // The list made there is fetched before this computer's uploads:
        // the server's order places it, also when the run that took it
        // failed before the orders were merged.
        onA([&](LiveClient &client) {
            makeList(client, QStringLiteral("Garage"), {QStringLiteral("Tools")});
            client.lists->moveList(3, 0);
        });
        auto client = session(b);
        ListModel *model = client->model(trip);
        model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Tickets")), true);
        makeList(*client, QStringLiteral("Work"), {QStringLiteral("Mail")});
        if (c == ListMadeAndMovedFirstThereTakenHereByARunThatFailed) {
            m_server->respondOnce("POST", QStringLiteral("^/lists$"), 500);
            QVERIFY(!sync(*client));
            client->persist();
            client = session(b);
        }
        QVERIFY(sync(*client));
        client->persist();
        expected = {QStringLiteral("Trip[Tickets*,Bags,Socks]"), QStringLiteral("Home[Keys]"), QStringLiteral("Shop[Soap]"),
                    QStringLiteral("Garage[Tools]"), QStringLiteral("Work[Mail]")};
        m_expectedOrder = {QStringLiteral("Garage"), trip, QStringLiteral("Home"), QStringLiteral("Shop"),
                           QStringLiteral("Work")};
        break;
    }
    case ListsReorderedOnBoth:
        onA([&](LiveClient &client) { client.lists->moveList(2, 0); });
        onB([&](LiveClient &client) { client.lists->moveList(0, 2); }, b);
        expected = {QStringLiteral("Trip[Tickets,Bags,Socks]"), QStringLiteral("Home[Keys]"), QStringLiteral("Shop[Soap]")};
        m_expectedOrder = {QStringLiteral("Shop"), QStringLiteral("Home"), trip};
        break;
    case ListsEachMovedAfterAnotherOnBoth:
        // Each reads as the next list moved up one, as well as the list
        // moved down one: only what the user moved tells which.
        onA([&](LiveClient &client) { client.lists->moveList(0, 2); });
        onB([&](LiveClient &client) { client.lists->moveList(1, 2); }, b);
        expected = {QStringLiteral("Trip[Tickets,Bags,Socks]"), QStringLiteral("Home[Keys]"), QStringLiteral("Shop[Soap]")};
        m_expectedOrder = {QStringLiteral("Shop"), trip, QStringLiteral("Home")};
        break;
    case ListMovedHereItsOrderInDoubtAnotherMovedHere: {
        auto client = session(b);
        client->lists->moveList(2, 0);
        // Answered 200 with a body, so that a cut answer is one (a 204 has
        // no body to cut).
        m_server->setListOrderPutStatus(200);
        m_server->dropAnswerAfterApplying("PUT", QStringLiteral("lists-display-order$"));
        QVERIFY(!sync(*client));
        client->lists->moveList(2, 0);
        QVERIFY(sync(*client));
        client->persist();
        expected = {QStringLiteral("Trip[Tickets,Bags,Socks]"), QStringLiteral("Home[Keys]"), QStringLiteral("Shop[Soap]")};
        m_expectedOrder = {QStringLiteral("Home"), QStringLiteral("Shop"), trip};
        break;
    }
    case ListMadeAndMovedFirstThereListsReorderedHere:
        // The list made there comes here last: where it goes is the
        // server's to say.
        onA([&](LiveClient &client) {
            makeList(client, QStringLiteral("Work"), {QStringLiteral("Mail")});
            client.lists->moveList(3, 0);
        });
        onB([&](LiveClient &client) { client.lists->moveList(2, 0); }, b);
        expected = {QStringLiteral("Trip[Tickets,Bags,Socks]"), QStringLiteral("Home[Keys]"), QStringLiteral("Shop[Soap]"),
                    QStringLiteral("Work[Mail]")};
        // Both put first: the later upload's goes first, the other after it.
        m_expectedOrder = {QStringLiteral("Shop"), QStringLiteral("Work"), trip, QStringLiteral("Home")};
        break;
    case ListMovedHereInAFileWithoutTheAgreedOrder: {
        {
            auto client = session(b);
            client->lists->moveList(2, 0);
            client->persist();
        }
        QFile file(b.listsPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(file.readAll());
        file.close();
        const qsizetype before = text.size();
        text.remove(QRegularExpression(QStringLiteral("<dt>(agreed-display-order|display-order-moved)</dt>\\s*<dd>[^<]*</dd>")));
        QVERIFY(text.size() < before);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
        file.close();
        onB([](LiveClient &) {}, b);
        expected = {QStringLiteral("Trip[Tickets,Bags,Socks]"), QStringLiteral("Home[Keys]"), QStringLiteral("Shop[Soap]")};
        m_expectedOrder = {QStringLiteral("Shop"), trip, QStringLiteral("Home")};
        break;
    }
    case RetitledThereTickedHereInDoubtWithoutTheAgreedCopy: {
        {
            auto client = session(b);
            ListModel *model = client->model(trip);
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Tickets")), true);
            m_server->dropAnswerAfterApplying("PUT", OneList);
            QVERIFY(!sync(*client));
            client->persist();
        }
        onA([&](LiveClient &client) {
            retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags"));
            client.model(trip)->setName(QStringLiteral("Journey"));
        });
        damageAgreedCopies(b.listsPath(), Damage::AgreedGone);
        auto client = session(b);
        QVERIFY(client->loadProblem.isEmpty());
        QVERIFY(sync(*client));
        client->persist();
        // Whether its tick went up is all it knows: nothing goes over the
        // server's copy, and its own stays beside it.
        expected = {QStringLiteral("Journey[Tickets*,Big bags,Socks]"),
                    QStringLiteral("Trip (my changes)[Tickets*,Bags,Socks]")};
        m_expectedNotice = QStringLiteral("Trip (my changes)");
        break;
    }
    case RetitledThereTickedHereWithoutTheAgreedCopy:
    case RetitledThereTickedHereTheAgreedCopyUnderWrongIds:
    case RetitledThereTickedHereTheAgreedCopyLackingATask: {
        onA([&](LiveClient &client) {
            retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags"));
            client.model(trip)->setName(QStringLiteral("Journey"));
        });
        {
            auto client = session(b);
            ListModel *model = client->model(trip);
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Tickets")), true);
            client->persist();
        }
        damageAgreedCopies(b.listsPath(), c == RetitledThereTickedHereWithoutTheAgreedCopy ? Damage::AgreedGone
                                          : c == RetitledThereTickedHereTheAgreedCopyUnderWrongIds
                                              ? Damage::IdsExchanged
                                              : Damage::TaskLeftOut);
        auto client = session(b);
        QVERIFY(client->loadProblem.isEmpty());
        QVERIFY(sync(*client));
        client->persist();
        // Nothing tells what either side changed: the server's copy stays
        // as it is, and this computer's version beside it.
        expected = {QStringLiteral("Journey[Tickets,Big bags,Socks]"), QStringLiteral("Trip (my changes)[Tickets*,Bags,Socks]")};
        m_expectedNotice = QStringLiteral("Trip (my changes)");
        break;
    }
    case UntitledRowWithANoteTickedHereRetitledThere:
        onA([&](LiveClient &client) {
            retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags"));
        });
        onB([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            model->setTaskDone(model->taskForIndex(model->index(model->rowCount() - 1, 0)), true);
        }, b);
        expected = {QStringLiteral("Trip[Tickets,Big bags,Socks,*]")};
        break;
    case TickedHereMadeReadOnlyThere: {
        auto client = session(b);
        ListModel *model = client->model(QStringLiteral("Garden"));
        model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Rake")), true);
        m_server->share(garden, QStringLiteral("alice"), QStringLiteral("r"));
        QVERIFY(sync(*client));
        client->persist();
        expected = {QStringLiteral("Trip[Tickets,Bags,Socks]"), QStringLiteral("Garden[Rake]"),
                    QStringLiteral("Garden (my changes)[Rake*]")};
        m_expectedNotice = QStringLiteral("Garden (my changes)");
        break;
    }
    case ListRemovedThereTaskAddedHere:
    case ListRemovedThereNoteWrittenHere:
    case ListRemovedThereTickedHere:
    case ListRemovedThereRenamedHere:
    case ListRemovedThereSharedHere:
    case ListRemovedThereUntouchedHere:
    case ListRemovedThereSubtaskAddedHere:
    case ListRemovedThereTaskAddedHereInAGroup:
        onA([&](LiveClient &client) { client.lists->deleteList(client.model(trip)->taskList()); });
        onB([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            if (c == ListRemovedThereTaskAddedHere || c == ListRemovedThereTaskAddedHereInAGroup)
                addTask(model, QStringLiteral("Passport"));
            else if (c == ListRemovedThereNoteWrittenHere)
                model->setTaskNote(model->indexOfTask(taskTitled(model->taskList(), QStringLiteral("Bags"))),
                                   TaskNote(Clock::currentDateTimeUtc(), QStringLiteral("the blue ones")));
            else if (c == ListRemovedThereTickedHere)
                model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Bags")), true);
            else if (c == ListRemovedThereRenamedHere)
                model->setName(QStringLiteral("Journey"));
            else if (c == ListRemovedThereSharedHere)
                QVERIFY(model->addSharedUser(QStringLiteral("bob"), QStringLiteral("rw")));
            else if (c == ListRemovedThereSubtaskAddedHere)
                addTask(model, QStringLiteral("Small bag"), QStringLiteral("Bags"));
        }, b);
        switch (c) {
        case ListRemovedThereTaskAddedHere:
        case ListRemovedThereTaskAddedHereInAGroup:
            expected = {QStringLiteral("Trip[Passport]")};
            break;
        case ListRemovedThereNoteWrittenHere:
            expected = {QStringLiteral("Trip[Bags]")};
            m_check = [&] {
                for (const FakeList &l : m_server->visibleLists(QStringLiteral("alice")))
                    QCOMPARE(fakeField(l.tasks.value(0).fields, QStringLiteral("note-text")),
                             QStringLiteral("the blue ones"));
            };
            break;
        case ListRemovedThereTickedHere:
            expected = {QStringLiteral("Trip[Bags*]")};
            break;
        case ListRemovedThereRenamedHere:
            expected = {QStringLiteral("Journey[]")};
            break;
        case ListRemovedThereSharedHere:
            expected = {QStringLiteral("Trip[]")};
            m_check = [&] {
                for (const FakeList &l : m_server->visibleLists(QStringLiteral("alice")))
                    QCOMPARE(l.sharing.keys(), QStringList{"bob"});
                QCOMPARE(m_server->visibleLists(QStringLiteral("bob")).size(), 1);
            };
            break;
        case ListRemovedThereSubtaskAddedHere:
            expected = {QStringLiteral("Trip[Bags,Bags>Small bag]")};
            break;
        default:
            expected = {};
            break;
        }
        if (c != ListRemovedThereUntouchedHere)
            m_notice = ListOutcome::keptAgainstRemovalsText(
                {{c == ListRemovedThereRenamedHere ? QStringLiteral("Journey") : trip}, {}, {}, {}, {}});
        break;
    case ListRemovedThereTaskAddedHereSentAlone: {
        onA([&](LiveClient &client) { client.lists->deleteList(client.model(trip)->taskList()); });
        auto client = session(b);
        addTask(client->model(trip), QStringLiteral("Passport"));
        QCOMPARE(syncAlone(*client, trip), SingleListSynchronizer::waitsForRemovalText(trip));
        QVERIFY(sync(*client));
        client->persist();
        expected = {QStringLiteral("Trip[Passport]")};
        m_notice = ListOutcome::keptAgainstRemovalsText({{trip}, {}, {}, {}, {}});
        break;
    }
    case ListRemovedHereTaskAddedThere:
    case ListRemovedHereRetitledThere:
    case ListRemovedHereUntouchedThere:
    case ListRemovedHereTaskAddedThereInAGroup:
        if (c == ListRemovedHereTaskAddedThere || c == ListRemovedHereTaskAddedThereInAGroup)
            onB([&](LiveClient &client) { addTask(client.model(trip), QStringLiteral("Passport")); }, b);
        else if (c == ListRemovedHereRetitledThere)
            onB(retitleTickets, b);
        onA([&](LiveClient &client) { client.lists->deleteList(client.model(trip)->taskList()); });
        if (c == ListRemovedHereTaskAddedThere || c == ListRemovedHereTaskAddedThereInAGroup)
            expected = {QStringLiteral("Trip[Passport]")};
        else if (c == ListRemovedHereRetitledThere)
            expected = {QStringLiteral("Trip[Train tickets]")};
        if (c != ListRemovedHereUntouchedThere)
            m_notice = ListOutcome::keptAgainstRemovalsText({{}, {}, {trip}, {}, {}});
        break;
    case ListMovedToAGroupAndRemovedHereTaskAddedThere: {
        onB([&](LiveClient &client) { addTask(client.model(trip), QStringLiteral("Passport")); }, b);
        {
            auto client = session(a);
            ListsGroups *groups = client->listsGroups();
            groups->userMoveListToGroup(groups->findListByLocalId(client->model(trip)->taskList()->localId()),
                                        groups->rootGroup()->groups().first());
            client->lists->deleteList(client->model(trip)->taskList());
            client->persist();
        }
        onA([](LiveClient &) {});
        expected = {QStringLiteral("Trip[Passport]")};
        m_notice = ListOutcome::keptAgainstRemovalsText({{}, {}, {trip}, {}, {}});
        break;
    }
    case ListRemovedHereAfterAnUpdateInDoubtFromHere: {
        // Its own update reached the server unanswered: the newer server copy
        // holds nothing another computer did.
        auto client = session(a);
        addTask(client->model(trip), QStringLiteral("Passport"));
        retitle(client->model(trip), QStringLiteral("Tickets"), QStringLiteral("Train tickets"));
        m_server->dropAnswerAfterApplying("PUT", OneList);
        QVERIFY(!sync(*client));
        m_server->clearFaults();
        client->lists->deleteList(client->model(trip)->taskList());
        QVERIFY(sync(*client));
        client->persist();
        expected = {};
        break;
    }
    case ListRemovedHereBeforeARestartTaskAddedThere: {
        {
            auto client = session(a);
            client->lists->deleteList(client->model(trip)->taskList());
            client->persist();
        }
        onB([&](LiveClient &client) { addTask(client.model(trip), QStringLiteral("Passport")); }, b);
        auto client = session(a);
        QVERIFY(sync(*client));
        client->persist();
        expected = {QStringLiteral("Trip[Passport]")};
        m_notice = ListOutcome::keptAgainstRemovalsText({{}, {}, {trip}, {}, {}});
        break;
    }
    case ListRemovedThereEditedHereInAnOlderFile: {
        {
            auto client = session(b);
            retitle(client->model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags"));
            client->persist();
        }
        // Written before the agreed copy was kept: nothing tells what changed.
        QFile file(b.listsPath());
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QString written = QString::fromUtf8(file.readAll());
        QString text = written;
        text.remove(QRegularExpression(QStringLiteral("<dl class=\"pd-agreed-(list-)?fields\">.*?</dl>"),
                                       QRegularExpression::DotMatchesEverythingOption));
        QVERIFY(text.size() < written.size());
        file.resize(0);
        file.write(text.toUtf8());
        file.close();
        onA([&](LiveClient &client) { client.lists->deleteList(client.model(trip)->taskList()); });
        onB([](LiveClient &) {}, b);
        expected = {QStringLiteral("Trip[Tickets,Big bags,Socks]")};
        m_notice = ListOutcome::keptAgainstRemovalsText({{}, {trip}, {}, {}, {}});
        break;
    }
    case ListRemovedHereAfterATaskMovedOutTaskTickedThere:
        onB([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Bags")), true);
        }, b);
        onA([&](LiveClient &client) {
            moveBagsHome(client);
            client.lists->deleteList(client.model(trip)->taskList());
        });
        // The tick follows the task where it went; the list held nothing
        // else changed there, and its removal holds.
        expected = {QStringLiteral("Home[Keys,Bags*]")};
        break;
    case RemovedHereRetitledThereSentAlone: {
        onA([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags")); });
        auto client = session(b);
        removeTask(client->model(trip), QStringLiteral("Bags"));
        QCOMPARE(syncAlone(*client, trip), QString());
        client->persist();
        expected = {QStringLiteral("Trip[Tickets,Big bags,Socks]")};
        m_notice = ListOutcome::keptAgainstRemovalsText({{}, {}, {}, {QStringLiteral("Trip: Big bags")}, {}});
        break;
    }
    case MovedIntoAListRemovedThere:
        onB([&](LiveClient &client) { client.lists->deleteList(client.model("Home")->taskList()); }, b);
        onA(moveBagsHome);
        expected = {QStringLiteral("Home[Bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        m_notice = ListOutcome::keptAgainstRemovalsText({{QStringLiteral("Home")}, {}, {}, {}, {}});
        break;
    case ListRemovedThereWithATaskMovedOutTaskRetitledHere:
        onA([&](LiveClient &client) {
            moveBagsHome(client);
            client.lists->deleteList(client.model(trip)->taskList());
        });
        onB([&](LiveClient &client) { retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags")); },
            b);
        // The change follows the task where it went; the list held nothing
        // else changed here, and its removal holds.
        expected = {QStringLiteral("Home[Keys,Big bags]")};
        break;
    case EmptiedIntoANewListAndRemovedThereRemovedHere:
    case EmptiedIntoANewListAndRemovedThereATaskRemovedHere:
        onA(rollIntoJourney);
        onB([&](LiveClient &client) {
            if (c == EmptiedIntoANewListAndRemovedThereRemovedHere)
                client.lists->deleteList(client.model(trip)->taskList());
            else
                removeTask(client.model(trip), QStringLiteral("Bags"));
        }, b);
        expected = {QStringLiteral("Journey[Tickets,Bags,Socks]")};
        m_expectedNoNotice = true;
        break;
    case RolledOverThereRemovedHereAnotherListTickedHere:
        onA(rollIntoJourney);
        onB([&](LiveClient &client) {
            client.lists->deleteList(client.model(trip)->taskList());
            ListModel *home = client.model("Home");
            home->setTaskDone(taskTitled(home->taskList(), QStringLiteral("Keys")), true);
        }, b);
        // Removed with its list here, Big one was not removed on its own.
        expected = {QStringLiteral("Journey[Tickets,Bags,Bags>Big one,Socks]"), QStringLiteral("Home[Keys*]")};
        m_expectedNoNotice = true;
        break;
    case RolledOverHereATaskAddedThere:
        onA([&](LiveClient &client) {
            addTask(client.model(trip), QStringLiteral("Passport"));
            ListModel *model = client.model(trip);
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Bags")), true);
        });
        onB(rollIntoJourney, b);
        // The list comes back with what was added there; what was moved
        // out here stays where it went, once, with the tick made there.
        expected = {QStringLiteral("Journey[Tickets,Bags*,Bags>Big one,Socks]"), QStringLiteral("Trip[Passport]")};
        m_notice = ListOutcome::keptAgainstRemovalsText({{}, {}, {trip}, {}, {}});
        break;
    case RolledOverOnBoth:
    case RolledOverThereIntoAListHere:
    case IntoAListThereRolledOverHere:
    case RolledOverPartlyThereWholeHere:
    case RolledOverOnBothTheNewListSentAloneHere: {
        // The week's roll-over: a list made for the tasks (or one both had),
        // each task moved into it, the emptied list removed.
        const QStringList three{QStringLiteral("Tickets"), QStringLiteral("Bags"), QStringLiteral("Socks")};
        const auto rollOver = [&](const QString &into, const QStringList &titles, bool remove) {
            return [&, into, titles, remove](LiveClient &client) {
                ListModel *next = client.model(into) ? client.model(into) : client.addList(into, {});
                for (const QString &title : titles)
                    moveToList(client.model(trip), title, next);
                if (remove)
                    client.lists->deleteList(client.model(trip)->taskList());
            };
        };
        const QString journey = QStringLiteral("Journey"), home = QStringLiteral("Home");
        const bool homeThere = c == IntoAListThereRolledOverHere;
        const bool homeHere = c == RolledOverThereIntoAListHere;
        const QStringList movedThere = c == RolledOverPartlyThereWholeHere
                                           ? QStringList{QStringLiteral("Tickets"), QStringLiteral("Socks")}
                                           : three;
        onA(rollOver(homeThere ? home : journey, movedThere, true));
        if (c == RolledOverOnBothTheNewListSentAloneHere) {
            // Its own run, as leaving its tab starts, cannot see where the
            // tasks came from: it waits for the full run.
            auto client = session(b);
            rollOver(journey, three, true)(*client);
            QCOMPARE(syncAlone(*client, journey), SingleListSynchronizer::waitsForMovesText(journey));
            QVERIFY(sync(*client));
            client->persist();
        } else {
            onB(rollOver(homeHere ? home : journey, three, true), b);
        }
        // The Journeys on the server, first made first; what B is told of
        // the tasks not where it put them.
        const QString all = QStringLiteral("Journey[Tickets,Bags,Bags>Big one,Socks]");
        QStringList journeys{all, QStringLiteral("Journey[]")};
        // Two lists of that name: told which.
        const QString there = QStringLiteral("Journey (the one made on another computer): ");
        QStringList told{there + QStringLiteral("Tickets"), there + QStringLiteral("Bags"),
                         there + QStringLiteral("Socks")};
        switch (c) {
        case RolledOverThereIntoAListHere:
            expected = {all, QStringLiteral("Home[Keys]")};
            journeys = QStringList{all};
            told.replaceInStrings(there, QStringLiteral("Journey: "));
            break;
        case IntoAListThereRolledOverHere:
            expected = {QStringLiteral("Home[Keys,Tickets,Bags,Bags>Big one,Socks]"), QStringLiteral("Journey[]")};
            journeys = QStringList{QStringLiteral("Journey[]")};
            told = QStringList{QStringLiteral("Home: Tickets"), QStringLiteral("Home: Bags"),
                               QStringLiteral("Home: Socks")};
            break;
        case RolledOverPartlyThereWholeHere:
            // Bags, which the list took with it there, was moved here.
            journeys = QStringList{QStringLiteral("Journey[Tickets,Socks]"), QStringLiteral("Journey[Bags,Bags>Big one]")};
            told = QStringList{there + QStringLiteral("Tickets"), there + QStringLiteral("Socks")};
            break;
        default:
            break;
        }
        if (c != RolledOverThereIntoAListHere && c != IntoAListThereRolledOverHere)
            expected = journeys;
        if (!told.isEmpty())
            m_notice = ListOutcome::keptAgainstRemovalsText({{}, {}, {}, {}, {}, told});
        m_check = [this, journeys] {
            QStringList byId;
            for (const FakeList &l : m_server->visibleLists(QStringLiteral("alice"))) {
                if (l.name != QLatin1String("Journey"))
                    continue;
                QStringList tasks;
                describe(l.tasks, QString(), tasks);
                byId << listText(l.name, tasks);
            }
            QCOMPARE(byId, journeys);
        };
        break;
    }
    case RolledOverOnBothRetitledAndTickedATaskRemovedHere:
        onA([&](LiveClient &client) {
            rollIntoJourney(client);
            retitle(client.model("Journey"), QStringLiteral("Bags"), QStringLiteral("Big bags"));
        });
        onB([&](LiveClient &client) {
            rollIntoJourney(client);
            ListModel *model = client.model("Journey");
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Bags")), true);
            retitle(model, QStringLiteral("Tickets"), QStringLiteral("Train tickets"));
            removeTask(model, QStringLiteral("Socks"));
        }, b);
        expected = {QStringLiteral("Journey[Train tickets,Big bags*,Big bags>Big one]"), QStringLiteral("Journey[]"),
                    QStringLiteral("Home[Keys]")};
        m_notice = ListOutcome::keptAgainstRemovalsText(
            {{}, {}, {}, {}, {}, {QStringLiteral("Journey (the one made on another computer): Train tickets"),
                                  QStringLiteral("Journey (the one made on another computer): Big bags")}});
        break;
    case MovedToOneListOnBothOneTickedThereBothRemovedHere:
        onA([&](LiveClient &client) {
            moveBagsHome(client);
            moveToList(client.model(trip), QStringLiteral("Socks"), client.model("Home"));
            ListModel *home = client.model("Home");
            home->setTaskDone(taskTitled(home->taskList(), QStringLiteral("Bags")), true);
        });
        onB([&](LiveClient &client) {
            moveBagsHome(client);
            moveToList(client.model(trip), QStringLiteral("Socks"), client.model("Home"));
            removeTask(client.model("Home"), QStringLiteral("Bags"));
            removeTask(client.model("Home"), QStringLiteral("Socks"));
        }, b);
        expected = {QStringLiteral("Home[Keys,Bags*]"), QStringLiteral("Trip[Tickets]")};
        m_notice = ListOutcome::keptAgainstRemovalsText({{}, {}, {}, {QStringLiteral("Home: Bags")}, {}});
        break;
    case SubtaskMovedWithItsParentThereAloneHereRetitledItsListRemovedHere:
        onA(moveBagsHome);
        onB([&](LiveClient &client) {
            moveToList(client.model(trip), QStringLiteral("Big one"), client.model("Home"));
            retitle(client.model("Home"), QStringLiteral("Big one"), QStringLiteral("Huge one"));
            client.lists->deleteList(client.model(trip)->taskList());
        }, b);
        expected = {QStringLiteral("Home[Keys,Bags,Huge one]")};
        break;
    case MovedToOneListThereAndHereFromACopyOlderThanItsSubtasksRemovalOnAThird:
    case MovedToOneListOnBothFromACopyOlderThanItsSubtasksRemovalOnAThird: {
        const bool retitled = c == MovedToOneListThereAndHereFromACopyOlderThanItsSubtasksRemovalOnAThird;
        const QString bags = retitled ? QStringLiteral("Big bags") : QStringLiteral("Bags");
        onB([&](LiveClient &client) { removeTask(client.model(trip), QStringLiteral("Big one")); }, c3);
        onA(retitled ? std::function<void(LiveClient &)>(retitleBags) : [](LiveClient &) {});
        onA([&](LiveClient &client) { moveToList(client.model(trip), bags, client.model("Home")); });
        onB(moveBagsHome, b);
        expected = {listText(QStringLiteral("Home"), {QStringLiteral("Keys"), bags}), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case MovedHereByARunFailedBeforeTheListItLeftTickedThereBeforeMovedThereToo: {
        onA([&](LiveClient &client) {
            client.model(trip)->setTaskDone(taskTitled(client.model(trip)->taskList(), QStringLiteral("Bags")), true);
        });
        // Home's update goes up, Trip's fails; then the other computer's
        // upload of the same move, as it leaves the lists.
        auto here = session(b);
        moveBagsHome(*here);
        const quint32 from = here->model(trip)->taskList()->serverId();
        const quint32 to = here->model("Home")->taskList()->serverId();
        m_server->respondOnce("PUT", QStringLiteral("^/lists/%1$").arg(from), 500);
        QVERIFY(!sync(*here));
        FakeList left = m_server->list(from), into = m_server->list(to);
        const FakeTask bags = m_server->taskByTitle(from, QStringLiteral("Bags"));
        left.tasks.removeIf([&](const FakeTask &t) { return t.id == bags.id; });
        into.tasks << bags;
        into.tasks.last().id = 0;
        ++left.revision;
        ++into.revision;
        m_server->putList(left);
        m_server->putList(into);
        QVERIFY(sync(*here));
        here->persist();
        expected = {QStringLiteral("Home[Keys,Bags*]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case ForcedHereCancelledTaskAddedThere:
    case ForcedHereConnectionDroppedRenamedThere:
    case ForcedHereKilledSharedListRemovedThere:
    case ForcedHereFailedAtItsFirstRequestTaskAddedThere:
    case ForcedHereCutServersListChangedThere:
    case ForcedHereCutServersListUntouchedThere:
    case ForcedHereCutSharedListRemovedBefore:
    case ForcedHereKilledBeforeItsFirstLookTaskAddedThere:
    case ForcedHereCutTwiceServersListChangedBetween:
    case ForcedHereCutWithoutTheAgreedCopyTaskAddedThere:
    case ForcedHereCutAtItsUpdateRenamedThere:
    case ForcedHereCancelledRemovedHereTaskAddedThere: {
        // "Force Remote Sync" here stops before it reaches Home (or Shop,
        // only the server's), which the other computer then changes: the
        // next ordinary run here carries out only what the server still
        // holds as the forced run saw it.
        const QString home = QStringLiteral("Home");
        const QString shop = QStringLiteral("Shop");
        const bool shared = c == ForcedHereKilledSharedListRemovedThere || c == ForcedHereCutSharedListRemovedBefore;
        const bool serversList = c == ForcedHereCutServersListChangedThere || c == ForcedHereCutServersListUntouchedThere
                                 || c == ForcedHereCutTwiceServersListChangedBetween;
        const bool cutAtUpdate = c == ForcedHereCutAtItsUpdateRenamedThere;
        if (shared) {
            onA([&](LiveClient &client) { QVERIFY(client.model(home)->addSharedUser(QStringLiteral("bob"), QStringLiteral("r"))); });
            onB([](LiveClient &) {}, b);
        }
        if (serversList)
            onA([&](LiveClient &client) { makeList(client, shop, {QStringLiteral("Soap")}); });
        if (c == ForcedHereCutSharedListRemovedBefore)
            onA([&](LiveClient &client) { client.lists->deleteList(client.model(home)->taskList()); });
        if (cutAtUpdate)
            onA([&](LiveClient &client) { client.model(trip)->setName(QStringLiteral("Journey")); });
        if (c == ForcedHereCutWithoutTheAgreedCopyTaskAddedThere) {
            auto client = session(b);
            retitle(client->model(home), QStringLiteral("Keys"), QStringLiteral("Spare keys"));
            client->persist();
            client.reset();
            damageAgreedCopies(b.listsPath(), Damage::AgreedGone);
        }
        const auto forceAndCut = [&] {
            auto forced = session(b);
            const auto forceRemote = [](ListsSynchronizer *run) { run->setForceRemote(true); };
            std::unique_ptr<SyncSnapshot> snapshot;
            if (c == ForcedHereFailedAtItsFirstRequestTaskAddedThere || cutAtUpdate) {
                // Put back as the program does when a forced run fails.
                snapshot = std::make_unique<SyncSnapshot>(forced->lists, forced.get(), forced->notes);
                snapshot->setForcedRemote(true);
            }
            ForcedRuns::prepareForceRemote(forced->lists, forced->notes);
            m_server->clearRequests();
            const auto firstPut = [&] { return !m_server->requests("PUT", OneList).isEmpty(); };
            if (c == ForcedHereKilledBeforeItsFirstLookTaskAddedThere) {
                // Its marks on disk (as a file an earlier version left holds
                // them), the program killed before anything was asked.
                forced->persist();
            } else if (c == ForcedHereKilledSharedListRemovedThere) {
                runClientSync(*forced, *m_server, firstPut, forceRemote);
            } else if (c == ForcedHereCancelledTaskAddedThere || c == ForcedHereCutSharedListRemovedBefore
                       || c == ForcedHereCutWithoutTheAgreedCopyTaskAddedThere
                       || c == ForcedHereCancelledRemovedHereTaskAddedThere) {
                // Cancelled, the program lives on and saves as it quits.
                runClientSync(*forced, *m_server, firstPut, forceRemote);
                if (c == ForcedHereCancelledRemovedHereTaskAddedThere)
                    forced->lists->deleteList(forced->model(home)->taskList());
                forced->persist();
            } else {
                if (c == ForcedHereConnectionDroppedRenamedThere)
                    m_server->closeConnectionOn(OneList, false);
                else if (cutAtUpdate)
                    m_server->respondOnce("PUT", OneList, 500);
                else if (serversList)
                    m_server->respondOnce("DELETE", OneList, 500);
                else
                    m_server->respondOnce("GET", QStringLiteral("^/$"), 500);
                QVERIFY(!runClientSync(*forced, *m_server, {}, forceRemote));
                if (snapshot)
                    snapshot->restore();
                forced->persist();
            }
            m_server->clearFaults();
        };
        forceAndCut();
        if (c == ForcedHereCutTwiceServersListChangedBetween) {
            // The second forced run, cut as the first, saw the change.
            onA([&](LiveClient &client) { addTask(client.model(shop), QStringLiteral("Towels")); });
            forceAndCut();
        }
        onA([&](LiveClient &client) {
            if (c == ForcedHereConnectionDroppedRenamedThere)
                client.model(home)->setName(QStringLiteral("House"));
            else if (cutAtUpdate)
                client.model(QStringLiteral("Journey"))->setName(QStringLiteral("Voyage"));
            else if (c == ForcedHereKilledSharedListRemovedThere)
                client.lists->deleteList(client.model(home)->taskList());
            else if (c == ForcedHereCutServersListChangedThere)
                addTask(client.model(shop), QStringLiteral("Towels"));
            else if (c != ForcedHereCutServersListUntouchedThere && c != ForcedHereCutSharedListRemovedBefore
                     && c != ForcedHereCutTwiceServersListChangedBetween)
                addTask(client.model(home), QStringLiteral("Lamp"));
        });
        const QString tripAsForced = QStringLiteral("Trip[Tickets,Bags,Socks]");
        switch (c) {
        case ForcedHereConnectionDroppedRenamedThere:
            expected = {QStringLiteral("House[Keys]"), tripAsForced};
            m_notice = ListOutcome::forcedMovedOnText({QStringLiteral("House")});
            break;
        case ForcedHereCancelledRemovedHereTaskAddedThere:
            expected = {QStringLiteral("Home[Lamp]"), tripAsForced};
            m_notice = ListOutcome::keptAgainstRemovalsText({{}, {}, {home}, {}, {}});
            break;
        case ForcedHereCutAtItsUpdateRenamedThere:
            expected = {QStringLiteral("Voyage[Tickets,Bags,Socks]")};
            m_notice = ListOutcome::forcedMovedOnText({QStringLiteral("Voyage")});
            break;
        case ForcedHereKilledSharedListRemovedThere:
        case ForcedHereCutServersListUntouchedThere:
        case ForcedHereCutTwiceServersListChangedBetween:
            expected = {tripAsForced};
            m_notice = ForcedRuns::finishedText({trip}, serversList ? QStringList{shop} : QStringList());
            break;
        case ForcedHereCutServersListChangedThere:
            expected = {QStringLiteral("Shop[Soap,Towels]"), tripAsForced};
            m_notice = ListOutcome::forcedMovedOnText({shop});
            break;
        case ForcedHereCutSharedListRemovedBefore:
            expected = {QStringLiteral("Home[Keys]"), tripAsForced};
            m_notice = ForcedRuns::finishedText({trip}, {});
            m_check = [this, home] {
                for (const FakeList &l : m_server->visibleLists(QStringLiteral("alice")))
                    if (l.name == home)
                        QCOMPARE(l.sharing, (QMap<QString, QString>{{QStringLiteral("bob"), QStringLiteral("r")}}));
            };
            break;
        case ForcedHereCutWithoutTheAgreedCopyTaskAddedThere:
            // Nothing tells what this computer changed: the server's copy,
            // this one's beside it.
            expected = {QStringLiteral("Home (my changes)[Spare keys]"), QStringLiteral("Home[Keys,Lamp]"),
                        tripAsForced};
            m_notice = ListOutcome::unknownBaseText({QStringLiteral("Home (my changes)")});
            break;
        case ForcedHereFailedAtItsFirstRequestTaskAddedThere:
        case ForcedHereKilledBeforeItsFirstLookTaskAddedThere:
            // Nothing was forced.
            expected = {QStringLiteral("Home[Keys,Lamp]"), tripAsForced};
            m_expectedNoNotice = true;
            break;
        default:
            expected = {QStringLiteral("Home[Keys,Lamp]"), tripAsForced};
            m_notice = ListOutcome::forcedMovedOnText({home});
            break;
        }
        break;
    }
    case ForcedHereTaskAddedHereListRemovedThereMidRun: {
        // Removed there after the forced run looked: the removal rule
        // decides, as in any run.
        auto forced = session(b);
        ListModel *model = forced->model(QStringLiteral("Home"));
        addTask(model, QStringLiteral("Lamp"));
        const quint32 home = model->taskList()->serverId();
        ForcedRuns::prepareForceRemote(forced->lists, forced->notes);
        m_server->hold("PUT", OneList);
        m_server->clearRequests();
        QVERIFY(runClientSync(
            *forced, *m_server, [&] { return !m_server->requests("PUT", OneList).isEmpty(); },
            [](ListsSynchronizer *run) { run->setForceRemote(true); },
            [&] {
                m_server->removeList(home);
                m_server->releaseHeld();
                return false;
            }));
        forced->persist();
        expected = {QStringLiteral("Home[Lamp]"), QStringLiteral("Trip[Tickets,Bags,Socks]")};
        m_notice = ListOutcome::keptAgainstRemovalsText({{QStringLiteral("Home")}, {}, {}, {}, {}});
        break;
    }
    case ForcedHereOverARetitleThereOnAServerKeepingNewerTasks:
    case ForcedHereWithoutTheAgreedCopyRetitledThere:
    case ListRemovedThereForcedHere: {
        if (c == ListRemovedThereForcedHere) {
            onA([&](LiveClient &client) { client.lists->deleteList(client.model(trip)->taskList()); });
        } else {
            m_server->setKeepsNewerTasks(c == ForcedHereOverARetitleThereOnAServerKeepingNewerTasks);
            onA(retitleTickets);
        }
        if (c == ForcedHereWithoutTheAgreedCopyRetitledThere) {
            auto client = session(b);
            retitleBags(*client);
            client->persist();
            client.reset();
            damageAgreedCopies(b.listsPath(), Damage::AgreedGone);
        }
        auto forced = session(b);
        ForcedRuns::prepareForceRemote(forced->lists, forced->notes);
        QVERIFY(runClientSync(*forced, *m_server, {}, [](ListsSynchronizer *run) { run->setForceRemote(true); }));
        forced->persist();
        expected = {c == ForcedHereWithoutTheAgreedCopyRetitledThere ? QStringLiteral("Trip[Tickets,Big bags,Socks]")
                                                                     : QStringLiteral("Trip[Tickets,Bags,Socks]")};
        m_expectedNoNotice = true;
        break;
    }
    case RetitledThereMovedWithItsSubtaskOnBoth:
    case ForcedThereRetitledThereMovedWithItsSubtaskOnBoth: {
        // A retitles Bags and moves it, with its subtask, to Home; B, which
        // knows nothing of it (nor of A's forced run, whose new ids it
        // does not know), moves Bags there too and synchronises first. The
        // merge of Home takes the two Big ones for one, below A's copy.
        auto there = session(a);
        if (c == ForcedThereRetitledThereMovedWithItsSubtaskOnBoth) {
            ForcedRuns::prepareForceRemote(there->lists, there->notes);
            QVERIFY(runClientSync(*there, *m_server, {}, [](ListsSynchronizer *run) { run->setForceRemote(true); }));
        }
        retitleBags(*there);
        moveToList(there->model(trip), QStringLiteral("Big bags"), there->model("Home"));
        there->persist();
        there.reset();
        onB(moveBagsHome, b);
        onA([](LiveClient &) {});
        expected = {QStringLiteral("Home[Keys,Big bags,Big bags>Big one]"), QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case ForcedThereTaskAddedHere:
    case ForcedThereTickedHere:
    case ForcedThereAfterATaskTypedThereRetitledHere:
    case ForcedThereTwoListsAlikeTaskAddedHere:
    case ForcedThereEmptyListRenamedHere:
    case ForcedThereRemovedThereTaskAddedHere:
    case ForcedThereTaskAddedHereInAGroup:
    case ForcedThereRemovedHere:
    case ForcedThereAfterATaskAddedThereRemovedHere:
    case ForcedThereAfterARetitleTaskAddedHere:
    case ForcedThereAfterTheListEmptiedTaskAddedHere:
    case ForcedThereAfterTheListRetypedTaskAddedHere:
    case SameSecondForcedThereAfterARetitleTaskAddedHere: {
        // "Force Remote Sync" there: every list sent whole.
        auto forced = session(a);
        const QStringList three{QStringLiteral("Tickets"), QStringLiteral("Bags"), QStringLiteral("Socks")};
        if (c == ForcedThereAfterATaskTypedThereRetitledHere || c == ForcedThereAfterATaskAddedThereRemovedHere)
            addTask(forced->model(trip), QStringLiteral("Passport"));
        if (c == ForcedThereAfterARetitleTaskAddedHere || c == SameSecondForcedThereAfterARetitleTaskAddedHere) {
            retitleBags(*forced);
            retitle(forced->model(trip), QStringLiteral("Socks"), QStringLiteral("Wool socks"));
        }
        if (c == ForcedThereAfterTheListEmptiedTaskAddedHere || c == ForcedThereAfterTheListRetypedTaskAddedHere)
            for (const QString &title : three)
                removeTask(forced->model(trip), title);
        if (c == ForcedThereAfterTheListRetypedTaskAddedHere) {
            Clock::advance(1000);
            typeTasks(forced->model(trip), three);
        }
        if (c == ForcedThereRemovedThereTaskAddedHere) {
            forced->lists->deleteList(forced->model(trip)->taskList());
            QVERIFY(sync(*forced));
        }
        ForcedRuns::prepareForceRemote(forced->lists, forced->notes);
        QVERIFY(runClientSync(*forced, *m_server, {}, [](ListsSynchronizer *run) { run->setForceRemote(true); }));
        forced->persist();
        forced.reset();
        onB([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            if (c == ForcedThereTickedHere)
                model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Bags")), true);
            else if (c == ForcedThereAfterATaskTypedThereRetitledHere)
                retitle(model, QStringLiteral("Tickets"), QStringLiteral("Train tickets"));
            else if (c == ForcedThereEmptyListRenamedHere)
                client.model(QStringLiteral("Empty"))->setName(QStringLiteral("Ideas"));
            else if (c == ForcedThereRemovedHere || c == ForcedThereAfterATaskAddedThereRemovedHere)
                client.lists->deleteList(model->taskList());
            else
                addTask(model, QStringLiteral("Passport"));
        }, b);
        m_expectedNoNotice = true;
        switch (c) {
        case ForcedThereAfterARetitleTaskAddedHere:
            expected = {QStringLiteral("Trip[Tickets,Big bags,Wool socks,Passport]")};
            break;
        case SameSecondForcedThereAfterARetitleTaskAddedHere:
            expected = {QStringLiteral("Home[Keys]"), QStringLiteral("Trip[Tickets,Big bags,Wool socks,Passport]")};
            break;
        case ForcedThereAfterTheListRetypedTaskAddedHere:
            expected = {QStringLiteral("Trip[Passport,Tickets,Bags,Socks]")};
            break;
        case ForcedThereAfterTheListEmptiedTaskAddedHere:
            expected = {QStringLiteral("Trip[Passport]")};
            break;
        case ForcedThereTickedHere:
            expected = {QStringLiteral("Trip[Tickets,Bags*,Socks]")};
            break;
        case ForcedThereAfterATaskTypedThereRetitledHere:
            expected = {QStringLiteral("Trip[Train tickets,Bags,Socks,Passport]")};
            break;
        case ForcedThereTwoListsAlikeTaskAddedHere:
            expected = {QStringLiteral("Spare[Tickets,Bags,Socks]"),
                        QStringLiteral("Trip[Tickets,Bags,Socks,Passport]")};
            break;
        case ForcedThereEmptyListRenamedHere:
            expected = {QStringLiteral("Ideas[]"), QStringLiteral("Trip[Tickets,Bags,Socks]")};
            break;
        case ForcedThereRemovedHere:
            expected = {};
            break;
        case ForcedThereAfterATaskAddedThereRemovedHere:
            // The removal takes what it saw; the task added there stays.
            expected = {QStringLiteral("Trip[Passport]")};
            m_expectedNoNotice = false;
            m_notice = ListOutcome::keptAgainstRemovalsText({{}, {}, {trip}, {}, {}});
            break;
        case ForcedThereRemovedThereTaskAddedHere:
            // Nothing there is the list: it was removed, and comes back.
            expected = {QStringLiteral("Trip[Passport]")};
            m_expectedNoNotice = false;
            m_notice = ListOutcome::keptAgainstRemovalsText({{trip}, {}, {}, {}, {}});
            break;
        default:
            expected = {QStringLiteral("Trip[Tickets,Bags,Socks,Passport]")};
            break;
        }
        break;
    }
    case ListRemovedThereEmptyRowBelowASubtaskHere:
    case ListRemovedThereEmptyRowBelowAParentHere:
    case ListRemovedThereEmptyRowHereSentAlone:
    case ListRemovedHereEmptyRowMadeThere:
    case RemovedWithItsSubtaskThereEmptyRowBelowItHere:
    case RemovedWithItsSubtaskHereEmptyRowBelowItThere: {
        // Return on a subtask opens a row below it; on a task with
        // subtasks, its first subtask. Left untyped, it is no change.
        const auto openRow = [&](LiveClient &client) {
            ListModel *model = client.model(trip);
            const QModelIndex bags = model->indexOfTask(taskTitled(model->taskList(), QStringLiteral("Bags")));
            model->saveUndoState();
            QVERIFY(model->insertRows(c == ListRemovedThereEmptyRowBelowAParentHere ? 0 : 1, 1, bags));
        };
        const bool listRemoved
            = c != RemovedWithItsSubtaskThereEmptyRowBelowItHere && c != RemovedWithItsSubtaskHereEmptyRowBelowItThere;
        const auto remove = [&](LiveClient &client) {
            if (listRemoved)
                client.lists->deleteList(client.model(trip)->taskList());
            else
                removeTask(client.model(trip), QStringLiteral("Bags"));
        };
        if (c == ListRemovedHereEmptyRowMadeThere || c == RemovedWithItsSubtaskHereEmptyRowBelowItThere) {
            onB(openRow, b);
            onA(remove);
        } else if (c == ListRemovedThereEmptyRowHereSentAlone) {
            onA(remove);
            auto client = session(b);
            openRow(*client);
            QCOMPARE(syncAlone(*client, trip), QString());
            QVERIFY(sync(*client));
            client->persist();
        } else {
            onA(remove);
            onB(openRow, b);
        }
        if (listRemoved)
            expected = {};
        else
            expected = {QStringLiteral("Trip[Tickets,Socks]")};
        m_expectedNoNotice = true;
        break;
    }
    case MovedToOneListOnBothThereKilledBeforeItsSourceList:
    case MovedThereKilledAfterBothListsRetitledHere: {
        const bool bothLists = c == MovedThereKilledAfterBothListsRetitledHere;
        QHash<QString, quint32> ids;
        for (const FakeList &l : m_server->visibleLists(QStringLiteral("alice")))
            ids.insert(l.name, l.id);
        // Trip goes up before Home: the run killed once the second list's
        // upload left, or the first's.
        const QString held = QStringLiteral("^/lists/%1$").arg(ids.value(bothLists ? QStringLiteral("Home") : trip));
        {
            auto client = session(b);
            if (bothLists)
                moveBagsHome(*client);
            else
                moveToList(client->model("Home"), QStringLiteral("Keys"), client->model(trip));
            m_server->hold("PUT", held);
            runClientSync(*client, *m_server, [&] { return !m_server->requests("PUT", held).isEmpty(); });
            QVERIFY(m_server->releaseHeld() > 0);
            QTest::qWait(50);
            m_server->clearFaults();
        }
        if (bothLists) {
            onA(retitleBags);
            // Nothing tells the copy the killed run put there, changed there
            // since, from another task: both stay, and the user is told.
            expected = {QStringLiteral("Home[Keys,Big bags,Bags]"), QStringLiteral("Trip[Tickets,Socks]")};
            m_notice = ListOutcome::keptAgainstRemovalsText({{}, {}, {}, {}, {QStringLiteral("Home: Big bags")}});
        } else {
            onA([&](LiveClient &client) {
                moveToList(client.model("Home"), QStringLiteral("Keys"), client.model(trip));
            });
            // The other's copy came in while its own list still held the
            // task, as a pasted copy would: both stay, and the user is told.
            // The other's next run knows its upload sent one of the two: the
            // other is this move of the same task, and they become one.
            expected = {QStringLiteral("Home[]"), QStringLiteral("Trip[Tickets,Bags,Socks,Keys]")};
            m_expectedNotice = QStringLiteral("Trip: Keys");
        }
        break;
    }
    case SameSecondMovedToOneListOnBothAfterAnUploadInDoubtHere: {
        // Socks, removed there and retitled here, goes up again as new in
        // an upload whose answer is lost: a task of Big one's second that
        // was there beside it, not its move.
        onA([&](LiveClient &client) { removeTask(client.model(trip), QStringLiteral("Socks")); });
        {
            auto client = session(b);
            retitle(client->model(trip), QStringLiteral("Socks"), QStringLiteral("Wool socks"));
            m_server->dropAnswerAfterApplying("PUT", OneList);
            QVERIFY(!sync(*client));
            client->persist();
        }
        const auto moveBigOneHome = [&](LiveClient &client) {
            moveToList(client.model(trip), QStringLiteral("Big one"), client.model("Home"));
        };
        onA(moveBigOneHome);
        onB(moveBigOneHome, b);
        expected = {QStringLiteral("Home[Keys,Big one]"), QStringLiteral("Trip[Tickets,Bags,Wool socks]")};
        break;
    }
    case SameSecondMovedToOneListOnBothRetitledThereACopyOfItsSecondElsewhere:
        // Two tasks of Bags' second arrive there, one where it went here.
        onA([&](LiveClient &client) {
            QVERIFY(client.model("Shop")->pasteTask(
                taskTitled(client.model(trip)->taskList(), QStringLiteral("Socks"))->copy(), QModelIndex()));
            moveBagsHome(client);
            retitle(client.model("Home"), QStringLiteral("Bags"), QStringLiteral("Big bags"));
        });
        onB(moveBagsHome, b);
        expected = {QStringLiteral("Home[Keys,Big bags]"), QStringLiteral("Shop[Soap,Socks]"),
                    QStringLiteral("Trip[Tickets,Socks]")};
        m_expectedNoNotice = true;
        break;
    case OnlyTaskMovedOutAndRetitledThereTickedHere:
        onA([&](LiveClient &client) {
            moveToList(client.model("Home"), QStringLiteral("Keys"), client.model(trip));
            retitle(client.model(trip), QStringLiteral("Keys"), QStringLiteral("House keys"));
        });
        onB([&](LiveClient &client) {
            ListModel *model = client.model("Home");
            model->setTaskDone(taskTitled(model->taskList(), QStringLiteral("Keys")), true);
        }, b);
        // Emptied, not removed: its task is followed where it went.
        expected = {QStringLiteral("Home[]"), QStringLiteral("Trip[Tickets,Bags,Socks,House keys*]")};
        m_expectedNoNotice = true;
        break;
    case MovedToOneListThereAnotherHereThatListRemovedHere:
        onA(moveBagsHome);
        onB([&](LiveClient &client) {
            moveToList(client.model(trip), QStringLiteral("Bags"), client.model("Shop"));
            client.lists->deleteList(client.model("Home")->taskList());
        }, b);
        // The move there was all the other computer did to that list: once
        // the later move holds, its removal holds too.
        expected = {QStringLiteral("Shop[Soap,Bags]"), QStringLiteral("Trip[Tickets,Socks]")};
        m_expectedNoNotice = true;
        break;
    case MovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore:
    case SameSecondMovedToAnotherListOnBothItsSubtaskMovedOnBothInDoubtBefore: {
        const auto moveBigOneHome = [&](LiveClient &client) {
            moveToList(client.model(trip), QStringLiteral("Big one"), client.model("Home"));
        };
        {
            // Home's update is applied, its answer a 500: the run ends
            // before Trip's.
            auto client = session(a);
            moveBigOneHome(*client);
            m_server->respondAfterApplying("PUT", OneList, 500);
            QVERIFY(!sync(*client));
            client->persist();
        }
        onB(moveBigOneHome, b);
        {
            auto client = session(b);
            moveToList(client->model(trip), QStringLiteral("Bags"), client->model("Shop"));
            client->persist();
        }
        onA(moveBagsHome);
        onB([](LiveClient &) {}, b);
        expected = {QStringLiteral("Home[Keys,Big one]"), QStringLiteral("Shop[Soap,Bags]"),
                    QStringLiteral("Trip[Tickets,Socks]")};
        break;
    }
    case MovedIntoAListMadeThereAnotherHereAfterAPostInDoubtHere:
    case MovedIntoAListMadeThereRetitledHereAfterAPostInDoubtHere: {
        const bool movedHere = c == MovedIntoAListMadeThereAnotherHereAfterAPostInDoubtHere;
        {
            // A list made here whose post's answer is lost: a list made
            // there since may be its copy, and is fetched after the uploads.
            auto client = session(b);
            makeList(*client, QStringLiteral("Garage"), {QStringLiteral("Oil")});
            m_server->dropAnswerAfterApplying("POST", QStringLiteral("^/lists$"));
            QVERIFY(!sync(*client));
            client->persist();
        }
        onA([&](LiveClient &client) {
            moveToList(client.model(trip), QStringLiteral("Bags"), client.addList(QStringLiteral("Journey"), {}));
        });
        onB(movedHere ? std::function<void(LiveClient &)>(moveBagsHome) : retitleBags, b);
        expected = {QStringLiteral("Garage[Oil]"), QStringLiteral("Home[Keys]"),
                    movedHere ? QStringLiteral("Journey[Bags]") : QStringLiteral("Journey[Big bags]"),
                    QStringLiteral("Trip[Tickets,Socks]")};
        if (movedHere)
            m_notice = ListOutcome::keptAgainstRemovalsText({{}, {}, {}, {}, {}, {QStringLiteral("Journey: Bags")}});
        else
            m_expectedNoNotice = true;
        break;
    }
    case MovedWithItsSubtaskToOneListThereAnotherHere:
    case MovedToOneListThereAnotherHere:
        onA(moveBagsHome);
        onB([&](LiveClient &client) { moveToList(client.model(trip), QStringLiteral("Bags"), client.model("Shop")); },
            b);
        expected = {QStringLiteral("Home[Keys]"),
                    c == MovedWithItsSubtaskToOneListThereAnotherHere ? QStringLiteral("Shop[Soap,Bags,Bags>Big one]") : QStringLiteral("Shop[Soap,Bags]"),
                    QStringLiteral("Trip[Tickets,Socks]")};
        break;
    case IndentedAndMovedWithItsParentThereParentMovedElsewhereHere:
        // Tickets and Keys left their lists there for no list: of those, the
        // settling at the end of the run follows them alone again.
        onA([&](LiveClient &client) {
            indentBelow(client.model(trip), QStringLiteral("Socks"), QStringLiteral("Bags"));
            moveBagsHome(client);
            removeTask(client.model(trip), QStringLiteral("Tickets"));
            removeTask(client.model("Home"), QStringLiteral("Keys"));
        });
        onB([&](LiveClient &client) { moveToList(client.model(trip), QStringLiteral("Bags"), client.model("Shop")); },
            b);
        expected = {QStringLiteral("Home[]"), QStringLiteral("Shop[Soap,Bags,Bags>Socks]"), QStringLiteral("Trip[]")};
        m_expectedNoNotice = true;
        break;
    }
}

void TstOlderCopies::eachChangeHolds()
{
    QFETCH(int, c);
    ModalAnswerer boxes;
    StoredClient a(QStringLiteral("a"));
    StoredClient b(QStringLiteral("b"));
    StoredClient c3(QStringLiteral("c"));
    QStringList expected;
    m_expectedOrder.clear();
    m_expectedNotice.clear();
    m_expectedNoNotice = false;
    m_notice.clear();
    m_check = nullptr;
    m_groups = c == ForcedThereTaskAddedHereInAGroup || c == ListRemovedThereTaskAddedHereInAGroup
                       || c == ListRemovedHereTaskAddedThereInAGroup || c == ListMovedToAGroupAndRemovedHereTaskAddedThere
                   ? QStringLiteral("[]Travel([Trip])")
                   : QString();
    play(Case(c), a, b, c3, expected);
    if (QTest::currentTestFailed())
        return;
    if (!m_expectedNotice.isEmpty())
        QVERIFY2(boxes.texts.join(QLatin1Char('\n')).contains(m_expectedNotice), qPrintable(boxes.texts.join('|')));
    m_server->clearFaults();

    // Quiet runs of every computer, in turn.
    for (int round = 0; round < 2; ++round) {
        for (StoredClient *store : {&a, &b, &c3}) {
            auto client = session(*store);
            QVERIFY(sync(*client));
            client->persist();
        }
    }
    expected.sort();
    QCOMPARE(serverLists(), expected);
    if (!m_expectedOrder.isEmpty()) {
        QStringList order;
        for (quint32 id : m_server->listOrder(QStringLiteral("alice")))
            order << m_server->list(id).name;
        QCOMPARE(order, m_expectedOrder);
    }
    for (StoredClient *store : {&a, &b, &c3}) {
        auto client = session(*store);
        if (!m_expectedOrder.isEmpty())
            QCOMPARE(orderOf(client->lists), m_expectedOrder);
        QStringList lists;
        for (ListModel *model : client->lists->models()) {
            QStringList tasks;
            describe(model->taskList()->rootTask(), QString(), tasks);
            lists << listText(model->taskList()->name(), tasks);
            QCOMPARE(model->taskList()->syncStatus(), TaskList::Unedited);
        }
        lists.sort();
        QCOMPARE(lists, expected);
        if (!m_groups.isEmpty())
            QCOMPARE(groupsOutline(client->listsGroups()->rootGroup(), *client->lists), m_groups);
    }
    if (!m_groups.isEmpty())
        QCOMPARE(serverGroupsOutline(*m_server, QStringLiteral("alice")), m_groups);
    if (!m_notice.isEmpty())
        QVERIFY2(boxes.texts.contains(m_notice), qPrintable(boxes.texts.join(QStringLiteral(" | "))));
    if (m_expectedNoNotice)
        QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(QStringLiteral(" | "))));
    if (m_check)
        m_check();
    PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
}

// What the server has not changed since needs no look before the upload.
void TstOlderCopies::anUnchangedServerTakesOneUpload()
{
    StoredClient a(QStringLiteral("a"));
    {
        auto client = session(a);
        client->addList(QStringLiteral("Trip"), {QStringLiteral("Tickets")});
        QVERIFY(sync(*client));
        client->persist();
    }
    auto client = session(a);
    retitle(client->model("Trip"), QStringLiteral("Tickets"), QStringLiteral("Train tickets"));
    m_server->clearRequests();
    QVERIFY(sync(*client));
    QCOMPARE(m_server->requests("PUT", OneList).size(), 1);
    // The read-back after the upload only.
    QCOMPARE(m_server->requests("GET", OneList).size(), 1);
}

namespace {

class Answers : public SyncNotices
{
public:
    void inform(const QString &, const QString &text) override { told << text; }
    bool confirm(const QString &, const QString &text) override
    {
        asked << text;
        return yes;
    }
    QStringList told, asked;
    bool yes = false;
};

} // namespace

void TstOlderCopies::forcedRunsKeepTheUsersLists_data()
{
    QTest::addColumn<QString>("run");
    QTest::newRow("forced local killed before it has the server's lists") << "local killed";
    QTest::newRow("forced remote with no list here, answered no") << "remote, no";
    QTest::newRow("forced remote with no list here, answered yes") << "remote, yes";
    QTest::newRow("undo after a forced remote run cut short") << "undo after remote";
    QTest::newRow("a forced remote run killed after an update, finished by the next run: lists stay in their groups")
        << "remote killed, groups";
    QTest::newRow("a forced remote run killed at the fetch before an update, finished by the next run: lists stay "
                  "in their groups")
        << "remote killed at a fetch, groups";
    QTest::newRow("a forced remote run failing at an update, put back: lists stay in their groups")
        << "remote failed at an update, groups";
    QTest::newRow("undo after a forced remote run cut short, tasks typed in one second")
        << "undo after remote, one second";
    QTest::newRow("undo after a forced remote run whose read-back failed, tasks typed in one second")
        << "undo after remote read-back failed, one second";
    QTest::newRow("undo after a forced remote run whose update was applied and answered 500, tasks typed in one "
                  "second")
        << "undo after remote update 500, one second";
    QTest::newRow("a forced remote run killed after an update, finished by a forced local run: lists stay in their "
                  "order")
        << "remote killed, local, order";
    QTest::newRow("a forced remote run failing at an update, put back: lists stay in their order")
        << "remote failed at an update, order";
}

// A forced run never leaves the user without the lists they had: a local one
// writes nothing over them before it has the server's, a remote one asks
// before it deletes every list on the server, undo after one cut short
// sends no task twice, and the run that finishes one cut short keeps each
// list in its group.
void TstOlderCopies::forcedRunsKeepTheUsersLists()
{
    QFETCH(QString, run);
    Answers answers;
    SyncNotices::setTeller(&answers);
    StoredClient a(QStringLiteral("a"));
    {
        auto client = session(a);
        if (run.endsWith(QLatin1String("one second")))
            typeTasks(client->addList(QStringLiteral("Trip"), {}), {QStringLiteral("Tickets"), QStringLiteral("Bags")});
        else
            makeList(*client, QStringLiteral("Trip"), {QStringLiteral("Tickets"), QStringLiteral("Bags")});
        makeList(*client, QStringLiteral("Home"), {QStringLiteral("Keys")});
        if (run.endsWith(QLatin1String(", groups"))) {
            // As the lists page holds them: local ids, every list in a group.
            for (ListModel *model : client->lists->models())
                model->taskList()->setLocalId(quint32(client->lists->models().indexOf(model)) + 1);
            QVERIFY(sync(*client));
            ListsGroups *groups = client->listsGroups();
            for (ListModel *model : client->lists->models())
                groups->addListToDefaultGroup(model->taskList());
            ListsGroupsElementGroup *travel = groups->addGroup(groups->rootGroup());
            groups->setGroupName(travel, QStringLiteral("Travel"));
            groups->userMoveListToGroup(groups->findListByLocalId(client->model("Trip")->taskList()->localId()),
                                        travel);
        }
        QVERIFY(sync(*client));
        if (run.endsWith(QLatin1String(", groups"))) {
            // The tree taken from the server names lists by server id: the
            // page gives each entry its list's local id.
            ListsGroups *groups = client->listsGroups();
            for (ListModel *model : client->lists->models())
                if (ListsGroupsElementList *entry = groups->findList(0, model->taskList()->serverId()))
                    entry->setLocalId(model->taskList()->localId());
        }
        client->persist();
    }
    const QStringList before = serverLists();
    QCOMPARE(before, (QStringList{"Home[Keys]", "Trip[Tickets,Bags]"}));
    auto client = session(a);
    if (run == QLatin1String("local killed")) {
        SyncSnapshot snapshot(client->lists, client.get(), client->notes);
        snapshot.holdSaves();
        ForcedRuns::prepareForceLocal(client->lists, client->notes);
        m_server->clearRequests();
        runClientSync(
            *client, *m_server, [&] { return !m_server->requests("GET", OneList).isEmpty(); },
            [](ListsSynchronizer *sync) { sync->setForceLocal(true); });
        // Restarted: the lists are there, as they were.
        auto again = session(a);
        QStringList names;
        for (const ListModel *model : again->lists->models())
            names << model->name();
        names.sort();
        QCOMPARE(names, (QStringList{"Home", "Trip"}));
        QVERIFY(sync(*again));
        QCOMPARE(serverLists(), before);
    } else if (run.startsWith(QLatin1String("remote killed")) && run.endsWith(QLatin1String(", groups"))) {
        QCOMPARE(serverGroupsOutline(*m_server, QStringLiteral("alice")), QStringLiteral("[Home]Travel([Trip])"));
        ForcedRuns::prepareForceRemote(client->lists, client->notes);
        m_server->clearRequests();
        const QByteArray killedAt = run.contains(QLatin1String("fetch")) ? "GET" : "PUT";
        runClientSync(
            *client, *m_server, [&] { return !m_server->requests(killedAt, OneList).isEmpty(); },
            [](ListsSynchronizer *sync) { sync->setForceRemote(true); });
        client.reset();
        auto again = session(a);
        QVERIFY(sync(*again));
        QCOMPARE(serverLists(), before);
        QCOMPARE(serverGroupsOutline(*m_server, QStringLiteral("alice")), QStringLiteral("[Home]Travel([Trip])"));
    } else if (run.endsWith(QLatin1String(", order"))) {
        QCOMPARE(orderOf(client->lists), (QStringList{"Trip", "Home"}));
        SyncSnapshot snapshot(client->lists, client.get(), client->notes);
        snapshot.setForcedRemote(true);
        ForcedRuns::prepareForceRemote(client->lists, client->notes);
        m_server->clearRequests();
        const auto forceRemote = [](ListsSynchronizer *sync) { sync->setForceRemote(true); };
        std::unique_ptr<LiveClient> again;
        if (run.startsWith(QLatin1String("remote killed"))) {
            runClientSync(
                *client, *m_server, [&] { return !m_server->requests("PUT", OneList).isEmpty(); }, forceRemote);
            client.reset();
            again = session(a);
            ForcedRuns::prepareForceLocal(again->lists, again->notes);
            QVERIFY(runClientSync(*again, *m_server, {}, [](ListsSynchronizer *sync) { sync->setForceLocal(true); }));
        } else {
            m_server->respondAfterApplying("PUT", OneList, 500);
            QVERIFY(!runClientSync(*client, *m_server, {}, forceRemote));
            snapshot.restore();
            QVERIFY(sync(*client));
            again = std::move(client);
        }
        QCOMPARE(serverLists(), before);
        QStringList order;
        for (quint32 id : m_server->listOrder(QStringLiteral("alice")))
            order << m_server->list(id).name;
        QCOMPARE(order, (QStringList{"Trip", "Home"}));
        QCOMPARE(orderOf(again->lists), (QStringList{"Trip", "Home"}));
    } else if (run == QLatin1String("remote failed at an update, groups")) {
        SyncSnapshot snapshot(client->lists, client.get(), client->notes);
        snapshot.setForcedRemote(true);
        ForcedRuns::prepareForceRemote(client->lists, client->notes);
        m_server->respondAfterApplying("PUT", OneList, 500);
        QVERIFY(!runClientSync(*client, *m_server, {}, [](ListsSynchronizer *sync) { sync->setForceRemote(true); }));
        snapshot.restore();
        QVERIFY(sync(*client));
        QCOMPARE(serverLists(), before);
        QCOMPARE(serverGroupsOutline(*m_server, QStringLiteral("alice")), QStringLiteral("[Home]Travel([Trip])"));
    } else if (run.startsWith(QLatin1String("remote"))) {
        answers.yes = run.endsWith(QLatin1String("yes"));
        for (ListModel *model : client->lists->models())
            client->lists->purgeList(model->taskList());
        SyncSnapshot snapshot(client->lists, client.get(), client->notes);
        snapshot.setForcedRemote(true);
        ForcedRuns::prepareForceRemote(client->lists, client->notes);
        const bool ok = runClientSync(*client, *m_server, {}, [](ListsSynchronizer *sync) { sync->setForceRemote(true); });
        QCOMPARE(answers.asked.size(), 1);
        QVERIFY2(answers.asked.first().contains(QStringLiteral("2")), qPrintable(answers.asked.first()));
        QCOMPARE(ok, answers.yes);
        if (!ok)
            snapshot.restore();
        QCOMPARE(serverLists(), answers.yes ? QStringList() : before);
    } else {
        ListModel *trip = client->model("Trip");
        trip->saveUndoState();
        retitle(trip, QStringLiteral("Tickets"), QStringLiteral("Train tickets"));
        QVERIFY(trip->canUndo());
        SyncSnapshot snapshot(client->lists, client.get(), client->notes);
        snapshot.setForcedRemote(true);
        ForcedRuns::prepareForceRemote(client->lists, client->notes);
        // Cut short by an update whose answer is lost (or a failed answer to
        // it, or to its read-back): the update is in doubt, the undo history
        // as it was.
        if (run.contains(QLatin1String("read-back")))
            connect(m_server.get(), &FakeServer::requestReceived, this, [this](const FakeRequest &req) {
                if (req.method == "PUT" && req.segments.size() == 2)
                    m_server->respondOnce("GET", OneList, 500);
            });
        else if (run.contains(QLatin1String("update 500")))
            m_server->respondAfterApplying("PUT", OneList, 500);
        else
            m_server->dropAnswerAfterApplying("PUT", OneList);
        const bool ok = runClientSync(*client, *m_server, {}, [](ListsSynchronizer *sync) { sync->setForceRemote(true); });
        disconnect(m_server.get(), &FakeServer::requestReceived, this, nullptr);
        QVERIFY(!ok);
        snapshot.restore();
        trip = client->model("Trip");
        QVERIFY(trip->canUndo());
        trip->undo();
        QVERIFY(sync(*client));
        client->persist();
        QVERIFY(sync(*client));
        QCOMPARE(serverLists(), (QStringList{"Home[Keys]", "Trip[Tickets,Bags]"}));
    }
    SyncNotices::setTeller(nullptr);
}

void TstOlderCopies::aMoveIsSettledWhereverTheRunEnds_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<bool>("movedThere");
    for (const char *ending : {"cancelled", "killed", "killed process", "500", "applied, 500", "answer lost",
                               "answer cut, unapplied"}) {
        QTest::addRow("moved there, retitled here, %s", ending) << QString::fromLatin1(ending) << true;
        QTest::addRow("moved here, retitled there, %s", ending) << QString::fromLatin1(ending) << false;
        QTest::addRow("rolled over on both, %s", ending) << QString::fromLatin1(ending) << false;
    }
}

// A task moved to another list on one computer and retitled on the other
// (or the week rolled over on both: Trip emptied into a new list each, and
// removed); the computer that did not synchronise in between runs, and that
// run ends at one of its requests (each in turn): cancelled, killed, or
// failed by the server or the connection. Its next run leaves the task
// once, where it was moved, retitled, on the server and on both computers.
void TstOlderCopies::aMoveIsSettledWhereverTheRunEnds()
{
    QFETCH(QString, ending);
    QFETCH(bool, movedThere);
    ModalAnswerer boxes;
    const QString trip = QStringLiteral("Trip");
    const bool rolledOver = QString::fromLatin1(QTest::currentDataTag()).startsWith(QLatin1String("rolled over"));
    const QStringList expected = rolledOver ? QStringList{QStringLiteral("Home[Keys]"),
                                                          QStringLiteral("Journey[Tickets,Bags,Socks]"),
                                                          QStringLiteral("Journey[]")}
                                            : QStringList{QStringLiteral("Home[Keys,Big bags]"),
                                                          QStringLiteral("Trip[Tickets,Socks]")};
    const auto rollOver = [&](LiveClient &client) {
        ListModel *next = client.addList(QStringLiteral("Journey"), {});
        for (const QString &title : {QStringLiteral("Tickets"), QStringLiteral("Bags"), QStringLiteral("Socks")})
            moveToList(client.model(trip), title, next);
        client.lists->deleteList(client.model(trip)->taskList());
    };
    const auto moveBags = [&](LiveClient &client) {
        if (rolledOver)
            rollOver(client);
        else
            moveToList(client.model(trip), QStringLiteral("Bags"), client.model("Home"));
    };
    const auto retitleBags = [&](LiveClient &client) {
        if (rolledOver)
            rollOver(client);
        else
            retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags"));
    };
    int points = 0;
    for (int point = 0;; ++point) {
        cleanup();
        init();
        StoredClient a(QStringLiteral("a"));
        StoredClient b(QStringLiteral("b"));
        {
            auto client = session(a);
            makeList(*client, trip, {QStringLiteral("Tickets"), QStringLiteral("Bags"), QStringLiteral("Socks")});
            makeList(*client, QStringLiteral("Home"), {QStringLiteral("Keys")});
            QVERIFY(sync(*client));
            client->persist();
        }
        for (StoredClient *store : {&b, &a}) {
            auto client = session(*store);
            if (store == &a)
                movedThere ? moveBags(*client) : retitleBags(*client);
            QVERIFY(sync(*client));
            client->persist();
        }
        {
            auto client = session(b);
            movedThere ? retitleBags(*client) : moveBags(*client);
            client->persist();
        }
        const bool ended = runEndedAt(b, ending, point);
        if (!ended)
            break;
        ++points;
        const QString at = QStringLiteral("ended at request %1: ").arg(point);
        {
            auto client = session(b);
            QVERIFY2(client->loadProblem.isEmpty(), qPrintable(at + client->loadProblem));
            QVERIFY2(sync(*client), qPrintable(at + QStringLiteral("the next run failed")));
            client->persist();
        }
        QVERIFY2(serverLists() == expected, qPrintable(at + serverLists().join(QLatin1Char(' '))));
        for (StoredClient *store : {&a, &b}) {
            auto client = session(*store);
            QVERIFY(sync(*client));
            QStringList lists;
            for (ListModel *model : client->lists->models()) {
                QStringList tasks;
                describe(model->taskList()->rootTask(), QString(), tasks);
                lists << listText(model->taskList()->name(), tasks);
                QCOMPARE(model->taskList()->syncStatus(), TaskList::Unedited);
            }
            lists.sort();
            QVERIFY2(lists == expected, qPrintable(at + lists.join(QLatin1Char(' '))));
            client->persist();
        }
        PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
    }
    qInfo("%d requests", points);
    // Every request of the run, up to its end.
    QVERIFY2(points >= 10, qPrintable(QString::number(points)));
}

// A task's stamps say when its last change was made: the computer whose
// copy is merged keeps the other's time for what the other changed.
void TstOlderCopies::mergedTasksKeepTheStampsOfTheirLastChange()
{
    StoredClient a(QStringLiteral("a"));
    StoredClient b(QStringLiteral("b"));
    const QString trip = QStringLiteral("Trip");
    QDateTime made;
    {
        auto client = session(a);
        makeList(*client, trip, {QStringLiteral("Tickets"), QStringLiteral("Bags"), QStringLiteral("Socks")});
        made = taskTitled(client->model(trip)->taskList(), QStringLiteral("Socks"))->modificationTime();
        QVERIFY(sync(*client));
        client->persist();
    }
    {
        auto client = session(b);
        QVERIFY(sync(*client));
        client->persist();
    }
    QDateTime bagsChanged, ticketsChanged;
    {
        auto client = session(a);
        retitle(client->model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags"));
        bagsChanged = taskTitled(client->model(trip)->taskList(), QStringLiteral("Big bags"))->modificationTime();
        QVERIFY(sync(*client));
        client->persist();
    }
    {
        // Not synchronised since: its upload is merged with A's change.
        auto client = session(b);
        retitle(client->model(trip), QStringLiteral("Tickets"), QStringLiteral("Train tickets"));
        ticketsChanged = taskTitled(client->model(trip)->taskList(), QStringLiteral("Train tickets"))->modificationTime();
        QVERIFY(sync(*client));
        client->persist();
    }
    QVERIFY(made.isValid() && made < bagsChanged && bagsChanged < ticketsChanged);
    const QHash<QString, QDateTime> expected{{QStringLiteral("Train tickets"), ticketsChanged},
                                             {QStringLiteral("Big bags"), bagsChanged},
                                             {QStringLiteral("Socks"), made}};
    for (int round = 0; round < 2; ++round) {
        for (StoredClient *store : {&a, &b}) {
            auto client = session(*store);
            QVERIFY(sync(*client));
            client->persist();
        }
    }
    const QList<FakeList> onServer = m_server->visibleLists(QStringLiteral("alice"));
    QCOMPARE(onServer.size(), 1);
    for (const FakeTask &task : onServer.first().tasks)
        QCOMPARE(fakeField(task.fields, QStringLiteral("modification-time")),
                 XMLReaderWriter::dateTimeToString(expected.value(task.title())));
    for (StoredClient *store : {&a, &b}) {
        auto client = session(*store);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const Task *task = taskTitled(client->model(trip)->taskList(), it.key());
            QVERIFY2(task, qPrintable(it.key()));
            QCOMPARE(task->modificationTime(), it.value());
            QCOMPARE(task->lastModifiedBy(), QStringLiteral("alice"));
        }
    }
    PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
}

PLUMDECK_TEST_MAIN(TstOlderCopies)
#include "tst_oldercopies.moc"
