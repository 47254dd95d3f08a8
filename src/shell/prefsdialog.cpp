#include "shell/prefsdialog.h"

#include "core/paths.h"
#include "core/serversettings.h"
#include "core/uisettings.h"
#include "core/version.h"
#include "model/listmodel.h"
#include "model/notepadnotes.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "shell/linklabel.h"
#include "shell/mainwindow.h"
#include "shell/messagedialog.h"
#include "shell/pdlineedit.h"
#include "shell/settingcheckbox.h"
#include "shell/toolbutton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

bool g_restartRequested = false;

PrefsDialog::ConnectionTest &connectionTestValue()
{
    static PrefsDialog::ConnectionTest test;
    return test;
}

PrefsDialog::ListsSource &listsSourceValue()
{
    static PrefsDialog::ListsSource source;
    return source;
}

QLabel *namedLabel(const QString &text, const char *name)
{
    auto *label = new QLabel(text);
    label->setObjectName(QLatin1String(name));
    return label;
}

QPushButton *namedButton(const QString &text, const char *name)
{
    auto *button = new QPushButton(text);
    button->setObjectName(QLatin1String(name));
    return button;
}

QHBoxLayout *bareRow()
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    return row;
}

// The arrow in front of a link is named after the link it points at.
QString linkName(const QWidget *link)
{
    const auto *label = qobject_cast<const QLabel *>(link);
    return label ? QTextDocumentFragment::fromHtml(label->text()).toPlainText() : QString();
}

QToolButton *testConnectionButton()
{
    auto *button = new QToolButton;
    button->setObjectName(QStringLiteral("testconnectionbutton"));
    button->setAccessibleName(PrefsDialog::tr("Test Connection"));
    const QPixmap image(QStringLiteral(":/sync-button.png"));
    button->setIcon(image);
    button->setIconSize(image.size());
    return button;
}

} // namespace

void PrefsDialog::setConnectionTest(ConnectionTest test)
{
    connectionTestValue() = std::move(test);
}

void PrefsDialog::setListsSource(ListsSource source)
{
    listsSourceValue() = std::move(source);
}

ShowSettingsAction::Outcome PrefsDialog::run(MainWindow *mainWindow)
{
    const ListsSource &source = listsSourceValue();
    PrefsDialog dialog(source ? source(mainWindow) : nullptr, mainWindow, mainWindow);
    ShowSettingsAction::Outcome outcome;
    outcome.accepted = dialog.exec() == QDialog::Accepted;
    outcome.localSyncRequested = dialog.localSyncRequested();
    outcome.remoteSyncRequested = dialog.remoteSyncRequested();
    outcome.backupRequested = dialog.backupRequested();
    return outcome;
}

QString PrefsDialog::forgotPasswordUrl()
{
    return tr("https://www.plumdeck.net/account/forgot-password");
}

QString PrefsDialog::signUpUrl()
{
    return tr("https://www.plumdeck.net/account/sign-up");
}

QString PrefsDialog::helpDeskUrl()
{
    return tr("https://www.plumdeck.net/helpdesk");
}

PrefsDialog::PrefsDialog(UserLists *lists, MainWindow *mainWindow, QWidget *parent)
    : CustomDialog(tr("Preferences"), false, false, parent)
    , m_lists(lists)
    , m_mainWindow(mainWindow)
{
    setWindowModality(Qt::WindowModal);
    setTitleIcon(UISettings::instance()->isBlueSkin() ? QStringLiteral(":/preferences_blue.png")
                                                      : QStringLiteral(":/preferences.png"));
    auto *layout = new QVBoxLayout;
    auto *tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("tabs"));
    tabs->addTab(createAccountPage(), tr("Account"));
    tabs->addTab(createApplicationPage(), tr("Application"));
    tabs->addTab(createInterfacePage(), tr("Interface"));
    tabs->addTab(createSyncPage(), tr("Sync"));
    tabs->addTab(createHelpPage(), tr("Help"));
    tabs->setCurrentIndex(0);
    // A focused tab draws a dotted line through its label, which reads as
    // struck out; the pages are still switched with Ctrl+Tab and clicks.
    tabs->tabBar()->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(tabs);
    setBareContentLayout(layout);
    // As large as the pages need and no larger, so that over the main window
    // at its first size it covers little of it.
    fitContent();
    setCenterOnParent(true);
}

PrefsDialog::~PrefsDialog() = default;

