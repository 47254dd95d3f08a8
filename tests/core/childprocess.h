#ifndef CHILDPROCESS_H
#define CHILDPROCESS_H

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// Runs the core tests' helper program and collects what it did.
struct ChildResult
{
    bool finished = false;
    QProcess::ExitStatus exitStatus = QProcess::NormalExit;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline ChildResult runCoreChild(const QStringList &arguments,
                                const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
                                int timeoutMs = 20000)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PLUMDECK_CORECHILD), arguments);
    ChildResult result;
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished();
    }
    result.exitStatus = process.exitStatus();
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

#endif
