#include "contacts/chats.h"
#include "contacts/friends.h"
#include "model/modelscontainer.h"
#include "model/notepadnote.h"
#include "model/notepadnotes.h"
#include "dialogdriver.h"
#include "shell/keysdialog.h"
#include "shell/launchhelpaction.h"
#include "shell/messagedialog.h"
#include "shell/showsettingsaction.h"
#include "shell/splashscreen.h"
#include "shell/systemtrayicon.h"
#include "shell/toolbutton.h"
#include "shelltest.h"
#include "testenvironment.h"
#include "testpages.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTimer>

#include <memory>

// The lists page signals its layout changes.
class ListsTestPage : public TestPage
{
    Q_OBJECT
public:
    using TestPage::TestPage;
signals:
    void uiModeChanged(int mode);
    void showKeysDialogSignal();
};

namespace {

// The grid as sorted "name@row,column,rows,columns" entries.
QStringList gridCells(QGridLayout *grid)
{
    QStringList cells;
    for (int i = 0; i < grid->count(); ++i) {
        int r, c, rs, cs;
        grid->getItemPosition(i, &r, &c, &rs, &cs);
        cells << QStringLiteral("%1@%2,%3,%4,%5").arg(grid->itemAt(i)->widget()->objectName()).arg(r).arg(c).arg(rs).arg(cs);
    }
    cells.sort();
    return cells;
}

const QStringList Advanced{"attachments@1,4,1,1", "groups@0,0,1,1", "list information@1,0,1,1", "lists@0,2,2,1",
                           "separatorFrame@0,1,2,1", "separatorFrame@0,3,2,1", "task information@0,4,1,1"};

} // namespace

class TstMainWindow : public QObject
{
    Q_OBJECT
private:
    TestPages<ListsTestPage> m_pages;
    ModelsContainer m_models;
    std::unique_ptr<MainWindow> m_window;
    QStringList m_runs; // the preferences, their follow-ups, help windows and messages, as they run
    ShowSettingsAction::Outcome m_preferences; // what the preferences dialog answers

    MainWindow *build(int listsLayoutMode = 0, bool team = true, SplashScreen *splash = nullptr)
    {
        m_pages = TestPages<ListsTestPage>();
        m_pages.listsLayoutMode = listsLayoutMode;
        m_pages.install();
        m_models.setFriends(team ? new Friends(&m_models) : nullptr);
        m_models.setChats(team ? new Chats(&m_models) : nullptr);
        m_window = std::make_unique<MainWindow>(&m_models, splash);
        return m_window.get();
    }

    bool showActive()
    {
        m_window->show();
        m_window->activateWindow();
        return QTest::qWaitForWindowActive(m_window.get());
    }

    QString pageName() const { return static_cast<TestPage *>(dynamic_cast<QObject *>(m_window->currentMode()))->name; }