void PrefsDialog::fitContent()
{
    ensurePolished();
    // Every layout measured afresh: those inside the frame keep what they
    // measured before the style sheet or the fields changed.
    for (QLayout *inner : findChildren<QLayout *>())
        inner->invalidate();
    if (QLayout *outer = QWidget::layout())
        outer->activate();
    // Wrapped texts leave the window no minimum of its own: the pages'
    // minimum is kept here.
    QSize fitted = sizeHint().expandedTo(minimumSizeHint());
    if (hasHeightForWidth())
        fitted.setHeight(qMax(fitted.height(), heightForWidth(fitted.width())));
    resize(fitted);
}

void PrefsDialog::showEvent(QShowEvent *event)
{
    // Measured again once shown, before it is centred on the main window.
    if (!event->spontaneous())
        fitContent();
    CustomDialog::showEvent(event);
}

QList<SettingCheckBox *> PrefsDialog::settingCheckBoxes() const
{
    return {m_enableOutlook,          m_runInSystemTray,       m_startWithWindowOpen,   m_showSplashScreen,
            m_showTaskSearchBarByDefault, m_updaterEnabled,     m_deleteNoteWhenMove,    m_autoCreateNewTasks,
            m_timeFormat24,           m_grayOutCompletedTasks, m_lineOutCompletedTasks, m_showSyncFeedback,
            m_showLoadingFeedback,    m_showAnimations,        m_defaultIndentGroupTasks, m_enableListAutosync};
}

QRadioButton *PrefsDialog::radioButton(const QString &text) const
{
    const std::pair<const char *, QRadioButton *> radios[] = {
        {"Bold", m_boldRadio},     {"Normal", m_normalRadio},          {"Top", m_topRadio},
        {"Bottom", m_bottomRadio}, {"Ask user", m_askUserRadio},       {"Delete children", m_deleteChildrenRadio},
        {"Outdent children", m_outdentChildrenRadio}};
    for (const auto &[name, radio] : radios) {
        if (text == QLatin1String(name))
            return radio;
    }
    return nullptr;
}

SettingCheckBox *PrefsDialog::box(const QString &key, bool defaultValue, const QString &text)
{
    return new SettingCheckBox(key, defaultValue, text);
}

QRadioButton *PrefsDialog::addRadio(QHBoxLayout *row, const QString &text)
{
    // The text is a label of its own beside the button: clicking it selects
    // nothing.
    auto *radio = new QRadioButton;
    radio->setObjectName(QStringLiteral("radioButtonOption"));
    radio->setAccessibleName(text);
    row->addWidget(radio);
    row->addWidget(namedLabel(text, "radioButtonOptionText"));
    return radio;
}

QHBoxLayout *PrefsDialog::linkRow(QWidget *link)
{
    auto *row = bareRow();
    row->addStretch();
    auto *arrow = new ToolButton(QStringLiteral("link-arrow"));
    arrow->setObjectName(QStringLiteral("toolButton"));
    arrow->setAccessibleName(linkName(link));
    row->addWidget(arrow);
    row->addWidget(link);
    row->addStretch();
    return row;
}

