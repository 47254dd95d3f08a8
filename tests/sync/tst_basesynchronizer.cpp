#include "sync/runs/basesynchronizer.h"
#include "sync/requests/request.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QSignalSpy>

namespace {

class ProbeSynchronizer : public BaseSynchronizer
{
public:
    void start() override {}
    using BaseSynchronizer::fail;
    using BaseSynchronizer::succeed;
};

// Every signal of a run, in order, as text.
class Recorder : public QObject
{
public:
    explicit Recorder(BaseSynchronizer *sync)
    {
        connect(sync, &BaseSynchronizer::progress, this, [this](const QString &desc, int done, int total) {
            lines << QStringLiteral("progress %1 %2/%3").arg(desc).arg(done).arg(total);
        });
        connect(sync, &BaseSynchronizer::addProgress, this, [this](const QString &desc, int addition) {
            lines << QStringLiteral("addProgress %1 %2").arg(desc).arg(addition);
        });
        connect(sync, &BaseSynchronizer::finished, this, [this](bool ok) {
            lines << QStringLiteral("finished %1").arg(ok ? "true" : "false");
        });
    }
    QStringList lines;
};

} // namespace

class TstBaseSynchronizer : public QObject
{
    Q_OBJECT

private slots:
    void ending_data();
    void ending();
    void secondEndIsIgnored();
    void sessionPassword();
};

void TstBaseSynchronizer::ending_data()
{
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("errorString");
    QTest::addColumn<QStringList>("signals_");

    QTest::newRow("succeed") << true << QString() << QString()
                             << QStringList{"progress Succeeded. 1/1", "finished true"};
    QTest::newRow("fail with a text") << false << "Authorization failure." << "Authorization failure."
                                      << QStringList{"progress Authorization failure. 1/1", "progress Sync failed. 1/1",
                                                     "finished false"};
    QTest::newRow("fail without a text") << false << QString() << "Unknown sync problem."
                                         << QStringList{"progress Unknown sync problem. 1/1",
                                                        "progress Sync failed. 1/1", "finished false"};
}

void TstBaseSynchronizer::ending()
{
    QFETCH(bool, succeeds);
    QFETCH(QString, error);
    QFETCH(QString, errorString);
    QFETCH(QStringList, signals_);

    ProbeSynchronizer sync;
    QVERIFY(!sync.sslErrorHandler());
    Recorder recorder(&sync);
    if (succeeds) {
        sync.succeed();
    } else {
        if (error.isEmpty())
            QTest::ignoreMessage(QtDebugMsg, "BaseSynchronizer::fail - empty error string");
        sync.fail(error);
    }
    QCOMPARE(recorder.lines, signals_);
    QCOMPARE(sync.errorString(), errorString);
    QVERIFY(sync.hasEnded());
}

void TstBaseSynchronizer::secondEndIsIgnored()
{
    ProbeSynchronizer sync;
    Recorder recorder(&sync);
    sync.fail(QStringLiteral("first"));
    QTest::ignoreMessage(QtWarningMsg, "BaseSynchronizer: succeed after the run had ended - ignored");
    sync.succeed();
    QTest::ignoreMessage(QtWarningMsg, "BaseSynchronizer: fail after the run had ended - ignored");
    sync.fail(QStringLiteral("second"));
    QCOMPARE(recorder.lines.size(), 3);
    QCOMPARE(recorder.lines.last(), QStringLiteral("finished false"));
    QCOMPARE(sync.errorString(), QStringLiteral("first"));
}

// The session password belongs to the connection: it outlives the run, and
// an empty one brings the stored password back.
void TstBaseSynchronizer::sessionPassword()
{
    std::unique_ptr<FakeServer> server = startFakeServer();
    QVERIFY(server);
    ServerSettings::instance()->setCredentials(QStringLiteral("alice"), QStringLiteral("stored-but-wrong"));

    auto probe = []() {
        Request request(QStringLiteral("HEAD"), QStringLiteral("/users/alice"));
        QSignalSpy finished(&request, &Request::finished);
        ServerHttpConnection::instance()->addRequest(&request);
        if (!finished.wait(10000))
            return -1;
        return request.authFailed() ? 401 : request.responseHeader().statusCode();
    };

    QCOMPARE(probe(), 401);
    {
        ProbeSynchronizer sync;
        sync.setSessionPassword(QStringLiteral("secret"));
    }
    QCOMPARE(probe(), 200);
    ProbeSynchronizer later;
    later.setSessionPassword(QString());
    QCOMPARE(probe(), 401);
}

PLUMDECK_TEST_MAIN(TstBaseSynchronizer)
#include "tst_basesynchronizer.moc"
