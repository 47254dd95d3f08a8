#include "core/platform.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QProcess>
#include <QWidget>

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

void addNativeFrameStyles(QWidget *widget)
{
    if (!widget)
        return;
    // A frameless window keeps its taskbar entry, system menu and minimise
    // and maximise actions through these hints; the window manager does the
    // rest.
    const Qt::WindowFlags wanted = widget->windowFlags() | Qt::WindowSystemMenuHint
                                   | Qt::WindowMinimizeButtonHint
                                   | Qt::WindowMaximizeButtonHint;
    if (wanted == widget->windowFlags())
        return;
    const bool wasVisible = widget->isVisible();
    widget->setWindowFlags(wanted);
    if (wasVisible)
        widget->show();
}

void loadCrashLogger()
{
    if (g_crashLogger)
        return;
    auto *library = new QLibrary(QStringLiteral("bblogger"));
    if (!library->load()) {
        qWarning("failed to load bblogger.dll %s", qPrintable(library->errorString()));
        delete library;
        return;
    }
    g_crashLogger = library;
}

bool isCrashLoggerLoaded()
{
    return g_crashLogger != nullptr;
}
