// The program itself, started as users start it.

#include "app/application.h"
#include "contacts/friendsreaderwriter.h"
#include "contacts/user.h"
#include "testenvironment.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <signal.h>
#include <sys/stat.h>

class TstProgram : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_tmp; // the single-instance marker lives here, away from other runs
    QString m_log;
    QString m_config;

    // What a second start does.
    enum Second { HandsOver, Refused, Runs };

    void start(QProcess &process, const QStringList &arguments,
               const QString &program = QStringLiteral(PLUMDECK_PROGRAM),
               QProcessEnvironment env = QProcessEnvironment::systemEnvironment())
    {
        env.insert(QStringLiteral("TMPDIR"), m_tmp.path());
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        QVERIFY(process.waitForStarted());
    }

    // The server on loopback, where nothing answers: nothing leaves the machine.
    static void writeConfig(const QString &configHome)
    {
        const QString config = configHome + QStringLiteral("/Marrowgate/PlumDeck.conf");
        QVERIFY(QDir().mkpath(QFileInfo(config).path()));
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[net]\nserver-url=http://127.0.0.1:9/plumdeck\n[updater]\nenabled=false\n");
    }

    // Every file under `folder`: its path there, time and checksum.
    static QStringList filesUnder(const QString &folder)
    {
        QStringList files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly))
                files << QStringLiteral("%1 %2 %3").arg(
                    QDir(folder).relativeFilePath(file.fileName()),
                    QString::number(file.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch()),
                    QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5).toHex()));
        }
        files.sort();
        return files;
    }

    // Stops the process and waits until it is stopped (the signal arrives
    // later than kill() returns).
    static bool stopped(pid_t pid)
    {
        if (::kill(pid, SIGSTOP) != 0)
            return false;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            // "pid (name) state ...": the state follows the last parenthesis.
            if (stat.open(QIODevice::ReadOnly)) {
                const QByteArray line = stat.readAll();
                stat.close();
                if (line.mid(line.lastIndexOf(')') + 2, 1) == "T")
                    return true;
            }
            QTest::qSleep(10);
        }
        return false;
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
        writeConfig(qEnvironmentVariable("XDG_CONFIG_HOME"));
        m_config = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Marrowgate/PlumDeck.conf");
        m_log = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Marrowgate/PlumDeck/plumdeck.log");
    }

    void secondInstance_data()
    {
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("second");
        QTest::addColumn<bool>("ownHome");
        QTest::addColumn<int>("outcome");
        const QStringList plain;
        const QStringList multiple{"-multiple"};
        QTest::newRow("refused") << plain << plain << false << int(HandsOver);
        // On one data folder the second would save its older copies over the
        // first's files and post the lists new to both again.
        QTest::newRow("-multiple on the first's folder") << plain << multiple << false << int(Refused);
        QTest::newRow("plain start beside a -multiple one") << multiple << plain << false << int(Refused);
        QTest::newRow("-multiple beside a -multiple one") << multiple << multiple << false << int(Refused);
        QTest::newRow("-multiple in its own home") << plain << multiple << true << int(Runs);
    }

    // A second start hands over to the first and ends, leaving the first
    // one's files alone; on the first's data folder it says so, whatever
    // -multiple says; in a home of its own it runs.
    void secondInstance()
    {
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(bool, ownHome);
        QFETCH(int, outcome);
        QFile::remove(m_log);
        QProcess firstProcess;
        start(firstProcess, first);
        // Under the sanitizers on a busy machine the first start takes half a minute.
        QTRY_VERIFY_WITH_TIMEOUT(QFile(m_log).size() > 0, 60000);
        // Frozen, the first writes nothing more: whatever changes is the second's.
        const pid_t firstPid = pid_t(firstProcess.processId());
        QVERIFY(stopped(firstPid));
        const QString folder = QFileInfo(m_log).path();
        const QStringList before = filesUnder(folder);

        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (ownHome) {
            env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
            writeConfig(home.filePath(QStringLiteral("config")));
        }
        QProcess secondProcess;
        start(secondProcess, second, QStringLiteral(PLUMDECK_PROGRAMCHILD), env);
        QVERIFY2(secondProcess.waitForFinished(60000), "the second start did not end");
        const QByteArray out = secondProcess.readAllStandardOutput();
        const QByteArray err = secondProcess.readAllStandardError();
        const QStringList after = filesUnder(folder);
        QCOMPARE(::kill(firstPid, SIGCONT), 0);
        QCOMPARE(firstProcess.state(), QProcess::Running);
        firstProcess.kill();
        firstProcess.waitForFinished();

        QCOMPARE(after, before);
        QCOMPARE(secondProcess.exitStatus(), QProcess::NormalExit);
        QCOMPARE(secondProcess.exitCode(), outcome == Refused ? 1 : 0);
        QCOMPARE(err.contains("switching logging to file"), outcome == Runs);
        QCOMPARE(out.contains("message: "), outcome == Refused);
        if (outcome == Refused) {
            const QString lockFile = QDir(folder).filePath(QStringLiteral("plumdeck.lock"));
            QVERIFY2(out.contains(("message: " + dataFolderInUseText(folder, lockFile)).toUtf8()), out.constData());
            QVERIFY(err.contains("exiting because an instance is already running on"));
        }
        if (ownHome)
            QVERIFY(QFile::exists(home.filePath(QStringLiteral("data/Marrowgate/PlumDeck/lists.xhtml"))));
    }

    void lockLeftBehind_data()
    {
        QTest::addColumn<QByteArray>("lock");
        QTest::addColumn<QString>("answer"); // how the question is answered: "return" or "take over"
        QTest::addColumn<int>("outcome");
        const QByteArray otherMachine("4242\nPlumdeck\notherbox\n0123abcd\n4567-efgh\n");
        // A power cut in the first moments of a start leaves a lock naming nobody.
        QTest::newRow("empty") << QByteArray() << QString() << int(Runs);
        QTest::newRow("naming nobody") << QByteArray("\0\0\0\0", 4) << QString() << int(Runs);
        // A home copied while the program ran: asked, Return keeps out.
        QTest::newRow("another computer's, Return") << otherMachine << "return" << int(Refused);
        QTest::newRow("another computer's, taken over") << otherMachine << "take over" << int(Runs);
    }

    // A lock no running program holds: one naming nobody is taken over; one
    // written on another computer is taken over only when the user says so,
    // and otherwise nothing is written.
    void lockLeftBehind()
    {
        QFETCH(QByteArray, lock);
        QFETCH(QString, answer);
        QFETCH(int, outcome);
        QFile::remove(m_log);
        const QString folder = QFileInfo(m_log).path();
        QVERIFY(QDir().mkpath(folder));
        const QString lockFile = QDir(folder).filePath(QStringLiteral("plumdeck.lock"));
        {
            QFile file(lockFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(lock), lock.size());
        }
        const QStringList before = filesUnder(folder);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (answer == QLatin1String("take over"))
            env.insert(QStringLiteral("PLUMDECK_PROGRAMCHILD_ANSWER"), QStringLiteral("ok"));
        QProcess program;
        start(program, {}, QStringLiteral(PLUMDECK_PROGRAMCHILD), env);
        QVERIFY2(program.waitForFinished(60000), "the start did not end");
        const QByteArray out = program.readAllStandardOutput();
        const QByteArray err = program.readAllStandardError();
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), outcome == Refused ? 1 : 0);
        QVERIFY2(!out.contains("already running"), out.constData());
        QCOMPARE(out.contains("message: "), !answer.isEmpty());
        if (!answer.isEmpty()) {
            QVERIFY2(out.contains(("message: The data folder\n" + QDir::toNativeSeparators(folder)).toUtf8()),
                     out.constData());
            QVERIFY2(out.contains("on the computer \"otherbox\" since "), out.constData());
        }
        QCOMPARE(err.contains("switching logging to file"), outcome == Runs);
        if (outcome == Refused) {
            QCOMPARE(filesUnder(folder), before);
            QVERIFY(err.contains("exiting: the data folder was not taken over"));
            QVERIFY(QFile::remove(lockFile));
            return;
        }
        // The run held the folder and let it go at its end.
        QVERIFY(QFile::exists(dataFile(QStringLiteral("lists.xhtml"))));
        QVERIFY(!QFile::exists(lockFile));
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
