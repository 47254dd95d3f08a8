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
        QVERIFY(dir.path().startsWith(TestEnvironment::homePath()));
        QCOMPARE(dir.path(), QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                                 + QStringLiteral("/Marrowgate/PlumDeck"));
        QCOMPARE(logFilePath(), dir.filePath(QStringLiteral("plumdeck.log")));
        QCOMPARE(installerFilePath(), dir.filePath(QStringLiteral("installer.exe")));
        QCOMPARE(avatarsDir().path(), dir.filePath(QStringLiteral("avatars")));
    }

    // A fresh account without the base data folder still starts.
    void createdAgainAfterRemoval_data()
    {
        QTest::addColumn<QString>("removed");
        QTest::newRow("data directory") << userDataDir().path();
        QTest::newRow("maker directory") << QFileInfo(userDataDir().path()).path();
        QTest::newRow("base data folder") << QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    }

    void createdAgainAfterRemoval()
    {
        QFETCH(QString, removed);
        QVERIFY(removed.startsWith(TestEnvironment::homePath()));
        QVERIFY(QDir(removed).removeRecursively());
        QVERIFY(userDataDir().exists());
        QVERIFY(avatarsDir().exists());
    }

    // Missing folders fall back to the home and the current folder.
    void fallbacks()
    {
        const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(docs.startsWith(TestEnvironment::homePath()));
        QDir(docs).removeRecursively();
        QTest::ignoreMessage(QtWarningMsg, "failed to find My Documents");
        QCOMPARE(documentsDir(), QDir::home());
        QVERIFY(QDir().mkpath(docs));
        QCOMPARE(documentsDir().path(), docs);

        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QTest::ignoreMessage(QtWarningMsg, "failed to find help dir in current");
        QCOMPARE(helpDir().canonicalPath(), QDir(dir.path()).canonicalPath());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("help")));
        QCOMPARE(helpDir().canonicalPath(), QDir(dir.filePath("help")).canonicalPath());
        QDir::setCurrent(old);
    }

    // Started from another folder, the program finds the guide installed
    // beside it; one in the current folder comes first.
    void helpBesideTheProgram()
    {
        QDir beside(QCoreApplication::applicationDirPath());
        const bool madeHere = !beside.exists(QStringLiteral("help"));
        if (madeHere)
            QVERIFY(beside.mkdir(QStringLiteral("help")));
        const QString installed = QDir(beside.filePath(QStringLiteral("help"))).canonicalPath();

        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const QString found = helpDir().canonicalPath();
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("help")));
        const QString current = helpDir().canonicalPath();
        QDir::setCurrent(old);
        if (madeHere)
            QVERIFY(beside.rmdir(QStringLiteral("help")));

        QCOMPARE(found, installed);
        QCOMPARE(current, QDir(dir.filePath(QStringLiteral("help"))).canonicalPath());
    }

    // In a child with its own home: a fresh data folder is made; what cannot
    // be made ends the program, naming the relative path and then the base.
    void childDataFolder_data()
    {
        QTest::addColumn<QString>("fileInTheWay");
        QTest::addColumn<QString>("message");
        QTest::newRow("fresh") << "" << "";
        QTest::newRow("maker directory") << "data/Marrowgate" << "failed to make Marrowgate/PlumDeck under %1/data";
        QTest::newRow("data folder") << "data" << "couldn't find Application Data dir %1/data";
    }

    void childDataFolder()
    {
        QFETCH(QString, fileInTheWay);
        QFETCH(QString, message);
        QTemporaryDir home;
        if (!fileInTheWay.isEmpty()) {
            QDir(home.path()).mkpath(QFileInfo(home.filePath(fileInTheWay)).path());
            QFile blocker(home.filePath(fileInTheWay));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_DATA_HOME", home.filePath("data"));
        const ChildResult r = runCoreChild({"userdatadir"}, env);
        QVERIFY(r.finished);
        QCOMPARE(r.failed(), !message.isEmpty());
        QVERIFY2(r.err.contains(message.arg(home.path()).toUtf8()), r.err.constData());
        const QString made = home.filePath("data/Marrowgate/PlumDeck");
        QCOMPARE(QString::fromUtf8(r.out).trimmed(), message.isEmpty() ? made : QString());
        QCOMPARE(QDir(made).exists(), message.isEmpty());
    }
};

PLUMDECK_TEST_MAIN(TstPaths)
#include "tst_paths.moc"
