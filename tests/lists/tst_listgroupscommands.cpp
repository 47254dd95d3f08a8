// The list manager's twelve menu commands: what each menu is made of, their
// looks, their enabled rules, what each does, and the lists page they work for.

#include "../dialogs/dialogstest.h"
#include "commandstest.h"
#include "dialogs/listgroupsmanagerdialog.h"
#include "dialogs/listsgroupsmanagercommands.h"
#include "lists/tabwidget.h"
#include "testenvironment.h"

#include <QLineEdit>
#include <QMenu>

using namespace DialogsTest;
using namespace CommandsTest;

namespace {

const char tree[] = "Groceries Reading Shared:r Work(Release Reviews Clients(Acme)) Home(Garden)";

struct Manager
{
    ListsPage page;
    ListGroupsManagerDialog dialog{page.lists.get(), page.groups.get()};
    ListsGroupsManagerContainer *c = dialog.container();

    Manager()
    {
        page.attach(c);
        page.build(QLatin1String(tree));
        dialog.reload();
        dialog.resize(220, 420);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }

    ListsGroupsManagerGroup *group(const QString &name) const
    {
        return qobject_cast<ListsGroupsManagerGroup *>(row(c, name));
    }
    ListsGroupsManagerList *list(const QString &name) const
    {
        return qobject_cast<ListsGroupsManagerList *>(row(c, name));
    }

    // The menu of a row, or of the empty area for "".
    QMenu *openMenu(const QString &name)
    {
        QWidget *target = name.isEmpty() ? c->viewport() : row(c, name)->frameElement();
        const QPoint at = name.isEmpty()
            ? c->contentFrame()->mapToGlobal(QPoint(10, c->contentFrame()->height() - 4))
            : target->mapToGlobal(target->rect().center());
        sendMouse(target, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
        sendMouse(target, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
        return qobject_cast<QMenu *>(QApplication::activePopupWidget());
    }

    Action *build(const QString &command, const QString &rowName) const
    {
        if (command == QLatin1String("MoveGroupUpInGroupsAction"))
            return new MoveGroupUpInGroupsAction(c, group(rowName));
        if (command == QLatin1String("MoveGroupDownInGroupsAction"))
            return new MoveGroupDownInGroupsAction(c, group(rowName));
        if (command == QLatin1String("MoveListUpInGroupsAction"))
            return new MoveListUpInGroupsAction(c, list(rowName));
        if (command == QLatin1String("MoveListDownInGroupsAction"))
            return new MoveListDownInGroupsAction(c, list(rowName));
        if (command == QLatin1String("AddNewGroupActionInto"))
            return new AddNewGroupActionInto(c, group(rowName));
        if (command == QLatin1String("AddNewListToGroupAction"))
            return new AddNewListToGroupAction(c, group(rowName));
        if (command == QLatin1String("AddNewGroupAction"))
            return new AddNewGroupAction(c);
        if (command == QLatin1String("AddNewListIntoDefaultGroupAction"))
            return new AddNewListIntoDefaultGroupAction(c);
        return nullptr;
    }
};

QString entries(QMenu *menu)
{
    QStringList names;
    for (QAction *a : menu->actions())
        names << QLatin1String(a->metaObject()->className()) + (a->isEnabled() ? QString() : QStringLiteral("-"));
    return names.join(QLatin1Char(' '));
}

} // namespace

class TstListGroupsCommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { reset(); }

    // Each menu is made of the commands, in their order; "-" marks a disabled one.
    void menus_data()
    {
        QTest::addColumn<QString>("rowName");
        QTest::addColumn<QString>("commands");
        QTest::newRow("first group") << "Work"
                                     << "AddNewGroupActionInto RenameGroupAction RemoveGroupAction "
                                        "AddNewListToGroupAction MoveGroupUpInGroupsAction- MoveGroupDownInGroupsAction";
        QTest::newRow("only inner group") << "Clients"
                                          << "AddNewGroupActionInto RenameGroupAction RemoveGroupAction "
                                             "AddNewListToGroupAction MoveGroupUpInGroupsAction- "
                                             "MoveGroupDownInGroupsAction-";
        QTest::newRow("middle list") << "Reading"
                                     << "RemoveListFromGroupAction RenameListInGroupAction MoveListUpInGroupsAction "
                                        "MoveListDownInGroupsAction";
        QTest::newRow("read-only last list") << "Shared"
                                             << "RemoveListFromGroupAction- RenameListInGroupAction- "
                                                "MoveListUpInGroupsAction MoveListDownInGroupsAction-";
        QTest::newRow("empty area") << "" << "AddNewGroupAction AddNewListIntoDefaultGroupAction";
    }

