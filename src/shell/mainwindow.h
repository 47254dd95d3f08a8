#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "shell/customwindow.h"

#include <QList>
#include <QPointer>

#include <functional>
#include <map>

class KeysDialog;
class LaunchHelpAction;
class LoadingModeWidget;
class MainWindowMode;
class ModelsContainer;
class QDialog;
class QFrame;
class QGridLayout;
class QHBoxLayout;
class ShowKeysDialogAction;
class ShowSettingsAction;
class SplashScreen;
class SwitchToFriendsAction;
class SwitchToListsAction;
class SwitchToNotepadAction;
class TestCrashAction;
class ToolButton;
class UpdatesDialog;

// The program's one main window: the self-drawn frame around one page at a
// time (lists, notepad, Team), the bottom bar with the page buttons and the
// sync button, the application commands and the shortcuts dialog. Closing it
// saves the user's data; it then stays in the tray or ends the program.
//
// The pages come from their own areas. Each area plugs in the function that
// builds its page (setPageBuilders) and the steps its page adds to the
// window's own moments (setPageHook); the window reaches a page only through
// MainWindowMode and these hooks.
class MainWindow : public CustomWindow
{
    Q_OBJECT
public:
    struct PageBuilders
    {
        // The Team page (ChatUI::createInstance); asked only when the models
        // container holds both the friends and the chats model.
        std::function<MainWindowMode *(ModelsContainer *models, MainWindow *window)> team;
        // The lists page (ListsUI) over the Team page, or null; it reports its
        // own loading steps on the splash screen, which may be null.
        std::function<MainWindowMode *(ModelsContainer *models, MainWindowMode *team, SplashScreen *splash,
                                       MainWindow *window)>
            lists;
        // The notepad page (NotepadUI) over the lists page.
        std::function<MainWindowMode *(MainWindowMode *lists, MainWindow *window)> notepad;
    };
    // Read by the constructor; a page without a builder is left out.
    static void setPageBuilders(const PageBuilders &builders);

    // What the pages do at the window's own moments.
    enum class PageHook {
        SaveLists,             // closing, and before the updates dialog
        SaveListsGroups,       // closing
        SaveNotepad,           // closing, and before the updates dialog
        SaveFriends,           // closing
        CloseFloatingDialogs,  // closing
        CancelSingleListSyncs, // closing
        MinimizeDialogs,       // the title bar's minimise button
        RaiseDialogs,          // the window's activation changed
        ShowNormalDialogs      // the window is shown
    };
    void setPageHook(PageHook hook, std::function<void()> run);
    // For the hooks that write a document (SaveLists, SaveListsGroups,
    // SaveNotepad): `save` returns why the file could not be written, a
    // sentence naming it and the reason; empty when it was written.
    void setSaveHook(PageHook hook, std::function<QString()> save);

    MainWindow(ModelsContainer *models, SplashScreen *splash);
    ~MainWindow() override;

    MainWindowMode *listsMode() const { return m_listsMode; }
    MainWindowMode *notepadMode() const { return m_notepadMode; }
    MainWindowMode *teamMode() const { return m_teamMode; }
    MainWindowMode *currentMode() const { return m_currentMode; }

    void addMode(MainWindowMode *mode);
    void switchToLists();
    void switchToNotepad();
    void switchToFriends();
    // A null mode (a page that was not built) is ignored.
    void setMode(MainWindowMode *mode);

    void showPreferences();
    // Applies and closes the asking dialog, then asks the updater for a check
    // whose answer comes back to this window.
    void checkForUpdates(QDialog *asking);
    // The user's answer to a manual update check: the updates dialog, unless
    // the updater brings it by itself (a new version seen).
    void answerUpdateCheck(bool updateFound);
    // Runs the modal updates dialog; while one is open, raises that instead.
    void showUpdatesDialog();

    // Closing steps 1 to 5: the documents, the geometry, the floating dialogs
    // and the single-list syncs. Returns what could not be saved, a sentence
    // for each document.
    QStringList runClosingSteps();

    // What a quit that a document kept from happening tells, and what the
    // next such quit asks.
    static QString stayingOpenText(const QStringList &unsaved);
    static QString quitAnywayQuestion(const QStringList &unsaved);

