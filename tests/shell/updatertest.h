#ifndef UPDATERTEST_H
#define UPDATERTEST_H

// The updater over the fake server's TLS (installers come only over https),
// brought to each of its states the way the program gets there.

#include "core/serversettings.h"
#include "fakeserver.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/updater.h"

#include <QSettings>
#include <QSslConfiguration>
#include <QTest>

namespace UpdaterTest {

inline const char *installerName()
{
    return "plumdeck-test-x86_64";
}

inline QStringList &launched()
{
    static QStringList paths;
    return paths;
}

inline bool &launchSucceeds()
{
    static bool value = false;
    return value;
}

// The platform tag of the fake installer; launches are recorded, not run.
inline void prepare()
{
    Updater::setPlatformTag(QStringLiteral("test-x86_64"));
    Updater::setLauncher([](const QString &path) {
        launched() << path;
        return launchSucceeds();
    });
}

// The server answers over TLS with a certificate the connection trusts, and
// the settings point at it.
inline void useServer(FakeServer &server)
{
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.addCaCertificate(FakeServer::testCertificate());
    ServerHttpConnection::instance()->setSslConfiguration(trusting);
    server.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    server.setInstaller(QLatin1String(installerName()), QByteArray(300000, 'x'), 3055);
    ServerSettings::instance()->setSettings(server.url(), QStringLiteral("alice"), QStringLiteral("secret"));
}

// Creates the updater and brings it to `state` against `server` (prepared
// with useServer). False when the state was not reached.
inline bool bringTo(Updater::State state, FakeServer &server)
{
    if (state == Updater::AuthFailed)
        ServerSettings::instance()->setCredentials(QStringLiteral("alice"), QStringLiteral("wrong"));
    if (state == Updater::CheckFailed)
        server.stop();
    if (state == Updater::UpToDate)
        server.setInstaller(QLatin1String(installerName()), QByteArray(10, 'x'), 3000);
    // Enabled: the updater checks as soon as it is built.
    QSettings().setValue(QStringLiteral("updater/enabled"), true);
    QSettings().remove(QStringLiteral("updater/next-check-time"));
    Updater *updater = Updater::create();
    const Updater::State checked = state >= Updater::UpdateSeen ? Updater::UpdateSeen : state;
    if (state == Updater::UpToDate) {
        if (!QTest::qWaitFor([&] { return !server.requests().isEmpty(); }, 10000))
            return false;
        QTest::qWait(50);
    }
    if (!QTest::qWaitFor([&] { return updater->state() == checked; }, 10000))
        return false;
    if (state <= Updater::UpdateSeen)
        return true;
    if (state == Updater::Downloading)
        server.stall(QStringLiteral("^/clients/"), true);
    updater->startDownload();
    if (state == Updater::Downloading)
        return updater->state() == Updater::Downloading;
    if (!QTest::qWaitFor([&] { return updater->state() == Updater::Downloaded; }, 10000))
        return false;
    if (state == Updater::InstallFailed) {
        launchSucceeds() = false;
        updater->install();
    }
    return updater->state() == state;
}

} // namespace UpdaterTest

#endif
