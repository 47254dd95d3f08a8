// The preferences: what each page shows from the store, the rules between
// its controls, and what applying writes, asks and leaves alone.

#include "core/serversettings.h"
#include "core/uisettings.h"
#include "model/listmodel.h"
#include "model/modelscontainer.h"
#include "model/notepadnotes.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "shell/mainwindow.h"
#include "shell/messagedialog.h"
#include "shell/pdlineedit.h"
#include "shell/prefsdialog.h"
#include "shell/settingcheckbox.h"
#include "shell/showsettingsaction.h"
#include "shelltest.h"
#include "testenvironment.h"
#include "testpages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

const char StoredUrl[] = "https://sync.example.net:8080/plumdeck";

// Answers every message box that opens while it lives, from a script of
// "ok"/"cancel" (Ok once the script runs out), and keeps their titles.
class MessageAnswerer : public QObject
{
public:
    explicit MessageAnswerer(QStringList answers = {}) : m_answers(std::move(answers))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<MessageDialog *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            titles << box->titleLabel()->text();
            const QString answer = m_answers.isEmpty() ? QStringLiteral("ok") : m_answers.takeFirst();
            ShellTest::endDialog(box, answer);
        });
        m_timer.start(10);
    }
    QStringList titles;

private:
    QStringList m_answers;
    QTimer m_timer;
};

// Everything in the store, to show that nothing was written.
QMap<QString, QVariant> store()
{
    QMap<QString, QVariant> values;
    QSettings settings;
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

// Pages are tabs: their controls take clicks only while shown.
void showPage(PrefsDialog &dialog, int page)
{
    dialog.show();
    dialog.findChild<QTabWidget *>(QStringLiteral("tabs"))->setCurrentIndex(page);
}

QStringList boxKeys(const PrefsDialog &dialog)
{
    QStringList keys;
    for (SettingCheckBox *box : dialog.settingCheckBoxes())
        keys << box->key();
    return keys;
}

} // namespace

