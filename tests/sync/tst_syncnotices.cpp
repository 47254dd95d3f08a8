#include "sync/runs/syncnotices.h"
#include "testenvironment.h"

#include <QStringList>

namespace {

class Recorder : public SyncNotices
{
public:
    void inform(const QString &title, const QString &text) override { told << title + QLatin1Char('|') + text; }
    bool confirm(const QString &title, const QString &text) override
    {
        told << title + QLatin1Char('?') + text;
        return answer;
    }
    QStringList told;
    bool answer = false;
};

} // namespace

class TstSyncNotices : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { SyncNotices::setTeller(nullptr); }

    // Each notice reaches the teller set, in order.
    void toldThroughTheTeller()
    {
        Recorder recorder;
        SyncNotices::setTeller(&recorder);
        SyncNotices::tell(QStringLiteral("Sync"), QStringLiteral("first"));
        SyncNotices::tell(QStringLiteral("Sync"), QStringLiteral("second"));
        QCOMPARE(recorder.told, (QStringList{"Sync|first", "Sync|second"}));
    }

    // Without a teller, or once it went, nobody is told and nothing breaks.
    void noTeller()
    {
        SyncNotices::setTeller(nullptr);
        SyncNotices::tell(QStringLiteral("Sync"), QStringLiteral("lost"));
        {
            Recorder gone;
            SyncNotices::setTeller(&gone);
        }
        QCOMPARE(SyncNotices::teller(), nullptr);
        SyncNotices::tell(QStringLiteral("Sync"), QStringLiteral("lost"));
        // Nobody to ask said no.
        QVERIFY(!SyncNotices::ask(QStringLiteral("Sync"), QStringLiteral("Delete?")));
    }

    void askedThroughTheTeller()
    {
        Recorder recorder;
        SyncNotices::setTeller(&recorder);
        QVERIFY(!SyncNotices::ask(QStringLiteral("Sync"), QStringLiteral("Delete?")));
        recorder.answer = true;
        QVERIFY(SyncNotices::ask(QStringLiteral("Sync"), QStringLiteral("Delete?")));
        QCOMPARE(recorder.told, (QStringList{"Sync?Delete?", "Sync?Delete?"}));
    }
};

PLUMDECK_TEST_MAIN(TstSyncNotices)
#include "tst_syncnotices.moc"
