#include "shell/mainwindow.h"

#include "core/paths.h"
#include "core/uisettings.h"
#include "model/modelscontainer.h"
#include "model/notepadnotes.h"
#include "shell/keysdialog.h"
#include "shell/launchhelpaction.h"
#include "shell/loadingmodewidget.h"
#include "shell/mainwindowmode.h"
#include "shell/messagedialog.h"
#include "shell/showkeysdialogaction.h"
#include "shell/showsettingsaction.h"
#include "shell/splashscreen.h"
#include "shell/switchtofriendsaction.h"
#include "shell/switchtolistsaction.h"
#include "shell/switchtonotepadaction.h"
#include "shell/systemtrayicon.h"
#include "shell/testcrashaction.h"
#include "shell/toolbutton.h"
#include "shell/updatesdialog.h"
#include "shell/webkitbrowserdialog.h"
#include "sync/runs/savefailure.h"
#include "sync/requests/updater.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QStackedLayout>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>

namespace {

const char GeometryKey[] = "mainwindow/geometry";

MainWindow::PageBuilders &pageBuilders()
{
    static MainWindow::PageBuilders builders;
    return builders;
}

void report(SplashScreen *splash, const QString &text, int value)
{
    if (splash)
        splash->onSetSplashProgress(text, value);
}

} // namespace

void MainWindow::setPageBuilders(const PageBuilders &builders)
{
    pageBuilders() = builders;
}

void MainWindow::setPageHook(PageHook hook, std::function<void()> run)
{
    m_pageHooks[hook] = [run = std::move(run)] {
        if (run)
            run();
        return QString();
    };
}

void MainWindow::setSaveHook(PageHook hook, std::function<QString()> save)
{
    m_pageHooks[hook] = std::move(save);
}

QString MainWindow::runPageHook(PageHook hook)
{
    const auto it = m_pageHooks.find(hook);
    return it != m_pageHooks.end() && it->second ? it->second() : QString();
}

MainWindow::MainWindow(ModelsContainer *models, SplashScreen *splash)
{
    m_showKeysDialogAction = new ShowKeysDialogAction(this);
    m_showSettingsAction = new ShowSettingsAction(this);
    m_switchToFriendsAction = new SwitchToFriendsAction(this);
    m_switchToListsAction = new SwitchToListsAction(this);
    m_switchToNotepadAction = new SwitchToNotepadAction(this);
    m_testCrashAction = new TestCrashAction(this);

    m_loadingOverlay = new LoadingModeWidget(this);
    m_loadingOverlay->hide();
    connect(this, &MainWindow::showLoadingScreen, m_loadingOverlay, &LoadingModeWidget::onShowLoadingScreen);
    connect(this, &MainWindow::hideLoadingScreen, m_loadingOverlay, &LoadingModeWidget::onHideLoadingScreen);

    // In its place from the start, before the pages build their widgets.
    m_tabContainer = new QWidget(contentArea());
    m_tabContainer->setObjectName(QStringLiteral("tabcontainer"));
    // The page area takes the window's spare room, also before a page is shown.
    m_tabContainer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_grid = new QGridLayout(m_tabContainer);
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->setSpacing(0);

    const PageBuilders builders = pageBuilders();
    report(splash, tr("Loading friends modules..."), 100);
    if (models && models->hasFriends() && models->hasChats() && builders.team)
        m_teamMode = builders.team(models, this);

    report(splash, tr("Loading lists modules..."), 200);
    if (builders.lists)
        m_listsMode = builders.lists(models, m_teamMode, splash, this);
    connectPageSignal(m_listsMode, SIGNAL(showKeysDialogSignal()), SLOT(showKeysDialog()));

    report(splash, tr("Loading notepad modules..."), 800);
    if (builders.notepad)
        m_notepadMode = builders.notepad(m_listsMode, this);

    report(splash, tr("Loading main window..."), 900);
    setWindowTitle(tr("Plumdeck"));
    setMinimumSize(320, 240);
    if (!restoreGeometry(QSettings().value(QLatin1String(GeometryKey)).toByteArray()))
        resize(496, 458);

    registerCommands();
    m_keysDialog = new KeysDialog;

    auto *layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    auto *row = new QHBoxLayout;
    row->addSpacing(8);
    row->addWidget(m_tabContainer);
    row->addSpacing(8);
    layout->addLayout(row);
    layout->addWidget(createBottomContainer(m_teamMode != nullptr));
    setContentLayout(layout);

    addMode(m_listsMode);
    addMode(m_teamMode);
    switchToLists();

    if (Updater *updater = Updater::instance())
        connect(updater, &Updater::updateSeen, this, &MainWindow::onUpdaterUpdateSeen);
    connectPageSignal(m_listsMode, SIGNAL(uiModeChanged(int)), SLOT(onUIModeChanged(int)));
    report(splash, tr("Loading complete"), 1000);

    // Every way out of the program saves, not only closing this window.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &MainWindow::onAboutToQuit);
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    if (Updater *updater = Updater::instance())
        disconnect(updater, &Updater::updateSeen, this, &MainWindow::onUpdaterUpdateSeen);
    disconnect(this, &MainWindow::showLoadingScreen, m_loadingOverlay, nullptr);
    disconnect(this, &MainWindow::hideLoadingScreen, m_loadingOverlay, nullptr);
    delete m_loadingOverlay;
    // Pages keep their widgets while another page is shown; they go with
    // their page, in the order the pages were built against each other.
    delete m_notepadMode;
    delete m_teamMode;
    delete m_listsMode;
    delete m_keysDialog;
}

