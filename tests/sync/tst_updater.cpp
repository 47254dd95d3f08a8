#include "core/clock.h"
#include "core/paths.h"
#include "core/version.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/updater.h"
#include "sync/requests/xmlrequest.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QDir>
#include <QScopeGuard>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>

#include <csignal>
#include <sys/resource.h>

namespace {

const char Tag[] = "test-x86_64";
const char InstallerName[] = "plumdeck-test-x86_64";

QByteArray installerBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + 7) & 0xff);
    return bytes;
}

// The receiver of checkNow's answer.
class CheckReceiver : public QObject
{
    Q_OBJECT
public:
    QList<bool> answers;
public slots:
    void onCheckNowFinished(bool didSomething) { answers << didSomething; }
};

} // namespace

class TstUpdater : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void nextCheckTimeDecidesTheTick_data();
    void nextCheckTimeDecidesTheTick();
    void disabledTickStillChecksOnRequest();
    void checkAnswers_data();
    void checkAnswers();
    void transportFailuresSetTheirStates_data();
    void transportFailuresSetTheirStates();
    void secondCheckNowCallerIsWarned();
    void updateSeenIsAnnouncedAgainWithoutRequest();
    void acceptedCertificatesChangeTicksSoon();
    void downloadWritesTheInstaller();
    void progressIsTheDownloadsOwn();
    void downloadFailures_data();
    void downloadFailures();
    void writeErrorFailsTheDownload();
    void downloadNotStarted_data();
    void downloadNotStarted();
    void installFromWrongState();
    void installLaunches();
    void installFailedChecksAgain();
    void checkNowWhileDownloadingAnswers();
    void cancelDownload();
    void leftOverInstallerIsRemoved();
    void untrustedCertificateIsNotAccepted();
    void plainHttpDownloadsNothing();
    void installNeedsTheSecureConnection();

private:
    Updater *createUpdater(bool tick = true);
    bool reachUpdateSeen(CheckReceiver *receiver = nullptr);
    bool download();

    std::unique_ptr<FakeServer> m_server;
    QStringList m_launched;
    bool m_launchResult = true;
};

namespace {

// Installers come only over https: the updater's server is the fake one over
// TLS, its certificate trusted.
std::unique_ptr<FakeServer> startTlsServer()
{
    auto server = std::make_unique<FakeServer>(FakeServer::Tls);
    if (!server->start())
        return nullptr;
    server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.addCaCertificate(FakeServer::testCertificate());
    ServerHttpConnection::instance()->setSslConfiguration(trusting);
    ServerSettings::instance()->setSettings(server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    return server;
}

} // namespace

void TstUpdater::initTestCase()
{
    Updater::setPlatformTag(QString::fromLatin1(Tag));
    Updater::setLauncher([this](const QString &path) {
        m_launched << path;
        return m_launchResult;
    });
    QCOMPARE(buildNumber(), 3054);
}

void TstUpdater::init()
{
    Clock::reset();
    Clock::setFixedTime(QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC));
    // The hourly tick every 36 ms, the re-tick after a certificate change
    // after 0.3 ms; only the clock decides what is due.
    Clock::setTimeScale(0.00001);
    QSettings().remove(QStringLiteral("updater"));
    QFile::remove(installerFilePath());
    m_server = startTlsServer();
    QVERIFY(m_server);
    m_server->setStrictCompression(true);
    m_server->setInstaller(QString::fromLatin1(InstallerName), installerBytes(300000), 3055);
    m_launched.clear();
    m_launchResult = true;
}

void TstUpdater::cleanup()
{
    delete Updater::instance();
    QVERIFY(!Updater::instance());
    if (m_server)
        PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
    m_server.reset();
    Clock::reset();
}

// Constructing checks at once when a check is due (no next check time
// stored); without the tick nothing is checked until checkNow.
Updater *TstUpdater::createUpdater(bool tick)
{
    if (!tick)
        QSettings().setValue(QStringLiteral("updater/enabled"), false);
    return Updater::create();
}

bool TstUpdater::reachUpdateSeen(CheckReceiver *receiver)
{
    Updater *updater = createUpdater();
    if (receiver)
        updater->checkNow(receiver, SLOT(onCheckNowFinished(bool)));
    return QTest::qWaitFor([updater] { return updater->state() == Updater::UpdateSeen; }, 10000);
}

