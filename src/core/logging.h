#ifndef LOGGING_H
#define LOGGING_H

#include <QString>
#include <QtGlobal>

// Every diagnostic goes through Qt's message streams; after initLogging they
// land in the per-user log file, one line each, and a fatal message ends the
// process.

// switchLoggingToFile(logFilePath()).
void initLogging();
// Empties the file and installs the handler; on failure warns and leaves the
// default output in place.
void switchLoggingToFile(const QString &path);
// The message handler. Thread-safe: Qt's own threads log too.
void logMessageToFile(QtMsgType type, const QMessageLogContext &context, const QString &text);
[[noreturn]] void fatalExit();

// A named switch for extra diagnostics. No diagnostic depends on one in this
// program: switching one on only says so.
class LogModule
{
public:
    // The registry's module of that name, created (inactive) when missing.
    static LogModule *get(const QString &name);

    QString name() const { return m_name; }
    bool isActive() const { return m_active; }
    void setActive(bool active);

private:
    explicit LogModule(const QString &name) : m_name(name) {}

    QString m_name;
    bool m_active = false;
};

// Switches on the modules named by -log.
void enableLogModules();

namespace LogModules {
extern LogModule *const avatar;
extern LogModule *const minutetimer;
extern LogModule *const event;
extern LogModule *const http;
extern LogModule *const sslerrors;
extern LogModule *const outlook;
} // namespace LogModules

#endif
