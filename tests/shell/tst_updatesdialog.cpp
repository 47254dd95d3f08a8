// The updates dialog in each of the updater's states, over the fake server's
// TLS: what it says, what it offers and what its buttons do.

#include "core/clock.h"
#include "core/paths.h"
#include "fakeservertest.h"
#include "shell/updatesdialog.h"
#include "shelltest.h"
#include "testenvironment.h"
#include "updatertest.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>

#include <memory>

namespace {

// What shows, as "logo bar download postpone install".
QString shown(UpdatesDialog &dialog)
{
    QStringList parts;
    const std::pair<QWidget *, const char *> widgets[] = {{dialog.logoLabel(), "logo"},
                                                          {dialog.progressBar(), "bar"},
                                                          {dialog.downloadButton(), "download"},
                                                          {dialog.postponeBox(), "postpone"},
                                                          {dialog.installButton(), "install"}};
    for (const auto &[widget, name] : widgets) {
        if (!widget->isHidden())
            parts << QLatin1String(name);
    }
    return parts.join(QLatin1Char(' '));
}

const char Offer[] = "A new version of Plumdeck is available. Click the download button to upgrade to the latest "
                     "version, or cancel to upgrade at a later time.";

} // namespace

class TstUpdatesDialog : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<CheckedFakeServer> m_server;