bool TstUpdater::download()
{
    Updater *updater = Updater::instance();
    QSignalSpy downloaded(updater, &Updater::updateDownloaded);
    QSignalSpy failed(updater, &Updater::updateDownloadFailed);
    updater->startDownload();
    return QTest::qWaitFor([&] { return downloaded.count() + failed.count() > 0; }, 10000);
}

void TstUpdater::nextCheckTimeDecidesTheTick_data()
{
    QTest::addColumn<qint64>("aheadSecs"); // 0: missing
    QTest::addColumn<bool>("checks");
    QTest::newRow("missing") << qint64(0) << true;
    QTest::newRow("past") << qint64(-60) << true;
    QTest::newRow("in an hour") << qint64(3600) << false;
    QTest::newRow("9 days ahead") << qint64(9 * 86400) << false;
    QTest::newRow("11 days ahead") << qint64(11 * 86400) << true;
}

void TstUpdater::nextCheckTimeDecidesTheTick()
{
    QFETCH(qint64, aheadSecs);
    QFETCH(bool, checks);
    if (aheadSecs)
        QSettings().setValue(QStringLiteral("updater/next-check-time"), Clock::currentDateTimeUtc().addSecs(aheadSecs));
    if (aheadSecs > 864000)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Updater: next check time .* ignored - too far ahead of current time\\.$"));
    Updater *updater = createUpdater();
    QSignalSpy seen(updater, &Updater::updateSeen);
    QCOMPARE(m_server->requests().size(), 0); // sent at construction, not yet answered
    if (checks)
        QTRY_COMPARE(seen.count(), 1);
    QTest::qWait(200); // several ticks, none of them due any more
    QCOMPARE(seen.count(), checks ? 1 : 0);
    QCOMPARE(updater->state(), checks ? Updater::UpdateSeen : Updater::UpToDate);
    if (!checks) {
        QVERIFY(m_server->requests().isEmpty());
        return;
    }
    QCOMPARE(requestLines(*m_server), QStringList{QStringLiteral("HEAD /clients/%1").arg(InstallerName)});
    QVERIFY(!m_server->requests().first().acceptZlib);
    QCOMPARE(QSettings().value(QStringLiteral("updater/next-check-time")).toDateTime(),
             Clock::currentDateTimeUtc().addSecs(24 * 3600));
}

void TstUpdater::disabledTickStillChecksOnRequest()
{
    Updater *updater = createUpdater(false);
    QTest::qWait(100);
    QCOMPARE(m_server->requests().size(), 0);
    CheckReceiver receiver;
    updater->checkNow(&receiver, SLOT(onCheckNowFinished(bool)));
    QTRY_COMPARE(receiver.answers, QList<bool>{true});
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(updater->state(), Updater::UpdateSeen);
}

void TstUpdater::checkAnswers_data()
{
    QTest::addColumn<quint32>("version");
    QTest::addColumn<int>("mode"); // 0 plain tag, 1 quoted tag, 2 forbidden, 3 answered 500, 4 unknown installer
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("message"); // a warning or debug line expected, regex

    QTest::newRow("tag above the build") << 3055u << 0 << int(Updater::UpdateSeen) << true << QString();
    QTest::newRow("tag equal to the build") << 3054u << 0 << int(Updater::UpToDate) << false << QString();
    QTest::newRow("tag below the build") << 3000u << 0 << int(Updater::UpToDate) << false
                                         << "^Updater: server version 3000 older than current 3054$";
    QTest::newRow("tag not a number") << 3055u << 1 << int(Updater::UpToDate) << false
                                      << "^Updater: etag not an int version \"\\\\\"3055\\\\\"\"$";
    QTest::newRow("403") << 3055u << 2 << int(Updater::UpToDate) << false << QString();
    QTest::newRow("500") << 3055u << 3 << int(Updater::UpToDate) << false << "^unexpected response from server:  500$";
    QTest::newRow("404") << 3055u << 4 << int(Updater::UpToDate) << false << "^unexpected response from server:  404$";
}