void PrefsDialog::addButtonRow(QVBoxLayout *page)
{
    auto *row = new QHBoxLayout;
    QPushButton *close = namedButton(tr("Close Plumdeck"), "closePlumdeckButton");
    // The main window saves the user's documents on the way out.
    connect(close, &QPushButton::clicked, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    row->addWidget(close);
    row->addStretch();
    QPushButton *ok = namedButton(tr("Ok"), "okButton");
    connect(ok, &QPushButton::clicked, this, &PrefsDialog::accept);
    row->addWidget(ok);
    QPushButton *cancel = namedButton(tr("Cancel"), "cancelButton");
    connect(cancel, &QPushButton::clicked, this, &PrefsDialog::reject);
    row->addWidget(cancel);
    page->addLayout(row);
}

QWidget *PrefsDialog::createAccountPage()
{
    const bool blue = UISettings::instance()->isBlueSkin();
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);

    QVBoxLayout *account = createSectionFrame(layout);
    auto *intro = new QVBoxLayout;
    intro->setContentsMargins(0, 0, 0, 0);
    // Wrapped: the page is no wider than the others need.
    for (const QString &text : {tr("Enter your Plumdeck Online information below to access Plumdeck Sync Services"),
                                tr("(please be sure to enter your username and not your email address)")}) {
        QLabel *label = namedLabel(text, "standarLabel");
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignHCenter);
        intro->addWidget(label);
    }
    account->addLayout(intro);
    account->addSpacing(15);

    auto *fields = new QHBoxLayout;
    auto *grid = new QGridLayout;
    m_userNameEdit = new PDLineEdit(ServerSettings::instance()->userName());
    m_userNameEdit->setObjectName(QStringLiteral("usernamePasswordLineEdit"));
    m_passwordEdit = new PDLineEdit(ServerSettings::instance()->password());
    m_passwordEdit->setObjectName(QStringLiteral("usernamePasswordLineEdit"));
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    // The labels beside the fields do not name them for assistive tools.
    m_userNameEdit->setAccessibleName(tr("Username"));
    m_passwordEdit->setAccessibleName(tr("Password"));
    grid->addWidget(namedLabel(tr("Username"), "usernamePasswordLabel"), 0, 0);
    grid->addWidget(m_userNameEdit, 0, 1);
    grid->addWidget(namedLabel(tr("Password"), "usernamePasswordLabel"), 1, 0);
    grid->addWidget(m_passwordEdit, 1, 1);
    fields->addStretch();
    fields->addLayout(grid);
    fields->addStretch();
    QLabel *testLabel = namedLabel(tr("Click here to test\nyour connection"), "testconnectionlabel");
    testLabel->setWordWrap(true);
    fields->addWidget(testLabel);
    m_accountTestButton = testConnectionButton();
    connect(m_accountTestButton, &QToolButton::clicked, this, &PrefsDialog::onTestConnectionButtonClicked);
    fields->addWidget(m_accountTestButton);
    fields->addStretch();
    account->addLayout(fields);

    auto *middle = new QHBoxLayout;
    QVBoxLayout *version = createSectionFrame(middle);
    auto *versionRow = bareRow();
    versionRow->addWidget(namedLabel(tr("Plumdeck version %1").arg(versionString()), "versionLabel"));
    versionRow->addStretch();
    version->addLayout(versionRow);
    version->addWidget(
        namedLabel(tr("Check to see if you are running\nthe lastest version of Plumdeck"), "versionLabel"));
    QPushButton *update = namedButton(tr("Check for Updates"), "updateButton");
    connect(update, &QPushButton::clicked, this, &PrefsDialog::onCheckForUpdatesTriggered);
    version->addWidget(update);

    QVBoxLayout *links = createSectionFrame(middle);
    links->addSpacing(10);
    links->addWidget(namedLabel(tr("Forgot your username or password?"), "forgotPasswordLabel"), 0, Qt::AlignHCenter);
    const QString forgotTemplate =
        blue ? tr("<a style=\"text-decoration: none; font-size:10px; color: #6e8ba5\" href=\"%1\">%2</a>")
             : tr("<a style=\"text-decoration: none; font-size:10px; color: #666666\" href=\"%1\">%2</a>");
    auto *forgot = new QLabel(forgotTemplate.arg(forgotPasswordUrl(), tr("Click here to have it sent to you.")));
    forgot->setOpenExternalLinks(true);
    links->addLayout(linkRow(forgot));
    links->addStretch();
    links->addWidget(namedLabel(tr("Dont have an account?"), "dontHaveAccountLabel"), 0, Qt::AlignHCenter);
    const QString signUpTemplate =
        blue ? tr("<a style=\"text-decoration: none; font-size:11px; color: #3e5e7f\" href=\"%1\">%2</a>")
             : tr("<a style=\"text-decoration: none; font-size:11px; color: #000000\" href=\"%1\">%2</a>");
    auto *signUp = new QLabel(signUpTemplate.arg(signUpUrl(), tr("Click here to sing up now!")));
    signUp->setOpenExternalLinks(true);
    links->addLayout(linkRow(signUp));
    layout->addLayout(middle);

    QVBoxLayout *backup = createSectionFrame(layout);
    auto *backupRow = bareRow();
    backupRow->addStretch();
    backupRow->addWidget(namedLabel(tr("Backup or export your task information to the desktop"), "standarLabel"));
    QPushButton *backupButton = namedButton(tr("Backup"), "backupButton");
    connect(backupButton, &QPushButton::clicked, this, &PrefsDialog::onBackupTriggered);
    backupRow->addWidget(backupButton);
    backupRow->addStretch();
    backup->addLayout(backupRow);

    layout->addStretch();
    addButtonRow(layout);
    return page;
}

