// Screens of the main window in each layout of its pages, the tray menu and
// the splash screen.

#include "contacts/chats.h"
#include "contacts/friends.h"
#include "model/modelscontainer.h"
#include "screens.h"
#include "shell/splashscreen.h"
#include "shell/systemtrayicon.h"
#include "testpages.h"

#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QWidget *listTabs()
{
    auto *tabs = new QTabWidget;
    for (const char *name : {"Groceries", "Work", "Garden"}) {
        auto *tree = new QTreeWidget;
        tree->setHeaderHidden(true);
        // Stands in for the task tree, which names itself.
        tree->setAccessibleName(QStringLiteral("Tasks"));
        auto *parent = new QTreeWidgetItem(tree, {QStringLiteral("Weekend shopping")});
        for (const char *task : {"Bread", "Apples", "Coffee beans"})
            new QTreeWidgetItem(parent, {QLatin1String(task)});
        new QTreeWidgetItem(tree, {QStringLiteral("Call the plumber")});
        tree->expandAll();
        tabs->addTab(tree, QLatin1String(name));
    }
    return tabs;
}

void fillPanels(TestPage *page)
{
    for (const char *title : {"groups", "list information", "task information", "attachments"}) {
        auto *content = new QVBoxLayout;
        content->addWidget(new QLabel(QStringLiteral("%1 of \"Groceries\"").arg(QLatin1String(title))));
        content->addStretch();
        page->panel(QLatin1String(title))->setContentLayout(content);
        page->panel(QLatin1String(title))->setTitle(QLatin1String(title));
    }
}

// A window over pages of the tests' own, the lists page in `layoutMode`.
struct Window
{
    explicit Window(int layoutMode, bool team = false)
    {
        MainWindow::PageBuilders builders;
        builders.team = [](ModelsContainer *, MainWindow *window) {
            return new TestPage(QStringLiteral("Team"), 0, window);
        };
        builders.lists = [this, layoutMode](ModelsContainer *, MainWindowMode *, SplashScreen *, MainWindow *window) {
            lists = new TestPage(QStringLiteral("lists"), layoutMode, window);
            delete lists->central;
            lists->central = listTabs();
            fillPanels(lists);
            return lists;
        };
        builders.notepad = [this](MainWindowMode *, MainWindow *window) {
            notepad = new TestPage(QStringLiteral("notepad"), 0, window);
            delete notepad->central;
            auto *tabs = new QTabWidget;
            tabs->addTab(new QLabel(QStringLiteral("Ideas for the garden: a pond, tulips.")), QStringLiteral("Ideas"));
            notepad->central = tabs;
            return notepad;
        };
        MainWindow::setPageBuilders(builders);
        if (team) {
            models.setFriends(new Friends(&models));
            models.setChats(new Chats(&models));
        }
        window = std::make_unique<MainWindow>(&models, nullptr);
        MainWindow::setPageBuilders({});
    }

    ModelsContainer models;
    TestPage *lists = nullptr;
    TestPage *notepad = nullptr;
    std::unique_ptr<MainWindow> window;
};

} // namespace

PLUMDECK_SCREEN(mainWindowNormal)
{
    Window w(0);
    QVERIFY(!shoot(w.window.get(), QStringLiteral("mainwindow-normal")).isNull());
    w.window->switchToNotepad();
    QVERIFY(!shoot(w.window.get(), QStringLiteral("mainwindow-notepad")).isNull());
}

PLUMDECK_SCREEN(mainWindowProfessional)
{
    Window w(1, true);
    w.window->resize(820, 520);
    QVERIFY(!shoot(w.window.get(), QStringLiteral("mainwindow-professional")).isNull());
}

PLUMDECK_SCREEN(mainWindowAdvanced)
{
    Window w(2);
    w.window->resize(980, 560);
    QVERIFY(!shoot(w.window.get(), QStringLiteral("mainwindow-advanced")).isNull());
    emit w.window->showLoadingScreen();
    QVERIFY(!shoot(w.window.get(), QStringLiteral("mainwindow-loading")).isNull());
}

PLUMDECK_SCREEN(trayMenu)
{
    Window w(0);
    SystemTrayIcon tray(w.window.get());
    QMenu *menu = tray.contextMenu();
    menu->popup(QPoint(0, 0));
    QVERIFY(!shoot(menu, QStringLiteral("tray-menu")).isNull());
    menu->hide();
}

PLUMDECK_SCREEN(splash)
{
    SplashScreen splash;
    splash.onSetSplashProgress(QStringLiteral("Loading main window..."), 900);
    QVERIFY(!shoot(&splash, QStringLiteral("splash")).isNull());
}
