#include "shell/systemtrayicon.h"

#include "core/module.h"
#include "core/uisettings.h"
#include "shell/aboutusdialog.h"
#include "shell/launchurlaction.h"
#include "shell/mainwindow.h"
#include "shell/mainwindowmode.h"
#include "sync/requests/updater.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

namespace {
int g_trayHostPresent = -1;
}

bool SystemTrayIcon::keepsRunningInTray()
{
    const bool host = g_trayHostPresent < 0 ? QSystemTrayIcon::isSystemTrayAvailable() : g_trayHostPresent != 0;
    return host && UISettings::instance()->runInSystemTray();
}

void SystemTrayIcon::setTrayHostPresent(int present)
{
    g_trayHostPresent = present;
}

SystemTrayIcon::SystemTrayIcon(MainWindow *mainWindow)
    : QSystemTrayIcon(mainWindow), m_mainWindow(mainWindow), m_menu(new QMenu(mainWindow))
{
    // Over the main window and named, assistive tools can place and announce
    // the menu; without a parent window it reaches them as nobody's.
    m_menu->setAccessibleName(tr("Plumdeck"));
    setIcon(QIcon(QStringLiteral(":/plumdeck-icon.png")));
    setContextMenu(m_menu);
    connect(m_menu, &QMenu::aboutToShow, this, &SystemTrayIcon::onMenuAboutToShow);
    connect(this, &QSystemTrayIcon::activated, this, &SystemTrayIcon::onActivated);
}

SystemTrayIcon::~SystemTrayIcon()
{
    delete m_menu;
    delete m_aboutUsDialog;
}

void SystemTrayIcon::onMenuAboutToShow()
{
    m_menu->clear();
    m_menu->addAction(tr("View Tasks"), this, &SystemTrayIcon::onViewTasksTriggered);
    m_menu->addAction(tr("View Notes"), this, &SystemTrayIcon::onViewNotesTriggered);
    m_menu->addAction(tr("View Contacts"), this, &SystemTrayIcon::onViewContactsTriggered);
    m_menu->addSeparator();
    m_menu->addAction(tr("Sync now"), this, &SystemTrayIcon::onSyncNowTriggered);
    m_menu->addSeparator();
    m_menu->addAction(new LaunchUrlAction(tr("Plumdeck Online"), tr("https://www.plumdeck.net/"), m_menu));
    m_menu->addAction(tr("Check for updates"), this, &SystemTrayIcon::onCheckForUpdatesTriggered);
    m_menu->addSeparator();
    m_menu->addAction(tr("Preferences"), this, &SystemTrayIcon::onPreferencesTriggered);
    m_menu->addAction(tr("About Plumdeck"), this, &SystemTrayIcon::onAboutPlumdeckTriggered);
    m_menu->addSeparator();
    addModuleActions();
    m_menu->addAction(tr("Quit"), qApp, &QCoreApplication::quit);
    m_menu->raise();
}

void SystemTrayIcon::addModuleActions()
{
    const QList<Module *> modules = Module::modules();
    for (Module *module : modules) {
        const QList<QAction *> actions = module->actions();
        for (QAction *action : actions)
            m_menu->addAction(action);
    }
}

void SystemTrayIcon::showPage(void (MainWindow::*switchTo)())
{
    m_mainWindow->showNormal();
    m_mainWindow->show();
    m_mainWindow->activateWindow();
    (m_mainWindow->*switchTo)();
}

void SystemTrayIcon::onViewTasksTriggered()
{
    showPage(&MainWindow::switchToLists);
}

void SystemTrayIcon::onViewNotesTriggered()
{
    showPage(&MainWindow::switchToNotepad);
}

void SystemTrayIcon::onViewContactsTriggered()
{
    showPage(&MainWindow::switchToFriends);
}

void SystemTrayIcon::onSyncNowTriggered()
{
    m_mainWindow->show();
    m_mainWindow->activateWindow();
    // The lists page's sync command, the one its bottom-bar button runs.
    if (MainWindowMode *lists = m_mainWindow->listsMode()) {
        if (QAction *sync = lists->syncAction())
            sync->trigger();
    }
}

void SystemTrayIcon::onPreferencesTriggered()
{
    m_mainWindow->showPreferences();
    if (!keepsRunningInTray()) {
        m_mainWindow->show();
        m_mainWindow->activateWindow();
    }
}

void SystemTrayIcon::onAboutPlumdeckTriggered()
{
    if (!m_aboutUsDialog) {
        m_aboutUsDialog = new AboutUsDialog;
        connect(m_aboutUsDialog, &AboutUsDialog::closeDialog, this, &SystemTrayIcon::onCloseAboutUsDialog);
    }
    m_aboutUsDialog->show();
    m_aboutUsDialog->raise();
}

void SystemTrayIcon::onCloseAboutUsDialog()
{
    if (!m_aboutUsDialog)
        return;
    m_aboutUsDialog->close();
    m_aboutUsDialog->deleteLater();
    m_aboutUsDialog = nullptr;
}

void SystemTrayIcon::onCheckForUpdatesTriggered()
{
    if (Updater *updater = Updater::instance())
        updater->checkNow(this, SLOT(onCheckForUpdatesFinished(bool)));
}

void SystemTrayIcon::onCheckForUpdatesFinished(bool updateFound)
{
    m_mainWindow->answerUpdateCheck(updateFound);
}

void SystemTrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger || !keepsRunningInTray())
        return;
    if (!m_mainWindow->isVisible()) {
        m_mainWindow->show();
        m_mainWindow->activateWindow();
    } else if (!m_mainWindow->isMinimized()) {
        m_mainWindow->close();
    } else {
        m_mainWindow->setWindowState((m_mainWindow->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    }
}
