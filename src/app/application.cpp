#include "app/application.h"

#include "app/markersingleapplication.h"
#include "contacts/chatui.h"
#include "contacts/contactsmodels.h"
#include "contacts/friends.h"
#include "contacts/idlenessmonitor.h"
#include "contacts/idlenesssender.h"
#include "contacts/user.h"
#include "core/datafolderlock.h"
#include "core/logging.h"
#include "core/options.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/settingsfile.h"
#include "core/stylesheetloader.h"
#include "core/uisettings.h"
#include "dialogs/assigneechat.h"
#include "dialogs/backupdialog.h"
#include "lists/listsui.h"
#include "model/modelscontainer.h"
#include "model/notepadnotes.h"
#include "model/userlists.h"
#include "notepad/notepadui.h"
#include "outlook/outlookmodule.h"
#include "shell/mainwindow.h"
#include "shell/messagedialog.h"
#include "shell/plumdeckstyle.h"
#include "shell/prefsdialog.h"
#include "shell/splashscreen.h"
#include "shell/systemtrayicon.h"
#include "sync/runs/savefailure.h"
#include "sync/requests/serverpoller.h"
#include "sync/requests/updater.h"
#include "syncui/connectiontestdialog.h"
#include "syncui/listssyncui.h"
#include "syncui/sslerrorsui.h"
#include "syncui/syncnoticeboxes.h"

#include <QDebug>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QSettings>
#include <QTranslator>

#include <memory>

namespace {

int *g_argc = nullptr;
char **g_argv = nullptr;
MarkerSingleApplication *g_application = nullptr;
SplashScreen *g_splash = nullptr;
ModelsContainer *g_models = nullptr;
ContactsModels *g_contacts = nullptr;
QString g_programPath;
// Held from before the log is switched until shutdown, which lets it go before
// a restart starts the next run.
std::unique_ptr<DataFolderLock> g_dataFolderLock;

// The task information dialog chats with an assignee through the Team page.
class TeamAssigneeChat : public AssigneeChat
{
public:
    explicit TeamAssigneeChat(ChatUI *team) : m_team(team) {}
    bool canChatWith(const QString &nick) const override { return m_team->isFriend(User::get(nick)); }
    void startChatWith(const QString &nick) override { m_team->startChatWith(User::get(nick)); }

private:
    ChatUI *m_team;
};

// The window-side objects of one run, destroyed tray icon first and main
// window last.
struct Windows
{
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<SystemTrayIcon> trayIcon;
    std::unique_ptr<OutlookModule> outlook;
    std::unique_ptr<TeamAssigneeChat> assigneeChat;