void TstUpdater::checkAnswers()
{
    QFETCH(quint32, version);
    QFETCH(int, mode);
    QFETCH(int, state);
    QFETCH(bool, answer);
    QFETCH(QString, message);

    m_server->setInstaller(QString::fromLatin1(InstallerName), installerBytes(1000), version);
    m_server->setQuotedETag(mode == 1);
    m_server->setInstallerForbidden(mode == 2);
    if (mode == 3)
        m_server->respondOnce("HEAD", QStringLiteral("^/clients/"), 500);
    if (!message.isEmpty())
        QTest::ignoreMessage(message.contains(QLatin1String("older")) ? QtDebugMsg : QtWarningMsg,
                             QRegularExpression(message));
    Updater *updater = createUpdater(false);
    QSignalSpy seen(updater, &Updater::updateSeen);
    CheckReceiver receiver;
    if (mode == 4)
        Updater::setPlatformTag(QStringLiteral("other"));
    updater->checkNow(&receiver, SLOT(onCheckNowFinished(bool)));
    Updater::setPlatformTag(QString::fromLatin1(Tag));
    QTRY_COMPARE(receiver.answers.size(), 1);
    QCOMPARE(receiver.answers.first(), answer);
    QCOMPARE(int(updater->state()), state);
    QCOMPARE(seen.count(), answer ? 1 : 0);
    QTest::qWait(20);
    QCOMPARE(receiver.answers.size(), 1);
}

void TstUpdater::transportFailuresSetTheirStates_data()
{
    QTest::addColumn<bool>("wrongPassword");
    QTest::addColumn<int>("state");
    QTest::newRow("authorisation refused") << true << int(Updater::AuthFailed);
    QTest::newRow("server gone") << false << int(Updater::CheckFailed);
}

void TstUpdater::transportFailuresSetTheirStates()
{
    QFETCH(bool, wrongPassword);
    QFETCH(int, state);
    if (wrongPassword)
        ServerSettings::instance()->setCredentials(QStringLiteral("alice"), QStringLiteral("wrong"));
    else
        m_server->stop();
    Updater *updater = createUpdater(false);
    CheckReceiver receiver;
    updater->checkNow(&receiver, SLOT(onCheckNowFinished(bool)));
    QTRY_COMPARE(receiver.answers, QList<bool>{false});
    QCOMPARE(int(updater->state()), state);
    // No update was seen: there is nothing to cancel, and nothing to announce.
    QSignalSpy seen(updater, &Updater::updateSeen);
    updater->cancelDownload();
    QCOMPARE(int(updater->state()), state);
    QCOMPARE(seen.count(), 0);
}

void TstUpdater::secondCheckNowCallerIsWarned()
{
    Updater *updater = createUpdater(false);
    CheckReceiver first;
    CheckReceiver second;
    updater->checkNow(&first, SLOT(onCheckNowFinished(bool)));
    QTest::ignoreMessage(QtWarningMsg, "already doing checkNow");
    updater->checkNow(&second, SLOT(onCheckNowFinished(bool)));
    QTRY_COMPARE(first.answers, QList<bool>{true});
    QTest::qWait(30);
    QVERIFY(second.answers.isEmpty());
    QCOMPARE(m_server->requests().size(), 1);
}

void TstUpdater::updateSeenIsAnnouncedAgainWithoutRequest()
{
    QVERIFY(reachUpdateSeen());
    Updater *updater = Updater::instance();
    QSignalSpy seen(updater, &Updater::updateSeen);
    QTest::qWait(100); // ticks before the next check is due do nothing
    QCOMPARE(seen.count(), 0);
    Clock::advance(qint64(25) * 3600 * 1000);
    QTRY_COMPARE(seen.count(), 1);
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(updater->state(), Updater::UpdateSeen);
}

void TstUpdater::acceptedCertificatesChangeTicksSoon()
{
    QSettings().setValue(QStringLiteral("updater/next-check-time"), Clock::currentDateTimeUtc().addSecs(3600));
    Clock::setTimeScale(0.001); // hourly tick 3.6 s, re-tick after 30 ms
    Updater *updater = createUpdater();
    QTest::qWait(100);
    QCOMPARE(m_server->requests().size(), 0);
    Clock::advance(qint64(2) * 3600 * 1000);
    const QList<QSslCertificate> certificates =
        QSslCertificate::fromPath(FakeServer::dataDirectory() + QStringLiteral("/fakeserver-cert.pem"));
    QVERIFY(!certificates.isEmpty());
    ServerSettings::instance()->addIgnorableSslErrors({QSslError(QSslError::SelfSignedCertificate, certificates.first())});
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests().size(), 1, 2000);
    QTRY_COMPARE(updater->state(), Updater::UpdateSeen);
}

