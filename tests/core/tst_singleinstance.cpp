#include "app/markersingleapplication.h"
#include "core/datafolderlock.h"
#include "core/singleinstancemarker.h"
#include "childprocess.h"
#include "testenvironment.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <chrono>
#include <memory>
#include <thread>
#include <signal.h>

namespace {

// A child kept running in the background.
struct Background
{
    Background(const QStringList &args, const QProcessEnvironment &env)
    {
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(PLUMDECK_CORECHILD), args);
    }
    ~Background()
    {
        if (process.state() != QProcess::NotRunning) {
            ::kill(pid_t(process.processId()), SIGCONT);
            process.kill();
            process.waitForFinished(5000);
        }
    }
    // An empty `line` waits for any line.
    bool waitForLine(const QByteArray &line)
    {
        QElapsedTimer t;
        t.start();
        while (!output.contains(line + '\n') && t.elapsed() < 10000) {
            process.waitForReadyRead(50);
            output += process.readAllStandardOutput();
        }
        return output.contains(line + '\n');
    }
    QProcess process;
    QByteArray output;
};

} // namespace

class TstSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void init() { ++m_n; }

    void secondMarkerWakesFirst()
    {
        SingleInstanceMarker first(name());
        QVERIFY(!first.isAnotherInstanceRunning());
        QVERIFY(!first.isAnotherInstanceRunning()); // asking again changes nothing
        QVERIFY(first.isListening());
        QSignalSpy spy(&first, &SingleInstanceMarker::bringForwardRequested);
        SingleInstanceMarker second(name());
        QVERIFY(second.isAnotherInstanceRunning());
        QVERIFY(!second.isListening());
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.count(), 1);
    }

    void messages_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("requests");
        QTest::newRow("bring forward, then more") << QByteArray("\xb6\x1e\x55\x01more", 8) << 1;
        QTest::newRow("other identifier") << QByteArray("\x01\x02\x03\x04", 4) << 0;
        QTest::newRow("little-endian") << QByteArray("\x01\x55\x1e\xb6", 4) << 0;
        QTest::newRow("too short") << QByteArray("\xb6\x1e\x55", 3) << 0;
        QTest::newRow("nothing") << QByteArray() << 0;
    }

    void messages()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, requests);
        SingleInstanceMarker first(name());
        QVERIFY(!first.isAnotherInstanceRunning());
        QSignalSpy spy(&first, &SingleInstanceMarker::bringForwardRequested);
        QLocalSocket socket;
        socket.connectToServer(name());
        QVERIFY(socket.waitForConnected(2000));
        socket.write(bytes);
        QVERIFY(socket.waitForBytesWritten(2000) || bytes.isEmpty());
        socket.disconnectFromServer();
        QTest::qWait(200);
        QCOMPARE(spy.count(), requests);
    }

    // A marker that cannot be opened leaves the program running unguarded,
    // with a warning; it does not end as if another copy ran.
    void unusableMarkerRunsUnguarded_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("missing folder") << "missing/marker";
        QTest::newRow("name too long for a socket") << QString(200, QLatin1Char('m'));
    }

    void unusableMarkerRunsUnguarded()
    {
        QFETCH(QString, where);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^SingleApplication: cannot listen "));
        SingleInstanceMarker marker(m_tmp.filePath(where));
        marker.setTimeout(200);
        QVERIFY(!marker.isAnotherInstanceRunning());
        QVERIFY(!marker.isListening());
    }

    void staleSocketDoesNotStopNextStart()
    {
        {
            Background crashed({"marker", name(), "60000"}, env());
            QVERIFY(crashed.waitForLine("first"));
            crashed.process.kill(); // SIGKILL: no clean-up
            QVERIFY(crashed.process.waitForFinished(5000));
        }
        QVERIFY(QFile::exists(name()));
        SingleInstanceMarker next(name());
        QVERIFY(!next.isAnotherInstanceRunning());
        QVERIFY(next.isListening());
    }

    void hungFirstInstanceDoesNotHangSecond()
    {
        Background hung({"marker", name(), "60000"}, env());
        QVERIFY(hung.waitForLine("first"));
        QCOMPARE(::kill(pid_t(hung.process.processId()), SIGSTOP), 0);
        SingleInstanceMarker second(name());
        second.setTimeout(500);
        QElapsedTimer t;
        t.start();
        QVERIFY(second.isAnotherInstanceRunning());
        QVERIFY(t.elapsed() < 5000);
    }

    void racingStartsLeaveOneRunning()
    {
        std::vector<std::unique_ptr<Background>> children;
        for (int i = 0; i < 5; ++i)
            children.push_back(std::make_unique<Background>(QStringList{"marker", name(), "3000"}, env()));
        QByteArray starts;
        Background *first = nullptr;
        for (auto &c : children) {
            c->waitForLine(QByteArray());
            starts += c->output.left(1);
            if (c->output.startsWith("first"))
                first = c.get();
        }
        QCOMPARE(starts.count('f'), 1);
        QCOMPARE(starts.count('s'), 4);
        QVERIFY(first->waitForLine("activated"));
    }

    void applicationBringsMainWindowForward_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("minimised") << "minimised";
        QTest::newRow("hidden in the tray") << "hidden";
    }

    void applicationBringsMainWindowForward()
    {
        QFETCH(QString, state);
        Background first({"application", "8000", state}, env());
        QVERIFY(first.waitForLine("first"));
        QVERIFY(!first.output.contains("restored"));
        const ChildResult second = runCoreChild({"application", "0"}, env());
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(second.out, QByteArray("second\n"));
        QVERIFY(first.waitForLine("restored"));
    }

    void namesRequired()
    {
        const ChildResult r = runCoreChild({"unnamed-application"}, env());
        QVERIFY(r.failed());
        QVERIFY2(r.err.contains("SingleApplication requires organizationName and applicationName to be set"),
                 r.err.constData());
        // Named, the marker's name comes from both names (and the user).
        QCOMPARE(MarkerSingleApplication::markerTitle(), QStringLiteral("SingleApplication:Marrowgate:PlumDeck"));
        QVERIFY(MarkerSingleApplication::markerName().startsWith(MarkerSingleApplication::markerTitle() + ':'));
        QVERIFY(MarkerSingleApplication::markerName().size() > MarkerSingleApplication::markerTitle().size() + 1);
    }

    // The data folder's lock: held while its process runs, however long;
    // free again once the process is gone, however it ended.
    void dataFolderLock_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::addColumn<int>("error");
        QTest::newRow("held by a running instance") << "running" << int(QLockFile::LockFailedError);
        QTest::newRow("held for long") << "old" << int(QLockFile::LockFailedError);
        QTest::newRow("holder killed") << "killed" << int(QLockFile::NoError);
        QTest::newRow("holder ended") << "ended" << int(QLockFile::NoError);
        QTest::newRow("another folder held") << "elsewhere" << int(QLockFile::NoError);
        // A crash, then a start given the same process id (as in a sandbox).
        QTest::newRow("left by a holder of this process's id") << "self" << int(QLockFile::NoError);
        // The program then runs unguarded, as before.
        QTest::newRow("folder cannot hold a lock") << "missing" << int(QLockFile::UnknownError);
        // A power cut in the first moments of a start: the lock names nobody.
        QTest::newRow("empty lock file") << "empty" << int(QLockFile::NoError);
        QTest::newRow("lock file naming nobody") << "damaged" << int(QLockFile::NoError);
        // A home copied while the program ran, or shared with another machine:
        // its process cannot be looked at from here. Taken over when asked.
        QTest::newRow("written on another machine") << "machine" << int(QLockFile::LockFailedError);
        // A running process here holds it (its machine renamed since): not
        // taken over, whatever the user says.
        QTest::newRow("another machine's name, held here") << "renamed" << int(QLockFile::LockFailedError);
        // Between the question and the answer another start took it.
        QTest::newRow("another machine's lock replaced before the answer") << "replaced"
                                                                            << int(QLockFile::LockFailedError);
        // Found empty while its start on another machine is still writing it:
        // given a moment, it names its holder.
        QTest::newRow("another machine's lock found while written") << "writing" << int(QLockFile::LockFailedError);
    }

    void dataFolderLock()
    {
        QFETCH(QString, holder);
        QFETCH(int, error);
        const QDir folder(name() + (holder == QLatin1String("missing") ? "/missing" : ""));
        const QDir elsewhere(name() + QStringLiteral("-elsewhere"));
        QVERIFY(QDir().mkpath(name()) && QDir().mkpath(elsewhere.path()));
        // Left behind: the first holder ended, then the file was written.
        const QByteArray left = holder == QLatin1String("empty") || holder == QLatin1String("writing")
                                    ? QByteArray()
                                : holder == QLatin1String("damaged") ? QByteArray("\0\xff\nPlumdeck\n", 11)
                                                                     : otherMachinesLock();
        const bool leftBehind = holder == QLatin1String("empty") || holder == QLatin1String("damaged")
                                || holder == QLatin1String("machine") || holder == QLatin1String("replaced")
                                || holder == QLatin1String("writing");
        const bool away = holder == QLatin1String("elsewhere") || holder == QLatin1String("self");
        Background first({"datalock", (away ? elsewhere : QDir(name())).path(),
                          holder == QLatin1String("ended") || leftBehind ? "0" : "60000"},
                         env());
        QVERIFY(first.waitForLine("held"));
        const QString path = QDir(name()).filePath(QStringLiteral("plumdeck.lock"));
        const QDateTime written(QDate(2024, 3, 14), QTime(9, 5));
        if (leftBehind) {
            QVERIFY(first.process.waitForFinished(5000));
            QVERIFY(!QFile::exists(path));
        }
        if (leftBehind || holder == QLatin1String("renamed")) {
            // In place: a process holding the file keeps holding it.
            QFile file(path);
            QVERIFY(file.open(leftBehind ? QIODevice::WriteOnly : QIODevice::ReadWrite));
            QVERIFY(file.resize(0));
            QCOMPARE(file.write(left), left.size());
            QVERIFY(file.flush());
            QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
        }
        if (holder == QLatin1String("old")) {
            QFile file(QDir(name()).filePath(QStringLiteral("plumdeck.lock")));
            QVERIFY(file.open(QIODevice::Append));
            QVERIFY(file.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime));
        } else if (holder == QLatin1String("self")) {
            const QString path = QDir(name()).filePath(QStringLiteral("plumdeck.lock"));
            QByteArray left;
            {
                QLockFile own(path);
                QVERIFY(own.tryLock(0));
                QFile file(path);
                QVERIFY(file.open(QIODevice::ReadOnly));
                left = file.readAll();
            }
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(left) == left.size());
        } else if (holder == QLatin1String("killed")) {
            first.process.kill(); // SIGKILL: no clean-up
        }
        if (holder == QLatin1String("killed") || holder == QLatin1String("ended"))
            QVERIFY(first.process.waitForFinished(5000));

        std::thread writer;
        if (holder == QLatin1String("writing")) {
            writer = std::thread([path] {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                QFile file(path);
                if (file.open(QIODevice::WriteOnly))
                    file.write(otherMachinesLock());
            });
        }
        DataFolderLock next(folder);
        const bool locked = next.tryLock();
        if (writer.joinable())
            writer.join();
        QCOMPARE(locked, error == QLockFile::NoError);
        QCOMPARE(int(next.error()), error);
        QCOMPARE(next.folderPath(), folder.path());
        const bool otherMachine = holder == QLatin1String("machine") || holder == QLatin1String("renamed")
                                  || holder == QLatin1String("replaced") || holder == QLatin1String("writing");
        QCOMPARE(next.isHeldElsewhere(), otherMachine);
        if (holder == QLatin1String("writing")) {
            QCOMPARE(next.otherHost(), QStringLiteral("otherbox"));
            QCOMPARE(readAll(path), otherMachinesLock());
            return;
        }
        if (otherMachine) {
            QCOMPARE(next.otherHost(), QStringLiteral("otherbox"));
            QCOMPARE(next.heldSince(), written);
            // Nothing changes until the user answers: another start is told too.
            QCOMPARE(runCoreChild({"datalock", folder.path(), "0"}, env()).out, QByteArray("in use\n"));
            QCOMPARE(readAll(path), left);
            std::unique_ptr<Background> taker;
            if (holder == QLatin1String("replaced")) {
                QVERIFY(QFile::remove(path));
                taker = std::make_unique<Background>(QStringList{"datalock", folder.path(), "60000"}, env());
                QVERIFY(taker->waitForLine("held"));
            }
            const QByteArray before = readAll(path);
            QCOMPARE(next.takeOver(), holder == QLatin1String("machine"));
            if (holder != QLatin1String("machine")) {
                QCOMPARE(readAll(path), before);
                if (!taker)
                    return;
                // Once that start is gone, the next try holds it, no longer
                // held elsewhere.
                taker.reset();
                QVERIFY(next.tryLock());
                QVERIFY(!next.isHeldElsewhere());
                return;
            }
            QVERIFY(!next.isHeldElsewhere());
            QVERIFY(next.takeOver()); // asking again changes nothing
        } else if (error != QLockFile::NoError) {
            return;
        }
        if (leftBehind) {
            // Now it names this process.
            QVERIFY(readAll(path).startsWith(QByteArray::number(QCoreApplication::applicationPid()) + '\n'));
            QVERIFY(!QFile::exists(path + QStringLiteral(".rmlock")));
        }
        QVERIFY(next.tryLock()); // asking again changes nothing
        // Now the next one keeps out a later process in turn.
        const ChildResult later = runCoreChild({"datalock", folder.path(), "0"}, env());
        QCOMPARE(later.out, QByteArray("in use\n"));
    }

    // Started at once on one folder (-multiple skips the marker): one holds it,
    // also when each finds a lock naming nobody to take over.
    void racingStartsHoldTheFolderOnce_data()
    {
        QTest::addColumn<bool>("emptyLockLeft");
        QTest::newRow("no lock") << false;
        QTest::newRow("an empty lock left") << true;
    }
    void racingStartsHoldTheFolderOnce()
    {
        QFETCH(bool, emptyLockLeft);
        QVERIFY(QDir().mkpath(name()));
        if (emptyLockLeft) {
            QFile file(QDir(name()).filePath(QStringLiteral("plumdeck.lock")));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        std::vector<std::unique_ptr<Background>> children;
        for (int i = 0; i < 5; ++i)
            children.push_back(std::make_unique<Background>(QStringList{"datalock", name(), "3000"}, env()));
        QByteArray starts;
        for (auto &c : children) {
            QVERIFY(c->waitForLine(QByteArray()));
            starts += c->output.left(1);
        }
        QCOMPARE(starts.count('h'), 1);
        QCOMPARE(starts.count('i'), 4);
    }

private:
    // What a run on the machine "otherbox" leaves.
    static QByteArray otherMachinesLock() { return "4242\nPlumdeck\notherbox\n0123abcd\n4567-efgh\n"; }
    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }
    QString name() const { return m_tmp.filePath(QStringLiteral("marker-%1").arg(m_n)); }
    QProcessEnvironment env() const
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("TMPDIR"), m_tmp.path());
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return e;
    }

    QTemporaryDir m_tmp;
    int m_n = 0;
};

PLUMDECK_TEST_MAIN(TstSingleInstance)
#include "tst_singleinstance.moc"