class TstPrefsDialog : public QObject
{
    Q_OBJECT
private:
    QStringList m_signals;

private slots:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        ServerSettings *settings = ServerSettings::instance();
        connect(settings, &ServerSettings::serverChanged, this,
                [this] { m_signals << QStringLiteral("serverChanged"); });
        connect(settings, &ServerSettings::userChanged, this, [this] { m_signals << QStringLiteral("userChanged"); });
        connect(settings, &ServerSettings::passwordChanged, this,
                [this] { m_signals << QStringLiteral("passwordChanged"); });
    }

    void init()
    {
        QSettings().clear();
        ServerSettings::instance()->setSettings(QLatin1String(StoredUrl), QStringLiteral("alice"),
                                                QStringLiteral("secret"));
        UISettings::instance()->setSkin(0);
        setRestartRequested(false);
        m_signals.clear();
    }

    // An empty store shows the readers' defaults; Ok then keeps them all,
    // 24-hour times included.
    void freshStoreShowsAndKeepsTheDefaults()
    {
        PrefsDialog dialog(nullptr, nullptr);
        QCOMPARE(boxKeys(dialog),
                 QStringList({"ui/enable-outlook", "ui/run-in-system-tray", "ui/start-with-window-open",
                              "ui/show-splash-screen", "ui/show-task-search-bar-by-default", "updater/enabled",
                              "ui/delete-note-when-move", "ui/auto-create-new-tasks", "ui/time-format-24",
                              "ui/gray-out-completed-tasks", "ui/line-out-completed-tasks", "ui/show-sync-feedback",
                              "ui/show-loading-feedback", "ui/show-animations", "ui/default-indent-group-tasks",
                              "ui/enable-list-autosync"}));
        const QList<bool> defaults{false, true, true, true, false, true, true, true,
                                   true,  true, true, false, false, true, true, false};
        QList<bool> shown;
        for (SettingCheckBox *box : dialog.settingCheckBoxes())
            shown << box->isChecked();
        QCOMPARE(shown, defaults);
        for (const char *text : {"Top", "Ask user", "Bold"})
            QVERIFY2(dialog.radioButton(QLatin1String(text))->isChecked(), text);
        QCOMPARE(dialog.skinComboBox()->currentText(), QStringLiteral("Green"));
        QVERIFY(dialog.settingCheckBoxes().at(2)->checkBox()->isEnabled());
        QCOMPARE(dialog.findChild<QTabWidget *>(QStringLiteral("tabs"))->currentIndex(), 0);
        QCOMPARE(dialog.titleLabel()->text(), QStringLiteral("Preferences"));

        QVERIFY(dialog.applySettings());
        const bool timeFormat24 = UISettings::instance()->timeFormat24();
        QVERIFY(timeFormat24);
        QSettings settings;
        for (int i = 0; i < defaults.size(); ++i)
            QCOMPARE(settings.value(boxKeys(dialog).at(i)).toBool(), defaults.at(i));
        QCOMPARE(settings.value(QStringLiteral("ui/remove-children-on-delete")).toInt(), 0);
        QVERIFY(UISettings::instance()->moveToTop());
        QVERIFY(UISettings::instance()->taskFontBold());
        QVERIFY(m_signals.isEmpty());
    }

    // The tab bar never holds the focus, so no focus line crosses the
    // current tab's label; the keyboard still changes pages.
    void tabsTakeNoFocus()
    {
        PrefsDialog dialog(nullptr, nullptr);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("tabs"));
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
        QCOMPARE(tabs->currentIndex(), 1);
        QVERIFY(!tabs->tabBar()->hasFocus());
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &dialog, Qt::Key_Tab);
            QVERIFY2(!qobject_cast<QTabBar *>(QApplication::focusWidget()), qPrintable(QString::number(i)));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 2);
    }

    // F12 over the main window at its first size: the dialog has the size
    // its pages need, is no wider than the window, sits centred on it and
    // stays on the screen, also when the window is at the screen's edge.
    void placedOverTheMainWindow_data()
    {
        QTest::addColumn<bool>("blue");
        QTest::addColumn<QString>("where");
        for (const bool blue : {false, true}) {
            const char *skin = blue ? " blue" : " green";
            QTest::newRow((QByteArray("middle") + skin).constData()) << blue << "middle";
            QTest::newRow((QByteArray("top left corner") + skin).constData()) << blue << "top left";
            QTest::newRow((QByteArray("bottom right corner") + skin).constData()) << blue << "bottom right";
        }
    }

    void placedOverTheMainWindow()
    {
        QFETCH(bool, blue);
        QFETCH(QString, where);
        UISettings::instance()->setSkin(blue ? 1 : 0);
        QFile sheet(UISettings::instance()->styleSheetPath());
        QVERIFY(sheet.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
        TestPages<> pages;
        pages.install();
        ModelsContainer models;
        MainWindow window(&models, nullptr);
        const ShowSettingsAction::Handlers before = ShowSettingsAction::handlers();
        ShowSettingsAction::Handlers handlers = before;
        handlers.runDialog = &PrefsDialog::run;
        ShowSettingsAction::setHandlers(handlers);
        const QRect screen = window.screen()->availableGeometry();
        QRect frame(QPoint(), window.size());
        if (where == QLatin1String("middle"))
            frame.moveCenter(screen.center());
        else if (where == QLatin1String("top left"))
            frame.moveTopLeft(screen.topLeft());
        else
            frame.moveBottomRight(screen.bottomRight());
        window.move(frame.topLeft());
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QRect shown;
        QSize needed;
        QTimer::singleShot(0, &window, [&] {
            DialogDriver::whenModal([&](QWidget *widget) {
                auto *dialog = qobject_cast<PrefsDialog *>(widget);
                QVERIFY(dialog);
                shown = dialog->frameGeometry();
                // What the pages need at the width the dialog has.
                QLayout *layout = dialog->layout();
                needed = QSize(layout->totalMinimumSize().width(),
                               layout->hasHeightForWidth() ? layout->totalHeightForWidth(dialog->width())
                                                           : layout->totalMinimumSize().height());
                QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
            });
            QTest::keyClick(&window, Qt::Key_F12);
        });
        QTRY_VERIFY(shown.isValid());
        ShowSettingsAction::setHandlers(before);
        qApp->setStyleSheet(QString());

        // Nothing squeezed, and no room beyond what the pages need.
        QVERIFY2(shown.width() >= needed.width() && shown.height() >= needed.height(),
                 qPrintable(QStringLiteral("%1x%2 for %3x%4").arg(shown.width()).arg(shown.height())
                                .arg(needed.width()).arg(needed.height())));
        QVERIFY(shown.width() <= needed.width() + 10 && shown.height() <= needed.height() + 10);
        QVERIFY2(shown.width() <= window.width(), qPrintable(QStringLiteral("%1 wide over a window %2 wide")
                                                                 .arg(shown.width()).arg(window.width())));
        QVERIFY2(screen.contains(shown), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(shown.x()).arg(shown.y())
                                                         .arg(shown.width()).arg(shown.height())));
        if (where == QLatin1String("middle")) {
            QVERIFY(qAbs(shown.center().x() - window.frameGeometry().center().x()) <= 1);
            QVERIFY(qAbs(shown.center().y() - window.frameGeometry().center().y()) <= 1);
        }
    }

    void storedValuesAreShown()
    {
        QSettings settings;
        settings.setValue(QStringLiteral("ui/run-in-system-tray"), false);
        settings.setValue(QStringLiteral("ui/start-with-window-open"), false);
        settings.setValue(QStringLiteral("ui/remove-children-on-delete"), 7);
        settings.setValue(QStringLiteral("ui/nextSkin"), 1);
        settings.setValue(QStringLiteral("ui/move-to-top"), false);
        settings.setValue(QStringLiteral("ui/task-font-bold"), false);
        settings.setValue(QStringLiteral("ui/time-format-24"), false);
        PrefsDialog dialog(nullptr, nullptr);
        SettingCheckBox *startOpen = dialog.settingCheckBoxes().at(2);
        QVERIFY(startOpen->isChecked());
        QVERIFY(!startOpen->checkBox()->isEnabled());
        QVERIFY(!dialog.settingCheckBoxes().at(8)->isChecked());
        for (const char *text : {"Outdent children", "Bottom", "Normal"})
            QVERIFY2(dialog.radioButton(QLatin1String(text))->isChecked(), text);
        QCOMPARE(dialog.skinComboBox()->currentText(), QStringLiteral("Blue"));
        QCOMPARE(dialog.userNameEdit()->text(), QStringLiteral("alice"));
        QCOMPARE(dialog.passwordEdit()->text(), QStringLiteral("secret"));
        QCOMPARE(dialog.passwordEdit()->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog.serverUrlEdit()->text(), QLatin1String(StoredUrl));
    }

    void trayBoxRulesTheStartBox()
    {
        PrefsDialog dialog(nullptr, nullptr);
        showPage(dialog, 1);
        SettingCheckBox *tray = dialog.settingCheckBoxes().at(1);
        SettingCheckBox *startOpen = dialog.settingCheckBoxes().at(2);
        startOpen->setChecked(false);
        QTest::mouseClick(tray->checkBox(), Qt::LeftButton);
        QVERIFY(startOpen->isChecked());
        QVERIFY(!startOpen->checkBox()->isEnabled());
        QTest::mouseClick(tray->checkBox(), Qt::LeftButton);
        QVERIFY(startOpen->isChecked());
        QVERIFY(startOpen->checkBox()->isEnabled());
    }

    void unlockEnablesTheServerUrl()
    {
        PrefsDialog dialog(nullptr, nullptr);
        showPage(dialog, 3);
        QVERIFY(!dialog.serverUrlEdit()->isEnabled());
        QVERIFY(!dialog.syncTestButton()->isEnabled());
        QVERIFY(dialog.accountTestButton()->isEnabled());
        QTest::mouseClick(dialog.serverUrlUnlock(), Qt::LeftButton);
        QVERIFY(dialog.serverUrlEdit()->isEnabled());
        QVERIFY(dialog.syncTestButton()->isEnabled());
        dialog.serverUrlEdit()->setText(QStringLiteral("https://other.example.net"));
        QTest::mouseClick(dialog.serverUrlUnlock(), Qt::LeftButton);
        QVERIFY(!dialog.serverUrlEdit()->isEnabled());
        QVERIFY(!dialog.syncTestButton()->isEnabled());
        QCOMPARE(dialog.serverUrlEdit()->text(), QStringLiteral("https://other.example.net"));
    }

    void applySettings_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QString>("storedUrl");
        QTest::addColumn<QString>("storedUser");
        QTest::addColumn<QString>("storedPassword");
        QTest::addColumn<QStringList>("emitted");

        const QString url = QLatin1String(StoredUrl);
        const QStringList invalid{"Preferences"};
        const QStringList userQuestion{"Username Changed"};
        for (const char *bad : {"ftp://sync.example.net", "http://", "http://host:0", "https://host:70000",
                                "not a url at all:"})
            QTest::newRow(bad) << QString::fromLatin1(bad) << "bob" << "pw" << QStringList() << false << invalid << url
                               << "alice" << "secret" << QStringList();
        QTest::newRow("unchanged") << url << "alice" << "secret" << QStringList() << true << QStringList() << url
                                   << "alice" << "secret" << QStringList();
        QTest::newRow("blanks only: no server") << "   " << "alice" << "secret" << QStringList() << true
                                                << QStringList() << "" << "alice" << "secret"
                                                << QStringList{"serverChanged"};
        QTest::newRow("no port, http") << "http://sync.example.net" << "alice" << "secret" << QStringList() << true
                                       << QStringList() << "http://sync.example.net" << "alice" << "secret"
                                       << QStringList{"serverChanged"};
        QTest::newRow("user name with blanks around") << url << "  alice " << "secret" << QStringList() << true
                                                      << QStringList() << url << "alice" << "secret" << QStringList();
        QTest::newRow("password with blanks kept") << url << "alice" << " s3cret " << QStringList() << true
                                                   << QStringList() << url << "alice" << " s3cret "
                                                   << QStringList{"passwordChanged"};
        QTest::newRow("user changed, confirmed") << url << "bob" << "hunter2" << QStringList{"ok"} << true
                                                 << userQuestion << url << "bob" << "hunter2"
                                                 << QStringList{"userChanged"};
        // Declining writes nothing: the dialog stays open with the typing.
        QTest::newRow("user changed, declined") << url << "bob" << "hunter2" << QStringList{"cancel"} << false
                                                << userQuestion << url << "alice" << "secret" << QStringList();
        // The lists and notes of the old account are localized all the same.
        QTest::newRow("user and server changed") << "https://other.example.net" << "bob" << "hunter2"
                                                 << QStringList{"ok"} << true << userQuestion
                                                 << "https://other.example.net" << "bob" << "hunter2"
                                                 << QStringList{"serverChanged", "userChanged"};
        QTest::newRow("server changed, user declined") << "https://other.example.net" << "bob" << "secret"
                                                       << QStringList{"cancel"} << false << userQuestion << url
                                                       << "alice" << "secret" << QStringList();
    }

    void applySettings()
    {
        QFETCH(QString, url);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QStringList, answers);
        QFETCH(bool, applied);
        QFETCH(QStringList, asked);
        QFETCH(QString, storedUrl);
        QFETCH(QString, storedUser);
        QFETCH(QString, storedPassword);
        QFETCH(QStringList, emitted);

        // A note synchronised under the stored user: another name is asked about.
        // Outlives the notepad, which saves it as it goes.
        const auto note = std::make_unique<NotepadNote>();
        NotepadNotes notes;
        note->setSyncStatus(NotepadNote::Unedited);
        notes.appendNote(note.get());
        PrefsDialog dialog(nullptr, nullptr);
        dialog.show();
        dialog.serverUrlEdit()->setText(url);
        dialog.userNameEdit()->setText(user);
        dialog.passwordEdit()->setText(password);
        dialog.settingCheckBoxes().first()->setChecked(true);
        const QMap<QString, QVariant> before = store();
        m_signals.clear();
        MessageAnswerer answerer(answers);
        QCOMPARE(dialog.applySettings(), applied);
        QCOMPARE(answerer.titles, asked);
        if (!applied)
            QCOMPARE(store(), before);
        ServerSettings *settings = ServerSettings::instance();
        QCOMPARE(settings->serverUrl(), storedUrl);
        QCOMPARE(settings->userName(), storedUser);
        QCOMPARE(settings->password(), storedPassword);
        QCOMPARE(m_signals, emitted);
        QCOMPARE(QSettings().value(QStringLiteral("ui/enable-outlook")).toBool(), applied);
    }

    // The question about another user name comes only when something here
    // was synchronised under the stored one; declining it leaves the store
    // untouched and the dialog open with what was typed, and Ok again then
    // applies it.
    void userNameQuestion_data()
    {
        QTest::addColumn<QString>("storedUser");
        // "", "new list", "list", "deleted list", "note", "new note", and a
        // new list or note whose upload went without its answer: "sent list",
        // "sent note"
        QTest::addColumn<QString>("held");
        QTest::addColumn<bool>("asked");
        QTest::newRow("first sign-in, fresh lists") << "" << "new list" << false;
        QTest::newRow("first sign-in, fresh note") << "" << "new note" << false;
        QTest::newRow("first sign-in, nothing at all") << "" << "" << false;
        QTest::newRow("another user, nothing synchronised") << "carol" << "new list" << false;
        QTest::newRow("another user, synchronised list") << "carol" << "list" << true;
        QTest::newRow("another user, deleted list not yet told") << "carol" << "deleted list" << true;
        QTest::newRow("another user, synchronised note") << "carol" << "note" << true;
        // The server may hold what an unanswered upload sent.
        QTest::newRow("another user, list sent without an answer") << "carol" << "sent list" << true;
        QTest::newRow("another user, note sent without an answer") << "carol" << "sent note" << true;
        // A name cleared after a sync still leaves that sync's lists.
        QTest::newRow("no stored user, synchronised list") << "" << "list" << true;
    }

    void userNameQuestion()
    {
        QFETCH(QString, storedUser);
        QFETCH(QString, held);
        QFETCH(bool, asked);
        ServerSettings::instance()->setSettings(QLatin1String(StoredUrl), storedUser, QString());
        UserLists lists;
        auto makeList = [](TaskList::SyncStatus status, quint32 id) {
            TaskList *list = TaskList::createNew();
            list->setName(QStringLiteral("Groceries"));
            list->setSyncStatus(status);
            if (status != TaskList::New)
                list->setServerId(id);
            return list;
        };
        if (held.endsWith(QLatin1String("list"))) {
            TaskList *list = makeList(held == QLatin1String("list") ? TaskList::Unedited : TaskList::New, 40);
            if (held == QLatin1String("sent list"))
                list->setPendingUpload(QStringLiteral("mark"));
            lists.addList(list);
        }
        if (held == QLatin1String("deleted list"))
            lists.addList(makeList(TaskList::Deleted, 41));
        std::unique_ptr<NotepadNote> note; // outlives the notepad, which saves it as it goes
        NotepadNotes notes;
        if (held.endsWith(QLatin1String("note"))) {
            note = std::make_unique<NotepadNote>();
            note->setSyncStatus(held == QLatin1String("note") ? NotepadNote::Unedited : NotepadNote::New);
            if (held == QLatin1String("sent note"))
                note->setPendingUpload(QStringLiteral("mark"));
            notes.appendNote(note.get());
        }

        // Through the command's own run, which finds the lists by the source
        // the program plugs in.
        PrefsDialog::setListsSource([&lists](MainWindow *) { return &lists; });
        const QMap<QString, QVariant> before = store();
        QStringList seen;
        bool driven = false;
        MessageAnswerer answerer({"cancel", "ok"});
        DialogDriver::whenModal([&](QWidget *widget) {
            auto *dialog = qobject_cast<PrefsDialog *>(widget);
            QVERIFY(dialog);
            QTest::mouseClick(dialog->userNameEdit(), Qt::LeftButton);
            QTest::keyClick(dialog->userNameEdit(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(dialog->userNameEdit(), QStringLiteral("dave"));
            QTest::mouseClick(dialog->passwordEdit(), Qt::LeftButton);
            QTest::keyClicks(dialog->passwordEdit(), QStringLiteral("pa ss"));
            auto *tabs = dialog->findChild<QTabWidget *>(QStringLiteral("tabs"));
            QPushButton *ok = tabs->currentWidget()->findChild<QPushButton *>(QStringLiteral("okButton"));
            QTest::mouseClick(ok, Qt::LeftButton);
            if (asked) {
                // Declined: nothing written, still open, the typing kept.
                QCOMPARE(answerer.titles, QStringList{"Username Changed"});
                QVERIFY(dialog->isVisible());
                QCOMPARE(store(), before);
                QCOMPARE(dialog->userNameEdit()->text(), QStringLiteral("dave"));
                QCOMPARE(dialog->passwordEdit()->text(), QStringLiteral("pa ss"));
                QCOMPARE(dialog->serverUrlEdit()->text(), QLatin1String(StoredUrl));
                QVERIFY(m_signals.isEmpty());
                QTest::mouseClick(ok, Qt::LeftButton);
            }
            driven = true;
        });
        m_signals.clear();
        const ShowSettingsAction::Outcome outcome = PrefsDialog::run(nullptr);
        PrefsDialog::setListsSource({});
        QVERIFY(driven);
        QVERIFY(outcome.accepted);
        const QStringList questions = asked ? QStringList{"Username Changed", "Username Changed"} : QStringList();
        QCOMPARE(answerer.titles, questions);
        QCOMPARE(ServerSettings::instance()->userName(), QStringLiteral("dave"));
        QCOMPARE(ServerSettings::instance()->password(), QStringLiteral("pa ss"));
        QCOMPARE(m_signals, QStringList{"userChanged"});
    }

    void okAndCancel_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("validUrl");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("written");
        QTest::newRow("ok") << "ok" << true << true << true;
        QTest::newRow("ok, invalid URL") << "ok" << false << false << false;
        QTest::newRow("cancel") << "cancel" << true << true << false;
        QTest::newRow("title bar close") << "close" << true << true << false;
    }

    void okAndCancel()
    {
        QFETCH(QString, how);
        QFETCH(bool, validUrl);
        QFETCH(bool, closed);
        QFETCH(bool, written);
        PrefsDialog dialog(nullptr, nullptr);
        dialog.show();
        if (!validUrl)
            dialog.serverUrlEdit()->setText(QStringLiteral("ftp://nowhere"));
        MessageAnswerer answerer;
        if (how == QLatin1String("close")) {
            QTest::mouseClick(dialog.closeButton(), Qt::LeftButton);
        } else {
            // Every page carries the same buttons; use the Sync page's.
            auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("tabs"));
            tabs->setCurrentIndex(3);
            QWidget *page = tabs->currentWidget();
            QTest::mouseClick(page->findChild<QPushButton *>(how + QStringLiteral("Button")), Qt::LeftButton);
        }
        QCOMPARE(!dialog.isVisible(), closed);
        QCOMPARE(QSettings().contains(QStringLiteral("ui/enable-outlook")), written);
        QCOMPARE(answerer.titles, validUrl ? QStringList() : QStringList{"Preferences"});
        QCOMPARE(dialog.findChildren<QPushButton *>(QStringLiteral("okButton")).size(), 5);
        QCOMPARE(dialog.findChildren<QPushButton *>(QStringLiteral("closePlumdeckButton")).size(), 5);
    }

    void followUpRequests_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("validUrl");
        QTest::addColumn<QString>("requested"); // "local", "remote", "backup" or empty
        QTest::addColumn<QStringList>("asked");
        QTest::newRow("local, confirmed") << "local" << QStringList{"ok"} << true << "local"
                                          << QStringList{"Force Local Sync"};
        QTest::newRow("local, declined") << "local" << QStringList{"cancel"} << true << ""
                                         << QStringList{"Force Local Sync"};
        // A request whose apply failed is no request, even after Cancel.
        QTest::newRow("local, invalid URL") << "local" << QStringList{"ok", "ok"} << false << ""
                                            << QStringList{"Force Local Sync", "Preferences"};
        QTest::newRow("remote, confirmed") << "remote" << QStringList{"ok"} << true << "remote"
                                           << QStringList{"Force Remote Sync"};
        QTest::newRow("backup") << "backup" << QStringList() << true << "backup" << QStringList();
        QTest::newRow("backup, invalid URL") << "backup" << QStringList() << false << "" << QStringList{"Preferences"};
    }

    void followUpRequests()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, answers);
        QFETCH(bool, validUrl);
        QFETCH(QString, requested);
        QFETCH(QStringList, asked);
        PrefsDialog dialog(nullptr, nullptr);
        showPage(dialog, button == QLatin1String("backup") ? 0 : 3);
        if (!validUrl)
            dialog.serverUrlEdit()->setText(QStringLiteral("http://"));
        MessageAnswerer answerer(answers);
        QPushButton *target = button == QLatin1String("local") ? dialog.localSyncButton()
                              : button == QLatin1String("remote")
                                  ? dialog.remoteSyncButton()
                                  : dialog.findChild<QPushButton *>(QStringLiteral("backupButton"));
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(answerer.titles, asked);
        const bool accepted = !requested.isEmpty();
        QCOMPARE(!dialog.isVisible(), accepted);
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
        if (!accepted && dialog.isVisible())
            QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
        QCOMPARE(dialog.localSyncRequested(), requested == QLatin1String("local"));
        QCOMPARE(dialog.remoteSyncRequested(), requested == QLatin1String("remote"));
        QCOMPARE(dialog.backupRequested(), requested == QLatin1String("backup"));
    }

    void connectionTestAppliesFirst_data()
    {
        QTest::addColumn<bool>("validUrl");
        QTest::newRow("valid") << true;
        QTest::newRow("invalid") << false;
    }

    void connectionTestAppliesFirst()
    {
        QFETCH(bool, validUrl);
        QStringList tested;
        PrefsDialog::setConnectionTest([&tested](QWidget *parent) {
            tested << ServerSettings::instance()->userName() + "@" + parent->objectName();
        });
        PrefsDialog dialog(nullptr, nullptr);
        dialog.setObjectName(QStringLiteral("prefs"));
        dialog.show();
        dialog.userNameEdit()->setText(QStringLiteral("bob"));
        if (!validUrl)
            dialog.serverUrlEdit()->setText(QStringLiteral("ftp://x"));
        MessageAnswerer answerer;
        QTest::mouseClick(dialog.accountTestButton(), Qt::LeftButton);
        PrefsDialog::setConnectionTest({});
        QCOMPARE(tested, validUrl ? QStringList{"bob@prefs"} : QStringList());
        QVERIFY(dialog.isVisible());
    }

    void skinChange_data()
    {
        QTest::addColumn<int>("running");
        QTest::addColumn<int>("nextStored");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<int>("nextAfter");
        QTest::addColumn<bool>("restart");
        const QStringList question{"Skin changes"};
        QTest::newRow("blue, declined") << 0 << 0 << 1 << QStringList{"cancel"} << question << 0 << false;
        QTest::newRow("blue, restart") << 0 << 0 << 1 << QStringList{"ok"} << question << 1 << true;
        QTest::newRow("running skin after a pending change") << 0 << 1 << 0 << QStringList() << QStringList() << 1
                                                             << false;
        QTest::newRow("unchanged") << 1 << 1 << 1 << QStringList() << QStringList() << 1 << false;
    }

    void skinChange()
    {
        QFETCH(int, running);
        QFETCH(int, nextStored);
        QFETCH(int, chosen);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, asked);
        QFETCH(int, nextAfter);
        QFETCH(bool, restart);
        UISettings::instance()->setSkin(running);
        UISettings::instance()->setNextSkin(nextStored);
        PrefsDialog dialog(nullptr, nullptr);
        dialog.show();
        dialog.skinComboBox()->setCurrentIndex(chosen);
        MessageAnswerer answerer(answers);
        QVERIFY(dialog.applySettings());
        QCOMPARE(answerer.titles, asked);
        QCOMPARE(UISettings::instance()->nextSkin(), nextAfter);
        QCOMPARE(restartRequested(), restart);
        // The skin comes last: everything else is already written.
        QVERIFY(QSettings().contains(QStringLiteral("ui/enable-list-autosync")));
    }

    void quitPaths_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("restart");
        QTest::addColumn<QString>("storedUser");
        QTest::newRow("skin restart") << "skin" << true << "bob";
        QTest::newRow("close Plumdeck") << "close" << false << "alice";
    }

    // Both ways out of the preferences save the user's documents first,
    // through the main window's own quit routine.
    void quitPaths()
    {
        QFETCH(QString, how);
        QFETCH(bool, restart);
        QFETCH(QString, storedUser);
        TestPages<> pages;
        pages.install();
        ModelsContainer models;
        MainWindow window(&models, nullptr);
        const ShowSettingsAction::Handlers before = ShowSettingsAction::handlers();
        ShowSettingsAction::Handlers handlers = before;
        handlers.runDialog = &PrefsDialog::run;
        ShowSettingsAction::setHandlers(handlers);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        bool ended = true;
        MessageAnswerer answerer;
        QTimer::singleShot(0, &window, [&] {
            DialogDriver::whenModal([&](QWidget *widget) {
                auto *dialog = qobject_cast<PrefsDialog *>(widget);
                QVERIFY(dialog);
                dialog->userNameEdit()->setText(QStringLiteral("bob"));
                dialog->skinComboBox()->setCurrentIndex(1);
                const QString button = how == QLatin1String("skin") ? QStringLiteral("okButton")
                                                                    : QStringLiteral("closePlumdeckButton");
                QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
            });
            QTest::keyClick(&window, Qt::Key_F12);
        });
        QTimer::singleShot(5000, &window, [&] {
            ended = false;
            QCoreApplication::exit(0);
        });
        QCoreApplication::exec();
        ShowSettingsAction::setHandlers(before);

        QVERIFY(ended);
        QCOMPARE(pages.log.count(QStringLiteral("lists")), 1);
        QCOMPARE(restartRequested(), restart);
        QCOMPARE(UISettings::instance()->nextSkin(), restart ? 1 : 0);
        QCOMPARE(ServerSettings::instance()->userName(), storedUser);
    }
};

PLUMDECK_TEST_MAIN(TstPrefsDialog)
#include "tst_prefsdialog.moc"
