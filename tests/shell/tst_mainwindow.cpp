#include "contacts/chats.h"
#include "contacts/friends.h"
#include "model/modelscontainer.h"
#include "model/notepadnote.h"
#include "model/notepadnotes.h"
#include "shell/keysdialog.h"
#include "shell/launchhelpaction.h"
#include "shell/launchurlaction.h"
#include "shell/showsettingsaction.h"
#include "shell/splashscreen.h"
#include "shell/systemtrayicon.h"
#include "shell/toolbutton.h"
#include "shelltest.h"
#include "testenvironment.h"
#include "testpages.h"

#include <QDesktopServices>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenu>
#include <QProgressBar>
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
    void setLayoutMode(int mode)
    {
        layoutMode = mode;
        emit uiModeChanged(mode);
    }
signals:
    void uiModeChanged(int mode);
    void showKeysDialogSignal();
};

namespace {

using Pages = TestPages<ListsTestPage>;

// The grid as "name@row,column,rows,columns" entries.
QStringList gridCells(QGridLayout *grid)
{
    QStringList cells;
    for (int i = 0; i < grid->count(); ++i) {
        int row, column, rows, columns;
        grid->getItemPosition(i, &row, &column, &rows, &columns);
        cells << QStringLiteral("%1@%2,%3,%4,%5")
                     .arg(grid->itemAt(i)->widget()->objectName())
                     .arg(row)
                     .arg(column)
                     .arg(rows)
                     .arg(columns);
    }
    cells.sort();
    return cells;
}

ToolButton *button(MainWindow &window, const char *name)
{
    return window.findChild<ToolButton *>(QLatin1String(name));
}

} // namespace

class TstMainWindow : public QObject
{
    Q_OBJECT
private:
    Pages m_pages;
    ModelsContainer m_models;
    std::unique_ptr<MainWindow> m_window;
    QStringList m_runs;

    MainWindow *build(int listsLayoutMode = 0, bool team = true, SplashScreen *splash = nullptr)
    {
        m_pages = Pages();
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

    // Runs the event loop until the program ends or 300 ms have passed;
    // true when it ended by itself. `steps` gets the page steps run by then.
    bool runLoop(std::function<void()> act, QStringList *steps)
    {
        bool ended = true;
        QObject loop;
        QTimer::singleShot(0, &loop, act);
        QTimer::singleShot(300, &loop, [&] {
            ended = false;
            *steps = m_pages.log;
            QCoreApplication::exit(0);
        });
        QCoreApplication::exec();
        if (ended)
            *steps = m_pages.log;
        return ended;
    }

private slots:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        SystemTrayIcon::setTrayHostPresent(0);
        ShowSettingsAction::Handlers handlers;
        handlers.runDialog = [this](MainWindow *) {
            m_runs << QStringLiteral("preferences");
            return ShowSettingsAction::Outcome{};
        };
        ShowSettingsAction::setHandlers(handlers);
        LaunchHelpAction::setWindowFactory([this](const QUrl &url) {
            m_runs << QStringLiteral("help ") + url.fileName();
            return new CustomDialog(QStringLiteral("browser"));
        });
    }

