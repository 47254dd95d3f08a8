#include "core/module.h"
#include "model/modelscontainer.h"
#include "shell/aboutusdialog.h"
#include "shell/application.h"
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

// The menu as its rows: texts, "-" for separators.
QStringList rows(QMenu *menu)
{
    QStringList rows;
    for (QAction *action : menu->actions())
        rows << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return rows;
}

void setRunInTray(bool on)
{
    QSettings().setValue(QStringLiteral("ui/run-in-system-tray"), on);
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

    QMenu *openMenu()
    {
        QMenu *menu = m_tray->contextMenu();
        menu->popup(QPoint(0, 0));
        return menu;
    }

    void choose(const QString &text)
    {
        QMenu *menu = openMenu();
        for (QAction *action : menu->actions()) {
            if (action->text() == text) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                return;
            }
        }
        QFAIL(qPrintable(QStringLiteral("no row ") + text));
    }

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    }

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
        const QStringList expected{"View Tasks", "View Notes", "View Contacts", "-", "Sync now", "-",
                                   "Plumdeck Online", "Check for updates", "-", "Preferences", "About Plumdeck",
                                   "-", "Quit"};
        QCOMPARE(rows(openMenu()), expected);
        QPointer<QAction> online = m_tray->contextMenu()->actions().at(6);
        m_tray->contextMenu()->hide();

        CommandModule module;
        QStringList withModule = expected;
        withModule.insert(12, QStringLiteral("Outlook sync"));
        QCOMPARE(rows(openMenu()), withModule);
        QVERIFY(!online);
        QCOMPARE(m_tray->icon().pixmap(32).toImage(), QPixmap(QStringLiteral(":/plumdeck-icon.png")).toImage());
    }

    void menuEntries_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("page");
        QTest::newRow("tasks") << "View Tasks" << "lists";
        QTest::newRow("notes") << "View Notes" << "notepad";
        QTest::newRow("contacts, no Team page") << "View Contacts" << "notepad";
        QTest::newRow("sync") << "Sync now" << "lists sync";
        QTest::newRow("web site") << "Plumdeck Online" << "https://www.plumdeck.net/";
    }

    void menuEntries()
    {
        QFETCH(QString, row);
        QFETCH(QString, page);
        m_window->switchToNotepad();
        QSignalSpy synced(m_pages.lists->sync, &QAction::triggered);
        choose(row);
        QString result = static_cast<TestPage *>(dynamic_cast<QObject *>(m_window->currentMode()))->name;
        if (!synced.isEmpty())
            result = QStringLiteral("lists sync");
        if (!m_opened.isEmpty())
            result = m_opened.constFirst().toString();
        QCOMPARE(result, page);
        QCOMPARE(m_window->isVisible(), !row.contains(QLatin1String("Online")));
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
        setRunInTray(runInTray);
        if (before == QLatin1String("shown"))
            QVERIFY(ShellTest::showExposed(m_window.get()));
        if (before == QLatin1String("minimised"))
            m_window->showMinimized();
        emit m_tray->activated(QSystemTrayIcon::DoubleClick);
        emit m_tray->activated(QSystemTrayIcon::Trigger);
        const QString state = !m_window->isVisible() ? QStringLiteral("hidden")
                              : m_window->isMinimized() ? QStringLiteral("minimised")
                                                        : QStringLiteral("shown");
        QCOMPARE(state, after);
        // Closing to the tray saves like any close.
        QCOMPARE(m_pages.log.contains(QStringLiteral("lists")), before == QLatin1String("shown"));
    }

    // Without a tray host the program can never end up hidden.
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
        setRunInTray(runInTray);
        QSettings().setValue(QStringLiteral("ui/start-with-window-open"), startOpen);
        QCOMPARE(startsWithWindowShown(), shown);
        QCOMPARE(SystemTrayIcon::keepsRunningInTray(), host && runInTray);
    }

    void oneAboutBox()
    {
        choose(QStringLiteral("About Plumdeck"));
        QPointer<AboutUsDialog> about = m_tray->aboutUsDialog();
        QVERIFY(about && about->isVisible());
        choose(QStringLiteral("About Plumdeck"));
        QCOMPARE(m_tray->aboutUsDialog(), about.data());
        QTest::mouseClick(about->closeButton(), Qt::LeftButton);
        QVERIFY(!m_tray->aboutUsDialog());
        QTRY_VERIFY(!about);
    }

    void preferencesBringBackTheWindowWhenTheTrayIsTurnedOff()
    {
        setRunInTray(true);
        ShowSettingsAction::Handlers handlers;
        handlers.runDialog = [](MainWindow *) {
            setRunInTray(false);
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