void MainWindow::connectPageSignal(MainWindowMode *mode, const char *signal, const char *slot)
{
    auto *page = dynamic_cast<QObject *>(mode);
    // SIGNAL() prefixes the signature with a code digit.
    if (page && page->metaObject()->indexOfSignal(signal + 1) >= 0)
        connect(page, signal, this, slot);
}

void MainWindow::registerCommands()
{
    for (QAction *action : {static_cast<QAction *>(m_showKeysDialogAction),
                            static_cast<QAction *>(m_showSettingsAction),
                            static_cast<QAction *>(m_testCrashAction)}) {
        addAction(action);
        m_ownActions.append(action);
    }

    const QString helpUrl = WebkitBrowserDialog::userGuideUrl().toString();
    m_launchHelpAction = new LaunchHelpAction(tr("Help"), helpUrl, this);
    m_launchHelpAction->setShortcut(QKeySequence(tr("F1", "shortcut")));
    addAction(m_launchHelpAction);
    m_ownActions.append(m_launchHelpAction);
    setHelpAction(m_launchHelpAction);

    m_titleBarSettingsAction = new ShowSettingsAction(this);
    setPreferencesAction(m_titleBarSettingsAction);
}

ToolButton *MainWindow::addPageButton(const QString &image, const char *name, QAction *action, bool blue)
{
    auto *button = new ToolButton(blue ? image + QStringLiteral("-blue") : image);
    button->setObjectName(QLatin1String(name));
    if (action)
        button->setDefaultActionKeepIcon(action);
    m_bottomBarLayout->addWidget(button);
    return button;
}

