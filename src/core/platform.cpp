#include "core/platform.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QProcess>

namespace {
QLibrary *g_crashLogger = nullptr;
}

bool runElevated(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        qWarning() << "runElevated: no such file" << path;
        return false;
    }
    qDebug() << "runElevated" << path;
    QFile file(path);
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return QProcess::startDetached(info.absoluteFilePath(), QStringList());
}

void addNativeFrameStyles(QWidget *)
{
    // Nothing to add here: X11 and Wayland window managers already offer the
    // taskbar menu, minimise and maximise for a frameless window. Adding the
    // toolkit's minimise/maximise hints would make it drop the frameless hint
    // and draw a system frame around ours.
}

void loadCrashLogger()
{
#ifdef Q_OS_WIN
    if (g_crashLogger)
        return;
    auto *library = new QLibrary(QStringLiteral("bblogger"));
    if (!library->load()) {
        qWarning("failed to load bblogger.dll %s", qPrintable(library->errorString()));
        delete library;
        return;
    }
    g_crashLogger = library;
#else
    // The crash logger exists for Windows only: nothing to look for here.
#endif
}

bool isCrashLoggerLoaded()
{
    return g_crashLogger != nullptr;
}
