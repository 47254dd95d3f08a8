// The program itself, started as users start it.

#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

class TstProgram : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_tmp; // the single-instance marker lives here, away from other runs
    QString m_log;

    void start(QProcess &process, const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), m_tmp.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(PLUMDECK_PROGRAM), arguments);
        QVERIFY(process.waitForStarted());
    }

private slots:
    void initTestCase()
    {
        // The server on loopback, where nothing answers: nothing leaves the machine.
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Marrowgate/PlumDeck.conf");
        QVERIFY(QDir().mkpath(QFileInfo(config).path()));
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[net]\nserver-url=http://127.0.0.1:9/plumdeck\n[updater]\nenabled=false\n");
        m_log = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Marrowgate/PlumDeck/plumdeck.log");
    }

    void secondInstance_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("runs");
        QTest::newRow("refused") << QStringList{} << false;
        QTest::newRow("-multiple") << QStringList{"-multiple"} << true;
    }

    // A second start hands over to the first and ends, leaving the first
    // one's log alone.
    void secondInstance()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, runs);
        QFile::remove(m_log);
        QProcess first;
        start(first, {});
        QTRY_VERIFY_WITH_TIMEOUT(QFile(m_log).size() > 0, 20000);

        QProcess second;
        start(second, arguments);
        QCOMPARE(!second.waitForFinished(runs ? 3000 : 20000), runs);
        QCOMPARE(first.state(), QProcess::Running);
        if (!runs) {
            QCOMPARE(second.exitCode(), 0);
            QVERIFY(!second.readAllStandardError().contains("switching logging to file"));
        }
        for (QProcess *process : {&first, &second}) {
            process->kill();
            process->waitForFinished();
        }
    }
};

PLUMDECK_TEST_MAIN(TstProgram)
#include "tst_program.moc"