void TstUpdater::downloadWritesTheInstaller()
{
    QVERIFY(reachUpdateSeen());
    Updater *updater = Updater::instance();
    QSignalSpy progress(updater, &Updater::updateDownloadProgress);
    QSignalSpy downloaded(updater, &Updater::updateDownloaded);
    QVERIFY(download());
    QCOMPARE(downloaded.count(), 1);
    QCOMPARE(updater->state(), Updater::Downloaded);
    QFile file(installerFilePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), installerBytes(300000));
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last().at(0).toInt(), 300000);

    const FakeRequest get = m_server->requests().last();
    QCOMPARE(get.method, QByteArray("GET"));
    QCOMPARE(get.path, QStringLiteral("/clients/%1").arg(InstallerName));
    QCOMPARE(get.header("core_version"), QByteArray("451"));
    QCOMPARE(get.header("If-Match"), QByteArray("3055"));
    QVERIFY(get.hadAuthorization);

    // A due tick announces the download again.
    Clock::advance(qint64(25) * 3600 * 1000);
    QTRY_COMPARE(downloaded.count(), 2);
}

// Another request answered while the download waits in the queue is not the
// download's progress.
void TstUpdater::progressIsTheDownloadsOwn()
{
    QVERIFY(reachUpdateSeen());
    Updater *updater = Updater::instance();
    QSignalSpy progress(updater, &Updater::updateDownloadProgress);
    m_server->delay(QStringLiteral("^/users/alice$"), 100, true);
    XMLRequest other(QStringLiteral("GET"), QStringLiteral("/users/alice"), true);
    ServerHttpConnection::instance()->addRequest(&other);
    QVERIFY(download());
    QCOMPARE(updater->state(), Updater::Downloaded);
    QVERIFY(!progress.isEmpty());
    for (const QList<QVariant> &step : std::as_const(progress))
        QCOMPARE(step.at(1).toInt(), 300000);
}

void TstUpdater::downloadFailures_data()
{
    QTest::addColumn<int>("fault"); // 1 version gone (412), 2 answered 500, 3 shorter, 4 longer, 5 connection closed,
                                    // 6 answered 401
    QTest::addColumn<QString>("message");
    QTest::newRow("412") << 1 << "^update previously seen on server has gone$";
    QTest::newRow("500") << 2 << "^unexpected response from server:  500$";
    QTest::newRow("shorter than announced") << 3 << "^Updater: download length 1000 differs from the announced 300000$";
    QTest::newRow("longer than announced") << 4 << QString();
    QTest::newRow("connection closed") << 5 << QString();
    QTest::newRow("401") << 6 << "^unexpected auth fail from server when HEAD was ok$";
}

// Whatever goes wrong, no installer is left where install() would start it.
void TstUpdater::downloadFailures()
{
    QFETCH(int, fault);
    QFETCH(QString, message);
    QVERIFY(reachUpdateSeen());
    Updater *updater = Updater::instance();
    switch (fault) {
    case 1: m_server->setInstaller(QString::fromLatin1(InstallerName), installerBytes(300000), 3056); break;
    case 2: m_server->respondOnce("GET", QStringLiteral("^/clients/"), 500); break;
    case 3: m_server->setInstaller(QString::fromLatin1(InstallerName), installerBytes(1000), 3055); break;
    case 4: m_server->setInstaller(QString::fromLatin1(InstallerName), installerBytes(400000), 3055); break;
    case 5: m_server->closeConnectionOn(QStringLiteral("^/clients/"), false); break;
    case 6: m_server->respondOnce("GET", QStringLiteral("^/clients/"), 401); break;
    }
    if (!message.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(message));
    QSignalSpy failed(updater, &Updater::updateDownloadFailed);
    QVERIFY(download());
    QCOMPARE(failed.count(), 1);
    QCOMPARE(updater->state(), Updater::UpToDate);
    QVERIFY(!QFile::exists(installerFilePath()));
    QCOMPARE(QDir(userDataDir()).entryList(QStringList{QStringLiteral("installer*")}, QDir::Files), QStringList());
    QVERIFY(!updater->install());
    QVERIFY(m_launched.isEmpty());
}

// A full disk mid-download: the write error fails the download.
void TstUpdater::writeErrorFailsTheDownload()
{
    QVERIFY(reachUpdateSeen());
    Updater *updater = Updater::instance();
    QSignalSpy failed(updater, &Updater::updateDownloadFailed);

    struct rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 100000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    updater->startDownload();
    const bool ended = QTest::qWaitFor([&] { return failed.count() > 0 || updater->state() != Updater::Downloading; },
                                       10000);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(ended);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(updater->state(), Updater::UpToDate);
    QVERIFY(!QFile::exists(installerFilePath()));
    QCOMPARE(QDir(userDataDir()).entryList(QStringList{QStringLiteral("installer*")}, QDir::Files), QStringList());
}

