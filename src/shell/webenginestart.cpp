#include "shell/webenginestart.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

bool runsAsRoot()
{
#ifdef Q_OS_UNIX
    return geteuid() == 0;
#else
    return false;
#endif
}

bool sandboxOff()
{
    return qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")
        || qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").split(QLatin1Char(' ')).contains(QLatin1String("--no-sandbox"));
}

// Where the engine looks for its helper program, in its own order.
bool helperInstalled()
{
    const QString named = qEnvironmentVariable("QTWEBENGINE_PROCESS_PATH");
    if (!named.isEmpty())
        return QFileInfo(named).isExecutable();
    const QString name = QStringLiteral("/QtWebEngineProcess");
    QStringList candidates{QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + name};
    if (QCoreApplication::instance())
        candidates << QCoreApplication::applicationDirPath() + name;
    for (const QString &candidate : candidates) {
        if (QFileInfo(candidate).isExecutable())
            return true;
    }
    return false;
}

} // namespace

void WebEngineStart::allowRunningAsRoot()
{
    if (runsAsRoot() && !sandboxOff())
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

QString WebEngineStart::whyNot()
{
    if (runsAsRoot() && !sandboxOff())
        return QCoreApplication::translate("WebEngineStart", "The web viewer cannot run for the root user with its sandbox.");
    if (!helperInstalled())
        return QCoreApplication::translate("WebEngineStart", "The web viewer is not installed completely (QtWebEngineProcess is missing).");
    return QString();
}
