#include "core/paths.h"
#include "childprocess.h"
#include "testenvironment.h"

#include <QStandardPaths>
#include <QTemporaryDir>

class TstPaths : public QObject
{
    Q_OBJECT
private slots:
    void userDataDirLayout()
    {
        const QDir dir = userDataDir();
        QVERIFY(dir.exists());
        QVERIFY(dir.path().endsWith(QStringLiteral("/Marrowgate/PlumDeck")));
        QVERIFY(dir.path().startsWith(TestEnvironment::homePath()));
        QCOMPARE(logFilePath(), dir.filePath(QStringLiteral("plumdeck.log")));
        QCOMPARE(installerFilePath(), dir.filePath(QStringLiteral("installer.exe")));
        QCOMPARE(avatarsDir().path(), dir.filePath(QStringLiteral("avatars")));
        QVERIFY(avatarsDir().exists());
    }

    void createdAgainAfterRemoval_data()
    {
        QTest::addColumn<QString>("removed");
        QTest::newRow("data directory") << userDataDir().path();
        QTest::newRow("maker directory") << QFileInfo(userDataDir().path()).path();
        // A fresh account without the base data folder still starts.
        QTest::newRow("base data folder")
            << QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    }

    void createdAgainAfterRemoval()
    {
        QFETCH(QString, removed);
        QVERIFY(removed.startsWith(TestEnvironment::homePath()));
        userDataDir();
        QVERIFY(QDir(removed).removeRecursively());
        QVERIFY(!QDir(removed).exists());
        QVERIFY(userDataDir().exists());
        QVERIFY(avatarsDir().exists());
    }

    void documents()
    {
        const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(docs.startsWith(TestEnvironment::homePath()));
        QDir(docs).removeRecursively();
        QTest::ignoreMessage(QtWarningMsg, "failed to find My Documents");
        QCOMPARE(myDocumentsFolder(), QDir::home());
        QVERIFY(QDir().mkpath(docs));
        QCOMPARE(documentsDir().path(), docs);
    }

    void help()
    {
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QTest::ignoreMessage(QtWarningMsg, "failed to find help dir in current");
        QCOMPARE(helpDir().canonicalPath(), QDir(dir.path()).canonicalPath());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("help")));
        QCOMPARE(helpDir().canonicalPath(), QDir(dir.filePath("help")).canonicalPath());
        QDir::setCurrent(old);
    }

    // What cannot be created ends the program, naming the relative path and
    // then the base.
    void fatalWhenNotCreatable_data()
    {
        QTest::addColumn<QString>("fileInTheWay");
        QTest::addColumn<QString>("message");
        QTest::newRow("maker directory") << "data/Marrowgate" << "failed to make Marrowgate/PlumDeck under %1/data";
        QTest::newRow("data folder") << "data" << "couldn't find Application Data dir %1/data";
    }

    void fatalWhenNotCreatable()
    {
        QFETCH(QString, fileInTheWay);
        QFETCH(QString, message);
        QTemporaryDir home;
        QDir(home.path()).mkpath(QFileInfo(home.filePath(fileInTheWay)).path());
        QFile blocker(home.filePath(fileInTheWay));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_DATA_HOME", home.filePath("data"));
        const ChildResult r = runCoreChild({"userdatadir"}, env);
        QVERIFY(r.finished);
        QVERIFY(r.exitStatus == QProcess::CrashExit || r.exitCode != 0);
        QVERIFY2(r.err.contains(message.arg(home.path()).toUtf8()), r.err.constData());
        QVERIFY(r.out.isEmpty());
    }

    void childFindsFreshDataFolder()
    {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_DATA_HOME", home.filePath("fresh/share"));
        const ChildResult r = runCoreChild({"userdatadir"}, env);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QString::fromUtf8(r.out).trimmed(), home.filePath("fresh/share/Marrowgate/PlumDeck"));
        QVERIFY(QDir(home.filePath("fresh/share/Marrowgate/PlumDeck")).exists());
    }
};

PLUMDECK_TEST_MAIN(TstPaths)
#include "tst_paths.moc"
