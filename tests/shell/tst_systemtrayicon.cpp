#include "app/application.h"
#include "core/module.h"
#include "model/modelscontainer.h"
#include "shell/aboutusdialog.h"
#include "shell/showsettingsaction.h"
#include "shell/systemtrayicon.h"
#include "shell/toolbutton.h"
#include "shelltest.h"
#include "testenvironment.h"
#include "testpages.h"

#include <QDesktopServices>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>

#include <memory>

namespace {

class CommandModule : public Module
{
public:
    QList<QAction *> actions() override { return {&command}; }
    QAction command{QStringLiteral("Outlook sync")};
};

void setting(const char *key, bool on)
{
    QSettings().setValue(QLatin1String(key), on);
}

} // namespace

class TstSystemTrayIcon : public QObject
{
    Q_OBJECT
private:
    TestPages<> m_pages;
    ModelsContainer m_models;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<SystemTrayIcon> m_tray;
    QList<QUrl> m_opened;

    // The menu as its rows: texts, "-" for separators.
    QStringList openMenu()
    {
        QMenu *menu = m_tray->contextMenu();
        menu->popup(QPoint(0, 0));
        QStringList rows;
        for (QAction *action : menu->actions())
            rows << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return rows;
    }

    void choose(const QString &text)
    {
        const int row = openMenu().indexOf(text);
        QMenu *menu = m_tray->contextMenu();
        QVERIFY(row >= 0);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().at(row)).center());
    }

    QString state() const
    {
        return !m_window->isVisible() ? QStringLiteral("hidden")
               : m_window->isMinimized() ? QStringLiteral("minimised")
                                         : QStringLiteral("shown");
    }

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }

    void init()
    {
        SystemTrayIcon::setTrayHostPresent(1);
        m_pages = TestPages<>();
        m_pages.install();
        m_window = std::make_unique<MainWindow>(&m_models, nullptr);
        m_tray = std::make_unique<SystemTrayIcon>(m_window.get());
    }

    void cleanup()
    {
        m_tray.reset();
        m_window.reset();
        m_opened.clear();
        QSettings().clear();
    }

    void menuRowsAreBuiltAtEachOpening()
    {
        QStringList expected{"View Tasks", "View Notes", "View Contacts", "-", "Sync now", "-", "Plumdeck Online",
                             "Check for updates", "-", "Preferences", "About Plumdeck", "-", "Quit"};
        QCOMPARE(openMenu(), expected);
        QPointer<QAction> online = m_tray->contextMenu()->actions().at(6);
        m_tray->contextMenu()->hide();
        CommandModule module;
        expected.insert(12, QStringLiteral("Outlook sync"));
        QCOMPARE(openMenu(), expected);
        QVERIFY(!online);
    }

    void menuEntries_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("result");
        QTest::newRow("tasks") << "View Tasks" << "lists";
        QTest::newRow("notes") << "View Notes" << "notepad";
        QTest::newRow("contacts, no Team page") << "View Contacts" << "notepad";
        QTest::newRow("sync") << "Sync now" << "lists sync";
        QTest::newRow("web site") << "Plumdeck Online" << "https://www.plumdeck.net/";
    }

    void menuEntries()
    {
        QFETCH(QString, row);
        QFETCH(QString, result);
        m_window->switchToNotepad();
        QSignalSpy synced(m_pages.lists->sync, &QAction::triggered);
        choose(row);
        QString outcome = static_cast<TestPage *>(dynamic_cast<QObject *>(m_window->currentMode()))->name;
        if (!synced.isEmpty())
            outcome = QStringLiteral("lists sync");
        if (!m_opened.isEmpty())
            outcome = m_opened.constFirst().toString();
        QCOMPARE(outcome, result);
        QCOMPARE(m_window->isVisible(), m_opened.isEmpty());
    }

    void clickRules_data()
    {
        QTest::addColumn<int>("host");
        QTest::addColumn<bool>("runInTray");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("hidden: shown") << 1 << true << "hidden" << "shown";
        QTest::newRow("shown: closed to the tray") << 1 << true << "shown" << "hidden";
        QTest::newRow("minimised: restored") << 1 << true << "minimised" << "shown";
        QTest::newRow("tray setting off") << 1 << false << "hidden" << "hidden";
        QTest::newRow("no tray host") << 0 << true << "hidden" << "hidden";
    }

    void clickRules()
    {
        QFETCH(int, host);
        QFETCH(bool, runInTray);
        QFETCH(QString, before);
        QFETCH(QString, after);
        SystemTrayIcon::setTrayHostPresent(host);
        setting("ui/run-in-system-tray", runInTray);
        if (before != QLatin1String("hidden"))
            QVERIFY(ShellTest::showExposed(m_window.get()));
        if (before == QLatin1String("minimised"))
            m_window->showMinimized();
        emit m_tray->activated(QSystemTrayIcon::DoubleClick);
        QCOMPARE(state(), before);
        emit m_tray->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(state(), after);
        // Closing to the tray saves like any close.
        QCOMPARE(m_pages.log.contains(QStringLiteral("lists")), before == QLatin1String("shown"));
    }

    // Without a tray host the program never starts hidden.
    void startsShown_data()
    {
        QTest::addColumn<int>("host");
        QTest::addColumn<bool>("runInTray");
        QTest::addColumn<bool>("startOpen");
        QTest::addColumn<bool>("shown");
        QTest::newRow("tray, start hidden") << 1 << true << false << false;
        QTest::newRow("tray, start open") << 1 << true << true << true;
        QTest::newRow("no tray setting") << 1 << false << false << true;
        QTest::newRow("no tray host") << 0 << true << false << true;
    }

    void startsShown()
    {
        QFETCH(int, host);
        QFETCH(bool, runInTray);
        QFETCH(bool, startOpen);
        QFETCH(bool, shown);
        SystemTrayIcon::setTrayHostPresent(host);
        setting("ui/run-in-system-tray", runInTray);
        setting("ui/start-with-window-open", startOpen);
        QCOMPARE(startsWithWindowShown(), shown);
    }

    void oneAboutBox()
    {
        choose(QStringLiteral("About Plumdeck"));
        QPointer<AboutUsDialog> about = m_tray->aboutUsDialog();
        QVERIFY(about && about->isVisible());
        choose(QStringLiteral("About Plumdeck"));
        QCOMPARE(m_tray->aboutUsDialog(), about.data());
        QCOMPARE(about->closeButton()->geometry().topRight(), QPoint(about->width() - 12, 12));
        QCOMPARE(about->findChild<QLabel *>(QStringLiteral("versionLabel"))->geometry().right(), about->width() - 39);
        QTest::mouseClick(about->closeButton(), Qt::LeftButton);
        QVERIFY(!m_tray->aboutUsDialog());
        QTRY_VERIFY(!about);
    }

    void preferencesBringBackTheWindowWhenTheTrayIsTurnedOff()
    {
        setting("ui/run-in-system-tray", true);
        ShowSettingsAction::Handlers handlers;
        handlers.runDialog = [](MainWindow *) {
            setting("ui/run-in-system-tray", false);
            return ShowSettingsAction::Outcome{true};
        };
        ShowSettingsAction::setHandlers(handlers);
        choose(QStringLiteral("Preferences"));
        QVERIFY(m_window->isVisible());
        ShowSettingsAction::setHandlers({});
    }
};

PLUMDECK_TEST_MAIN(TstSystemTrayIcon)
#include "tst_systemtrayicon.moc"
