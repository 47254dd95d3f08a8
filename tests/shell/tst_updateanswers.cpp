// The user's manual update check always gets an answer, and the updates
// dialog is open at most once.

#include "core/paths.h"
#include "core/serversettings.h"
#include "fakeservertest.h"
#include "model/modelscontainer.h"
#include "model/notepadnotes.h"
#include "shell/systemtrayicon.h"
#include "shell/updatesdialog.h"
#include "shelltest.h"
#include "sync/requests/updater.h"
#include "testenvironment.h"
#include "testpages.h"
#include "updatertest.h"

#include <QFile>
#include <QMenu>
#include <QSettings>

#include <memory>

namespace {
const char InstallerName[] = "plumdeck-test-x86_64";
}

class TstUpdateAnswers : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<CheckedFakeServer> m_server;
    TestPages<> m_pages;
    ModelsContainer m_models;

private slots:
    void initTestCase() { Updater::setPlatformTag(QStringLiteral("test-x86_64")); }

    void init()
    {
        QFile::remove(installerFilePath());
        // Installers come only over https.
        m_server = std::make_unique<CheckedFakeServer>(FakeServer::Tls);
        QVERIFY(m_server->start());
        UpdaterTest::useServer(*m_server);
        m_pages.install();
    }

    void cleanup()
    {
        delete Updater::instance();
        Updater::setLauncher({});
        m_server.reset();
        m_pages.log.clear();
        QSettings().clear();
    }

    void answers_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("fromTray");
        QTest::addColumn<bool>("savedFirst");
        QTest::newRow("nothing newer") << "up to date" << false << false;
        QTest::newRow("new version") << "seen" << false << true;
        QTest::newRow("new version, from the tray") << "seen" << true << true;
        QTest::newRow("downloaded") << "downloaded" << true << false;
        QTest::newRow("downloading") << "downloading" << false << false;
        // The installer did not start: the check looks again and finds the
        // new version, which first saves.
        QTest::newRow("install failed") << "install failed" << false << true;
    }

    // One dialog, whatever the updater's state; a new version first saves.
    void answers()
    {
        QFETCH(QString, state);
        QFETCH(bool, fromTray);
        QFETCH(bool, savedFirst);
        const bool upToDate = state == QLatin1String("up to date");
        m_server->setInstaller(QString::fromLatin1(InstallerName), QByteArray(5000, 'x'), upToDate ? 3000 : 3055);
        // The other states start from the check at construction.
        QSettings().setValue(QStringLiteral("updater/enabled"), !upToDate);
        Updater *updater = Updater::create();
        QTRY_COMPARE(updater->state(), upToDate ? Updater::UpToDate : Updater::UpdateSeen);
        if (state == QLatin1String("downloading"))
            m_server->stall(QStringLiteral("/clients/"));
        if (state != QLatin1String("seen") && !upToDate)
            updater->startDownload();
        const bool failedInstall = state == QLatin1String("install failed");
        QTRY_COMPARE(updater->state() == Updater::Downloaded, state == QLatin1String("downloaded") || failedInstall);
        if (failedInstall) {
            Updater::setLauncher([](const QString &) { return false; });
            QTest::ignoreMessage(QtWarningMsg, "couldn't launch installer");
            QVERIFY(!updater->install());
            QCOMPARE(updater->state(), Updater::InstallFailed);
        }

        NotepadNotes notes;
        QFile::remove(NotepadNotes::filePath());
        MainWindow window(&m_models, nullptr);
        SystemTrayIcon tray(&window);
        QStringList seen;
        int open = 0;
        ShellTest::whenModal([&](QWidget *dialog) {
            seen << dialog->objectName() + (m_pages.log.contains(QStringLiteral("lists")) ? " after saving" : "");
            // The updater repeats its news, and the user asks again, while
            // the dialog is open.
            QMetaObject::invokeMethod(updater, "updateSeen");
            window.answerUpdateCheck(false);
            for (QWidget *widget : QApplication::topLevelWidgets())
                open += widget->isVisible() && widget->inherits("UpdatesDialog") ? 1 : 0;
            ShellTest::endDialog(static_cast<CustomDialog *>(dialog), QStringLiteral("cancel"));
        });
        if (fromTray) {
            QMenu *menu = tray.contextMenu();
            menu->popup(QPoint(0, 0));
            QAction *check = menu->actions().at(7);
            QCOMPARE(check->text(), QStringLiteral("Check for updates"));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(check).center());
        } else {
            QDialog preferences;
            window.checkForUpdates(&preferences);
            QCOMPARE(preferences.result(), int(QDialog::Accepted));
        }
        QTRY_COMPARE(seen, QStringList{QStringLiteral("updatesdialog") + (savedFirst ? " after saving" : "")});
        QTest::qWait(100);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(open, 1);
        QCOMPARE(QFile::exists(NotepadNotes::filePath()), savedFirst);
        updater->cancelDownload();
    }
};

PLUMDECK_TEST_MAIN(TstUpdateAnswers)
#include "tst_updateanswers.moc"