QWidget *PrefsDialog::createApplicationPage()
{
    UISettings *ui = UISettings::instance();
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);

    QVBoxLayout *options = createSection(layout, tr("Application Options"));
    auto *optionsRow = bareRow();
    auto *grid = new QGridLayout;
    m_runInSystemTray = box(QStringLiteral("ui/run-in-system-tray"), true, tr("Run as a service"));
    m_startWithWindowOpen =
        box(QStringLiteral("ui/start-with-window-open"), true, tr("Show application at start time"));
    m_updaterEnabled = box(QStringLiteral("updater/enabled"), true, tr("Check for updates"));
    grid->addWidget(m_runInSystemTray, 0, 0);
    grid->addWidget(m_startWithWindowOpen, 0, 2);
    grid->addWidget(m_updaterEnabled, 1, 0);
    grid->setColumnStretch(1, 1);
    optionsRow->addLayout(grid);
    optionsRow->addStretch();
    options->addLayout(optionsRow);
    connect(m_runInSystemTray, &SettingCheckBox::toggled, this, &PrefsDialog::updateStartWithWindowOpenState);
    updateStartWithWindowOpenState();

    QVBoxLayout *move = createSection(layout, tr("Move Options"));
    auto *moveRow = new QHBoxLayout;
    moveRow->addWidget(namedLabel(tr("Move note/task to list at"), "standarLabel"));
    moveRow->addSpacing(20);
    m_topRadio = addRadio(moveRow, tr("Top"));
    moveRow->addSpacing(10);
    m_bottomRadio = addRadio(moveRow, tr("Bottom"));
    moveRow->addStretch();
    move->addLayout(moveRow);
    m_deleteNoteWhenMove = box(QStringLiteral("ui/delete-note-when-move"), true,
                               tr("Delete selected note text after it has been moved"));
    move->addWidget(m_deleteNoteWhenMove);

    QVBoxLayout *integration = createSection(layout, tr("Integration"));
    m_autoCreateNewTasks = box(QStringLiteral("ui/auto-create-new-tasks"), true, tr("Auto create new tasks"));
    integration->addWidget(m_autoCreateNewTasks);
    // The program shows 24-hour times while the key is absent; the box says
    // so, and Ok on a fresh store keeps them.
    m_timeFormat24 = box(QStringLiteral("ui/time-format-24"), true, tr("Show time in 24 hours format"));
    integration->addWidget(m_timeFormat24);

    QVBoxLayout *indentation = createSection(layout, tr("Indentation"));
    m_defaultIndentGroupTasks =
        box(QStringLiteral("ui/default-indent-group-tasks"), true, tr("Indent all tasks in the group by default"));
    indentation->addWidget(m_defaultIndentGroupTasks);

    QVBoxLayout *removal = createSection(layout, tr("Delete options"));
    // The choices on a line of their own keep the page narrower than the
    // main window.
    removal->addWidget(namedLabel(tr("On parent task removal"), "standarLabel"));
    auto *removalRow = new QHBoxLayout;
    m_deleteChildrenRadio = addRadio(removalRow, tr("Delete children"));
    removalRow->addSpacing(10);
    m_outdentChildrenRadio = addRadio(removalRow, tr("Outdent children"));
    removalRow->addSpacing(10);
    m_askUserRadio = addRadio(removalRow, tr("Ask user"));
    removalRow->addStretch();
    removal->addLayout(removalRow);

    layout->addStretch();
    addButtonRow(layout);

    (ui->moveToTop() ? m_topRadio : m_bottomRadio)->setChecked(true);
    switch (ui->removeChildrenOnDelete()) {
    case UISettings::AskRemoveChildren:
        m_askUserRadio->setChecked(true);
        break;
    case UISettings::RemoveChildren:
        m_deleteChildrenRadio->setChecked(true);
        break;
    default:
        m_outdentChildrenRadio->setChecked(true);
        break;
    }
    return page;
}