    ~Windows()
    {
        trayIcon.reset();
        outlook.reset();
        mainWindow.reset();
    }
};

// The backup asked for in the preferences, over the page's current lists;
// restored lists take the place of all lists on the page.
void runBackupDialog(ListsUI *lists, MainWindow *parent)
{
    BackupDialog dialog(lists->userLists(), lists->listsGroups(), parent);
    // Window managers differ in placing frameless dialogs; keep it over the window.
    dialog.setCenterOnParent(true);
    QObject::connect(&dialog, &BackupDialog::listsRestored, lists, &ListsUI::setUserLists);
    QObject::connect(&dialog, &BackupDialog::listsGroupsChanged, lists, &ListsUI::reloadListsGroupsManager);
    dialog.exec();
}

// What the lists page does at the window's own moments.
void plugListsPage(MainWindow *window, ListsUI *lists)
{
    // A save that fails is told by the window, which stays open rather than
    // lose what the file lacks.
    window->setSaveHook(MainWindow::PageHook::SaveLists, [lists] {
        SaveFailure failure;
        return lists->saveLists(&failure) ? QString() : failure.text();
    });
    window->setSaveHook(MainWindow::PageHook::SaveListsGroups, [lists] {
        SaveFailure failure;
        return lists->saveListsGroups(&failure) ? QString() : failure.text();
    });
    window->setPageHook(MainWindow::PageHook::CloseFloatingDialogs, [lists] { lists->closeHiddenDialogs(); });
    window->setPageHook(MainWindow::PageHook::CancelSingleListSyncs, [lists] { lists->cancelSingleListSyncs(); });
    window->setPageHook(MainWindow::PageHook::MinimizeDialogs, [lists] { lists->onMinimizeButtonClicked(); });
    window->setPageHook(MainWindow::PageHook::RaiseDialogs, [lists] { lists->raiseDialogs(); });
    window->setPageHook(MainWindow::PageHook::ShowNormalDialogs, [lists] { lists->showNormalDialogs(); });

    ShowSettingsAction::Handlers preferences = ShowSettingsAction::handlers();
    preferences.backup = [lists](MainWindow *parent) { runBackupDialog(lists, parent); };
    // The forced runs the preferences ask for, each with a front end of its own.
    preferences.forceLocalSync = [lists](MainWindow *) {
        ListsSyncUI front(lists->userLists(), lists);
        front.forceLocalSync();
    };
    preferences.forceRemoteSync = [lists](MainWindow *) {
        ListsSyncUI front(lists->userLists(), lists);
        front.forceRemoteSync();
    };
    ShowSettingsAction::setHandlers(preferences);
}

// The lists the notepad's "Move To List", the Outlook command and the
// preferences work on, read when they are used: a restored backup replaces them.
UserLists *currentUserLists(MainWindow *window)
{
    auto *lists = dynamic_cast<ListsUI *>(window->listsMode());
    return lists ? lists->userLists() : nullptr;
}

// The notepad page, over the lists page, saved with the window's closing steps.
void plugNotepadPage(MainWindow::PageBuilders &builders)
{
    builders.notepad = [](MainWindowMode *lists, MainWindow *window) -> MainWindowMode * {
        return new NotepadUI(lists, [window] { return currentUserLists(window); });
    };
}

void hookNotepadPage(MainWindow *window)
{
    if (auto *notepad = dynamic_cast<NotepadUI *>(window->notepadMode()))
        window->setSaveHook(MainWindow::PageHook::SaveNotepad, [notepad] {
            QString error;
            return notepad->save(&error) ? QString()
                                         : SaveFailure(SaveFailure::Notes, NotepadNotes::filePath(), error).text();
        });
}

void createServicesAndWindows(Windows &windows)
{
    ServerPoller::create();
    Updater::create();
    // A list synchronised alone asks about certificates over its page.
    SslErrorHandler::setMaker([](QWidget *window) -> SslErrorHandler * { return new SslErrorsUI(window); });
    // What a run must tell, in a message box it waits for.
    static SyncNoticeBoxes noticeBoxes;
    SyncNotices::setTeller(&noticeBoxes);
    IdlenessMonitor::createInstance();
    IdlenessSender::createInstance();

    g_models = ModelsContainer::create(nullptr);
    g_contacts = new ContactsModels(g_models);

    ShowSettingsAction::Handlers preferences = ShowSettingsAction::handlers();
    preferences.runDialog = &PrefsDialog::run;
    ShowSettingsAction::setHandlers(preferences);
    PrefsDialog::setListsSource(
        [](MainWindow *window) -> UserLists * { return window ? currentUserLists(window) : nullptr; });
    PrefsDialog::setConnectionTest([](QWidget *parent) {
        ConnectionTestDialog dialog(parent);
        dialog.exec();
    });
    MainWindow::PageBuilders pages;
    pages.team = [](ModelsContainer *models, MainWindow *window) -> MainWindowMode * {
        return ChatUI::createInstance(models, window);
    };
    pages.lists = [](ModelsContainer *models, MainWindowMode *team, SplashScreen *splash, MainWindow *window) {
        return static_cast<MainWindowMode *>(
            new ListsUI(models, dynamic_cast<ChatUI *>(team), splash, nullptr, window->pageArea()));
    };
    plugNotepadPage(pages);
    MainWindow::setPageBuilders(pages);

    windows.mainWindow = std::make_unique<MainWindow>(g_models, g_splash);
    MainWindow *window = windows.mainWindow.get();
    window->setObjectName(QStringLiteral("mainwindow"));
    g_application->setMainWindow(window);
    if (auto *lists = dynamic_cast<ListsUI *>(window->listsMode())) {
        plugListsPage(window, lists);
        if (auto *team = dynamic_cast<ChatUI *>(window->teamMode())) {
            windows.assigneeChat = std::make_unique<TeamAssigneeChat>(team);
            lists->setAssigneeChat(windows.assigneeChat.get());
        }
    }
    hookNotepadPage(window);
    window->setPageHook(MainWindow::PageHook::SaveFriends, [friends = g_contacts->friends()] { friends->save(); });
    windows.outlook = std::make_unique<OutlookModule>([window] { return currentUserLists(window); });

    windows.trayIcon = std::make_unique<SystemTrayIcon>(window);
    QObject::connect(window, &MainWindow::startUpdateCheck, windows.trayIcon.get(),
                     &SystemTrayIcon::onCheckForUpdatesTriggered);
    windows.trayIcon->show();

    if (startsWithWindowShown())
        window->show();
    window->setAttribute(Qt::WA_StyledBackground);
}

// The program's style and the style sheet of the skin in use (or the loader).
void applyStyle()
{
    QApplication::setStyle(new PlumdeckStyle);
    // Applied again after a question at start-up: one loader is enough.
    static StyleSheetLoader *loader = nullptr;
    if (Options::stylesheetloader.value() && !loader)
        loader = new StyleSheetLoader(QStringLiteral("resources/default.css"));
    else if (Options::nostylesheet.value())
        loadStyleSheet(UISettings::instance()->styleSheetPath());
}

// Whether this run may go on: it holds the data folder, or the folder cannot
// carry a lock at all (as before, unguarded). An instance already running on
// the folder is told about, whatever -multiple says, and nothing is written.
// A lock written on another machine is taken over only when the user says
// nothing runs there on this folder.
bool holdDataFolder()
{
    g_dataFolderLock = std::make_unique<DataFolderLock>(userDataDir());
    if (g_dataFolderLock->tryLock())
        return true;
    const QString folder = QDir::toNativeSeparators(g_dataFolderLock->folderPath());
    if (g_dataFolderLock->error() != QLockFile::LockFailedError) {
        qWarning() << "could not lock the data folder" << folder;
        return true;
    }
    applyStyle();
    const QString lockFile = QDir::toNativeSeparators(g_dataFolderLock->lockFilePath());
    if (g_dataFolderLock->isHeldElsewhere()) {
        qWarning() << "the data folder" << folder << "is locked by a run on" << g_dataFolderLock->otherHost()
                   << "since" << g_dataFolderLock->heldSince();
        std::unique_ptr<MessageDialog> question(
            newDataFolderElsewhereQuestion(folder, g_dataFolderLock->otherHost(), g_dataFolderLock->heldSince()));
        // A plain start meanwhile brings the question forward.
        g_application->setMainWindow(question.get());
        const bool takeOver = question->exec() == QDialog::Accepted;
        g_application->setMainWindow(nullptr);
        question.reset();
        if (!takeOver) {
            qWarning() << "exiting: the data folder was not taken over";
            return false;
        }
        if (g_dataFolderLock->takeOver()) {
            qWarning() << "the data folder" << folder << "was taken over";
            return true;
        }
        qWarning() << "exiting: the data folder could not be taken over";
        MessageDialog failed(dataFolderElsewhereTitle(), dataFolderNotTakenOverText(folder, lockFile), false);
        g_application->setMainWindow(&failed);
        failed.exec();
        g_application->setMainWindow(nullptr);
        return false;
    }
    qWarning() << "exiting because an instance is already running on" << folder;
    MessageDialog dialog(dataFolderInUseTitle(), dataFolderInUseText(folder, lockFile), false);
    // A plain start meanwhile brings this message forward.
    g_application->setMainWindow(&dialog);
    dialog.exec();
    return false;
}

} // namespace

