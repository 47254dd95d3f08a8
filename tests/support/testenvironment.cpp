#include "testenvironment.h"

#include "sync/sslerrorhandler.h"
#include "syncui/sslerrorsui.h"
#include "syncui/syncnoticeboxes.h"

#include <QDir>
#include <QStandardPaths>

#include <cstdlib>
#include <memory>

namespace {
std::unique_ptr<QTemporaryDir> g_home;
}

void TestEnvironment::isolateUserFolders()
{
    if (!g_home) {
        g_home = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/plumdeck-test-XXXXXX"));
        if (!g_home->isValid())
            qFatal("cannot create a temporary home for the test");
    }
    const QByteArray home = QFile::encodeName(g_home->path());
    qputenv("HOME", home);
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_CACHE_HOME", home + "/.cache");
    qputenv("XDG_RUNTIME_DIR", home + "/runtime");
    QDir().mkpath(g_home->path() + QStringLiteral("/runtime"));
    QFile::setPermissions(g_home->path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
}

void TestEnvironment::setProgramNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowgate"));
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
}

void TestEnvironment::answerAsTheProgram()
{
    static SyncNoticeBoxes boxes;
    SyncNotices::setTeller(&boxes);
    SslErrorHandler::setMaker([](QWidget *window) -> SslErrorHandler * { return new SslErrorsUI(window); });
}

QString TestEnvironment::homePath()
{
    return g_home ? g_home->path() : QString();
}