QWidget *MainWindow::createBottomContainer(bool withTeam)
{
    auto *container = new QWidget;
    container->setObjectName(QStringLiteral("bottomcontainer"));
    container->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Fixed);
    auto *stack = new QStackedLayout(container);
    stack->setStackingMode(QStackedLayout::StackAll);

    auto *grip = new QLabel;
    grip->setPixmap(QPixmap(QStringLiteral(":/resize-grip.png")));
    grip->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    grip->setMargin(3);
    stack->addWidget(grip);

    m_bottomBar = new QWidget;
    m_bottomBar->setObjectName(QStringLiteral("bottombar"));
    m_bottomBarLayout = new QHBoxLayout(m_bottomBar);
    m_bottomBarLayout->setContentsMargins(8, 8, 8, 8);
    stack->addWidget(m_bottomBar);
    stack->setCurrentWidget(m_bottomBar);

    const bool blue = UISettings::instance()->isBlueSkin();
    m_bottomBarLayout->addStretch(1);
    m_listsButton = addPageButton(QStringLiteral("done-button"), "listsbutton", m_switchToListsAction, blue);
    m_bottomBarLayout->addSpacing(15);
    m_notepadButton = addPageButton(QStringLiteral("notepad-button"), "notepadbutton", m_switchToNotepadAction, blue);
    m_bottomBarLayout->addSpacing(15);
    if (withTeam) {
        m_friendsButton = addPageButton(QStringLiteral("share-button"), "friendsbutton", m_switchToFriendsAction, blue);
        m_bottomBarLayout->addSpacing(15);
    }
    m_syncButton = addPageButton(QStringLiteral("sync-button"), "syncbutton", nullptr, blue);
    m_bottomBarLayout->addStretch(1);
    return container;
}

void MainWindow::addMode(MainWindowMode *mode)
{
    if (!mode)
        return;
    mode->m_mainWindow = this;
    const QList<QWidget *> widgets = mode->titleBarWidgets();
    for (QWidget *widget : widgets)
        addTitleBarWidget(widget);
}

void MainWindow::switchToLists()
{
    setMode(m_listsMode);
}

void MainWindow::switchToNotepad()
{
    setMode(m_notepadMode);
}

void MainWindow::switchToFriends()
{
    setMode(m_teamMode);
}

void MainWindow::setMode(MainWindowMode *mode)
{
    // The tray offers Team even when that page was not built.
    if (!mode)
        return;
    emit showLoadingScreen();
    if (mode == m_currentMode) {
        emit hideLoadingScreen();
        return;
    }
    removeModeWidgets();
    if (m_currentMode) {
        for (QWidget *widget : {m_currentMode->bottomBarLeftWidget(), m_currentMode->bottomBarRightWidget()}) {
            if (!widget)
                continue;
            widget->hide();
            m_bottomBarLayout->removeWidget(widget);
            widget->setParent(nullptr);
        }
    }
    m_currentMode = mode;
    m_syncButton->setDefaultActionKeepIcon(mode->syncAction());
    m_centralWidget = mode->centralWidget();
    rebuildLayout();
    if (QWidget *left = mode->bottomBarLeftWidget()) {
        m_bottomBarLayout->insertWidget(0, left);
        left->show();
    }
    if (QWidget *right = mode->bottomBarRightWidget()) {
        m_bottomBarLayout->addWidget(right);
        right->show();
    }
    mode->activated();
    emit hideLoadingScreen();
}

void MainWindow::removeModeWidgets()
{
    if (!m_currentMode)
        return;
    // The page's widgets stay where they are, hidden: taking them out of the
    // window and back would restyle every widget of a big page at each switch.
    if (m_centralWidget) {
        m_grid->removeWidget(m_centralWidget);
        m_centralWidget->hide();
    }
    for (QPointer<QWidget> *panel : {&m_taskInfoPanel, &m_taskAttachmentsPanel, &m_listInfoPanel, &m_listsGroupsManagerPanel}) {
        if (!*panel)
            continue;
        m_grid->removeWidget(*panel);
        if (auto *dialog = qobject_cast<QDialog *>(*panel))
            dialog->reject();
        else
            (*panel)->hide();
        *panel = nullptr;
    }
    for (QFrame **separator : {&m_firstSeparator, &m_secondSeparator}) {
        if (!*separator)
            continue;
        m_grid->removeWidget(*separator);
        delete *separator;
        *separator = nullptr;
    }
}

QFrame *MainWindow::placeSeparator(QFrame *separator, int column)
{
    if (!separator) {
        separator = new QFrame;
        separator->setObjectName(QStringLiteral("separatorFrame"));
        auto *layout = new QHBoxLayout(separator);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(5);
    }
    m_grid->addWidget(separator, 0, column, 2, 1);
    separator->show();
    return separator;
}

