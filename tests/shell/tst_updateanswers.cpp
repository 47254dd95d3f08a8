// The user's manual update check always gets an answer, and the updates
// dialog is open at most once.

#include "core/clock.h"
#include "core/paths.h"
#include "core/serversettings.h"
#include "fakeservertest.h"
#include "model/modelscontainer.h"
#include "model/notepadnotes.h"
#include "shell/systemtrayicon.h"
#include "shell/updatesdialog.h"
#include "shelltest.h"
#include "sync/updater.h"
#include "testenvironment.h"
#include "testpages.h"

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
    void initTestCase()
    {
        Updater::setPlatformTag(QStringLiteral("test-x86_64"));
        SystemTrayIcon::setTrayHostPresent(1);
    }

    void init()
    {
        QFile::remove(installerFilePath());
        m_server = std::make_unique<CheckedFakeServer>();
        QVERIFY(m_server->start());
        m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
        ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
        m_pages = TestPages<>();
        m_pages.install();
    }

    void cleanup()
    {
        delete Updater::instance();
        m_server.reset();
        QSettings().clear();
    }

    void answers_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("askedFrom");
        QTest::addColumn<bool>("savedFirst");
        QTest::newRow("nothing newer") << "up to date" << "preferences" << false;
        QTest::newRow("new version") << "seen" << "preferences" << true;
        QTest::newRow("new version, from the tray") << "seen" << "tray" << true;
        QTest::newRow("downloaded") << "downloaded" << "tray" << false;
        QTest::newRow("downloading") << "downloading" << "preferences" << false;
    }

    void answers()
    {
        QFETCH(QString, state);
        QFETCH(QString, askedFrom);
        QFETCH(bool, savedFirst);
        m_server->setInstaller(QString::fromLatin1(InstallerName), QByteArray(5000, 'x'),
                               state == QLatin1String("up to date") ? 3000 : 3055);
        // Every state but the first is reached by the check at construction.
        const bool upToDate = state == QLatin1String("up to date");
        QSettings().setValue(QStringLiteral("updater/enabled"), !upToDate);
        Updater *updater = Updater::create();
        if (!upToDate)
            QTRY_COMPARE(updater->state(), Updater::UpdateSeen);
        if (state == QLatin1String("downloaded")) {
            updater->startDownload();
            QTRY_COMPARE(updater->state(), Updater::Downloaded);
        }
        if (state == QLatin1String("downloading")) {
            m_server->stall(QStringLiteral("/clients/"));
            updater->startDownload();
            QCOMPARE(updater->state(), Updater::Downloading);
        }

        NotepadNotes notes;
        QFile::remove(NotepadNotes::filePath());
        MainWindow window(&m_models, nullptr);
        SystemTrayIcon tray(&window);
        QStringList seen;
        int nested = 0;
        ShellTest::whenModal([&](QWidget *dialog) {
            seen << QLatin1String(dialog->metaObject()->className()) + (m_pages.log.contains(QStringLiteral("lists"))
                                                                            ? QStringLiteral(" after saving")
                                                                            : QString());
            // The updater repeats its news, and the user asks again, while
            // the dialog is open.
            QMetaObject::invokeMethod(updater, "updateSeen");
            window.answerUpdateCheck(false);
            for (QWidget *widget : QApplication::topLevelWidgets())
                nested += widget->isVisible() && widget->inherits("UpdatesDialog") ? 1 : 0;
            ShellTest::endDialog(static_cast<CustomDialog *>(dialog), QStringLiteral("cancel"));
        });
        if (askedFrom == QLatin1String("tray")) {
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
        const QString expected = QStringLiteral("UpdatesDialog") + (savedFirst ? QStringLiteral(" after saving") : QString());
        QTRY_COMPARE(seen, QStringList{expected});
        QTest::qWait(100);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(nested, 1);
        QCOMPARE(QFile::exists(NotepadNotes::filePath()), savedFirst);
        if (state == QLatin1String("downloading"))
            updater->cancelDownload();
    }
};

PLUMDECK_TEST_MAIN(TstUpdateAnswers)
#include "tst_updateanswers.moc"