    void cleanup()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->windowTitle() == QLatin1String("Plumdeck Help"))
                delete widget;
        }
        m_window.reset();
        m_runs.clear();
        QSettings().clear();
        SystemTrayIcon::setTrayHostPresent(0);
    }

    void layoutPerUiMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("panelsAsked");
        QTest::newRow("normal") << 0 << QStringList{"lists@0,2,1,1"} << QStringList{};
        QTest::newRow("professional")
            << 1
            << QStringList{"groups@0,0,1,1", "list information@1,0,1,1", "lists@0,2,2,1", "separatorFrame@0,1,2,1"}
            << QStringList{"groups", "list information"};
        QTest::newRow("advanced") << 2
                                  << QStringList{"attachments@1,4,1,1", "groups@0,0,1,1", "list information@1,0,1,1",
                                                 "lists@0,2,2,1", "separatorFrame@0,1,2,1", "separatorFrame@0,3,2,1",
                                                 "task information@0,4,1,1"}
                                  << QStringList{"attachments", "groups", "list information", "task information"};
    }

    void layoutPerUiMode()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, cells);
        QFETCH(QStringList, panelsAsked);
        MainWindow *window = build(mode);
        QCOMPARE(window->currentMode(), m_pages.lists);
        QCOMPARE(gridCells(window->contentGrid()), cells);
        QCOMPARE(m_pages.lists->panels.keys(), panelsAsked);
        QCOMPARE(window->contentGrid()->columnStretch(2), mode == 0 ? 0 : 20);
    }

    void switchingPages()
    {
        MainWindow *window = build(2);
        QVERIFY(showActive());
        ListsTestPage *lists = m_pages.lists;
        const QImage syncImage = window->syncButton()->icon().pixmap(40, 30).toImage();
        QSignalSpy shown(window, &MainWindow::showLoadingScreen);

        QTest::mouseClick(button(*window, "notepadbutton"), Qt::LeftButton);
        QCOMPARE(window->currentMode(), m_pages.notepad);
        QCOMPARE(gridCells(window->contentGrid()), QStringList{"notepad@0,2,1,1"});
        for (CustomDialog *panel : std::as_const(lists->panels)) {
            QVERIFY(panel->isHidden());
            QCOMPARE(panel->result(), int(QDialog::Rejected));
        }
        QVERIFY(window->findChildren<QFrame *>(QStringLiteral("separatorFrame")).isEmpty());
        QVERIFY(!lists->central->parent() && !lists->left->parent() && !lists->right->parent());
        QHBoxLayout *bar = window->bottomBarLayout();
        QCOMPARE(bar->itemAt(0)->widget(), m_pages.notepad->left);
        QCOMPARE(bar->itemAt(bar->count() - 1)->widget(), m_pages.notepad->right);
        QCOMPARE(window->syncButton()->defaultAction(), m_pages.notepad->sync);
        QCOMPARE(window->syncButton()->icon().pixmap(40, 30).toImage(), syncImage);
        QCOMPARE(m_pages.notepad->activations, 1);
        QVERIFY(m_pages.notepad->overlayShownWhenActivated);
        QVERIFY(window->loadingOverlay()->isHidden());

        // Back by key: the panels and separators are placed again.
        QTest::keyClick(window, Qt::Key_L, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(window->currentMode(), lists);
        QCOMPARE(gridCells(window->contentGrid()).size(), 7);

        // The page already shown: the overlay comes and goes, nothing else.
        const int activations = lists->activations;
        shown.clear();
        QTest::mouseClick(button(*window, "listsbutton"), Qt::LeftButton);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(lists->activations, activations);

        // The Team page exists: Shift+Ctrl+C reaches it and its title widget.
        QTest::keyClick(window, Qt::Key_C, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(window->currentMode(), m_pages.team);
        QVERIFY(window->isAncestorOf(m_pages.team->titleWidget));
    }

    void teamPageOnlyWithBothModels()
    {
        MainWindow *window = build(0, false);
        QVERIFY(!m_pages.team);
        QVERIFY(!button(*window, "friendsbutton"));
        QSignalSpy shown(window, &MainWindow::showLoadingScreen);
        window->switchToFriends();
        QCOMPARE(window->currentMode(), m_pages.lists);
        QCOMPARE(shown.count(), 0);
        // Closing saves everything there is, and no friends document.
        window->runClosingSteps();
        QCOMPARE(m_pages.log, QStringList({"lists", "groups", "dialogs", "syncs"}));
    }

    void layoutChangeRejectsPanels()
    {
        MainWindow *window = build(2);
        QMap<QString, QPointer<CustomDialog>> panels = m_pages.lists->panels;
        m_pages.lists->setLayoutMode(0);
        QCOMPARE(gridCells(window->contentGrid()), QStringList{"lists@0,2,1,1"});
        for (CustomDialog *panel : std::as_const(panels))
            QCOMPARE(panel->result(), int(QDialog::Rejected));
        QCOMPARE(window->bottomBarLayout()->itemAt(0)->widget(), m_pages.lists->left);
    }

    void overlayStaysCentred()
    {
        MainWindow *window = build();
        QVERIFY(ShellTest::showExposed(window));
        window->resize(601, 501);
        LoadingModeWidget *overlay = window->loadingOverlay();
        QCOMPARE(overlay->size(), overlay->sizeHint());
        QCOMPARE(overlay->pos(), QPoint(300 - overlay->width() / 2, 250 - overlay->height() / 2));
    }

    void splashReportsEachStep()
    {
        SplashScreen splash;
        QMap<QString, int> seen;
        MainWindow::PageBuilders builders;
        builders.lists = [&](ModelsContainer *, MainWindowMode *, SplashScreen *given, MainWindow *window) {
            seen.insert(QStringLiteral("lists"), given == &splash ? given->progressBar()->value() : -1);
            return new TestPage(QStringLiteral("lists"), 0, window);
        };
        builders.notepad = [&](MainWindowMode *lists, MainWindow *window) {
            seen.insert(QStringLiteral("notepad"), lists ? splash.progressBar()->value() : -1);
            return new TestPage(QStringLiteral("notepad"), 0, window);
        };
        MainWindow::setPageBuilders(builders);
        m_window = std::make_unique<MainWindow>(&m_models, &splash);
        QCOMPARE(seen, (QMap<QString, int>{{"lists", 200}, {"notepad", 800}}));
        QCOMPARE(splash.progressBar()->value(), 1000);
        QCOMPARE(splash.infoLabel()->text(), QStringLiteral("Loading complete"));
    }

    void geometry_data()
    {
        QTest::addColumn<bool>("saved");
        QTest::newRow("saved") << true;
        QTest::newRow("unusable") << false;
    }

    void geometry()
    {
        QFETCH(bool, saved);
        QSize expected(496, 458);
        if (saved) {
            MainWindow *first = build();
            first->setGeometry(40, 50, 640, 520);
            first->runClosingSteps();
            expected = QSize(640, 520);
        } else {
            QSettings().setValue(QStringLiteral("mainwindow/geometry"), QByteArray("garbage"));
        }
        QCOMPARE(build()->size(), expected);
        QCOMPARE(m_window->minimumSize(), QSize(320, 240));
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

    // Texts and bindings, and every binding does its command while the
    // window is active.
    void commands()
    {
        QFETCH(QString, className);
        QFETCH(QString, text);
        QFETCH(QStringList, keys);
        QFETCH(QString, effect);
        MainWindow *window = build();
        QVERIFY(showActive());
        MainWindowMode *start = effect == QLatin1String("team") ? m_pages.notepad : m_pages.team;
        Action *command = nullptr;
        for (Action *action : window->findChildren<Action *>()) {
            if (action->metaObject()->className() == className && !command)
                command = action;
        }
        QVERIFY(command);
        QCOMPARE(command->text(), text);
        QList<QKeySequence> bindings;
        for (const QString &key : keys)
            bindings << QKeySequence(key);
        QCOMPARE(command->shortcuts(), bindings);
        QVERIFY(command->isEnabled() && !command->isCheckable());

        for (const QString &key : keys) {
            window->setMode(start);
            QString result;
            if (effect == QLatin1String("message")) {
                QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("^Test crash handler")));
                ShellTest::whenModal([&result](QWidget *dialog) {
                    result = QStringLiteral("message");
                    ShellTest::endDialog(static_cast<CustomDialog *>(dialog), QStringLiteral("ok"));
                });
            }
            QTest::keySequence(window, QKeySequence(key));
            if (effect == QLatin1String("keys"))
                result = window->keysDialog()->isVisible() ? effect : QString();
            else if (!m_runs.isEmpty())
                result = m_runs.takeLast();
            else if (result.isEmpty())
                result = static_cast<TestPage *>(dynamic_cast<QObject *>(window->currentMode()))->name;
            QCOMPARE(result, effect);
            window->keysDialog()->hide();
        }
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
        delete help.last();
    }

    void pageStepsAtTheWindowsMoments()
    {
        MainWindow *window = build();
        QVERIFY(showActive());
        QCOMPARE(m_pages.log.takeFirst(), QStringLiteral("shown"));
        QEvent activation(QEvent::ActivationChange);
        QVERIFY(QApplication::sendEvent(window, &activation));
        QCOMPARE(m_pages.log.takeLast(), QStringLiteral("raise"));
        QTest::mouseClick(window->minimizeButton(), Qt::LeftButton);
        QVERIFY(m_pages.log.contains(QStringLiteral("minimize")));
        QVERIFY(window->isMinimized());
    }

    void preferencesFollowUps_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("requested");
        QTest::addColumn<QString>("runs");
        QTest::newRow("accepted, all") << true << "local remote backup" << "local remote backup";
        QTest::newRow("accepted, backup") << true << "backup" << "backup";
        QTest::newRow("accepted, none") << true << "" << "";
        QTest::newRow("cancelled after a forced sync was confirmed") << false << "local remote backup" << "";
    }

    void preferencesFollowUps()
    {
        QFETCH(bool, accepted);
        QFETCH(QString, requested);
        QFETCH(QString, runs);
        QStringList ran;
        ShowSettingsAction::Handlers handlers;
        handlers.runDialog = [&](MainWindow *) {
            ran << QStringLiteral("dialog");
            return ShowSettingsAction::Outcome{accepted, requested.contains(QLatin1String("local")),
                                               requested.contains(QLatin1String("remote")),
                                               requested.contains(QLatin1String("backup"))};
        };
        handlers.forceLocalSync = [&](MainWindow *) { ran << QStringLiteral("local"); };
        handlers.forceRemoteSync = [&](MainWindow *) { ran << QStringLiteral("remote"); };
        handlers.backup = [&](MainWindow *) { ran << QStringLiteral("backup"); };
        ShowSettingsAction::setHandlers(handlers);
        MainWindow *window = build();
        QTest::mouseClick(window->prefsButton(), Qt::LeftButton);
        QCOMPARE(ran.join(QLatin1Char(' ')), (QStringLiteral("dialog ") + runs).trimmed());
        initTestCase();
    }

    void quitPaths_data()
    {
        QTest::addColumn<int>("trayHost");
        QTest::addColumn<bool>("runInTray");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<int>("saves");
        QTest::newRow("close, no tray host") << 0 << true << "close" << true << 1;
        QTest::newRow("close to the tray") << 1 << true << "close" << false << 1;
        QTest::newRow("close, tray off") << 1 << false << "close" << true << 1;
        QTest::newRow("tray quit, window shown") << 1 << true << "quit" << true << 1;
        QTest::newRow("tray quit, window hidden") << 1 << true << "hidden quit" << true << 1;
        QTest::newRow("installer started") << 1 << true << "exit" << true << 1;
        QTest::newRow("close to the tray, then quit") << 1 << true << "close quit" << true << 2;
    }

    // Every way out runs the closing steps, once; the notepad and the
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
        NotepadNotes notes;
        auto *note = new NotepadNote;
        note->setTitle(QStringLiteral("Call the plumber"));
        notes.appendNote(note);
        MainWindow *window = build(0, false);
        SystemTrayIcon tray(window);
        if (!how.startsWith(QLatin1String("hidden")))
            QVERIFY(showActive());

        QStringList steps;
        const bool ended = runLoop([&] {
            if (how.contains(QLatin1String("close")))
                QTest::mouseClick(window->closeButton(), Qt::LeftButton);
            if (how.contains(QLatin1String("quit"))) {
                QMenu *menu = tray.contextMenu();
                menu->popup(QPoint(0, 0));
                QAction *quit = menu->actions().constLast();
                QCOMPARE(quit->text(), QStringLiteral("Quit"));
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(quit).center());
            }
            if (how == QLatin1String("exit"))
                QCoreApplication::exit(0);
        }, &steps);
        QCOMPARE(ended, ends);
        QCOMPARE(steps.count(QStringLiteral("lists")), saves);
        QCOMPARE(steps.count(QStringLiteral("syncs")), saves);
        if (how.contains(QLatin1String("close")))
            QVERIFY(!window->isVisible());
        QFile file(NotepadNotes::filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Call the plumber"));
        QVERIFY(!QSettings().value(QStringLiteral("mainwindow/geometry")).toByteArray().isEmpty());
    }
};

PLUMDECK_TEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