void MainWindow::placePanel(QWidget *panel, QPointer<QWidget> *placed, int row)
{
    const int column = placed == &m_taskInfoPanel || placed == &m_taskAttachmentsPanel ? 4 : 0;
    *placed = panel;
    if (!panel)
        return;
    m_grid->addWidget(panel, row, column);
    panel->show();
}

void MainWindow::rebuildLayout()
{
    if (m_currentMode->uiMode() != 0) {
        placePanel(m_currentMode->listsGroupsManagerPanel(), &m_listsGroupsManagerPanel, 0);
        placePanel(m_currentMode->listInfoPanel(), &m_listInfoPanel, 1);
        m_firstSeparator = placeSeparator(m_firstSeparator, 1);
    }
    if (m_centralWidget) {
        if (m_currentMode->uiMode() != 0) {
            m_grid->addWidget(m_centralWidget, 0, 2, 2, 1);
            m_grid->setColumnStretch(2, 20);
        } else {
            m_grid->addWidget(m_centralWidget, 0, 2);
        }
        m_centralWidget->show();
    }
    if (m_currentMode->uiMode() == 2) {
        m_secondSeparator = placeSeparator(m_secondSeparator, 3);
        placePanel(m_currentMode->taskInfoPanel(), &m_taskInfoPanel, 0);
        placePanel(m_currentMode->taskAttachmentsPanel(), &m_taskAttachmentsPanel, 1);
    }
}

void MainWindow::onUIModeChanged(int)
{
    if (!m_currentMode)
        return;
    emit showLoadingScreen();
    removeModeWidgets();
    rebuildLayout();
    emit hideLoadingScreen();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    CustomWindow::resizeEvent(event);
    m_loadingOverlay->resize(m_loadingOverlay->sizeHint());
    m_loadingOverlay->move(width() / 2 - m_loadingOverlay->width() / 2,
                           height() / 2 - m_loadingOverlay->height() / 2);
}

void MainWindow::showPreferences()
{
    m_showSettingsAction->trigger();
}

void MainWindow::showKeysDialog()
{
    m_keysDialog->show();
    m_keysDialog->raise();
}

void MainWindow::checkForUpdates(QDialog *asking)
{
    if (asking)
        asking->accept();
    if (Updater *updater = Updater::instance())
        updater->checkNow(this, SLOT(onCheckForUpdatesFinished(bool)));
}

void MainWindow::onCheckForUpdatesFinished(bool updateFound)
{
    answerUpdateCheck(updateFound);
}

void MainWindow::answerUpdateCheck(bool updateFound)
{
    // A new version seen brings the dialog through updateSeen(); a finished
    // download answers true without it, and would leave the user unanswered.
    const Updater *updater = Updater::instance();
    if (!updateFound || (updater && updater->state() == Updater::Downloaded))
        showUpdatesDialog();
}

void MainWindow::onUpdaterUpdateSeen()
{
    // The updater repeats updateSeen() at each due check while the offer
    // stands; the user answers one dialog at a time.
    if (m_updatesDialog) {
        showUpdatesDialog();
        return;
    }
    runPageHook(PageHook::SaveLists);
    runPageHook(PageHook::SaveNotepad);
    if (NotepadNotes *notes = NotepadNotes::instance())
        notes->save();
    showUpdatesDialog();
}

void MainWindow::showUpdatesDialog()
{
    if (m_updatesDialog) {
        m_updatesDialog->raise();
        m_updatesDialog->activateWindow();
        return;
    }
    UpdatesDialog dialog(this);
    // The installer ends the program: what it holds is written first.
    dialog.setBeforeInstall([this] { return mayEnd(); });
    m_updatesDialog = &dialog;
    dialog.exec();
}

void MainWindow::onMinimizeButtonClicked()
{
    runPageHook(PageHook::MinimizeDialogs);
    CustomWindow::onMinimizeButtonClicked();
}