    void menus()
    {
        QFETCH(QString, rowName);
        QFETCH(QString, commands);
        Manager m;
        QMenu *menu = m.openMenu(rowName);
        QVERIFY(menu);
        QCOMPARE(entries(menu), commands);
        // Built for this menu alone: they go with it.
        QList<QPointer<QAction>> built;
        for (QAction *a : menu->actions()) {
            QCOMPARE(a->parent(), menu);
            built << a;
        }
        QTest::keyClick(menu, Qt::Key_Escape);
        QTest::qWait(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (const QPointer<QAction> &a : built)
            QVERIFY(!a);
    }

    void looks_data()
    {
        QTest::addColumn<QString>("rowName");
        addLooksColumns();
        QTest::newRow("group up") << "Work" << "MoveGroupUpInGroupsAction" << "Move group up" << "" << "move-up-button";
        QTest::newRow("group down") << "Work" << "MoveGroupDownInGroupsAction" << "Move group down" << ""
                                    << "move-down-button";
        QTest::newRow("list up") << "Reading" << "MoveListUpInGroupsAction" << "Move list up" << "" << "move-up-button";
        QTest::newRow("list down") << "Reading" << "MoveListDownInGroupsAction" << "Move list down" << ""
                                   << "move-down-button";
        QTest::newRow("rename list") << "Reading" << "RenameListInGroupAction" << "Rename list" << "" << "rename-list";
        QTest::newRow("remove list") << "Reading" << "RemoveListFromGroupAction" << "Remove list" << ""
                                     << "remove-list-menu";
        QTest::newRow("new list in group") << "Work" << "AddNewListToGroupAction" << "Add new list" << ""
                                           << "add-list-menu";
        QTest::newRow("rename group") << "Work" << "RenameGroupAction" << "Rename group" << "" << "rename-list";
        QTest::newRow("group into") << "Work" << "AddNewGroupActionInto" << "Add group" << "" << "list_group_add";
        QTest::newRow("remove group") << "Work" << "RemoveGroupAction" << "Remove group" << "" << "list_group_delete";
        QTest::newRow("group") << "" << "AddNewGroupAction" << "Add group" << "" << "list_group_add";
        QTest::newRow("list") << "" << "AddNewListIntoDefaultGroupAction" << "Add list" << "" << "add-list-menu";
    }

    void looks()
    {
        QFETCH(QString, rowName);
        QFETCH(QString, command);
        Manager m;
        QMenu *menu = m.openMenu(rowName);
        QVERIFY(menu);
        Action *found = nullptr;
        for (QAction *a : menu->actions()) {
            if (QLatin1String(a->metaObject()->className()) == command)
                found = qobject_cast<Action *>(a);
        }
        verifyLooks(found);
        // The menu shows the icon from the start.
        QVERIFY(showsImage(found, QString()) || image(found->icon()) == image(found->currentIcon()));
        QVERIFY(!found->isCheckable());
        QTest::keyClick(menu, Qt::Key_Escape);
    }

    // The enabled state is taken when the command is built.
    void enabled_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("rowName");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("first group up") << "MoveGroupUpInGroupsAction" << "Work" << false;
        QTest::newRow("first group down") << "MoveGroupDownInGroupsAction" << "Work" << true;
        QTest::newRow("last group up") << "MoveGroupUpInGroupsAction" << "Home" << true;
        QTest::newRow("last group down") << "MoveGroupDownInGroupsAction" << "Home" << false;
        QTest::newRow("only subgroup up") << "MoveGroupUpInGroupsAction" << "Clients" << false;
        QTest::newRow("first list up") << "MoveListUpInGroupsAction" << "Groceries" << false;
        QTest::newRow("first list down") << "MoveListDownInGroupsAction" << "Groceries" << true;
        QTest::newRow("last list up") << "MoveListUpInGroupsAction" << "Shared" << true;
        QTest::newRow("last list down") << "MoveListDownInGroupsAction" << "Shared" << false;
        QTest::newRow("first in a group up") << "MoveListUpInGroupsAction" << "Release" << false;
        QTest::newRow("last in a group down") << "MoveListDownInGroupsAction" << "Reviews" << false;
        QTest::newRow("only list down") << "MoveListDownInGroupsAction" << "Garden" << false;
        QTest::newRow("into group") << "AddNewGroupActionInto" << "Clients" << true;
        QTest::newRow("new list") << "AddNewListToGroupAction" << "Clients" << true;
        QTest::newRow("area group") << "AddNewGroupAction" << "" << true;
        QTest::newRow("area list") << "AddNewListIntoDefaultGroupAction" << "" << true;
    }