QString dataFolderInUseTitle()
{
    return QCoreApplication::translate("Application", "Plumdeck is already running");
}

QString dataFolderInUseText(const QString &folder, const QString &lockFile)
{
    return QCoreApplication::translate("Application",
                                       "Another Plumdeck window is already running on the data folder\n%1\n\n"
                                       "Use that window (it may be hidden in the system tray), or quit it before "
                                       "starting Plumdeck again: two on one folder would save over each other's "
                                       "lists, notes and contacts.\n\n"
                                       "It holds the lock file\n%2")
        .arg(folder, lockFile);
}

QString dataFolderElsewhereTitle()
{
    return QCoreApplication::translate("Application", "Data folder in use on another computer");
}

QString dataFolderElsewhereText(const QString &folder, const QString &host, const QDateTime &since)
{
    return QCoreApplication::translate(
               "Application",
               "The data folder\n%1\nhas been in use by Plumdeck on the computer \"%2\" since %3.\n\n"
               "If Plumdeck still runs there on this folder (a home folder shared over the network), quit it "
               "there first: two on one folder would save over each other's lists, notes and contacts.\n\n"
               "If it does not (this folder was copied or restored from a copy made while Plumdeck ran, or that "
               "computer stopped without quitting Plumdeck), this computer can take the folder over.\n\n"
               "Take the data folder over?")
        .arg(folder, host, QLocale().toString(since, QLocale::LongFormat));
}

