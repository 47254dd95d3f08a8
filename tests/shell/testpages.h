#ifndef TESTPAGES_H
#define TESTPAGES_H

// Pages of the tests' own for the main window: a widget for everything the
// window asks a page for, and a record of what the window asked and ran.

#include "shell/customdialog.h"
#include "shell/loadingmodewidget.h"
#include "shell/mainwindow.h"
#include "shell/mainwindowmode.h"

#include <QAction>
#include <QLabel>
#include <QMap>
#include <QPointer>

class TestPage : public QObject, public MainWindowMode
{
public:
    TestPage(const QString &name, int layoutMode, QObject *parent)
        : QObject(parent), name(name), layoutMode(layoutMode)
        , central(new QLabel(name)), left(new QLabel(name + QStringLiteral(" left")))
        , right(new QLabel(name + QStringLiteral(" right"))), sync(new QAction(name + QStringLiteral(" sync"), this))
    {
        central->setObjectName(name);
    }
    ~TestPage() override
    {
        for (const QPointer<CustomDialog> &panel : std::as_const(panels))
            delete panel.data();
        delete central;
        delete left;
        delete right;
        delete titleWidget;
    }

    // Made on first use, as the lists page makes its panels.
    CustomDialog *panel(const QString &title)
    {
        QPointer<CustomDialog> &panel = panels[title];
        if (!panel) {
            panel = new CustomDialog(title);
            panel->setObjectName(title);
            panel->hideFrameControls();
        }
        return panel;
    }

    QWidget *centralWidget() override { return central; }
    QWidget *taskInfoPanel() override { return panel(QStringLiteral("task information")); }
    QWidget *taskAttachmentsPanel() override { return panel(QStringLiteral("attachments")); }
    QWidget *listsGroupsManagerPanel() override { return panel(QStringLiteral("groups")); }
    QWidget *listInfoPanel() override { return panel(QStringLiteral("list information")); }
    QWidget *bottomBarLeftWidget() override { return left; }
    QWidget *bottomBarRightWidget() override { return right; }
    QList<QWidget *> titleBarWidgets() override { return titleWidget ? QList<QWidget *>{titleWidget} : QList<QWidget *>{}; }
    QList<QAction *> shortcutActions() override { return {}; }
    QAction *syncAction() override { return sync; }
    QAction *doneTaskAction() override { return nullptr; }
    int uiMode() override { return layoutMode; }
    void activated() override
    {
        ++activations;
        // The notepad page is not registered with the window: ask the parent.
        auto *window = qobject_cast<MainWindow *>(parent());
        overlayShownWhenActivated = window && window->loadingOverlay()->isVisible();
    }

    QString name;
    int layoutMode;
    QWidget *central;
    QWidget *left;
    QWidget *right;
    QAction *sync;
    QWidget *titleWidget = nullptr;
    QMap<QString, QPointer<CustomDialog>> panels;
    int activations = 0;
    bool overlayShownWhenActivated = false;
};

// Installs builders of test pages; the page steps of the window's own moments
// write their names into `log`.
template<class ListsPage = TestPage>
struct TestPages
{
    ListsPage *lists = nullptr;
    TestPage *notepad = nullptr;
    TestPage *team = nullptr;
    QStringList log;
    int listsLayoutMode = 0;

    void install()
    {
        MainWindow::PageBuilders builders;
        builders.team = [this](ModelsContainer *, MainWindow *window) {
            team = new TestPage(QStringLiteral("team"), 0, window);
            team->titleWidget = new QLabel(QStringLiteral("online"));
            hook(window, MainWindow::PageHook::SaveFriends, "friends");
            return team;
        };
        builders.lists = [this](ModelsContainer *, MainWindowMode *, SplashScreen *, MainWindow *window) {
            lists = new ListsPage(QStringLiteral("lists"), listsLayoutMode, window);
            using H = MainWindow::PageHook;
            hook(window, H::SaveLists, "lists");
            hook(window, H::SaveListsGroups, "groups");
            hook(window, H::CloseFloatingDialogs, "dialogs");
            hook(window, H::CancelSingleListSyncs, "syncs");
            hook(window, H::MinimizeDialogs, "minimize");
            hook(window, H::RaiseDialogs, "raise");
            hook(window, H::ShowNormalDialogs, "shown");
            return lists;
        };
        builders.notepad = [this](MainWindowMode *, MainWindow *window) {
            notepad = new TestPage(QStringLiteral("notepad"), 0, window);
            return notepad;
        };
        MainWindow::setPageBuilders(builders);
    }

    void hook(MainWindow *window, MainWindow::PageHook hook, const char *name)
    {
        window->setPageHook(hook, [this, name] { log << QLatin1String(name); });
    }
};

#endif