bool MainWindow::event(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange) {
        runPageHook(PageHook::RaiseDialogs);
        return true;
    }
    if (event->type() == QEvent::Show)
        runPageHook(PageHook::ShowNormalDialogs);
    return CustomWindow::event(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The quit closes the visible windows before the event loop ends, and
    // none of them refuses: the closing steps run here first, so that a
    // document that could not be written stops the quit.
    if (watched == qApp && event->type() == QEvent::Quit && !m_exitStepsDone && !runEndingSteps())
        return true;
    return CustomWindow::eventFilter(watched, event);
}

QStringList MainWindow::saveDocuments()
{
    QStringList unsaved{runPageHook(PageHook::SaveLists), runPageHook(PageHook::SaveListsGroups),
                        runPageHook(PageHook::SaveNotepad)};
    // The notepad page first takes what is typed into its notes; without
    // the page the notes are saved here.
    QString error;
    NotepadNotes *notes = NotepadNotes::instance();
    if (unsaved.constLast().isEmpty() && notes && !notes->saveIfChanged(&error))
        unsaved.last() = SaveFailure(SaveFailure::Notes, NotepadNotes::filePath(), error).text();
    unsaved.removeAll(QString());
    // Plugged where the program is composed with a friends model; without
    // one there is nothing to save.
    runPageHook(PageHook::SaveFriends);
    QSettings().setValue(QLatin1String(GeometryKey), saveGeometry());
    if (unsaved.isEmpty())
        m_toldUnsaved = false;
    return unsaved;
}

void MainWindow::closeDialogsAndSyncs()
{
    runPageHook(PageHook::CloseFloatingDialogs);
    runPageHook(PageHook::CancelSingleListSyncs);
}

QStringList MainWindow::runClosingSteps()
{
    const QStringList unsaved = saveDocuments();
    closeDialogsAndSyncs();
    return unsaved;
}

bool MainWindow::mayEnd()
{
    const QStringList unsaved = saveDocuments();
    return unsaved.isEmpty() || mayEndUnsaved(unsaved);
}

bool MainWindow::runEndingSteps()
{
    if (!mayEnd())
        return false;
    m_exitStepsDone = true;
    closeDialogsAndSyncs();
    return true;
}

// What could not be saved would be lost with the program: the first time it
// stays open and says what to do; after that the user may choose to lose it.
bool MainWindow::mayEndUnsaved(const QStringList &unsaved)
{
    QWidget *parent = isVisible() ? this : nullptr;
    if (!std::exchange(m_toldUnsaved, true)) {
        MessageDialog::information(tr("Quit"), stayingOpenText(unsaved), parent);
        return false;
    }
    return MessageDialog::questionDefaultingToCancel(tr("Quit"), quitAnywayQuestion(unsaved), parent);
}

QString MainWindow::stayingOpenText(const QStringList &unsaved)
{
    return unsaved.join(QLatin1Char('\n')) + QStringLiteral("\n\n")
           + tr("Plumdeck stays open, so that what you changed since the last save is not lost. Free some space on "
                "the disk, then quit again.");
}

QString MainWindow::quitAnywayQuestion(const QStringList &unsaved)
{
    return unsaved.join(QLatin1Char('\n')) + QStringLiteral("\n\n")
           + tr("Quit anyway? What you changed since the last save will be lost.");
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_exitStepsDone) {
        CustomWindow::closeEvent(event);
        return;
    }
    if (SystemTrayIcon::keepsRunningInTray()) {
        runClosingSteps();
        CustomWindow::closeEvent(event);
        return;
    }
    // Without a tray to come back from, a hidden window would leave the
    // program running out of reach: the close ends it.
    if (!runEndingSteps()) {
        event->ignore();
        return;
    }
    CustomWindow::closeEvent(event);
    QCoreApplication::quit();
}

void MainWindow::onAboutToQuit()
{
    if (m_exitStepsDone)
        return;
    m_exitStepsDone = true;
    runClosingSteps();
}