QWidget *PrefsDialog::createInterfacePage()
{
    UISettings *ui = UISettings::instance();
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);

    QVBoxLayout *options = createSection(layout, tr("Interface Options"));
    auto *skinRow = new QHBoxLayout;
    skinRow->addWidget(namedLabel(tr("App Skin"), "standarLabel"));
    skinRow->addSpacing(10);
    m_skinCombo = new QComboBox;
    m_skinCombo->setObjectName(QStringLiteral("skinComboBox"));
    m_skinCombo->setAccessibleName(tr("App Skin"));
    m_skinCombo->addItem(tr("Green"));
    m_skinCombo->addItem(tr("Blue"));
    m_skinCombo->setCurrentIndex(ui->nextSkin());
    skinRow->addWidget(m_skinCombo);
    skinRow->addStretch();
    options->addLayout(skinRow);
    auto *feedbackRow = new QHBoxLayout;
    m_showSyncFeedback = box(QStringLiteral("ui/show-sync-feedback"), false, tr("Show sync feedback"));
    m_showLoadingFeedback = box(QStringLiteral("ui/show-loading-feedback"), false, tr("Show loading feedback"));
    feedbackRow->addWidget(m_showSyncFeedback);
    feedbackRow->addSpacing(10);
    feedbackRow->addWidget(m_showLoadingFeedback);
    feedbackRow->addStretch();
    options->addLayout(feedbackRow);
    m_showSplashScreen = box(QStringLiteral("ui/show-splash-screen"), true, tr("Show startup screen"));
    m_showTaskSearchBarByDefault =
        box(QStringLiteral("ui/show-task-search-bar-by-default"), false, tr("Show task search bar by default"));
    m_showAnimations = box(QStringLiteral("ui/show-animations"), true, tr("Show animations"));
    options->addWidget(m_showSplashScreen);
    options->addWidget(m_showTaskSearchBarByDefault);
    options->addWidget(m_showAnimations);

    QVBoxLayout *tasks = createSection(layout, tr("Task list options"));
    auto *styleRow = bareRow();
    styleRow->addWidget(namedLabel(tr("Text style"), "standarLabel"));
    styleRow->addSpacing(20);
    m_boldRadio = addRadio(styleRow, tr("Bold"));
    styleRow->addSpacing(10);
    m_normalRadio = addRadio(styleRow, tr("Normal"));
    styleRow->addStretch();
    tasks->addLayout(styleRow);
    m_grayOutCompletedTasks = box(QStringLiteral("ui/gray-out-completed-tasks"), true, tr("Gray out completed tasks"));
    m_lineOutCompletedTasks = box(QStringLiteral("ui/line-out-completed-tasks"), true, tr("Line out completed tasks"));
    tasks->addWidget(m_grayOutCompletedTasks);
    tasks->addWidget(m_lineOutCompletedTasks);

    layout->addStretch();
    addButtonRow(layout);

    (ui->taskFontBold() ? m_boldRadio : m_normalRadio)->setChecked(true);
    return page;
}

