#include "model/listinfo.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "sync/runs/listlooks.h"
#include "sync/runs/listsynchronizer.h"
#include "testenvironment.h"

#include <QtTest>

#include <memory>

// Which list here a full run looks at on the server before anything goes up.

Q_DECLARE_METATYPE(ListLooks::Look)

class TstListLooks : public QObject
{
    Q_OBJECT

private slots:
    void forList_data();
    void forList();
};

void TstListLooks::forList_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<quint32>("revision");
    // What the list agreed with the server: "fits" (as it stands), "none",
    // or "older" (of another revision); "restored" as read from a backup,
    // "restored, none" so with that copy left out of the file.
    QTest::addColumn<QString>("agreed");
    // The server's revision; 0 for no summary.
    QTest::addColumn<quint32>("serverRevision");
    QTest::addColumn<bool>("onServer");
    QTest::addColumn<ListLooks::Look>("look");

    using Look = ListLooks::Look;
    const quint32 notFetched = ListSynchronizer::NotFetchedRevision;
    QTest::newRow("unchanged here, moved on there") << int(TaskList::Unedited) << 3u << "fits" << 4u << true
                                                    << Look::Take;
    QTest::newRow("unchanged on both") << int(TaskList::Unedited) << 3u << "fits" << 3u << true << Look::None;
    QTest::newRow("changed here, moved on there") << int(TaskList::Edited) << 3u << "fits" << 4u << true
                                                  << Look::Merge;
    QTest::newRow("changed here only") << int(TaskList::Edited) << 3u << "fits" << 3u << true << Look::None;
    QTest::newRow("changed here without an agreed copy: its step looks")
        << int(TaskList::Edited) << 3u << "none" << 4u << true << Look::None;
    QTest::newRow("changed here, the agreed copy of another revision")
        << int(TaskList::Edited) << 3u << "older" << 4u << true << Look::None;
    QTest::newRow("its creation's copy not fetched yet") << int(TaskList::Unedited) << notFetched << "none" << 4u
                                                         << true << Look::None;
    QTest::newRow("no summary of it") << int(TaskList::Unedited) << 3u << "fits" << 0u << true << Look::None;
    QTest::newRow("dealt with otherwise") << int(TaskList::Unedited) << 3u << "fits" << 4u << false << Look::None;
    QTest::newRow("new here") << int(TaskList::New) << 0u << "none" << 4u << true << Look::None;
    QTest::newRow("read from a backup, unchanged there") << int(TaskList::Edited) << 3u << "restored" << 3u << true
                                                        << Look::Merge;
    QTest::newRow("read from a backup, its copy of it left out of the file")
        << int(TaskList::Edited) << 3u << "restored, none" << 3u << true << Look::Merge;
}

void TstListLooks::forList()
{
    QFETCH(int, status);
    QFETCH(quint32, revision);
    QFETCH(QString, agreed);
    QFETCH(quint32, serverRevision);
    QFETCH(bool, onServer);
    QFETCH(ListLooks::Look, look);
    std::unique_ptr<TaskList> list(TaskList::create());
    list->setName(QStringLiteral("Trip"));
    list->setSyncStatus(TaskList::Unedited);
    list->setServerId(5);
    list->setRevision(agreed == QLatin1String("older") ? revision - 1 : revision);
    Task *task = list->rootTask()->createChild(0);
    task->setTitle(QStringLiteral("Tickets"));
    task->setId(51);
    if (agreed != QLatin1String("none") && agreed != QLatin1String("restored, none"))
        list->agreeAsIs();
    if (agreed.startsWith(QLatin1String("restored")))
        list->setPendingUpload(QStringLiteral("restored"));
    list->setRevision(revision);
    list->setSyncStatus(TaskList::SyncStatus(status));
    const std::unique_ptr<ListInfo> info(serverRevision == 0 ? nullptr
                                                             : new ListInfo(5, serverRevision, 1, QStringLiteral("Trip"),
                                                                            QStringLiteral("alice"), QString(), true,
                                                                            false));
    QCOMPARE(ListLooks::forList(list.get(), info.get(), onServer), look);
}

PLUMDECK_TEST_MAIN(TstListLooks)
#include "tst_listlooks.moc"
