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
        : QObject(parent), name(name), layoutMode(layoutMode), central(new QLabel(name))
        , left(new QLabel(name + QStringLiteral(" left"))), right(new QLabel(name + QStringLiteral(" right")))
        , sync(new QAction(name + QStringLiteral(" sync"), this))
    {
        central->setObjectName(name);
    }
    ~TestPage() override
    {
        for (QWidget *widget : {central, left, right, titleWidget})
            delete widget;
        for (const QPointer<CustomDialog> &panel : std::as_const(panels))
            delete panel.data();
    }

    // Made on first use, as the lists page makes its panels.
    CustomDialog *panel(const QString &title)
    {
        QPointer<CustomDialog> &panel = panels[title];
        if (!panel) {
            panel = new CustomDialog(title);
            panel->setObjectName(title);
            panel->hideFrameControls();
            QObject::connect(panel, &QDialog::rejected, this, [this] { ++rejections; });
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
        // The notepad page is not registered with the window: ask the parent.
        auto *window = qobject_cast<MainWindow *>(parent());
        overlayShownWhenActivated = window && window->loadingOverlay()->isVisible();
        ++activations;
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
    int rejections = 0;
    bool overlayShownWhenActivated = false;
};

// Installs builders of test pages; the page steps run at the window's own
// moments write their names into `log`.
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
        using H = MainWindow::PageHook;
        MainWindow::PageBuilders builders;
        builders.team = [this](ModelsContainer *, MainWindow *window) {
            team = new TestPage(QStringLiteral("team"), 0, window);
            team->titleWidget = new QLabel(QStringLiteral("online"));
            hooks(window, {{H::SaveFriends, "friends"}});
            return team;
        };
        builders.lists = [this](ModelsContainer *, MainWindowMode *, SplashScreen *, MainWindow *window) {
            lists = new ListsPage(QStringLiteral("lists"), listsLayoutMode, window);
            hooks(window, {{H::SaveLists, "lists"}, {H::SaveListsGroups, "groups"},
                           {H::CloseFloatingDialogs, "dialogs"}, {H::CancelSingleListSyncs, "syncs"},
                           {H::MinimizeDialogs, "minimize"}, {H::RaiseDialogs, "raise"},
                           {H::ShowNormalDialogs, "shown"}});
            return lists;
        };
        builders.notepad = [this](MainWindowMode *, MainWindow *window) {
            return notepad = new TestPage(QStringLiteral("notepad"), 0, window);
        };
        MainWindow::setPageBuilders(builders);
    }

    void hooks(MainWindow *window, std::initializer_list<std::pair<MainWindow::PageHook, const char *>> names)
    {
        for (const auto &[hook, name] : names)
            window->setPageHook(hook, [this, name = name] { log << QLatin1String(name); });
    }
};

#endif