QWidget *PrefsDialog::createSyncPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);

    QVBoxLayout *local = createSection(layout, tr("Local Sync"));
    auto *localRow = new QHBoxLayout;
    QLabel *localText = namedLabel(
        tr("This will overwrite your local tasks with the information in your online account."), "standarLabel");
    localText->setWordWrap(true);
    localRow->addWidget(localText);
    m_localSyncButton = namedButton(tr("force local sync"), "syncButton");
    connect(m_localSyncButton, &QPushButton::clicked, this, &PrefsDialog::onLocalSyncButtonClicked);
    localRow->addWidget(m_localSyncButton);
    local->addLayout(localRow);

    QVBoxLayout *remote = createSection(layout, tr("Remote Sync"));
    auto *remoteRow = new QHBoxLayout;
    QLabel *remoteText =
        namedLabel(tr("This will overwrite the tasks in your online account with your local tasks."), "standarLabel");
    remoteText->setWordWrap(true);
    remoteRow->addWidget(remoteText);
    m_remoteSyncButton = namedButton(tr("force remote sync"), "syncButton");
    connect(m_remoteSyncButton, &QPushButton::clicked, this, &PrefsDialog::onRemoteSyncButtonClicked);
    remoteRow->addWidget(m_remoteSyncButton);
    remote->addLayout(remoteRow);

    QVBoxLayout *other = createSection(layout, tr("Other"));
    m_enableOutlook = box(QStringLiteral("ui/enable-outlook"), false, tr("Enable Outlook sync"));
    m_enableListAutosync = box(QStringLiteral("ui/enable-list-autosync"), false, tr("Enable list autosync"));
    other->addWidget(m_enableOutlook);
    other->addWidget(m_enableListAutosync);

    QVBoxLayout *server = createSection(layout, tr("Server"));
    auto *urlRow = new QHBoxLayout;
    urlRow->addWidget(namedLabel(tr("Server URL"), "standarLabel"));
    m_serverUrlEdit = new QLineEdit(ServerSettings::instance()->serverUrl());
    m_serverUrlEdit->setObjectName(QStringLiteral("serverurllineedit"));
    m_serverUrlEdit->setAccessibleName(tr("Server URL"));
    urlRow->addWidget(m_serverUrlEdit);
    server->addLayout(urlRow);
    auto *unlockRow = new QHBoxLayout;
    unlockRow->addWidget(namedLabel(tr("Unlock"), "unlocklabel"));
    m_serverUrlUnlock = new QCheckBox;
    m_serverUrlUnlock->setObjectName(QStringLiteral("serverurlunlockcheckbox"));
    m_serverUrlUnlock->setAccessibleName(tr("Unlock"));
    unlockRow->addWidget(m_serverUrlUnlock);
    unlockRow->addStretch();
    server->addLayout(unlockRow);
    auto *testRow = new QHBoxLayout;
    testRow->addStretch();
    testRow->addWidget(namedLabel(tr("Test Connection"), "testconnectionlabel"));
    m_syncTestButton = testConnectionButton();
    connect(m_syncTestButton, &QToolButton::clicked, this, &PrefsDialog::onTestConnectionButtonClicked);
    testRow->addWidget(m_syncTestButton);
    server->addLayout(testRow);

    layout->addStretch();
    addButtonRow(layout);

    connect(m_serverUrlUnlock, &QCheckBox::toggled, this, &PrefsDialog::onServerUrlUnlockToggled);
    onServerUrlUnlockToggled();
    return page;
}

QWidget *PrefsDialog::createHelpPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    QVBoxLayout *help = createSectionFrame(layout);
    auto addLink = [help](QWidget *link, const QString &description) {
        auto *row = bareRow();
        auto *arrow = new ToolButton(QStringLiteral("link-arrow"));
        arrow->setObjectName(QStringLiteral("toolButton"));
        arrow->setAccessibleName(linkName(link));
        row->addWidget(arrow);
        row->addWidget(link);
        row->addStretch();
        help->addLayout(row);
        QLabel *text = namedLabel(description, "infoValueLabel");
        text->setWordWrap(true);
        help->addWidget(text);
    };
    const QString guide = QUrl::fromLocalFile(helpDir().filePath(QStringLiteral("help.html"))).toString();
    addLink(new LinkLabel(tr("User Guide"), guide),
            tr("For an overview on how Plumdeck works, and information on how to use the main features, click here!"));
    addLink(new LinkLabel(tr("Help Desk"), helpDeskUrl()),
            tr("Having trouble with Plumdeck or need help with a problem? Log on to the help desk and post a ticket."));
    addLink(new LinkLabel(tr("Shortcuts"), this, SLOT(onShortcutsLinkClicked())),
            tr("A breakdown of keyboard shortcuts and time saving tips for Plumdeck power users."));
    layout->addStretch();
    addButtonRow(layout);
    return page;
}

void PrefsDialog::updateStartWithWindowOpenState()
{
    // Hidden at start only while a tray icon can bring the window back.
    if (m_runInSystemTray->isChecked()) {
        m_startWithWindowOpen->setEnabled(true);
    } else {
        m_startWithWindowOpen->setChecked(true);
        m_startWithWindowOpen->setEnabled(false);
    }
}

void PrefsDialog::onServerUrlUnlockToggled()
{
    const bool unlocked = m_serverUrlUnlock->isChecked();
    m_serverUrlEdit->setEnabled(unlocked);
    m_syncTestButton->setEnabled(unlocked);
}

void PrefsDialog::onShortcutsLinkClicked()
{
    if (m_mainWindow)
        m_mainWindow->showKeysDialog();
}

bool PrefsDialog::holdsSynchronizedData() const
{
    if (m_lists) {
        if (!m_lists->deletedLists().isEmpty())
            return true;
        for (const ListModel *model : m_lists->models()) {
            if (model->taskList()->mayBeOnServer())
                return true;
        }
    }
    if (const NotepadNotes *notes = NotepadNotes::instance()) {
        for (const NotepadNote *note : notes->notes()) {
            if (note->mayBeOnServer())
                return true;
        }
    }
    return false;
}

