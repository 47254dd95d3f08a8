#include "core/logging.h"
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

    // One flushed line per message, readable while the file is open; user
    // text is never a format.
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
        const char *name = QTest::currentDataTag();
        switch (type) {
        case QtDebugMsg: qDebug() << name << QStringLiteral("quoted") << 42; break;
        case QtInfoMsg: qInfo() << name << QStringLiteral("quoted") << 42; break;
        case QtWarningMsg: qWarning() << name << QStringLiteral("quoted") << 42; break;
        default: qCritical() << name << QStringLiteral("quoted") << 42; break;
        }
        qWarning("%s", "100% literal");
        QCOMPARE(fileLines(path), QStringList({line, "WARNING: 100% literal"}));
    }

    void emptiedAtStart()
    {
        const QString path = logFilePath();
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("WARNING: from the previous run\n") > 0);
        old.close();
        // Said where messages went so far, before the switch.
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("switching logging to file \"%1\"").arg(path)));
        initLogging();
        qWarning("this run");
        QCOMPARE(fileLines(path), QStringList({"WARNING: this run"}));
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
            workers.last()->start();
        }
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

    void unwritableLogFileKeepsCurrentLog_data()
    {
        QTest::addColumn<bool>("logging");
        QTest::newRow("not logging yet") << false;
        QTest::newRow("logging to a file") << true;
    }

    void unwritableLogFileKeepsCurrentLog()
    {
        // A directory in the way: the warning, and messages keep going where
        // they went.
        QFETCH(bool, logging);
        const QString path = m_dir.filePath(QStringLiteral("current.log"));
        if (logging)
            switchLoggingToFile(path);
        const QString blocked = m_dir.filePath(QStringLiteral("a-directory"));
        QVERIFY(QDir().mkpath(blocked));
        if (!logging) {
            QTest::ignoreMessage(QtWarningMsg, "cannot write to log file");
            QTest::ignoreMessage(QtWarningMsg, "still logged");
        }
        switchLoggingToFile(blocked);
        qWarning("still logged");
        if (logging)
            QCOMPARE(fileLines(path), QStringList({"WARNING: cannot write to log file", "WARNING: still logged"}));
    }

    void fatalIsWrittenThenEnds()
    {
        const QString path = m_dir.filePath(QStringLiteral("fatal.log"));
        const ChildResult r = runCoreChild({"logfatal", path});
        QVERIFY(r.finished);
        QCOMPARE(r.exitStatus, QProcess::CrashExit);
        QCOMPARE(fileLines(path), QStringList({"WARNING: before the end", "FATAL: fatal 100% done"}));
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
        QCOMPARE(LogModule::get(QStringLiteral("avatar")), LogModules::avatar);
        QVERIFY(!LogModule::get(QStringLiteral("fresh"))->isActive());
        QStringList args{QStringLiteral("Plumdeck")};
        if (!value.isEmpty())
            args << QStringLiteral("-log") << value;
        Options::parse(args);
        const QString path = m_dir.filePath(QStringLiteral("modules.log"));
        switchLoggingToFile(path);
        enableLogModules();
        QCOMPARE(fileLines(path),
                 QStringList(names.size(), QStringLiteral("WARNING: log modules disabled, setActive does nothing")));
        for (const QString &name : names) {
            QVERIFY(LogModule::get(name)->isActive());
            LogModule::get(name)->setActive(false);
        }
    }

private:
    QtMessageHandler m_testHandler = nullptr;
    QTemporaryDir m_dir;
};

PLUMDECK_TEST_MAIN(TstLogging)
#include "tst_logging.moc"