    void enabled()
    {
        QFETCH(QString, command);
        QFETCH(QString, rowName);
        QFETCH(bool, enabled);
        Manager m;
        std::unique_ptr<Action> action(m.build(command, rowName));
        QVERIFY(action);
        QCOMPARE(action->isEnabled(), enabled);
        QCOMPARE(action->shouldBeEnabled(), enabled);
    }

    void execute_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("rowName");
        QTest::addColumn<QString>("rows");
        QTest::newRow("group down") << "MoveGroupDownInGroupsAction" << "Work"
                                    << "Groceries Reading Shared Home(Garden) Work(Release Reviews Clients(Acme))";
        QTest::newRow("list up") << "MoveListUpInGroupsAction" << "Reviews"
                                 << "Groceries Reading Shared Work(Reviews Release Clients(Acme)) Home(Garden)";
        QTest::newRow("group into") << "AddNewGroupActionInto" << "Home"
                                    << "Groceries Reading Shared Work(Release Reviews Clients(Acme)) Home(Garden New Group())";
        QTest::newRow("list into group") << "AddNewListToGroupAction" << "Clients"
                                         << "Groceries Reading Shared Work(Release Reviews Clients(Acme list)) Home(Garden)";
        QTest::newRow("top group") << "AddNewGroupAction" << ""
                                   << "Groceries Reading Shared Work(Release Reviews Clients(Acme)) Home(Garden) New Group()";
        QTest::newRow("default list") << "AddNewListIntoDefaultGroupAction" << ""
                                      << "Groceries Reading Shared list Work(Release Reviews Clients(Acme)) Home(Garden)";
    }

    void execute()
    {
        QFETCH(QString, command);
        QFETCH(QString, rowName);
        QFETCH(QString, rows);
        Manager m;
        std::unique_ptr<Action> action(m.build(command, rowName));
        action->trigger();
        QCOMPARE(rowsOutline(m.c), rows);
        QCOMPARE(rowsOutline(m.c).remove(QLatin1Char('*')), m.page.modelOutline());
    }

    // A command kept past its row (a menu open while the rows were rebuilt)
    // does nothing.
    void rowGoneDoesNothing()
    {
        Manager m;
        std::unique_ptr<Action> up(m.build(QStringLiteral("MoveGroupUpInGroupsAction"), QStringLiteral("Home")));
        std::unique_ptr<Action> into(m.build(QStringLiteral("AddNewGroupActionInto"), QStringLiteral("Home")));
        m.dialog.reload();
        const QString before = rowsOutline(m.c);
        up->trigger();
        into->trigger();
        QCOMPARE(rowsOutline(m.c), before);
        QVERIFY(!up->shouldBeEnabled());
    }

    // Through the lists page: the manager works for it, opens lists and
    // renames them there.
    void pageManager()
    {
        Page page({QStringLiteral("Home: A"), QStringLiteral("Work: B"), QStringLiteral("Shop: C")});
        ListsUI *ui = page.ui.get();
        ui->showListsGroupsManagerDialog();
        ListGroupsManagerDialog *dialog = ui->listGroupsManagerDialog();
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        ListsGroupsManagerContainer *c = dialog->container();
        QCOMPARE(c->page(), static_cast<QObject *>(ui));
        QCOMPARE(rowsOutline(c), QStringLiteral("Home Work Shop"));

        QTest::mouseDClick(row(c, QStringLiteral("Shop"))->frameElement(), Qt::LeftButton);
        QCOMPARE(ui->currentList(), page.list(QStringLiteral("Shop")));

        row(c, QStringLiteral("Work"))->startRename();
        auto *edit = row(c, QStringLiteral("Work"))->findChild<QLineEdit *>(QStringLiteral("nameTextEdit"));
        QVERIFY(edit);
        QTest::keyClicks(edit, QStringLiteral("bench"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(page.list(QStringLiteral("Workbench")) != nullptr, true);
        QCOMPARE(ui->tabWidget()->tabText(1), QStringLiteral("Workbench"));

        // Asked for again: the same one, raised.
        ui->showListsGroupsManagerDialog();
        QCOMPARE(ui->listGroupsManagerDialog(), dialog);

        // The page's commands outlive no menu.
        const int before = int(ui->findChildren<QAction *>().size());
        QMenu *menu = nullptr;
        {
            QWidget *frame = row(c, QStringLiteral("Home"))->frameElement();
            const QPoint at = frame->mapToGlobal(frame->rect().center());
            sendMouse(frame, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
            sendMouse(frame, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
            menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        }
        QVERIFY(menu);
        QCOMPARE(qobject_cast<Action *>(menu->actions().first())->owner(), static_cast<QObject *>(ui));
        QTest::keyClick(menu, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(int(ui->findChildren<QAction *>().size()), before);
    }
};

PLUMDECK_TEST_MAIN(TstListGroupsCommands)
#include "tst_listgroupscommands.moc"