MessageDialog *newDataFolderElsewhereQuestion(const QString &folder, const QString &host, const QDateTime &since)
{
    auto *question = new MessageDialog(dataFolderElsewhereTitle(), dataFolderElsewhereText(folder, host, since), true);
    question->setOkButtonText(QCoreApplication::translate("Application", "Take over"));
    // Taken over while the other computer still runs on the folder, both
    // would save over each other: a Return typed on the way does not do it.
    question->makeCancelTheDefault();
    return question;
}

QString dataFolderNotTakenOverText(const QString &folder, const QString &lockFile)
{
    return QCoreApplication::translate("Application",
                                       "The data folder\n%1\ncould not be taken over: its lock file\n%2\n"
                                       "changed meanwhile or could not be removed. Plumdeck may be running on "
                                       "this folder after all; nothing was written.")
        .arg(folder, lockFile);
}

void keepArguments(int &argc, char **argv)
{
    g_argc = &argc;
    g_argv = argv;
}

bool startsWithWindowShown()
{
    return !SystemTrayIcon::keepsRunningInTray() || UISettings::instance()->startWithWindowOpen();
}

int runApplication()
{
    loadCrashLogger();
    g_application = new MarkerSingleApplication(*g_argc, g_argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowgate"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("marrowgate.net"));
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    // Before anything writes the settings: they hold the password.
    SettingsFile::keepPrivate();
    rememberProgramPath(QCoreApplication::applicationFilePath());

    Options::parse(QCoreApplication::arguments());
    if (!Options::multiple.value() && g_application->isAnotherInstanceRunning()) {
        qDebug() << "exiting because an instance is already running";
        return 0;
    }
    if (!holdDataFolder())
        return 1;

    initLogging();
    UISettings::instance()->setSkin(UISettings::instance()->nextSkin());
    showSplashScreen();
    QApplication::setQuitOnLastWindowClosed(false);
    enableLogModules();
    setUpLocale();
    applyStyle();

    {
        Windows windows;
        createServicesAndWindows(windows);
        if (Options::test.value())
            qWarning("Testing not compiled in.  Option -test ignored.");
        closeSplashScreen();
        QApplication::exec();
    }
    return 0;
}

void shutdownApplication()
{
    QApplication::closeAllWindows();
    QCoreApplication::quit();
    if (g_models) {
        // The models before their container, friends first.
        delete g_contacts;
        g_contacts = nullptr;
        ModelsContainer::destroy();
        g_models = nullptr;
    }
    delete g_application;
    g_application = nullptr;
    g_dataFolderLock.reset();
}

void rememberProgramPath(const QString &path)
{
    g_programPath = path;
}

bool restartProgram()
{
    // The running program's own file, never whatever a search finds first.
    if (g_programPath.isEmpty() || !QProcess::startDetached(g_programPath, {})) {
        qWarning() << "could not start the program again" << g_programPath;
        return false;
    }
    return true;
}

void showSplashScreen()
{
    if (!QSettings().value(QStringLiteral("ui/show-splash-screen"), true).toBool())
        return;
    g_splash = new SplashScreen;
    g_splash->show();
    QCoreApplication::processEvents();
}

void closeSplashScreen()
{
    delete g_splash;
    g_splash = nullptr;
}

void setUpLocale()
{
    if (!Options::locale.value().isNull())
        QLocale::setDefault(QLocale(Options::locale.value()));
    loadTranslation(QStringLiteral("qt"));
    loadTranslation(QStringLiteral("plumdeck"));
}

bool loadTranslation(const QString &baseName)
{
    const QString file = QStringLiteral("translations/%1_%2").arg(baseName, QLocale().name());
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(file)) {
        qDebug() << "no translation" << file;
        return false;
    }
    qDebug() << "loaded translation" << file;
    QCoreApplication::installTranslator(translator);
    return true;
}

void loadStyleSheet(const QString &path)
{
    qDebug() << "reading style sheet" << path;
    QFile file(path);
    QString sheet;
    if (file.open(QIODevice::ReadOnly))
        sheet = QString::fromUtf8(file.readAll());
    qApp->setStyleSheet(sheet);
}
