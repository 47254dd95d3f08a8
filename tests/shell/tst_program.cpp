// The program itself, started as users start it.

#include "contacts/friendsreaderwriter.h"
#include "contacts/user.h"
#include "testenvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/stat.h>

class TstProgram : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_tmp; // the single-instance marker lives here, away from other runs
    QString m_log;
    QString m_config;

    void start(QProcess &process, const QStringList &arguments,
               const QString &program = QStringLiteral(PLUMDECK_PROGRAM))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), m_tmp.path());
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        QVERIFY(process.waitForStarted());
    }

    QString dataFile(const QString &name) const { return QFileInfo(m_log).dir().filePath(name); }

    void runUntilWindowClosed()
    {
        QProcess program;
        start(program, {}, QStringLiteral(PLUMDECK_PROGRAMCHILD));
        QVERIFY2(program.waitForFinished(60000), "the program did not end when its window closed");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
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
        file.close();
        m_config = config;
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

    // Closing the window saves the contacts with the other documents: the
    // file is written again, keeping the contacts it held.
    void friendsSavedAtQuit()
    {
        const QString friends = dataFile(QStringLiteral("friends.xhtml"));
        QVERIFY(QDir().mkpath(QFileInfo(friends).path()));
        {
            QFile file(friends);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(FriendsReaderWriter().writeLocalUserDataToDevice({User::get(QStringLiteral("bob"))}, &file));
            file.close();
            QVERIFY(file.open(QIODevice::Append));
            QVERIFY(file.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime));
        }
        runUntilWindowClosed();

        QFile file(friends);
        QVERIFY2(QFileInfo(friends).lastModified().date().year() > 2001, "friends.xhtml was not saved");
        QList<User *> users;
        FriendsReaderWriter reader;
        QVERIFY2(reader.readLocalUserDataFromDevice(&file, users), qPrintable(reader.errorString()));
        QCOMPARE(users, QList<User *>{User::get(QStringLiteral("bob"))});
    }

    void pagesSavedAtQuit_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("content");
        QTest::newRow("lists") << "lists.xhtml" << "class=\"pd-list\"";
        QTest::newRow("list groups") << "listsGroups.xhtml" << "</html>";
        QTest::newRow("notepad") << "notepad.xhtml" << "</html>";
    }

    // A first start makes the pages' first documents; closing the window at
    // once still writes them, whole.
    void pagesSavedAtQuit()
    {
        QFETCH(QString, name);
        QFETCH(QString, content);
        QVERIFY(QDir(QFileInfo(m_log).path()).removeRecursively());
        runUntilWindowClosed();

        QFile file(dataFile(name));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name + QStringLiteral(" was not saved")));
        QVERIFY2(file.readAll().contains(content.toUtf8()), qPrintable(name));
    }

    // The settings hold the password: a run leaves their file readable by
    // its owner alone, whatever it was before.
    void settingsPrivateAfterARun_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("readable by all") << 0644;
        QTest::newRow("writable by the group") << 0664;
    }
    void settingsPrivateAfterARun()
    {
        QFETCH(int, mode);
        QVERIFY(::chmod(QFile::encodeName(m_config).constData(), mode_t(mode)) == 0);
        runUntilWindowClosed();
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(m_config).constData(), &st), 0);
        QCOMPARE(QString::number(st.st_mode & 07777, 8), QStringLiteral("600"));
        QSettings settings(m_config, QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("net/server-url")).toString(), QStringLiteral("http://127.0.0.1:9/plumdeck"));
    }
};

PLUMDECK_TEST_MAIN(TstProgram)
#include "tst_program.moc"