    QList<QAction *> ownActions() const { return m_ownActions; }
    LaunchHelpAction *helpAction() const { return m_launchHelpAction; }
    ShowSettingsAction *settingsAction() const { return m_showSettingsAction; }
    KeysDialog *keysDialog() const { return m_keysDialog; }
    LoadingModeWidget *loadingOverlay() const { return m_loadingOverlay; }
    QGridLayout *contentGrid() const { return m_grid; }
    // Where the current page's widgets are laid out. It exists before the
    // pages are built: a page made inside it is placed without restyling
    // every widget it holds.
    QWidget *pageArea() const { return m_tabContainer; }
    QHBoxLayout *bottomBarLayout() const { return m_bottomBarLayout; }
    ToolButton *syncButton() const { return m_syncButton; }

signals:
    void startUpdateCheck();
    void showLoadingScreen();
    void hideLoadingScreen();

public slots:
    void showKeysDialog();

protected slots:
    void onMinimizeButtonClicked() override;

private slots:
    void onUpdaterUpdateSeen();
    void onCheckForUpdatesFinished(bool updateFound);
    void onUIModeChanged(int mode);
    void onAboutToQuit();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void registerCommands();
    QWidget *createBottomContainer(bool withTeam);
    ToolButton *addPageButton(const QString &image, const char *name, QAction *action, bool blue);
    void removeModeWidgets();
    void rebuildLayout();
    QFrame *placeSeparator(QFrame *separator, int column);
    void placePanel(QWidget *panel, QPointer<QWidget> *placed, int row);
    QString runPageHook(PageHook hook);
    // Steps 1 to 3 with the friends and the geometry; what could not be
    // saved.
    QStringList saveDocuments();
    void closeDialogsAndSyncs();
    // Before the program ends: its documents are written; false when one
    // could not be and the program stays open.
    bool mayEnd();
    // The closing steps of a close or a quit that ends the program: false,
    // with nothing closed, when mayEnd() is.
    bool runEndingSteps();
    // Told once, the user keeps the program open; asked the next time.
    bool mayEndUnsaved(const QStringList &unsaved);
    void connectPageSignal(MainWindowMode *mode, const char *signal, const char *slot);

    KeysDialog *m_keysDialog = nullptr;
    QWidget *m_tabContainer = nullptr;
    QWidget *m_centralWidget = nullptr;
    // A page may delete a docked panel itself (Escape closes it for good).
    QPointer<QWidget> m_taskInfoPanel;
    QPointer<QWidget> m_taskAttachmentsPanel;
    QPointer<QWidget> m_listsGroupsManagerPanel;
    QPointer<QWidget> m_listInfoPanel;
    QWidget *m_bottomBar = nullptr;
    QHBoxLayout *m_bottomBarLayout = nullptr;
    ToolButton *m_syncButton = nullptr;
    ToolButton *m_friendsButton = nullptr;
    ToolButton *m_listsButton = nullptr;
    ToolButton *m_notepadButton = nullptr;
    QList<QAction *> m_ownActions;
    ShowKeysDialogAction *m_showKeysDialogAction = nullptr;
    ShowSettingsAction *m_showSettingsAction = nullptr;
    SwitchToFriendsAction *m_switchToFriendsAction = nullptr;
    SwitchToListsAction *m_switchToListsAction = nullptr;
    SwitchToNotepadAction *m_switchToNotepadAction = nullptr;
    LaunchHelpAction *m_launchHelpAction = nullptr;
    ShowSettingsAction *m_titleBarSettingsAction = nullptr;
    TestCrashAction *m_testCrashAction = nullptr;
    MainWindowMode *m_currentMode = nullptr;
    MainWindowMode *m_listsMode = nullptr;
    MainWindowMode *m_notepadMode = nullptr;
    MainWindowMode *m_teamMode = nullptr;
    LoadingModeWidget *m_loadingOverlay = nullptr;
    QGridLayout *m_grid = nullptr;
    QFrame *m_firstSeparator = nullptr;
    QFrame *m_secondSeparator = nullptr;

    std::map<PageHook, std::function<QString()>> m_pageHooks;
    QPointer<UpdatesDialog> m_updatesDialog;
    // The closing steps ran for the end of the program; nothing saves again.
    bool m_exitStepsDone = false;
    // A quit stayed open because a document could not be saved, and no save
    // at closing has worked since: the next such quit asks.
    bool m_toldUnsaved = false;
};

#endif
