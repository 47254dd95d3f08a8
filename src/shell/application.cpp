#include "shell/application.h"

#include "contacts/chats.h"
#include "contacts/friends.h"
#include "core/logging.h"
#include "core/markersingleapplication.h"
#include "core/options.h"
#include "core/platform.h"
#include "core/stylesheetloader.h"
#include "core/uisettings.h"
#include "lists/listsui.h"
#include "model/modelscontainer.h"
#include "model/notepadnotes.h"
#include "shell/mainwindow.h"
#include "shell/plumdeckstyle.h"
#include "shell/prefsdialog.h"
#include "shell/splashscreen.h"
#include "shell/systemtrayicon.h"
#include "sync/connectiontestdialog.h"
#include "sync/listssyncui.h"
#include "sync/serverpoller.h"
#include "sync/updater.h"

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
bool g_restartRequested = false;
QString g_programPath;

// The window-side objects of one run, destroyed tray icon first and main
// window last.
struct Windows
{
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<SystemTrayIcon> trayIcon;
    std::unique_ptr<NotepadNotes> notepad;

    ~Windows()
    {
        trayIcon.reset();
        mainWindow.reset();
        if (notepad) {
            const QList<NotepadNote *> notes = notepad->notes();
            notepad.reset();
            qDeleteAll(notes);
        }
    }
};

// A full synchronisation brings the notepad into step as well. Until a
// notepad page makes the notepad and shows it, one is kept here, doing the
// view's part of the synchronisers' requests.
void keepNotepad(Windows &windows)
{
    if (NotepadNotes::instance())
        return;
    windows.notepad = std::make_unique<NotepadNotes>();
    NotepadNotes *notes = windows.notepad.get();
    if (!notes->load())
        qWarning() << "could not read the notepad" << NotepadNotes::filePath();
    QObject::connect(notes, &NotepadNotes::addNoteToModelAndView, notes,
                     [notes](NotepadNote *note) { notes->appendNote(note); });
    QObject::connect(notes, &NotepadNotes::removeNoteFromView, notes, [notes](NotepadNote *note) {
        if (note->syncStatus() == NotepadNote::New)
            notes->purgeNote(note);
        else
            note->setSyncStatus(NotepadNote::Deleted);
    });
    QObject::connect(notes, &NotepadNotes::deleteAndPurgeEverythingSignal, notes, [notes] {
        const QList<NotepadNote *> all = notes->notes();
        for (NotepadNote *note : all)
            notes->purgeNote(note);
    });
}

// What the lists page does at the window's own moments.
void plugListsPage(MainWindow *window, ListsUI *lists)
{
    window->setPageHook(MainWindow::PageHook::SaveLists, [lists] { lists->saveLists(); });
    window->setPageHook(MainWindow::PageHook::SaveListsGroups, [lists] { lists->saveListsGroups(); });
    window->setPageHook(MainWindow::PageHook::CloseFloatingDialogs, [lists] { lists->closeHiddenDialogs(); });
    window->setPageHook(MainWindow::PageHook::CancelSingleListSyncs, [lists] { lists->cancelSingleListSyncs(); });
    window->setPageHook(MainWindow::PageHook::MinimizeDialogs, [lists] { lists->onMinimizeButtonClicked(); });
    window->setPageHook(MainWindow::PageHook::RaiseDialogs, [lists] { lists->raiseDialogs(); });
    window->setPageHook(MainWindow::PageHook::ShowNormalDialogs, [lists] { lists->showNormalDialogs(); });

    // The forced runs the preferences ask for, each with a front end of its own.
    ShowSettingsAction::Handlers preferences = ShowSettingsAction::handlers();
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

void createServicesAndWindows(Windows &windows)
{
    ServerPoller::create();
    Updater::create();

    g_models = ModelsContainer::create(nullptr);
    auto *chats = new Chats;
    auto *friends = new Friends;
    g_models->setFriends(friends);
    g_models->setChats(chats);

    ShowSettingsAction::Handlers preferences = ShowSettingsAction::handlers();
    preferences.runDialog = &PrefsDialog::run;
    ShowSettingsAction::setHandlers(preferences);
    PrefsDialog::setConnectionTest([](QWidget *parent) {
        ConnectionTestDialog dialog(parent);
        dialog.exec();
    });
    MainWindow::PageBuilders builders;
    builders.lists = [](ModelsContainer *models, MainWindowMode *, SplashScreen *splash, MainWindow *) {
        // No Team page yet: the lists page runs without a chat controller.
        return static_cast<MainWindowMode *>(new ListsUI(models, nullptr, splash));
    };
    MainWindow::setPageBuilders(builders);

    windows.mainWindow = std::make_unique<MainWindow>(g_models, g_splash);
    MainWindow *window = windows.mainWindow.get();
    if (auto *lists = dynamic_cast<ListsUI *>(window->listsMode()))
        plugListsPage(window, lists);
    window->setObjectName(QStringLiteral("mainwindow"));
    g_application->setMainWindow(window);
    window->setPageHook(MainWindow::PageHook::SaveFriends, [friends] { friends->save(); });
    keepNotepad(windows);

    windows.trayIcon = std::make_unique<SystemTrayIcon>(window);
    QObject::connect(window, &MainWindow::startUpdateCheck, windows.trayIcon.get(),
                     &SystemTrayIcon::onCheckForUpdatesTriggered);
    windows.trayIcon->show();

    if (startsWithWindowShown())
        window->show();
    window->setAttribute(Qt::WA_StyledBackground);
}

} // namespace

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
    rememberProgramPath(QCoreApplication::applicationFilePath());

    Options::parse(QCoreApplication::arguments());
    if (!Options::multiple.value() && g_application->isAnotherInstanceRunning()) {
        qDebug() << "exiting because an instance is already running";
        return 0;
    }

    initLogging();
    UISettings::instance()->setSkin(UISettings::instance()->nextSkin());
    showSplashScreen();
    QApplication::setQuitOnLastWindowClosed(false);
    enableLogModules();
    setUpLocale();
    QApplication::setStyle(new PlumdeckStyle);
    if (Options::stylesheetloader.value())
        new StyleSheetLoader(QStringLiteral("resources/default.css"));
    else if (Options::nostylesheet.value())
        loadStyleSheet(UISettings::instance()->styleSheetPath());

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
        ModelsContainer::destroy();
        g_models = nullptr;
    }
    delete g_application;
    g_application = nullptr;
}

void setRestartRequested(bool restart)
{
    g_restartRequested = restart;
}

bool restartRequested()
{
    return g_restartRequested;
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
