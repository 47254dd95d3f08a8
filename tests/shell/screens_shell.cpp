// Screens of the shell's own dialogs.

#include "app/application.h"
#include "core/paths.h"
#include "core/serversettings.h"
#include "screens.h"
#include "shell/aboutusdialog.h"
#include "shell/keysdialog.h"
#include "shell/mainwindow.h"
#include "shell/messagedialog.h"
#include "shell/prefsdialog.h"
#include "shell/stringentrydialog.h"
#include "shell/updatesdialog.h"
#include "sync/runs/savefailure.h"
#include "updatertest.h"

#include <QCoreApplication>
#include <QFile>
#include <QTabWidget>
#include <QTest>

#include <memory>

PLUMDECK_SCREEN(stringEntry)
{
    StringEntryDialog entry(QStringLiteral("Rename list"), QStringLiteral("New name:"), QStringLiteral("Groceries"));
    QVERIFY(!shoot(&entry, QStringLiteral("string-entry")).isNull());
}

// The preferences, one screen per page.
PLUMDECK_SCREEN(preferences)
{
    ServerSettings::instance()->setSettings(QStringLiteral("https://sync.plumdeck.net:8080/plumdeck"),
                                            QStringLiteral("alice"), QStringLiteral("secret"));
    PrefsDialog dialog(nullptr, nullptr);
    auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("tabs"));
    QVERIFY(tabs);
    const char *pages[] = {"account", "application", "interface", "sync", "help"};
    for (int i = 0; i < 5; ++i) {
        tabs->setCurrentIndex(i);
        QVERIFY(!shoot(&dialog, QStringLiteral("preferences-") + QLatin1String(pages[i])).isNull());
    }
}

PLUMDECK_SCREEN(shortcuts)
{
    KeysDialog dialog;
    QVERIFY(!shoot(&dialog, QStringLiteral("shortcuts")).isNull());
}

// What a start on a data folder another instance runs on says.
PLUMDECK_SCREEN(dataFolderInUse)
{
    const QString folder = QStringLiteral("/home/alice/.local/share/Marrowgate/PlumDeck");
    MessageDialog dialog(dataFolderInUseTitle(), dataFolderInUseText(folder, folder + QStringLiteral("/plumdeck.lock")),
                         false);
    QVERIFY(!shoot(&dialog, QStringLiteral("data-folder-in-use")).isNull());
}

// What a start asks on a data folder another computer's run holds, and says
// when it could not take it over.
PLUMDECK_SCREEN(dataFolderElsewhere)
{
    const QString folder = QStringLiteral("/home/alice/.local/share/Marrowgate/PlumDeck");
    std::unique_ptr<MessageDialog> question(newDataFolderElsewhereQuestion(
        folder, QStringLiteral("alice-laptop"), QDateTime(QDate(2024, 3, 14), QTime(9, 5))));
    QVERIFY(!shoot(question.get(), QStringLiteral("data-folder-elsewhere")).isNull());
    MessageDialog failed(dataFolderElsewhereTitle(),
                         dataFolderNotTakenOverText(folder, folder + QStringLiteral("/plumdeck.lock")), false);
    QVERIFY(!shoot(&failed, QStringLiteral("data-folder-not-taken-over")).isNull());
}

// What a quit says when a document could not be written, the program
// staying open, and what the next such quit asks (Cancel the default).
PLUMDECK_SCREEN(unsavedAtQuit)
{
    const QString data = QStringLiteral("/home/alice/.local/share/Marrowgate/PlumDeck/");
    const QStringList unsaved{
        SaveFailure(SaveFailure::Lists, data + QStringLiteral("lists.xhtml"),
                    QStringLiteral("couldn't write document: No space left on device"))
            .text(),
        SaveFailure(SaveFailure::Notes, data + QStringLiteral("notepad.xhtml"),
                    QStringLiteral("couldn't write document: No space left on device"))
            .text()};
    const QString title = QCoreApplication::translate("MainWindow", "Quit");
    MessageDialog told(title, MainWindow::stayingOpenText(unsaved), false);
    QVERIFY(!shoot(&told, QStringLiteral("unsaved-at-quit")).isNull());
    MessageDialog asked(title, MainWindow::quitAnywayQuestion(unsaved), true);
    asked.makeCancelTheDefault();
    QVERIFY(!shoot(&asked, QStringLiteral("quit-anyway")).isNull());
}

PLUMDECK_SCREEN(about)
{
    AboutUsDialog dialog;
    QVERIFY(!shoot(&dialog, QStringLiteral("about")).isNull());
}

// The updates dialog in each of the updater's states, the updater brought
// there against the fake server over TLS; and the offer over plain http.
PLUMDECK_SCREEN(updates)
{
    UpdaterTest::prepare();
    const std::pair<Updater::State, const char *> states[] = {
        {Updater::CheckFailed, "check-failed"}, {Updater::AuthFailed, "auth-failed"},
        {Updater::UpToDate, "up-to-date"},      {Updater::UpdateSeen, "update-seen"},
        {Updater::Downloading, "downloading"},  {Updater::Downloaded, "downloaded"},
        {Updater::InstallFailed, "install-failed"}};
    for (const auto &[state, name] : states) {
        FakeServer server(FakeServer::Tls);
        QVERIFY(server.start());
        UpdaterTest::useServer(server);
        QVERIFY(UpdaterTest::bringTo(state, server));
        {
            UpdatesDialog dialog;
            if (state == Updater::Downloading)
                emit Updater::instance()->updateDownloadProgress(120000, 300000);
            QVERIFY(!shoot(&dialog, QStringLiteral("updates-") + QLatin1String(name)).isNull());
        }
        delete Updater::instance();
    }
    FakeServer http;
    QVERIFY(http.start());
    http.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    http.setInstaller(QLatin1String(UpdaterTest::installerName()), QByteArray(10, 'x'), 3055);
    ServerSettings::instance()->setSettings(http.url(), QStringLiteral("alice"), QStringLiteral("secret"));
    QVERIFY(UpdaterTest::bringTo(Updater::UpdateSeen, http));
    {
        UpdatesDialog dialog;
        QVERIFY(!shoot(&dialog, QStringLiteral("updates-insecure")).isNull());
    }
    delete Updater::instance();
    QFile::remove(installerFilePath());
}