private slots:
    void initTestCase() { UpdaterTest::prepare(); }

    void init()
    {
        Clock::reset();
        QFile::remove(installerFilePath());
        UpdaterTest::launched().clear();
        m_server = std::make_unique<CheckedFakeServer>(FakeServer::Tls);
        QVERIFY(m_server->start());
        UpdaterTest::useServer(*m_server);
    }

    void cleanup()
    {
        delete Updater::instance();
        m_server.reset();
        QSettings().clear();
        Clock::reset();
    }

    void states_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("widgets");
        QTest::newRow("check failed") << int(Updater::CheckFailed) << "Failed to connect." << "logo";
        QTest::newRow("authorisation failed") << int(Updater::AuthFailed) << "Authorization failure." << "logo";
        QTest::newRow("up to date") << int(Updater::UpToDate) << "No updates available." << "logo";
        QTest::newRow("update seen") << int(Updater::UpdateSeen) << Offer << "logo download postpone";
        QTest::newRow("downloading") << int(Updater::Downloading) << "Downloading, please wait..." << "bar";
        QTest::newRow("downloaded") << int(Updater::Downloaded)
                                    << "The update has downloaded, click to install the update." << "logo install";
        // The updater refuses a second install: no button that cannot work.
        QTest::newRow("install failed") << int(Updater::InstallFailed) << "Install Failed" << "logo";
    }

    void states()
    {
        QFETCH(int, state);
        QFETCH(QString, text);
        QFETCH(QString, widgets);
        if (state == Updater::InstallFailed)
            QTest::ignoreMessage(QtWarningMsg, "couldn't launch installer");
        QVERIFY(UpdaterTest::bringTo(Updater::State(state), *m_server));
        UpdatesDialog dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("updatesdialog"));
        QCOMPARE(dialog.titleLabel()->text(), QStringLiteral("Plumdeck update"));
        QCOMPARE(dialog.stateLabel()->text(), text);
        QCOMPARE(shown(dialog), widgets);
        QVERIFY(dialog.tomorrowButton()->isChecked());
        QVERIFY(dialog.okButton() == nullptr || dialog.okButton()->isHidden());
        QVERIFY(!dialog.cancelButton()->isHidden());
    }

    void cancelPostpones_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("sevenDays");
        QTest::addColumn<int>("hours"); // 0: no new check time
        QTest::addColumn<int>("after");
        QTest::newRow("offer, tomorrow") << int(Updater::UpdateSeen) << false << 24 << int(Updater::UpdateSeen);
        QTest::newRow("offer, seven days") << int(Updater::UpdateSeen) << true << 168 << int(Updater::UpdateSeen);
        // A failed check is no version seen: nothing to announce afterwards.
        QTest::newRow("check failed") << int(Updater::CheckFailed) << false << 0 << int(Updater::CheckFailed);
        QTest::newRow("authorisation failed") << int(Updater::AuthFailed) << false << 0 << int(Updater::AuthFailed);
        QTest::newRow("up to date") << int(Updater::UpToDate) << false << 0 << int(Updater::UpToDate);
        QTest::newRow("downloading") << int(Updater::Downloading) << false << 0 << int(Updater::UpdateSeen);
        QTest::newRow("downloaded") << int(Updater::Downloaded) << false << 0 << int(Updater::UpdateSeen);
        QTest::newRow("install failed") << int(Updater::InstallFailed) << false << 0 << int(Updater::InstallFailed);
    }

    void cancelPostpones()
    {
        QFETCH(int, state);
        QFETCH(bool, sevenDays);
        QFETCH(int, hours);
        QFETCH(int, after);
        if (state == Updater::InstallFailed)
            QTest::ignoreMessage(QtWarningMsg, "couldn't launch installer");
        QVERIFY(UpdaterTest::bringTo(Updater::State(state), *m_server));
        Clock::setFixedTime(QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC));
        QSettings().remove(QStringLiteral("updater/next-check-time"));
        UpdatesDialog dialog;
        dialog.show();
        if (sevenDays)
            QTest::mouseClick(dialog.sevenDaysButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        const QDateTime next = QSettings().value(QStringLiteral("updater/next-check-time")).toDateTime();
        QCOMPARE(next.isValid(), hours != 0);
        if (hours)
            QCOMPARE(next, Clock::currentDateTimeUtc().addSecs(qint64(hours) * 3600));
        QCOMPARE(int(Updater::instance()->state()), after);
        QCOMPARE(QFile::exists(installerFilePath()), state == Updater::InstallFailed);
    }

    // Download, progress, then Install: the installer the server sent is
    // started.
    void downloadThenInstall()
    {
        QVERIFY(UpdaterTest::bringTo(Updater::UpdateSeen, *m_server));
        UpdatesDialog dialog;
        dialog.show();
        QTest::mouseClick(dialog.downloadButton(), Qt::LeftButton);
        QCOMPARE(shown(dialog), QStringLiteral("bar"));
        QCOMPARE(dialog.stateLabel()->text(), QStringLiteral("Downloading, please wait..."));
        QTRY_COMPARE(dialog.stateLabel()->text(),
                     QStringLiteral("The update has downloaded, click to install the update."));
        QCOMPARE(shown(dialog), QStringLiteral("logo install"));
        QCOMPARE(dialog.progressBar()->maximum(), 300000);
        QCOMPARE(dialog.progressBar()->value(), 300000); // kept while hidden
        UpdaterTest::launchSucceeds() = true;
        QTest::mouseClick(dialog.installButton(), Qt::LeftButton);
        QCOMPARE(UpdaterTest::launched(), QStringList{installerFilePath()});
        QApplication::restoreOverrideCursor();
    }

    void installWaitsForTheDocuments_data()
    {
        QTest::addColumn<bool>("saved"); // the program's documents are written, or the user lets them go
        QTest::newRow("written") << true;
        QTest::newRow("not written, the program stays") << false;
    }

    // The installer ends the program: it starts only once the program may
    // end; else the update waits, its button still there.
    void installWaitsForTheDocuments()
    {
        QFETCH(bool, saved);
        QVERIFY(UpdaterTest::bringTo(Updater::Downloaded, *m_server));
        UpdatesDialog dialog;
        int asked = 0;
        dialog.setBeforeInstall([&] {
            ++asked;
            return saved;
        });
        dialog.show();
        UpdaterTest::launchSucceeds() = true;
        QTest::mouseClick(dialog.installButton(), Qt::LeftButton);
        QCOMPARE(asked, 1);
        QCOMPARE(UpdaterTest::launched(), saved ? QStringList{installerFilePath()} : QStringList());
        QCOMPARE(dialog.installButton()->isEnabled(), !saved);
        QCOMPARE(Updater::instance()->state(), Updater::Downloaded);
        QApplication::restoreOverrideCursor();
    }

    void installFails()
    {
        QVERIFY(UpdaterTest::bringTo(Updater::Downloaded, *m_server));
        UpdatesDialog dialog;
        dialog.show();
        UpdaterTest::launchSucceeds() = false;
        QTest::ignoreMessage(QtWarningMsg, "couldn't launch installer");
        QTest::mouseClick(dialog.installButton(), Qt::LeftButton);
        QCOMPARE(dialog.stateLabel()->text(), QStringLiteral("Install failed."));
        QVERIFY(!dialog.installButton()->isEnabled());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(Updater::instance()->state(), Updater::InstallFailed);
    }

    void downloadFails_data()
    {
        QTest::addColumn<bool>("unwritable");
        QTest::addColumn<QString>("message");
        QTest::newRow("server error") << false << "^unexpected response from server:  500$";
        QTest::newRow("installer file not writable") << true << "^failed to open \".*installer\\.exe\"$";
    }

    void downloadFails()
    {
        QFETCH(bool, unwritable);
        QFETCH(QString, message);
        QVERIFY(UpdaterTest::bringTo(Updater::UpdateSeen, *m_server));
        if (unwritable)
            QVERIFY(QDir().mkpath(installerFilePath()));
        else
            m_server->respondOnce("GET", QStringLiteral("^/clients/"), 500);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(message));
        UpdatesDialog dialog;
        dialog.show();
        QTest::mouseClick(dialog.downloadButton(), Qt::LeftButton);
        const bool said = QTest::qWaitFor([&] { return dialog.stateLabel()->text() == QLatin1String("Download failed"); });
        QDir().rmdir(installerFilePath());
        QVERIFY(said);
        QCOMPARE(shown(dialog), QStringLiteral("logo"));
    }

    // Over plain http the offer stands, but no download: the dialog says why.
    void plainHttpOffersNoDownload()
    {
        m_server = std::make_unique<CheckedFakeServer>(FakeServer::Plain);
        QVERIFY(m_server->start());
        m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
        m_server->setInstaller(QLatin1String(UpdaterTest::installerName()), QByteArray(1000, 'x'), 3055);
        ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
        QSettings().setValue(QStringLiteral("updater/enabled"), true);
        Updater *updater = Updater::create();
        QTRY_COMPARE(updater->state(), Updater::UpdateSeen);
        UpdatesDialog dialog;
        QCOMPARE(shown(dialog), QStringLiteral("logo postpone"));
        QVERIFY(dialog.stateLabel()->text().contains(QStringLiteral("updates need a secure connection")));
        QMetaObject::invokeMethod(&dialog, "onDownloadButtonClicked");
        QCOMPARE(updater->state(), Updater::UpdateSeen);
        QCOMPARE(m_server->requests().size(), 1);
    }
};

PLUMDECK_TEST_MAIN(TstUpdatesDialog)
#include "tst_updatesdialog.moc"