void TstUpdater::downloadNotStarted_data()
{
    QTest::addColumn<QString>("why");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("failures");
    QTest::newRow("no server") << "no server" << "^Updater::startDownload with no server$" << int(Updater::UpdateSeen)
                               << 0;
    QTest::newRow("request in flight") << "in flight" << "^Updater: request already active$"
                                       << int(Updater::Downloading) << 0;
    // Nowhere to write the installer: the download has failed, and says so.
    QTest::newRow("file cannot be opened") << "unwritable" << "^failed to open \".*installer\\.exe\"$"
                                           << int(Updater::UpToDate) << 1;
}

// A download that cannot start sends nothing; only a download that could
// never succeed reports its failure.
void TstUpdater::downloadNotStarted()
{
    QFETCH(QString, why);
    QFETCH(QString, message);
    QFETCH(int, state);
    QFETCH(int, failures);
    QVERIFY(reachUpdateSeen());
    Updater *updater = Updater::instance();
    const int requestsBefore = m_server->requests().size();
    // A failed check must not leave the directory in the next test's way.
    const auto removeDirectory = qScopeGuard([] { QDir().rmdir(installerFilePath()); });
    if (why == QLatin1String("no server")) {
        ServerSettings::instance()->setSettings(QString(), QStringLiteral("alice"), QStringLiteral("secret"));
    } else if (why == QLatin1String("in flight")) {
        m_server->stall(QStringLiteral("^/clients/"), true);
        updater->startDownload();
        QTRY_COMPARE(m_server->requests().size(), requestsBefore + 1);
    } else {
        QVERIFY(QDir().mkpath(installerFilePath()));
    }
    QSignalSpy failed(updater, &Updater::updateDownloadFailed);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(message));
    updater->startDownload();
    QCOMPARE(int(updater->state()), state);
    QTest::qWait(30);
    QCOMPARE(failed.count(), failures);
    QCOMPARE(m_server->requests().size(), requestsBefore + (why == QLatin1String("in flight") ? 1 : 0));
    if (why == QLatin1String("in flight"))
        updater->cancelDownload();
}

void TstUpdater::installFromWrongState()
{
    Updater *updater = createUpdater(false);
    QTest::ignoreMessage(QtWarningMsg, "Updater::install when have no download");
    QVERIFY(!updater->install());
    QVERIFY(m_launched.isEmpty());
    QCOMPARE(updater->state(), Updater::UpToDate);
}

void TstUpdater::installLaunches()
{
    QVERIFY(reachUpdateSeen());
    QVERIFY(download());
    Updater *updater = Updater::instance();
    QSignalSpy installFailed(updater, &Updater::installFailed);
    QVERIFY(updater->install());
    QCOMPARE(m_launched, QStringList{installerFilePath()});
    QCOMPARE(installFailed.count(), 0);
    QCOMPARE(updater->state(), Updater::Downloaded);
}

// After a failed launch the updater still checks.
void TstUpdater::installFailedChecksAgain()
{
    QVERIFY(reachUpdateSeen());
    QVERIFY(download());
    Updater *updater = Updater::instance();
    m_launchResult = false;
    QSignalSpy installFailed(updater, &Updater::installFailed);
    QTest::ignoreMessage(QtWarningMsg, "couldn't launch installer");
    QVERIFY(!updater->install());
    QCOMPARE(m_launched, QStringList{installerFilePath()});
    QCOMPARE(installFailed.count(), 1);
    QCOMPARE(updater->state(), Updater::InstallFailed);
    m_server->clearRequests();
    CheckReceiver receiver;
    updater->checkNow(&receiver, SLOT(onCheckNowFinished(bool)));
    QTRY_COMPARE(receiver.answers, QList<bool>{true});
    QCOMPARE(requestLines(*m_server), QStringList{QStringLiteral("HEAD /clients/%1").arg(InstallerName)});
    QCOMPARE(updater->state(), Updater::UpdateSeen);
}

void TstUpdater::checkNowWhileDownloadingAnswers()
{
    QVERIFY(reachUpdateSeen());
    Updater *updater = Updater::instance();
    m_server->stall(QStringLiteral("^/clients/"), true);
    updater->startDownload();
    QCOMPARE(updater->state(), Updater::Downloading);
    CheckReceiver receiver;
    updater->checkNow(&receiver, SLOT(onCheckNowFinished(bool)));
    QCOMPARE(receiver.answers, QList<bool>{false});
    updater->cancelDownload();
}

