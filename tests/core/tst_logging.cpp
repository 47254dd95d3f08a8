#include "core/logging.h"
#include "core/options.h"
#include "core/paths.h"
#include "childprocess.h"
#include "testenvironment.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

namespace {

QStringList fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TstLogging : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_testHandler = qInstallMessageHandler(nullptr);
        qInstallMessageHandler(m_testHandler);
    }

    void cleanup()
    {
        qInstallMessageHandler(m_testHandler);
        Options::resetAll();
    }

    void lineFormat_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("line");
        QTest::newRow("debug") << int(QtDebugMsg) << "DEBUG: debug \"quoted\" 42";
        QTest::newRow("info") << int(QtInfoMsg) << "INFO: info \"quoted\" 42";
        QTest::newRow("warning") << int(QtWarningMsg) << "WARNING: warning \"quoted\" 42";
        QTest::newRow("critical") << int(QtCriticalMsg) << "CRITICAL: critical \"quoted\" 42";
    }

    void lineFormat()
    {
        QFETCH(int, type);
        QFETCH(QString, line);
        const QString path = m_dir.filePath(QStringLiteral("format.log"));
        switchLoggingToFile(path);
        switch (type) {
        case QtDebugMsg: qDebug() << "debug" << QStringLiteral("quoted") << 42; break;
        case QtInfoMsg: qInfo() << "info" << QStringLiteral("quoted") << 42; break;
        case QtWarningMsg: qWarning() << "warning" << QStringLiteral("quoted") << 42; break;
        default: qCritical() << "critical" << QStringLiteral("quoted") << 42; break;
        }
        qWarning("%s", "100% literal");
        // Flushed line by line: readable while the file is open.
        QCOMPARE(fileLines(path), QStringList({line, "WARNING: 100% literal"}));
    }

    void emptiedAtStart()
    {
        const QString path = m_dir.filePath(QStringLiteral("previous.log"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("WARNING: from the previous run\n");
        }
        // Said where messages went so far, before the switch.
        QTest::ignoreMessage(QtDebugMsg,
                             qPrintable(QStringLiteral("switching logging to file \"%1\"").arg(path)));
        switchLoggingToFile(path);
        qWarning("this run");
        QCOMPARE(fileLines(path), QStringList({"WARNING: this run"}));
    }

    void initLoggingUsesDataDirectory()
    {
        initLogging();
        qDebug("in the data directory");
        QCOMPARE(fileLines(logFilePath()), QStringList({"DEBUG: in the data directory"}));
    }

    void messagesFromOtherThreads()
    {
        const QString path = m_dir.filePath(QStringLiteral("threads.log"));
        switchLoggingToFile(path);
        const int threads = 4;
        const int perThread = 400;
        QList<QThread *> workers;
        for (int t = 0; t < threads; ++t) {
            workers << QThread::create([t] {
                for (int i = 0; i < perThread; ++i) {
                    if (i % 2)
                        qWarning("thread %d message %d with some padding text", t, i);
                    else
                        qDebug("thread %d message %d with some padding text", t, i);
                }
            });
        }
        for (QThread *w : workers)
            w->start();
        for (int i = 0; i < perThread; ++i)
            qDebug("main message %d", i);
        for (QThread *w : workers) {
            QVERIFY(w->wait(20000));
            delete w;
        }
        const QStringList lines = fileLines(path);
        QCOMPARE(lines.size(), threads * perThread + perThread);
        static const QRegularExpression whole(
            QStringLiteral("^(DEBUG|WARNING): (thread \\d message \\d+ with some padding text|main message \\d+)$"));
        for (const QString &l : lines)
            QVERIFY2(whole.match(l).hasMatch(), qPrintable(l));
    }

    void unwritableLogFile()
    {
        // A directory in the way: the warning, and diagnostics keep going to
        // the previous handler.
        const QString path = m_dir.filePath(QStringLiteral("a-directory"));
        QVERIFY(QDir().mkpath(path));
        QTest::ignoreMessage(QtWarningMsg, "cannot write to log file");
        switchLoggingToFile(path);
        QTest::ignoreMessage(QtWarningMsg, "still reaches the test");
        qWarning("still reaches the test");
    }

    void unwritableLogFileKeepsCurrentLog()
    {
        const QString path = m_dir.filePath(QStringLiteral("current.log"));
        switchLoggingToFile(path);
        const QString blocked = m_dir.filePath(QStringLiteral("another-directory"));
        QVERIFY(QDir().mkpath(blocked));
        switchLoggingToFile(blocked);
        qWarning("still logged");
        const QStringList lines = fileLines(path);
        QCOMPARE(lines, QStringList({"WARNING: cannot write to log file", "WARNING: still logged"}));
    }

    void fatalIsWrittenThenEnds()
    {
        const QString path = m_dir.filePath(QStringLiteral("fatal.log"));
        const ChildResult r = runCoreChild({"logfatal", path});
        QVERIFY(r.finished);
        QCOMPARE(r.exitStatus, QProcess::CrashExit);
        const QStringList lines = fileLines(path);
        QCOMPARE(lines, QStringList({"WARNING: before the end", "FATAL: fatal 100% done"}));
    }

    void logModules_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("two declared") << "avatar,event" << QStringList{"avatar", "event"};
        QTest::newRow("undeclared") << "nosuchmodule" << QStringList{"nosuchmodule"};
        QTest::newRow("none") << QString() << QStringList();
    }

    void logModules()
    {
        QFETCH(QString, value);
        QFETCH(QStringList, names);
        QStringList args{QStringLiteral("Plumdeck")};
        if (!value.isEmpty())
            args << QStringLiteral("-log") << value;
        Options::parse(args);
        const QString path = m_dir.filePath(QStringLiteral("modules.log"));
        switchLoggingToFile(path);
        enableLogModules();
        QStringList expected;
        for (int i = 0; i < names.size(); ++i)
            expected << QStringLiteral("WARNING: log modules disabled, setActive does nothing");
        QCOMPARE(fileLines(path), expected);
        for (const QString &name : names) {
            QVERIFY(LogModule::get(name)->isActive());
            LogModule::get(name)->setActive(false);
        }
    }

    void declaredModules()
    {
        const QList<QPair<LogModule *, QString>> declared = {
            {LogModules::avatar, "avatar"}, {LogModules::minutetimer, "minutetimer"},
            {LogModules::event, "event"},   {LogModules::http, "http"},
            {LogModules::sslerrors, "sslerrors"}, {LogModules::outlook, "outlook"},
        };
        for (const auto &d : declared) {
            QCOMPARE(d.first->name(), d.second);
            QCOMPARE(LogModule::get(d.second), d.first);
        }
        LogModule *fresh = LogModule::get(QStringLiteral("fresh"));
        QVERIFY(!fresh->isActive());
        QCOMPARE(LogModule::get(QStringLiteral("fresh")), fresh);
    }

private:
    QtMessageHandler m_testHandler = nullptr;
    QTemporaryDir m_dir;
};

PLUMDECK_TEST_MAIN(TstLogging)
#include "tst_logging.moc"
