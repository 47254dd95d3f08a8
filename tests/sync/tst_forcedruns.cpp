#include "model/task.h"
#include "model/tasklist.h"
#include "sync/forcedruns.h"
#include "sync/uploadmark.h"
#include "testenvironment.h"

#include <QtTest>

#include <memory>

// Which lists a forced local run keeps: those a forced remote run
// cut short posted in place of a server item, and the records of the server
// items so replaced.
class TstForcedRuns : public QObject
{
    Q_OBJECT

private slots:
    void finishesReplacement_data();
    void finishesReplacement();
};

void TstForcedRuns::finishesReplacement_data()
{
    QTest::addColumn<quint32>("serverId");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<bool>("finishes");

    std::unique_ptr<TaskList> list(TaskList::create());
    list->setName(QStringLiteral("Trip"));
    list->rootTask()->createChild(0)->setTitle(QStringLiteral("Tickets"));
    const QString replacing7 = UploadMark::replacing(7).text();
    const QString postedFor7 = UploadMark::ofListPost(9, list.get(), 7).text();

    QTest::newRow("new, never marked") << 0u << QString() << false;
    QTest::newRow("new, its upload not marked yet: never posted") << 0u << replacing7 << false;
    QTest::newRow("new, posted in place of a server list") << 0u << postedFor7 << true;
    QTest::newRow("new, posted in place of nothing") << 0u << UploadMark::ofListPost(9, list.get()).text() << false;
    QTest::newRow("the record of the list replaced") << 7u << replacing7 << true;
    QTest::newRow("the record of another list") << 8u << replacing7 << false;
    QTest::newRow("a record marked by the post that replaced it") << 7u << postedFor7 << true;
    QTest::newRow("a removal of the user's own") << 7u << QString() << false;
    QTest::newRow("an unreadable mark") << 0u << QStringLiteral("garbled") << false;
}

void TstForcedRuns::finishesReplacement()
{
    QFETCH(quint32, serverId);
    QFETCH(QString, mark);
    QFETCH(bool, finishes);
    QCOMPARE(ForcedRuns::finishesReplacement(serverId, mark), finishes);
}

PLUMDECK_TEST_MAIN(TstForcedRuns)
#include "tst_forcedruns.moc"