    void click(const char *button) { QTest::mouseClick(m_window->findChild<ToolButton *>(QLatin1String(button)), Qt::LeftButton); }

private slots:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        LaunchHelpAction::setWindowFactory([this](const QUrl &url) {
            m_runs << QStringLiteral("help ") + url.fileName();
            return new CustomDialog(QStringLiteral("browser"));
        });
        auto log = [this](const char *run) { return [this, run](MainWindow *) { m_runs << QLatin1String(run); }; };
        ShowSettingsAction::setHandlers({[this](MainWindow *) {
                                             m_runs << QStringLiteral("preferences");
                                             return m_preferences;
                                         },
                                         log("local"), log("remote"), log("backup")});
    }

    void cleanup()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->windowTitle() == QLatin1String("Plumdeck Help"))
                delete widget;
        }
        m_window.reset();
        m_runs.clear();
        m_preferences = {};
        QSettings().clear();
        SystemTrayIcon::setTrayHostPresent(0);
    }

    void layoutPerUiMode_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<int>("panelsAsked");
        QTest::newRow("normal") << 0 << 0 << QStringList{"lists@0,2,1,1"} << 0;
        QTest::newRow("professional") << 1 << 1
                                      << QStringList{"groups@0,0,1,1", "list information@1,0,1,1", "lists@0,2,2,1",
                                                     "separatorFrame@0,1,2,1"}
                                      << 2;
        QTest::newRow("advanced") << 2 << 2 << Advanced << 4;
        QTest::newRow("advanced, then normal") << 2 << 0 << QStringList{"lists@0,2,1,1"} << 4;
    }

    void layoutPerUiMode()
    {
        QFETCH(int, start);
        QFETCH(int, mode);
        QFETCH(QStringList, cells);
        QFETCH(int, panelsAsked);
        MainWindow *window = build(start);
        if (mode != start) {
            m_pages.lists->layoutMode = mode;
            emit m_pages.lists->uiModeChanged(mode);
        }
        QCOMPARE(gridCells(window->contentGrid()), cells);
        QCOMPARE(m_pages.lists->panels.size(), panelsAsked);
        QCOMPARE(m_pages.lists->rejections, mode < start ? 4 : 0);
        QCOMPARE(window->contentGrid()->columnStretch(2), start == 0 ? 0 : 20);
        QCOMPARE(window->bottomBarLayout()->itemAt(0)->widget(), m_pages.lists->left);
    }

    // The names the skins' style sheets select, and what the overlay shows.
    void objectNames_data()
    {
        QTest::addColumn<bool>("blue");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("shows");
        QTest::newRow("content area") << false << "tabcontainer" << "QWidget" << "";
        QTest::newRow("bottom container") << false << "bottomcontainer" << "QWidget" << "";
        QTest::newRow("bottom bar") << false << "bottombar" << "QWidget" << "";
        QTest::newRow("overlay frame") << false << "loadingFrame" << "QFrame" << "";
        QTest::newRow("overlay text") << false << "loadingLabel" << "QLabel" << "Loading...";
        QTest::newRow("overlay image, green") << false << "" << "QLabel" << ":/section_loading.png";
        QTest::newRow("overlay image, blue") << true << "" << "QLabel" << ":/section_loading_blue.png";
        QTest::newRow("lists button, blue") << true << "listsbutton" << "ToolButton" << ":/done-button-blue.png";
        QTest::newRow("notepad button") << false << "notepadbutton" << "ToolButton" << ":/notepad-button.png";
        QTest::newRow("team button") << false << "friendsbutton" << "ToolButton" << ":/share-button.png";
        QTest::newRow("sync button, blue") << true << "syncbutton" << "ToolButton" << ":/sync-button-blue.png";
    }

    void objectNames()
    {
        QFETCH(bool, blue);
        QFETCH(QString, name);
        QFETCH(QString, className);
        QFETCH(QString, shows);
        QSettings().setValue(QStringLiteral("ui/skin"), blue ? 1 : 0);
        MainWindow *window = build();
        QWidget *widget = nullptr;
        if (name.isEmpty()) {
            // The overlay's picture: the first label of its frame.
            widget = window->loadingOverlay()->findChild<QLabel *>();
        } else {
            widget = window->findChild<QWidget *>(name);
        }
        QVERIFY(widget);
        QVERIFY(widget->inherits(className.toLatin1()));
        if (shows.startsWith(QLatin1String(":/"))) {
            const QImage image(shows);
            QVERIFY(!image.isNull());
            QImage shown;
            if (auto *label = qobject_cast<QLabel *>(widget))
                shown = label->pixmap().toImage();
            else
                shown = static_cast<ToolButton *>(widget)->icon().pixmap(image.size()).toImage();
            QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                     image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        } else if (!shows.isEmpty()) {
            QCOMPARE(qobject_cast<QLabel *>(widget)->text(), shows);
        }
    }

    // Page buttons between two stretches, 15 pixels apart; the page's own
    // widgets at the ends.
    void bottomBarOrder_data()
    {
        QTest::addColumn<bool>("team");
        QTest::addColumn<QString>("order");
        QTest::newRow("with Team") << true
                                   << "lists left|stretch|listsbutton|15|notepadbutton|15|friendsbutton|15|syncbutton|"
                                      "stretch|lists right";
        QTest::newRow("without Team") << false
                                      << "lists left|stretch|listsbutton|15|notepadbutton|15|syncbutton|stretch|"
                                         "lists right";
    }

    void bottomBarOrder()
    {
        QFETCH(bool, team);
        QFETCH(QString, order);
        QHBoxLayout *bar = build(0, team)->bottomBarLayout();
        QStringList items;
        for (int i = 0; i < bar->count(); ++i) {
            QLayoutItem *item = bar->itemAt(i);
            if (QWidget *widget = item->widget()) {
                auto *label = qobject_cast<QLabel *>(widget);
                items << (label ? label->text() : widget->objectName());
            } else {
                items << (bar->stretch(i) == 1 ? QStringLiteral("stretch") : QString::number(item->sizeHint().width()));
            }
        }
        QCOMPARE(items.join(QLatin1Char('|')), order);
        QCOMPARE(bar->contentsMargins(), QMargins(8, 8, 8, 8));
        QCOMPARE(m_window->minimumSize(), QSize(320, 240));
    }

    void switchingPages()
    {
        MainWindow *window = build(2);
        QVERIFY(showActive());
        ListsTestPage *lists = m_pages.lists;
        const QImage syncImage = window->syncButton()->icon().pixmap(40, 30).toImage();
        QSignalSpy shown(window, &MainWindow::showLoadingScreen);

        click("notepadbutton");
        QCOMPARE(pageName(), QStringLiteral("notepad"));
        QCOMPARE(gridCells(window->contentGrid()), QStringList{"notepad@0,2,1,1"});
        QCOMPARE(lists->rejections, 4);
        QVERIFY(window->findChildren<QFrame *>(QStringLiteral("separatorFrame")).isEmpty());
        // The page's own widget stays in the window, hidden and out of the
        // layout; the bottom bar's widgets leave it.
        QVERIFY(lists->central->isHidden() && window->contentGrid()->indexOf(lists->central) < 0);
        QVERIFY(!lists->left->parent() && !lists->right->parent());
        QHBoxLayout *bar = window->bottomBarLayout();
        QCOMPARE(bar->itemAt(0)->widget(), m_pages.notepad->left);
        QCOMPARE(bar->itemAt(bar->count() - 1)->widget(), m_pages.notepad->right);
        QCOMPARE(window->syncButton()->defaultAction(), m_pages.notepad->sync);
        QCOMPARE(window->syncButton()->icon().pixmap(40, 30).toImage(), syncImage);
        QVERIFY(m_pages.notepad->activations == 1 && m_pages.notepad->overlayShownWhenActivated);
        QVERIFY(window->loadingOverlay()->isHidden());

        // Back by key: panels and separators placed again.
        QTest::keyClick(window, Qt::Key_L, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(gridCells(window->contentGrid()), Advanced);

        // The page already shown: the overlay comes and goes, nothing else.
        const int activations = lists->activations;
        shown.clear();
        click("listsbutton");
        QCOMPARE(shown.count(), 1);
        QCOMPARE(lists->activations, activations);

        click("friendsbutton");
        QCOMPARE(pageName(), QStringLiteral("team"));
        QVERIFY(window->isAncestorOf(m_pages.team->titleWidget));

        window->resize(601, 501);
        LoadingModeWidget *overlay = window->loadingOverlay();
        QCOMPARE(overlay->geometry(), QRect(QPoint(300 - overlay->sizeHint().width() / 2,
                                                   250 - overlay->sizeHint().height() / 2), overlay->sizeHint()));
    }

    // A page may delete one of its docked panels itself (Escape in a panel
    // closes it for good); leaving and coming back must not touch it.
    void pageDeletesADockedPanel()
    {
        MainWindow *window = build(2);
        QVERIFY(showActive());
        ListsTestPage *lists = m_pages.lists;
        delete lists->panels.value(QStringLiteral("task information")).data();
        click("notepadbutton");
        QCOMPARE(pageName(), QStringLiteral("notepad"));
        QCOMPARE(lists->rejections, 3);
        click("listsbutton");
        QCOMPARE(gridCells(window->contentGrid()), Advanced);
    }

    // Without the friends or the chats model there is no Team page, and
    // nothing asks for one.
    void withoutTeam()
    {
        MainWindow *window = build(0, false);
        QVERIFY(!m_pages.team && !window->findChild<ToolButton *>(QStringLiteral("friendsbutton")));
        QSignalSpy shown(window, &MainWindow::showLoadingScreen);
        window->switchToFriends();
        QCOMPARE(pageName(), QStringLiteral("lists"));
        QCOMPARE(shown.count(), 0);
        window->runClosingSteps();
        QCOMPARE(m_pages.log, QStringList({"lists", "groups", "dialogs", "syncs"}));
    }

    void splashAndGeometry()
    {
        SplashScreen splash;
        int atNotepad = 0;
        MainWindow::PageBuilders builders;
        builders.notepad = [&](MainWindowMode *, MainWindow *) {
            atNotepad = splash.progressBar()->value();
            return nullptr;
        };
        MainWindow::setPageBuilders(builders);
        QSettings().setValue(QStringLiteral("mainwindow/geometry"), QByteArray("garbage"));
        m_window = std::make_unique<MainWindow>(&m_models, &splash);
        QCOMPARE(atNotepad, 800);
        QCOMPARE(splash.progressBar()->value(), 1000);
        QCOMPARE(splash.infoLabel()->text(), QStringLiteral("Loading complete"));
        QCOMPARE(m_window->size(), QSize(496, 458));

        m_window->setGeometry(40, 50, 640, 520);
        m_window->runClosingSteps();
        QCOMPARE(build()->size(), QSize(640, 520));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Plumdeck"));
    }

    void commands_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("effect");
        QTest::newRow("help") << "LaunchHelpAction" << "Help" << QStringList{"F1"} << "help help.html";
        QTest::newRow("crash") << "TestCrashAction" << "Test crash handler" << QStringList{"Ctrl+Shift+Q"} << "message";
        QTest::newRow("notes") << "SwitchToNotepadAction" << "Notes" << QStringList{"Shift+Ctrl+O"} << "notepad";
        QTest::newRow("lists") << "SwitchToListsAction" << "Lists" << QStringList{"Shift+Ctrl+L"} << "lists";
        QTest::newRow("team") << "SwitchToFriendsAction" << "Team" << QStringList{"Shift+Ctrl+C"} << "team";
        QTest::newRow("preferences") << "ShowSettingsAction" << "Preferences" << QStringList{"F12", "Ctrl+Shift+P"}
                                     << "preferences";
        QTest::newRow("shortcuts") << "ShowKeysDialogAction" << "Show this dialog" << QStringList{"Ctrl+?", "Ctrl+/"}
                                   << "keys";
    }

    // Texts and bindings; every binding runs its command.
    void commands()
    {
        QFETCH(QString, className);
        QFETCH(QString, text);
        QFETCH(QStringList, keys);
        QFETCH(QString, effect);
        MainWindow *window = build();
        QVERIFY(showActive());
        const QList<Action *> actions = window->findChildren<Action *>();
        const auto command = std::find_if(actions.cbegin(), actions.cend(), [&](Action *a) {
            return QLatin1String(a->metaObject()->className()) == className;
        });
        QVERIFY(command != actions.cend());
        QCOMPARE((*command)->text(), text);
        QList<QKeySequence> bindings;
        for (const QString &key : keys)
            bindings << QKeySequence(key);
        QCOMPARE((*command)->shortcuts(), bindings);

        for (const QKeySequence &key : std::as_const(bindings)) {
            window->setMode(effect == QLatin1String("team") ? m_pages.notepad : m_pages.team);
            if (effect == QLatin1String("message")) {
                QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("^Test crash handler")));
                ShellTest::whenModal([this](QWidget *dialog) {
                    m_runs << QStringLiteral("message");
                    ShellTest::endDialog(static_cast<CustomDialog *>(dialog), QStringLiteral("ok"));
                });
            }
            QTest::keySequence(window, key);
            const QString result = !m_runs.isEmpty() ? m_runs.takeLast()
                                   : window->keysDialog()->isVisible() ? QStringLiteral("keys")
                                                                       : pageName();
            QCOMPARE(result, effect);
            window->keysDialog()->hide();
        }
    }

    // The lists page's shortcuts command opens the window's one shortcuts
    // dialog.
    void listsPageShowsTheShortcuts()
    {
        MainWindow *window = build();
        KeysDialog *keys = window->keysDialog();
        QVERIFY(!keys->isVisible() && !keys->parent());
        emit m_pages.lists->showKeysDialogSignal();
        QVERIFY(keys->isVisible());
        QCOMPARE(window->keysDialog(), keys);
        keys->hide();
    }

    void helpWindowsAreSeparateAndGoWhenClosed()
    {
        MainWindow *window = build();
        QTest::mouseClick(window->helpButton(), Qt::LeftButton);
        window->helpAction()->trigger();
        QList<CustomDialog *> help;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->windowTitle() == QLatin1String("Plumdeck Help") && widget->isVisible())
                help << static_cast<CustomDialog *>(widget);
        }
        QCOMPARE(help.size(), 2);
        QCOMPARE(help.first()->size(), QSize(1024, 720));
        QPointer<CustomDialog> closed = help.first();
        QTest::mouseClick(closed->closeButton(), Qt::LeftButton);
        QTRY_VERIFY(!closed);
    }

    void pageStepsAtTheWindowsMoments()
    {
        MainWindow *window = build();
        QVERIFY(showActive());
        QCOMPARE(m_pages.log.first(), QStringLiteral("shown"));
        QEvent activation(QEvent::ActivationChange);
        QVERIFY(QApplication::sendEvent(window, &activation));
        QCOMPARE(m_pages.log.last(), QStringLiteral("raise"));
        QTest::mouseClick(window->minimizeButton(), Qt::LeftButton);
        QVERIFY(m_pages.log.contains(QStringLiteral("minimize")) && window->isMinimized());
        m_pages.lists->showPreferences();
        QCOMPARE(m_runs, QStringList{"preferences"});
    }

    void preferencesFollowUps_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("requested");
        QTest::addColumn<QString>("runs");
        QTest::newRow("accepted, all") << true << "local remote backup" << "preferences local remote backup";
        QTest::newRow("accepted, backup") << true << "backup" << "preferences backup";
        QTest::newRow("cancelled after a forced sync was confirmed") << false << "local remote backup" << "preferences";
    }

    void preferencesFollowUps()
    {
        QFETCH(bool, accepted);
        QFETCH(QString, requested);
        QFETCH(QString, runs);
        m_preferences = {accepted, requested.contains(QLatin1String("local")), requested.contains(QLatin1String("remote")),
                         requested.contains(QLatin1String("backup"))};
        QTest::mouseClick(build()->prefsButton(), Qt::LeftButton);
        QCOMPARE(m_runs.join(QLatin1Char(' ')), runs);
    }

    void quitPaths_data()
    {
        QTest::addColumn<int>("trayHost");
        QTest::addColumn<bool>("runInTray");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<int>("saves");
        // -1: the system's own answer; offscreen, like a bare X server, has no tray.
        QTest::newRow("close, no tray host") << -1 << true << "close" << true << 1;
        QTest::newRow("close to the tray") << 1 << true << "close" << false << 1;
        QTest::newRow("close, tray off") << 1 << false << "close" << true << 1;
        QTest::newRow("tray quit, window shown") << 1 << true << "quit" << true << 1;
        QTest::newRow("tray quit, window hidden") << 1 << true << "hidden quit" << true << 1;
        QTest::newRow("installer started") << 1 << true << "exit" << true << 1;
        QTest::newRow("close to the tray, then quit") << 1 << true << "close quit" << true << 2;
    }

    // Every way out runs the closing steps once; the notepad and the
    // geometry are on disk afterwards.
    void quitPaths()
    {
        QFETCH(int, trayHost);
        QFETCH(bool, runInTray);
        QFETCH(QString, how);
        QFETCH(bool, ends);
        QFETCH(int, saves);
        SystemTrayIcon::setTrayHostPresent(trayHost);
        QSettings().setValue(QStringLiteral("ui/run-in-system-tray"), runInTray);
        QFile::remove(NotepadNotes::filePath());
        // Outlives the notepad, which saves it as it goes.
        const auto note = std::make_unique<NotepadNote>();
        NotepadNotes notes;
        note->setTitle(QStringLiteral("Call the plumber"));
        notes.appendNote(note.get());
        MainWindow *window = build(0, false);
        SystemTrayIcon tray(window);
        if (!how.startsWith(QLatin1String("hidden")))
            QVERIFY(showActive());

        // The event loop runs until the program ends, or for 300 ms.
        bool ended = true;
        QStringList steps;
        QObject loop;
        QTimer::singleShot(0, &loop, [&] {
            if (how.contains(QLatin1String("close")))
                QTest::mouseClick(window->closeButton(), Qt::LeftButton);
            if (how.contains(QLatin1String("quit"))) {
                QMenu *menu = tray.contextMenu();
                menu->popup(QPoint(0, 0));
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().constLast()).center());
            }
            if (how == QLatin1String("exit"))
                QCoreApplication::exit(0);
        });
        QTimer::singleShot(300, &loop, [&] {
            ended = false;
            steps = m_pages.log;
            QCoreApplication::exit(0);
        });
        QCoreApplication::exec();
        if (ended)
            steps = m_pages.log;

        QCOMPARE(ended, ends);
        QCOMPARE(steps.count(QStringLiteral("lists")), saves);
        QCOMPARE(steps.count(QStringLiteral("syncs")), saves);
        QVERIFY(!how.contains(QLatin1String("close")) || !window->isVisible());
        QFile file(NotepadNotes::filePath());
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().contains("Call the plumber"));
        QVERIFY(!QSettings().value(QStringLiteral("mainwindow/geometry")).toByteArray().isEmpty());
    }

    void unsavedDocumentKeepsTheProgramOpen_data()
    {
        QTest::addColumn<int>("trayHost");
        QTest::addColumn<QString>("how");
        // Each attempt's answer: "ok" or "cancel" on its box; "room" when the
        // disk has room again before it, and no box comes.
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("endsAt"); // the attempt that ends the program; 0: none does
        QTest::newRow("tray quit: told, then stays, then quits anyway")
            << 1 << "quit" << QStringList{"ok", "cancel", "ok"} << 3;
        QTest::newRow("tray quit, window hidden") << 1 << "hidden quit" << QStringList{"ok", "ok"} << 2;
        QTest::newRow("close, no tray: told, then stays, then quits anyway")
            << -1 << "close" << QStringList{"ok", "cancel", "ok"} << 3;
        QTest::newRow("told, then stays") << 1 << "quit" << QStringList{"ok", "cancel", "cancel"} << 0;
        QTest::newRow("room again after the message") << 1 << "quit" << QStringList{"ok", "room"} << 2;
    }

    // A quit whose lists cannot be written leaves the program open and says
    // why and what to do; the next such quit asks, Cancel being the default.
    // Nothing the window holds is closed while it stays.
    void unsavedDocumentKeepsTheProgramOpen()
    {
        QFETCH(int, trayHost);
        QFETCH(QString, how);
        QFETCH(QStringList, answers);
        QFETCH(int, endsAt);
        SystemTrayIcon::setTrayHostPresent(trayHost);
        MainWindow *window = build(0, false);
        SystemTrayIcon tray(window);
        const QString failure = QStringLiteral("Your lists could not be saved to \"/home/alice/lists.xhtml\": No space "
                                               "left on device.");
        bool full = true;
        window->setSaveHook(MainWindow::PageHook::SaveLists, [&] { return full ? failure : QString(); });
        if (!how.startsWith(QLatin1String("hidden")))
            QVERIFY(showActive());

        int attempts = 0;
        int endedAt = 0;
        QStringList boxes;
        QStringList steps; // the closing steps run by then
        std::function<void()> attempt = [&] {
            if (attempts == answers.size()) {
                steps = m_pages.log;
                QCoreApplication::exit(2);
                return;
            }
            const QString answer = answers.at(attempts++);
            full = answer != QLatin1String("room");
            if (full) {
                DialogDriver::whenModal([&, answer](QWidget *widget) {
                    auto *box = qobject_cast<MessageDialog *>(widget);
                    QVERIFY(box);
                    boxes << box->findChild<QLabel *>(QStringLiteral("textlabel"))->text();
                    // Cancel has the focus: a Return meant for something else refuses.
                    // The box takes the focus once it is active, later on a busy machine.
                    QVERIFY(!box->cancelButton()
                            || QTest::qWaitFor([box] { return box->cancelButton()->hasFocus(); }, 5000));
                    QTest::mouseClick(answer == QLatin1String("ok") ? box->okButton() : box->cancelButton(),
                                      Qt::LeftButton);
                });
            }
            if (how == QLatin1String("close")) {
                QTest::mouseClick(window->closeButton(), Qt::LeftButton);
            } else {
                QMenu *menu = tray.contextMenu();
                menu->popup(QPoint(0, 0));
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().constLast()).center());
            }
            // The closing steps ran to their end: the program ends.
            if (m_pages.log.contains(QStringLiteral("syncs"))) {
                endedAt = attempts;
                steps = m_pages.log;
            } else
                QTimer::singleShot(0, window, attempt);
        };
        QTimer::singleShot(0, window, attempt);
        QTimer::singleShot(10000, window, [] { QCoreApplication::exit(1); });
        const int exitCode = QCoreApplication::exec();

        QCOMPARE(exitCode, endsAt ? 0 : 2);
        QCOMPARE(endedAt, endsAt);
        QCOMPARE(steps.count(QStringLiteral("dialogs")), endsAt ? 1 : 0);
        QCOMPARE(steps.count(QStringLiteral("syncs")), endsAt ? 1 : 0);
        QCOMPARE(window->isVisible(), !endsAt && !how.startsWith(QLatin1String("hidden")));
        QCOMPARE(boxes.size(), int(answers.size() - answers.count(QStringLiteral("room"))));
        for (int i = 0; i < boxes.size(); ++i) {
            QVERIFY2(boxes.at(i).startsWith(failure), qPrintable(boxes.at(i)));
            QCOMPARE(boxes.at(i) == MainWindow::stayingOpenText({failure}), i == 0);
            QCOMPARE(boxes.at(i) == MainWindow::quitAnywayQuestion({failure}), i > 0);
        }
    }
};

PLUMDECK_TEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
