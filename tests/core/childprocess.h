#ifndef CHILDPROCESS_H
#define CHILDPROCESS_H

// Shared by the core tests and their child program (corechild.cpp).

#include "core/options.h"
#include "core/version.h"

#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// Every option's value, what followed -test and the version, by name.
inline QMap<QString, QString> optionValues()
{
    QMap<QString, QString> values;
    const auto &options = Options::registeredOptions();
    for (auto it = options.cbegin(); it != options.cend(); ++it) {
        QString &v = values[it.key()];
        if (auto *b = dynamic_cast<const Options::BoolOption *>(it.value()))
            v = b->value() ? QStringLiteral("true") : QStringLiteral("false");
        else if (auto *i = dynamic_cast<const Options::IntOption *>(it.value()))
            v = QString::number(i->value());
        else if (auto *s = dynamic_cast<const Options::StringOption *>(it.value()))
            v = s->value().isNull() ? QStringLiteral("<null>") : s->value();
        else if (auto *l = dynamic_cast<const Options::StringListOption *>(it.value()))
            v = l->value().join(QLatin1Char('|'));
    }
    values[QStringLiteral("testargs")] = Options::testArguments().join(QLatin1Char('|'));
    values[QStringLiteral("version")] = versionString();
    return values;
}

#ifdef PLUMDECK_CORECHILD
struct ChildResult
{
    bool finished = false;
    QProcess::ExitStatus exitStatus = QProcess::NormalExit;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    // Ended by a fatal message or an error status.
    bool failed() const { return exitStatus == QProcess::CrashExit || exitCode != 0; }
};

inline ChildResult runCoreChild(const QStringList &arguments,
                                const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PLUMDECK_CORECHILD), arguments);
    ChildResult result;
    result.finished = process.waitForFinished(20000);
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

#endif
