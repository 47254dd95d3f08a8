#ifndef SYSTEMTRAYICON_H
#define SYSTEMTRAYICON_H

#include <QPointer>
#include <QSystemTrayIcon>

class AboutUsDialog;
class MainWindow;
class QMenu;

// The program's icon in the system tray: brings the main window back after it
// was closed to the tray, jumps to a page, synchronises, opens the web site,
// checks for updates, opens the preferences and the about box, runs the
// modules' commands and quits. Its menu is built afresh at every opening.
class SystemTrayIcon : public QSystemTrayIcon
{
    Q_OBJECT
public:
    explicit SystemTrayIcon(MainWindow *mainWindow);
    ~SystemTrayIcon() override;

    // Whether the program keeps running in the tray when its window closes:
    // "ui/run-in-system-tray", provided there is a tray host to bring the
    // window back from (a desktop or a bare X server may have none).
    static bool keepsRunningInTray();
    // Tests stand in for the tray host: -1 asks the system again.
    static void setTrayHostPresent(int present);

    AboutUsDialog *aboutUsDialog() const { return m_aboutUsDialog; }

public slots:
    void onCheckForUpdatesTriggered();

private slots:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void onMenuAboutToShow();
    void onCheckForUpdatesFinished(bool updateFound);
    void onSyncNowTriggered();
    void onPreferencesTriggered();
    void onViewTasksTriggered();
    void onViewNotesTriggered();
    void onViewContactsTriggered();
    void onAboutPlumdeckTriggered();
    void onCloseAboutUsDialog();

private:
    void addModuleActions();
    void showPage(void (MainWindow::*switchTo)());

    MainWindow *m_mainWindow;
    QPointer<QMenu> m_menu; // a child of the main window too
    AboutUsDialog *m_aboutUsDialog = nullptr;
};

#endif
