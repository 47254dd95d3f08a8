#ifndef MAINWINDOWMODE_H
#define MAINWINDOWMODE_H

#include <QList>

class MainWindow;
class QAction;
class QWidget;

// One page of the main window (lists, notepad, Team). A page controller
// derives from QObject first and from this second; the window asks it for the
// widgets to place and the command its sync button runs.
class MainWindowMode
{
public:
    MainWindowMode() = default;
    virtual ~MainWindowMode();

    // Null until the window registers the page (MainWindow::addMode).
    MainWindow *mainWindow() const { return m_mainWindow; }
    void showPreferences();

    virtual QWidget *centralWidget() = 0;
    // The four docked panels of the lists page's Professional and Advanced
    // layouts; null for pages that have none.
    virtual QWidget *taskInfoPanel() = 0;
    virtual QWidget *taskAttachmentsPanel() = 0;
    virtual QWidget *listsGroupsManagerPanel() = 0;
    virtual QWidget *listInfoPanel() = 0;
    virtual QWidget *bottomBarLeftWidget() = 0;
    virtual QWidget *bottomBarRightWidget() = 0;
    virtual QList<QWidget *> titleBarWidgets() = 0;
    virtual QList<QAction *> shortcutActions() = 0;
    virtual QAction *syncAction() = 0;
    virtual QAction *doneTaskAction() = 0;
    // 0 Normal, 1 Professional, 2 Advanced.
    virtual int uiMode() = 0;
    virtual void activated();

private:
    friend class MainWindow;
    MainWindow *m_mainWindow = nullptr;

    Q_DISABLE_COPY(MainWindowMode)
};

#endif