bool PrefsDialog::applySettings()
{
    const QString url = m_serverUrlEdit->text().trimmed();
    if (!ServerSettings::isValidServerUrl(url)) {
        MessageDialog::information(tr("Preferences"), tr("The server URL is not valid."), this);
        return false;
    }
    // Asked before anything is written: declining leaves the store as it
    // was and the dialog open with what the user typed.
    const QString userName = m_userNameEdit->text().trimmed();
    if (userName != ServerSettings::instance()->userName() && holdsSynchronizedData()
        && !MessageDialog::question(tr("Username Changed"),
                                    tr("The username has changed.\nLocal lists and notes will be localized as new.\n"
                                       "This can produce duplicated information.\nAre you sure?"),
                                    this))
        return false;
    applyServerSettings(url, userName);

    UISettings *ui = UISettings::instance();
    ui->setTaskFontBold(m_boldRadio->isChecked());
    ui->setMoveToTop(m_topRadio->isChecked());
    ui->setRemoveChildrenOnDelete(m_askUserRadio->isChecked()          ? UISettings::AskRemoveChildren
                                  : m_deleteChildrenRadio->isChecked() ? UISettings::RemoveChildren
                                                                       : UISettings::KeepChildren);
    for (SettingCheckBox *box : settingCheckBoxes())
        box->save();
    applySkin();
    return true;
}

void PrefsDialog::applyServerSettings(const QString &url, const QString &userName)
{
    ServerSettings *settings = ServerSettings::instance();
    // Only the user name is trimmed: blanks may belong to a password.
    const QString password = m_passwordEdit->text();
    if (userName == settings->userName()) {
        settings->setSettings(url, userName, password);
        return;
    }
    const QString urlBefore = settings->serverUrl();
    settings->setSettings(url, userName, password);
    // setSettings() announces only the new server when both changed; the
    // lists and notes belong to the old account all the same, and the lists
    // page localizes them on userChanged() alone.
    if (settings->serverUrl() != urlBefore)
        emit settings->userChanged();
}

void setRestartRequested(bool restart)
{
    g_restartRequested = restart;
}

bool restartRequested()
{
    return g_restartRequested;
}

void PrefsDialog::applySkin()
{
    UISettings *ui = UISettings::instance();
    const int chosen = m_skinCombo->currentIndex();
    if (chosen == ui->skin())
        return;
    if (!MessageDialog::question(tr("Skin changes"),
                                 tr("The selected skin is different than current.\nThe application need to restart to "
                                    "show the changes.\nPress accept to restart now"),
                                 this))
        return;
    ui->setNextSkin(chosen);
    setRestartRequested(true);
    // Queued: the quit runs once this dialog's apply has returned; the main
    // window saves the user's documents on the way out.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void PrefsDialog::accept()
{
    if (applySettings())
        CustomDialog::accept();
}

void PrefsDialog::reject()
{
    // Leaving without applying asks for nothing.
    m_localSyncRequested = false;
    m_remoteSyncRequested = false;
    m_backupRequested = false;
    CustomDialog::reject();
}

void PrefsDialog::requestAndAccept(bool *flag)
{
    *flag = true;
    if (applySettings())
        CustomDialog::accept();
    else
        *flag = false; // not applied: the request goes with it
}

void PrefsDialog::onLocalSyncButtonClicked()
{
    if (MessageDialog::question(
            tr("Force Local Sync"),
            tr("This will overwrite your local tasks with the information in your online account. Are you sure?"),
            this))
        requestAndAccept(&m_localSyncRequested);
}

void PrefsDialog::onRemoteSyncButtonClicked()
{
    if (MessageDialog::question(
            tr("Force Remote Sync"),
            tr("This will overwrite the tasks in your online account with your local tasks. Are you sure?"), this))
        requestAndAccept(&m_remoteSyncRequested);
}

void PrefsDialog::onBackupTriggered()
{
    requestAndAccept(&m_backupRequested);
}

void PrefsDialog::onTestConnectionButtonClicked()
{
    if (!applySettings())
        return;
    if (connectionTestValue())
        connectionTestValue()(this);
    else
        qWarning() << "PrefsDialog: no connection test";
}

void PrefsDialog::onCheckForUpdatesTriggered()
{
    if (m_mainWindow)
        m_mainWindow->checkForUpdates(this);
}
