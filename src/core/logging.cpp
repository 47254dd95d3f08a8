#include "core/logging.h"

#include "core/options.h"
#include "core/paths.h"

#include <QDebug>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <cstdlib>

namespace {

QMutex &logMutex()
{
    static QMutex mutex;
    return mutex;
}

// Never destroyed: messages may still come from other static destructors.
QFile *&logFile()
{
    static QFile *file = nullptr;
    return file;
}

const char *prefixFor(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "DEBUG: ";
    case QtInfoMsg:
        return "INFO: ";
    case QtWarningMsg:
        return "WARNING: ";
    case QtCriticalMsg:
        return "CRITICAL: ";
    case QtFatalMsg:
        return "FATAL: ";
    }
    return "";
}

QHash<QString, LogModule *> &moduleRegistry()
{
    static QHash<QString, LogModule *> modules;
    return modules;
}

} // namespace

void initLogging()
{
    switchLoggingToFile(logFilePath());
}

void switchLoggingToFile(const QString &path)
{
    auto *next = new QFile(path);
    // Write-only empties the previous run's log.
    if (!next->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        delete next;
        // Messages keep going where they went so far, this one included.
        qWarning("cannot write to log file");
        return;
    }
    {
        QMutexLocker lock(&logMutex());
        delete logFile();
        logFile() = next;
    }
    qDebug() << "switching logging to file" << path;
    qInstallMessageHandler(logMessageToFile);
}

void logMessageToFile(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    {
        // Qt's own threads (the network stack's among them) log too.
        QMutexLocker lock(&logMutex());
        if (QFile *file = logFile()) {
            QByteArray line(prefixFor(type));
            line += text.toUtf8();
            line += '\n';
            file->write(line);
            file->flush();
        }
    }
    if (type == QtFatalMsg)
        fatalExit();
}

void fatalExit()
{
    // A loaded crash logger records the failure from the abort signal.
    std::abort();
}

LogModule *LogModule::get(const QString &name)
{
    static QMutex mutex;
    QMutexLocker lock(&mutex);
    LogModule *&module = moduleRegistry()[name];
    if (!module)
        module = new LogModule(name);
    return module;
}

void LogModule::setActive(bool active)
{
    m_active = active;
    if (active)
        qWarning("log modules disabled, setActive does nothing");
}

void enableLogModules()
{
    const QStringList names = Options::log.value();
    for (const QString &name : names)
        LogModule::get(name)->setActive(true);
}

namespace LogModules {
LogModule *const avatar = LogModule::get(QStringLiteral("avatar"));
LogModule *const minutetimer = LogModule::get(QStringLiteral("minutetimer"));
LogModule *const event = LogModule::get(QStringLiteral("event"));
LogModule *const http = LogModule::get(QStringLiteral("http"));
LogModule *const sslerrors = LogModule::get(QStringLiteral("sslerrors"));
LogModule *const outlook = LogModule::get(QStringLiteral("outlook"));
} // namespace LogModules
