#ifndef PREFSDIALOG_H
#define PREFSDIALOG_H

#include "shell/customdialog.h"
#include "shell/showsettingsaction.h"

#include <functional>

class MainWindow;
class PDLineEdit;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QToolButton;
class SettingCheckBox;
class UserLists;

// The preferences: the account on the server, the "ui/" switches, the update
// check and links to help. Built anew for each run; nothing is written until
// the user applies. The forced syncs and the backup it offers run after it has
// closed, by the command that ran it.
class PrefsDialog : public CustomDialog
{
    Q_OBJECT
public:
    PrefsDialog(UserLists *lists, MainWindow *mainWindow, QWidget *parent = nullptr);
    ~PrefsDialog() override;

    // Validates and writes everything; false when nothing was written and the
    // dialog stays open.
    bool applySettings();

    // Requests recorded by a run that was applied and accepted; a failed
    // apply or a Cancel leaves none.
    bool localSyncRequested() const { return m_localSyncRequested; }
    bool remoteSyncRequested() const { return m_remoteSyncRequested; }
    bool backupRequested() const { return m_backupRequested; }

    // Runs the connection test over the stored settings, modally, with the
    // given parent; the synchronisation area plugs it in.
    using ConnectionTest = std::function<void(QWidget *parent)>;
    static void setConnectionTest(ConnectionTest test);

    // The user's lists behind a main window, which the lists page holds; the
    // dialog looks at them before it asks about a new user name.
    using ListsSource = std::function<UserLists *(MainWindow *mainWindow)>;
    static void setListsSource(ListsSource source);

    // The preferences command's dialog: runs one over the main window and
    // tells what it was left with.
    static ShowSettingsAction::Outcome run(MainWindow *mainWindow);

    // The deployment's addresses behind the account and help links.
    static QString forgotPasswordUrl();
    static QString signUpUrl();
    static QString helpDeskUrl();

    // True when lists or notes here were synchronised, or sent, under the stored
    // account: another user name would upload them again as new.
    bool holdsSynchronizedData() const;

    // The sixteen boxes, in the order they are saved.
    QList<SettingCheckBox *> settingCheckBoxes() const;
    // For tests and the screenshots.
    PDLineEdit *userNameEdit() const { return m_userNameEdit; }
    PDLineEdit *passwordEdit() const { return m_passwordEdit; }
    QLineEdit *serverUrlEdit() const { return m_serverUrlEdit; }
    QCheckBox *serverUrlUnlock() const { return m_serverUrlUnlock; }
    QToolButton *accountTestButton() const { return m_accountTestButton; }
    QToolButton *syncTestButton() const { return m_syncTestButton; }
    QComboBox *skinComboBox() const { return m_skinCombo; }
    QPushButton *localSyncButton() const { return m_localSyncButton; }
    QPushButton *remoteSyncButton() const { return m_remoteSyncButton; }
    // "Bold", "Normal", "Top", "Bottom", "Ask user", "Delete children" or
    // "Outdent children".
    QRadioButton *radioButton(const QString &text) const;

protected:
    void showEvent(QShowEvent *event) override;

public slots:
    void accept() override;
    void reject() override;
    void onCheckForUpdatesTriggered();

private slots:
    void updateStartWithWindowOpenState();
    void onTestConnectionButtonClicked();
    void onShortcutsLinkClicked();
    void onLocalSyncButtonClicked();
    void onRemoteSyncButtonClicked();
    void onBackupTriggered();
    void onServerUrlUnlockToggled();

private:
    QWidget *createAccountPage();
    QWidget *createApplicationPage();
    QWidget *createInterfacePage();
    QWidget *createSyncPage();
    QWidget *createHelpPage();
    void addButtonRow(QVBoxLayout *page);
    QHBoxLayout *linkRow(QWidget *link);
    QRadioButton *addRadio(QHBoxLayout *row, const QString &text);
    SettingCheckBox *box(const QString &key, bool defaultValue, const QString &text);
    void applyServerSettings(const QString &url, const QString &userName);
    void fitContent();
    void applySkin();
    // Sets the flag, applies and closes; a failed apply takes the flag back.
    void requestAndAccept(bool *flag);

    UserLists *m_lists;
    MainWindow *m_mainWindow;
    QToolButton *m_accountTestButton = nullptr;
    PDLineEdit *m_userNameEdit = nullptr;
    PDLineEdit *m_passwordEdit = nullptr;
    QRadioButton *m_boldRadio = nullptr;
    QRadioButton *m_normalRadio = nullptr;
    QRadioButton *m_topRadio = nullptr;
    QRadioButton *m_bottomRadio = nullptr;
    QRadioButton *m_askUserRadio = nullptr;
    QRadioButton *m_deleteChildrenRadio = nullptr;
    QRadioButton *m_outdentChildrenRadio = nullptr;
    QComboBox *m_skinCombo = nullptr;
    SettingCheckBox *m_enableOutlook = nullptr;
    SettingCheckBox *m_runInSystemTray = nullptr;
    SettingCheckBox *m_startWithWindowOpen = nullptr;
    SettingCheckBox *m_showSplashScreen = nullptr;
    SettingCheckBox *m_updaterEnabled = nullptr;
    SettingCheckBox *m_deleteNoteWhenMove = nullptr;
    SettingCheckBox *m_autoCreateNewTasks = nullptr;
    SettingCheckBox *m_timeFormat24 = nullptr;
    SettingCheckBox *m_grayOutCompletedTasks = nullptr;
    SettingCheckBox *m_lineOutCompletedTasks = nullptr;
    SettingCheckBox *m_showSyncFeedback = nullptr;
    SettingCheckBox *m_showLoadingFeedback = nullptr;
    SettingCheckBox *m_showTaskSearchBarByDefault = nullptr;
    SettingCheckBox *m_showAnimations = nullptr;
    SettingCheckBox *m_defaultIndentGroupTasks = nullptr;
    SettingCheckBox *m_enableListAutosync = nullptr;
    QPushButton *m_localSyncButton = nullptr;
    QPushButton *m_remoteSyncButton = nullptr;
    QCheckBox *m_serverUrlUnlock = nullptr;
    QLineEdit *m_serverUrlEdit = nullptr;
    QToolButton *m_syncTestButton = nullptr;
    bool m_localSyncRequested = false;
    bool m_remoteSyncRequested = false;
    bool m_backupRequested = false;
};

// The preferences ask for a restart after a skin change, then quit; the
// program starts again once it has shut down.
void setRestartRequested(bool restart);
bool restartRequested();

#endif