void TstUpdater::cancelDownload()
{
    QVERIFY(reachUpdateSeen());
    Updater *updater = Updater::instance();

    // Nothing to cancel.
    updater->cancelDownload();
    QCOMPARE(updater->state(), Updater::UpdateSeen);

    // Under way: the request goes, the partial file too.
    m_server->stall(QStringLiteral("^/clients/"), true);
    updater->startDownload();
    QTRY_COMPARE(m_server->requests().size(), 2);
    QSignalSpy failed(updater, &Updater::updateDownloadFailed);
    updater->cancelDownload();
    QCOMPARE(updater->state(), Updater::UpdateSeen);
    QCOMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    QTest::qWait(30);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(QDir(userDataDir()).entryList(QStringList{QStringLiteral("installer*")}, QDir::Files), QStringList());

    // Downloaded: the file goes.
    QVERIFY(download());
    QCOMPARE(updater->state(), Updater::Downloaded);
    QVERIFY(QFile::exists(installerFilePath()));
    updater->cancelDownload();
    QCOMPARE(updater->state(), Updater::UpdateSeen);
    QVERIFY(!QFile::exists(installerFilePath()));
}

void TstUpdater::leftOverInstallerIsRemoved()
{
    QFile leftOver(installerFilePath());
    QVERIFY(leftOver.open(QIODevice::WriteOnly));
    leftOver.write("old");
    leftOver.close();
    createUpdater(false);
    QVERIFY(!QFile::exists(installerFilePath()));
}

// Certificates are verified for the updater too: an installer is never
// fetched from a server whose certificate nobody accepted.
void TstUpdater::untrustedCertificateIsNotAccepted()
{
    ServerHttpConnection::instance()->setSslConfiguration(QSslConfiguration::defaultConfiguration());
    FakeServer tls(FakeServer::Tls);
    QVERIFY(tls.start());
    tls.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    tls.setInstaller(QString::fromLatin1(InstallerName), installerBytes(1000), 3055);
    ServerSettings::instance()->setSettings(tls.url(), QStringLiteral("alice"), QStringLiteral("secret"));
    Updater *updater = createUpdater(false);
    CheckReceiver receiver;
    updater->checkNow(&receiver, SLOT(onCheckNowFinished(bool)));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.answers, QList<bool>{false}, 10000);
    QCOMPARE(updater->state(), Updater::CheckFailed);
    QVERIFY(tls.requests().isEmpty());
}

// Over plain http anyone on the way could swap the installer: the update is
// still seen, but nothing is downloaded.
void TstUpdater::plainHttpDownloadsNothing()
{
    std::unique_ptr<FakeServer> plain = startFakeServer();
    QVERIFY(plain);
    plain->setInstaller(QString::fromLatin1(InstallerName), installerBytes(1000), 3055);
    QVERIFY(reachUpdateSeen());
    Updater *updater = Updater::instance();
    QVERIFY(!updater->canDownload());
    QSignalSpy failed(updater, &Updater::updateDownloadFailed);
    QTest::ignoreMessage(QtWarningMsg, "Updater: no download over an insecure connection");
    updater->startDownload();
    QCOMPARE(updater->state(), Updater::UpdateSeen);
    QTest::qWait(30);
    QCOMPARE(requestLines(*plain), QStringList{QStringLiteral("HEAD /clients/%1").arg(InstallerName)});
    QCOMPARE(failed.count(), 0);
    QVERIFY(!QFile::exists(installerFilePath()));
    QVERIFY(m_server->requests().isEmpty());
}

// A download finished over https is not started once the server URL has
// turned to plain http.
void TstUpdater::installNeedsTheSecureConnection()
{
    QVERIFY(reachUpdateSeen());
    QVERIFY(Updater::instance()->canDownload());
    QVERIFY(download());
    Updater *updater = Updater::instance();
    QCOMPARE(updater->state(), Updater::Downloaded);
    QUrl plain(m_server->url());
    plain.setScheme(QStringLiteral("http"));
    ServerSettings::instance()->setSettings(plain.toString(), QStringLiteral("alice"), QStringLiteral("secret"));
    QTest::ignoreMessage(QtWarningMsg, "Updater: no install over an insecure connection");
    QVERIFY(!updater->install());
    QVERIFY(m_launched.isEmpty());
}

PLUMDECK_TEST_MAIN(TstUpdater)
#include "tst_updater.moc"
