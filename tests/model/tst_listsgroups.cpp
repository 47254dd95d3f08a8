#include "model/listsgroups.h"
#include "model/listsgroupsreaderwriter.h"
#include "model/userlists.h"
#include "modeltest.h"
#include "testenvironment.h"

#include <QPointer>

#include <functional>

using namespace ModelTest;

namespace {

std::unique_ptr<TaskList> makeTaskList(quint32 localId, quint32 serverId, TaskList::SyncStatus status = TaskList::Unedited)
{
    return std::unique_ptr<TaskList>(makeList(status, serverId, QStringLiteral("l"), localId));
}

ListsGroupsElementList *entry(ListsGroupsElementGroup *group, quint32 localId, quint32 serverId = 0)
{
    auto *e = new ListsGroupsElementList;
    e->setLocalId(localId);
    e->setServerId(serverId);
    group->addList(e);
    return e;
}

ListsGroupsElementGroup *group(ListsGroupsElementGroup *parent, const QString &name, quint32 serverId = 0)
{
    auto *g = new ListsGroupsElementGroup;
    g->setName(name);
    g->setServerId(serverId);
    parent->addGroup(g);
    return g;
}

// "name[entries](children)" with entries as local ids, for compact checks.
QString outlineOf(const ListsGroupsElementGroup *g)
{
    QStringList entries;
    for (const ListsGroupsElementList *e : g->lists())
        entries << QString::number(e->localId());
    QStringList children;
    for (const ListsGroupsElementGroup *c : g->groups())
        children << outlineOf(c);
    return g->name() + '[' + entries.join(' ') + ']' + (children.isEmpty() ? QString() : '(' + children.join(' ') + ')');
}

QString flags(const ListsGroups &groups)
{
    return QStringLiteral("%1%2").arg(groups.isModified() ? "modified" : "", groups.isEditedSinceSync() ? " edited" : "");
}

void clearFlags(ListsGroups &groups)
{
    groups.clearModified();
    groups.setEditedSinceSync(false);
}

// Root "New Group" with entries 1, 2 and groups A (id 10; entries 3, 4; child
// A1, id 11, with entry 5) and B (entry 6); and an entry and a group outside.
struct Tree {
    ListsGroups groups;
    ListsGroupsElementGroup *a, *a1, *b;
    ListsGroupsElementList *e1, *e2, *e3, *e4, *e5, *e6;
    ListsGroupsElementList outsideList;
    ListsGroupsElementGroup outsideGroup;
    Tree()
    {
        ListsGroupsElementGroup *root = groups.rootGroup();
        e1 = entry(root, 1);
        e2 = entry(root, 2);
        a = group(root, QStringLiteral("A"), 10);
        e3 = entry(a, 3);
        e4 = entry(a, 4);
        a1 = group(a, QStringLiteral("A1"), 11);
        e5 = entry(a1, 5);
        b = group(root, QStringLiteral("B"));
        e6 = entry(b, 6);
        clearFlags(groups);
    }
    QString outline() const { return outlineOf(groups.rootGroup()); }
    ListsGroupsElementList *list(const QString &name)
    {
        const QList<ListsGroupsElementList *> all{e1, e2, e3, e4, e5, e6};
        return name == QLatin1String("outside") ? &outsideList : name.isEmpty() ? nullptr : all.at(name.mid(1).toInt() - 1);
    }
    ListsGroupsElementGroup *groupNamed(const QString &name)
    {
        const QMap<QString, ListsGroupsElementGroup *> all{
            {"a", a}, {"a1", a1}, {"b", b}, {"root", groups.rootGroup()}, {"outside", &outsideGroup}};
        return all.value(name);
    }
};

const QString TreeOutline = QStringLiteral("New Group[1 2](A[3 4](A1[5]) B[6])");

} // namespace

class TstListsGroups : public QObject
{
    Q_OBJECT
private slots:
    void construction()
    {
        ListsGroups groups;
        QCOMPARE(flags(groups), QStringLiteral("modified edited"));
        QCOMPARE(outlineOf(groups.rootGroup()), QStringLiteral("New Group[]"));
        QVERIFY(groups.rootGroup()->isExpanded());
        std::unique_ptr<ListsGroups> created(ListsGroups::create());
        QCOMPARE(flags(*created), QStringLiteral("modified edited"));
        clearFlags(groups);
        groups.setModified();
        QCOMPARE(flags(groups), QStringLiteral("modified"));
    }

    void addListToDefaultGroup_data()
    {
        QTest::addColumn<quint32>("localId");
        QTest::addColumn<quint32>("serverId");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("added");
        QTest::addColumn<quint32>("entryServerId");
        QTest::newRow("both ids") << 3u << 40u << int(TaskList::Unedited) << true << 40u;
        QTest::newRow("local only") << 3u << 0u << int(TaskList::New) << true << 0u;
        QTest::newRow("server only") << 0u << 40u << int(TaskList::Edited) << true << 40u;
        // A new list's server id reads 0 whatever is stored.
        QTest::newRow("new list") << 3u << 40u << int(TaskList::New) << true << 0u;
        QTest::newRow("no ids") << 0u << 0u << int(TaskList::Unedited) << false << 0u;
        QTest::newRow("new, no local id") << 0u << 40u << int(TaskList::New) << false << 0u;
    }
    void addListToDefaultGroup()
    {
        QFETCH(quint32, localId);
        QFETCH(quint32, serverId);
        QFETCH(int, status);
        QFETCH(bool, added);
        QFETCH(quint32, entryServerId);
        ListsGroups groups;
        clearFlags(groups);
        auto list = makeTaskList(localId, serverId, TaskList::SyncStatus(status));
        if (!added)
            QTest::ignoreMessage(QtWarningMsg, "ListsGroups::addListToDefaultGroup(), Error, both TaskList ids are invalid");
        groups.addListToDefaultGroup(list.get());
        QCOMPARE(groups.rootGroup()->listCount(), added ? 1 : 0);
        QCOMPARE(flags(groups), added ? QStringLiteral("modified edited") : QString());
        if (added) {
            const ListsGroupsElementList *e = groups.rootGroup()->lists().first();
            QCOMPARE(e->localId(), localId);
            QCOMPARE(e->serverId(), entryServerId);
            QCOMPARE(e->parent(), groups.rootGroup());
            QVERIFY(groups.containsList(list.get()));
        }
    }

    void addToGroups()
    {
        Tree t;
        auto list = makeTaskList(0, 0);
        ListsGroupsElementList *e = t.groups.addListToGroup(list.get(), t.b);
        QCOMPARE(t.b->lists().last(), e);
        QCOMPARE(e->parent(), t.b);
        QCOMPARE(flags(t.groups), QStringLiteral("modified edited"));
        QVERIFY(!t.groups.containsList(list.get()));
        clearFlags(t.groups);
        ListsGroupsElementGroup *g = t.groups.addGroup(t.a);
        QCOMPARE(t.a->groups().last(), g);
        QCOMPARE(g->parent(), t.a);
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(g->name()).arg(g->serverId()).arg(g->isExpanded()), QStringLiteral("New Group 0 1"));
        QCOMPARE(flags(t.groups), QStringLiteral("modified edited"));
        const int topGroups = t.groups.rootGroup()->groups().size();
        ListsGroupsElementGroup *top = t.groups.addGroupToDefaultGroup();
        QCOMPARE(t.groups.rootGroup()->groups().size(), topGroups + 1);
        QCOMPARE(t.groups.rootGroup()->groups().last(), top);
        QCOMPARE(top->parent(), t.groups.rootGroup());
    }

    void moveUpDown_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first entry up") << "listUp e1" << TreeOutline;
        QTest::newRow("second entry up") << "listUp e2" << "New Group[2 1](A[3 4](A1[5]) B[6])";
        QTest::newRow("last entry down") << "listDown e2" << TreeOutline;
        QTest::newRow("nested entry down") << "listDown e3" << "New Group[1 2](A[4 3](A1[5]) B[6])";
        QTest::newRow("only entry up") << "listUp e5" << TreeOutline;
        QTest::newRow("first group up") << "groupUp a" << TreeOutline;
        QTest::newRow("last group down") << "groupDown b" << TreeOutline;
        QTest::newRow("group down") << "groupDown a" << "New Group[1 2](B[6] A[3 4](A1[5]))";
        QTest::newRow("group up") << "groupUp b" << "New Group[1 2](B[6] A[3 4](A1[5]))";
        QTest::newRow("entry not in tree") << "listUp outside" << TreeOutline;
        QTest::newRow("group not in tree") << "groupDown outside" << TreeOutline;
        QTest::newRow("root") << "groupDown root" << TreeOutline;
    }
    void moveUpDown()
    {
        QFETCH(QString, op);
        QFETCH(QString, expected);
        Tree t;
        const QString name = op.section(' ', 1);
        if (op.startsWith("listUp"))
            t.groups.moveListUp(t.list(name));
        else if (op.startsWith("listDown"))
            t.groups.moveListDown(t.list(name));
        else if (op.startsWith("groupUp"))
            t.groups.moveGroupUp(t.groupNamed(name));
        else
            t.groups.moveGroupDown(t.groupNamed(name));
        QCOMPARE(t.outline(), expected);
        // Set even when nothing moved.
        QCOMPARE(flags(t.groups), QStringLiteral("modified edited"));
    }

    void userMove_data()
    {
        QTest::addColumn<QString>("moved"); // "list <entry>" or "group <group>"
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("warning");
        const QString prefix = QStringLiteral("ListsGroups::userMove");
        const QString refused = prefix + "GroupToGroup, target group is the group itself, inside it or not in the tree";
        QTest::newRow("into a group") << "list e1" << "a1" << "New Group[2](A[3 4](A1[5 1]) B[6])" << "";
        QTest::newRow("to the default group") << "list e5" << "root" << "New Group[1 2 5](A[3 4](A1[]) B[6])" << "";
        QTest::newRow("same group goes last") << "list e3" << "a" << "New Group[1 2](A[4 3](A1[5]) B[6])" << "";
        QTest::newRow("entry not in tree") << "list outside" << "a" << TreeOutline << prefix + "ListToGroup, parent group is NULL";
        QTest::newRow("target not in tree") << "list e1" << "outside" << TreeOutline
                                            << prefix + "ListToGroup, target group is not in the tree";
        QTest::newRow("into a sibling") << "group a" << "b" << "New Group[1 2](B[6](A[3 4](A1[5])))" << "";
        QTest::newRow("up to the default group") << "group a1" << "root" << "New Group[1 2](A[3 4] B[6] A1[5])" << "";
        QTest::newRow("same parent goes last") << "group a" << "root" << "New Group[1 2](B[6] A[3 4](A1[5]))" << "";
        // Refused: the group and its subtree would leave the tree as a cycle.
        QTest::newRow("into itself") << "group a" << "a" << TreeOutline << refused;
        QTest::newRow("into its child") << "group a" << "a1" << TreeOutline << refused;
        QTest::newRow("into a removed group") << "group b" << "outside" << TreeOutline << refused;
        QTest::newRow("root") << "group root" << "a" << TreeOutline << prefix + "GroupToGroup, parent group is NULL";
        QTest::newRow("not in tree") << "group outside" << "a" << TreeOutline << prefix + "GroupToGroup, parent group is NULL";
    }
    void userMove()
    {
        QFETCH(QString, moved);
        QFETCH(QString, target);
        QFETCH(QString, expected);
        QFETCH(QString, warning);
        Tree t;
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        const QString name = moved.section(' ', 1);
        QObject *item;
        if (moved.startsWith("list ")) {
            item = t.list(name);
            t.groups.userMoveListToGroup(t.list(name), t.groupNamed(target));
        } else {
            item = t.groupNamed(name);
            t.groups.userMoveGroupToGroup(t.groupNamed(name), t.groupNamed(target));
        }
        QCOMPARE(t.outline(), expected);
        QCOMPARE(flags(t.groups), warning.isEmpty() ? QStringLiteral("modified edited") : QString());
        if (warning.isEmpty())
            QCOMPARE(item->parent(), static_cast<QObject *>(t.groupNamed(target)));
    }

    void removeGroup_data()
    {
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("deleted");
        QTest::addColumn<bool>("refused");
        QTest::newRow("top-level with id") << "a" << "New Group[1 2 3 4](B[6] A1[5])" << QStringList{"A:10"} << false;
        QTest::newRow("top-level without id") << "b" << "New Group[1 2 6](A[3 4](A1[5]))" << QStringList{} << false;
        QTest::newRow("nested with id") << "a1" << "New Group[1 2](A[3 4 5] B[6])" << QStringList{"A1:11"} << false;
        QTest::newRow("root refused") << "root" << TreeOutline << QStringList{} << true;
        QTest::newRow("not in tree refused") << "outside" << TreeOutline << QStringList{} << true;
    }
    void removeGroup()
    {
        QFETCH(QString, removed);
        QFETCH(QString, expected);
        QFETCH(QStringList, deleted);
        QFETCH(bool, refused);
        Tree t;
        QPointer<ListsGroupsElementGroup> g = t.groupNamed(removed);
        if (refused)
            QTest::ignoreMessage(QtWarningMsg, "ListsGroups::removeGroup, parent group not found");
        t.groups.removeGroup(g);
        QCOMPARE(t.outline(), expected);
        QCOMPARE(flags(t.groups), refused ? QString() : QStringLiteral("modified edited"));
        QStringList got;
        for (const ListsGroupsElementGroup *d : *t.groups.deletedGroups()) {
            got << QStringLiteral("%1:%2").arg(d->name()).arg(d->serverId());
            QCOMPARE(d->listCount() + d->groupCount(), 0);
            QCOMPARE(d->parent(), &t.groups);
        }
        QCOMPARE(got, deleted);
        QCOMPARE(bool(g), refused || !deleted.isEmpty());
    }

    void deletedGroupOutlivesFormerParent()
    {
        Tree t;
        QPointer<ListsGroupsElementGroup> a1 = t.a1;
        QPointer<ListsGroupsElementGroup> a = t.a;
        a->setServerId(0);
        t.groups.removeGroup(a1); // id 11: kept for the server
        t.groups.removeGroup(a);  // id 0: destroyed
        QVERIFY(!a);
        QCOMPARE(*t.groups.deletedGroups(), QList<ListsGroupsElementGroup *>{a1.data()});
        QCOMPARE(a1->serverId(), 11u);
    }

    void removeList_data()
    {
        QTest::addColumn<quint32>("localId");
        QTest::addColumn<quint32>("serverId");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("expected"); // empty: nothing removed
        QTest::newRow("by local id") << 5u << 0u << int(TaskList::New) << "New Group[1 2](A[3 4](A1[]) B[6 6])";
        QTest::newRow("by server id") << 0u << 103u << int(TaskList::Unedited) << "New Group[1 2](A[4](A1[5]) B[6 6])";
        QTest::newRow("first in tree order") << 6u << 0u << int(TaskList::New) << "New Group[1 2](A[3 4](A1[5]) B[6])";
        QTest::newRow("new list, server id ignored") << 0u << 103u << int(TaskList::New) << "";
        QTest::newRow("not in tree") << 77u << 0u << int(TaskList::Unedited) << "";
    }
    void removeList()
    {
        QFETCH(quint32, localId);
        QFETCH(quint32, serverId);
        QFETCH(int, status);
        QFETCH(QString, expected);
        Tree t;
        t.e3->setServerId(103);
        entry(t.b, 6, 66); // a second entry for list 6, after the first in tree order
        auto list = makeTaskList(localId, serverId, TaskList::SyncStatus(status));
        QCOMPARE(t.groups.removeList(list.get()), !expected.isEmpty());
        QCOMPARE(t.outline(), expected.isEmpty() ? QStringLiteral("New Group[1 2](A[3 4](A1[5]) B[6 6])") : expected);
        QCOMPARE(flags(t.groups), expected.isEmpty() ? QString() : QStringLiteral("modified edited"));
        if (localId == 6)
            QCOMPARE(t.b->lists().first()->serverId(), 66u); // the later one stays
    }

    void lookups_data()
    {
        QTest::addColumn<quint32>("localId");
        QTest::addColumn<quint32>("serverId");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("contained");
        QTest::addColumn<QString>("found");
        // e3 has server id 9 and comes before e5 (local id 5) in tree order;
        // e6 has server id 40; an entry with neither id sits in A.
        QTest::newRow("both zero") << 0u << 0u << int(TaskList::Unedited) << false << "";
        QTest::newRow("local id") << 5u << 0u << int(TaskList::New) << true << "e5";
        QTest::newRow("local id, in a group") << 4u << 0u << int(TaskList::New) << true << "e4";
        QTest::newRow("server id") << 0u << 9u << int(TaskList::Unedited) << true << "e3";
        QTest::newRow("first in tree order") << 5u << 9u << int(TaskList::Unedited) << true << "e3";
        QTest::newRow("own entries before child groups") << 6u << 0u << int(TaskList::New) << true << "e6";
        QTest::newRow("server id, unknown local id") << 99u << 40u << int(TaskList::Unedited) << true << "e6";
        QTest::newRow("new list: server id ignored") << 99u << 40u << int(TaskList::New) << false << "e6";
        QTest::newRow("none") << 77u << 78u << int(TaskList::Unedited) << false << "";
    }
    void lookups()
    {
        QFETCH(quint32, localId);
        QFETCH(quint32, serverId);
        QFETCH(int, status);
        QFETCH(bool, contained);
        QFETCH(QString, found);
        Tree t;
        t.e3->setServerId(9);
        t.e6->setServerId(40);
        entry(t.a, 0, 0);
        auto list = makeTaskList(localId, serverId, TaskList::SyncStatus(status));
        QCOMPARE(t.groups.containsList(list.get()), contained);
        QCOMPARE(t.groups.findList(localId, serverId), t.list(found));
        if (serverId == 0)
            QCOMPARE(t.groups.findListByLocalId(localId), t.list(found));
        QCOMPARE(flags(t.groups), QString());
    }

    void findGroups()
    {
        Tree t;
        QCOMPARE(t.groups.findGroupOfList(t.e5, t.groups.rootGroup()), t.a1);
        QCOMPARE(t.groups.findGroupOfList(t.e5, t.b), nullptr);
        QCOMPARE(t.groups.findParentGroup(t.groups.rootGroup(), t.a1), t.a);
        QCOMPARE(t.groups.findParentGroup(t.groups.rootGroup(), t.groups.rootGroup()), nullptr);
        QVERIFY(t.groups.rootGroup()->containsGroup(t.a1) && t.a->containsGroup(t.a1));
        QVERIFY(!t.a->containsGroup(t.a) && !t.a1->containsGroup(t.a) && !t.a->containsGroup(nullptr));
    }

    void edits()
    {
        Tree t;
        t.groups.setListServerId(t.e1, 55);
        t.groups.setListServerId(nullptr, 56);
        QCOMPARE(t.e1->serverId(), 55u);
        QCOMPARE(flags(t.groups), QStringLiteral("modified"));
        clearFlags(t.groups);
        t.groups.setGroupExpanded(t.a, false);
        QVERIFY(!t.a->isExpanded());
        QCOMPARE(flags(t.groups), QStringLiteral("modified edited"));
        // A rename alone must make the next synchronisation upload the tree,
        // or the server's copy would come back over it.
        clearFlags(t.groups);
        t.groups.setGroupName(t.b, QStringLiteral("Shopping"));
        QCOMPARE(t.b->name(), QStringLiteral("Shopping"));
        QCOMPARE(flags(t.groups), QStringLiteral("modified edited"));

        // The elements' own setters touch no mark.
        clearFlags(t.groups);
        t.a->setName(QStringLiteral("x"));
        t.e1->setLocalId(9);
        QVERIFY(t.a->removeList(t.e3));
        QVERIFY(!t.a->removeList(t.e3));
        QVERIFY(t.a->removeGroup(t.a1));
        QVERIFY(!t.a->removeGroup(t.a1));
        QCOMPARE(t.a1->parent(), t.a); // taken out, not destroyed, still owned
        delete t.e3;
        t.a->addList(nullptr);
        t.a->addGroup(nullptr);
        QCOMPARE(outlineOf(t.a), QStringLiteral("x[4]"));
        QCOMPARE(flags(t.groups), QString());
    }

    void afterSync()
    {
        Tree t;
        t.e3->setServerId(30);
        auto live1 = makeTaskList(1, 0, TaskList::New);
        auto live3 = makeTaskList(0, 30, TaskList::Unedited);
        auto deleted5 = makeTaskList(5, 0, TaskList::Deleted);
        auto live6 = makeTaskList(6, 60, TaskList::Edited);
        t.groups.removeMissingLists({live1.get(), live3.get(), deleted5.get(), live6.get()});
        QCOMPARE(t.outline(), QStringLiteral("New Group[1](A[3](A1[]) B[6])"));
        QCOMPARE(flags(t.groups), QString());

        // Entries of lists the user's lists know get the local id.
        t.e1->setServerId(40);
        t.e1->setLocalId(0);
        t.e6->setServerId(0); // no server id: untouched
        UserLists userLists;
        TaskList *known = makeList(TaskList::Unedited, 40, QStringLiteral("l"), 17);
        userLists.addList(known);
        t.groups.localizeLists(&userLists);
        QCOMPARE(QStringLiteral("%1/%2 %3/%4 %5/%6").arg(t.e1->localId()).arg(t.e1->serverId()).arg(t.e3->localId())
                     .arg(t.e3->serverId()).arg(t.e6->localId()).arg(t.e6->serverId()),
                 QStringLiteral("17/0 3/0 6/0"));
        QCOMPARE(t.a->serverId(), 10u); // groups keep their ids
        // The file is written again, the tree not sent for that.
        QCOMPARE(flags(t.groups), QStringLiteral("modified"));
    }

    // What the server keeps of the tree: what the agreed copy holds, and
    // what tells whether the tree changed since.
    void sameOnServer_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("same");
        for (const char *change : {"", "a local id", "an entry without a server id", "a removed group"})
            QTest::newRow(*change ? change : "nothing") << change << true;
        for (const char *change : {"a rename", "a collapse", "a move up"})
            QTest::newRow(change) << change << false;
    }
    void sameOnServer()
    {
        QFETCH(QString, change);
        QFETCH(bool, same);
        Tree t;
        for (ListsGroupsElementList *e : {t.e1, t.e2, t.e3, t.e4, t.e5, t.e6})
            e->setServerId(e->localId() + 40);
        t.groups.agreeAsIs();
        QCOMPARE(outlineOf(t.groups.agreed()->rootGroup()), QStringLiteral("New Group[0 0](A[0 0](A1[0]) B[0])"));
        const QMap<QString, std::function<void()>> changes{
            {"", [] {}},
            {"a local id", [&] { t.e1->setLocalId(9); }},
            {"an entry without a server id", [&] { entry(t.a, 7); }},
            {"a removed group", [&] { t.groups.removeGroup(group(t.b, QStringLiteral("C"), 30)); }},
            {"a rename", [&] { t.a1->setName(QStringLiteral("x")); }},
            {"a collapse", [&] { t.a1->setExpanded(false); }},
            {"a move up", [&] { t.groups.moveListUp(t.e4); }},
        };
        changes.value(change)();
        QCOMPARE(t.groups.sameOnServer(*t.groups.agreed()), same);
        QCOMPARE(t.groups.agreed()->sameOnServer(t.groups), same);
        // Another account's agreement means nothing to this one.
        t.groups.setUploadInDoubt(true);
        t.groups.localizeLists(nullptr);
        QVERIFY(!t.groups.agreed() && !t.groups.isUploadInDoubt());
    }

    // A list that comes back goes where the agreed tree had it, unless the
    // user placed it: "default" puts its entry in the default group first,
    // "absent" leaves none, "removed" has the page take it out.
    void placeAsAgreed_data()
    {
        QTest::addColumn<QString>("list"); // e1..e6
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("outline");
        QTest::newRow("in the default group, back after the list before it")
            << "e4" << "default" << "" << "New Group[1 2](A[3 4](A1[5]) B[6])";
        QTest::newRow("first in its group") << "e3" << "default" << "" << "New Group[1 2](A[3 4](A1[5]) B[6])";
        QTest::newRow("in a subgroup") << "e5" << "default" << "" << "New Group[1 2](A[3 4](A1[5]) B[6])";
        QTest::newRow("its predecessor gone too: first") << "e4" << "default" << "drop e3"
                                                         << "New Group[1 2](A[4](A1[5]) B[6])";
        QTest::newRow("not in the tree: put back") << "e4" << "absent" << "" << "New Group[1 2](A[3 4](A1[5]) B[6])";
        QTest::newRow("placed by the user in another group: stays") << "e4" << "b" << ""
                                                                   << "New Group[1 2](A[3](A1[5]) B[6 4])";
        QTest::newRow("its group removed here: stays") << "e5" << "default" << "remove a1"
                                                      << "New Group[1 2 5](A[3 4] B[6])";
        QTest::newRow("agreed in the default group: stays") << "e1" << "default" << ""
                                                           << "New Group[2 1](A[3 4](A1[5]) B[6])";
        QTest::newRow("no agreed copy: stays") << "e4" << "default" << "forget" << "New Group[1 2 4](A[3](A1[5]) B[6])";
        // Where another account's list stood means nothing to this one, in
        // the file neither.
        QTest::newRow("taken out by the page, then another account, the file read at the next start: not put back")
            << "e4" << "removed" << "another account, read back" << "New Group[1 2](A[3](A1[5]) B[6])";
    }
    void placeAsAgreed()
    {
        QFETCH(QString, list);
        QFETCH(QString, before);
        QFETCH(QString, change);
        QFETCH(QString, outline);
        Tree t;
        for (ListsGroupsElementList *e : {t.e1, t.e2, t.e3, t.e4, t.e5, t.e6})
            e->setServerId(e->localId() + 40);
        t.b->setServerId(12);
        t.groups.agreeAsIs();
        ListsGroupsElementList *e = t.list(list);
        auto taskList = makeTaskList(e->localId(), e->serverId());
        ListsGroupsElementGroup *holder = t.groups.findGroupOfList(e, t.groups.rootGroup());
        if (before == QLatin1String("removed"))
            QVERIFY(t.groups.removeList(taskList.get()));
        else
            holder->removeList(e);
        if (before == QLatin1String("default"))
            t.groups.rootGroup()->addList(e);
        else if (before == QLatin1String("b"))
            t.b->addList(e);
        else if (before != QLatin1String("removed"))
            delete e;
        if (change == QLatin1String("drop e3"))
            t.groups.removeList(makeTaskList(3, 43).get());
        else if (change == QLatin1String("remove a1"))
            t.groups.removeGroup(t.a1);
        else if (change == QLatin1String("forget"))
            t.groups.localizeLists(nullptr);
        std::unique_ptr<ListsGroups> readBack;
        if (change == QLatin1String("another account, read back")) {
            // As the page does: the file as last written, the tree localized
            // and written again when it says it changed, read at the next start.
            ListsGroupsReaderWriter writer(XMLReaderWriter::LocalDocument);
            QDomDocument file = writer.writeListsGroups(&t.groups);
            t.groups.clearModified();
            t.groups.localizeLists(nullptr);
            if (t.groups.isModified())
                file = writer.writeListsGroups(&t.groups);
            readBack.reset(ListsGroupsReaderWriter(XMLReaderWriter::LocalDocument).readListsGroups(file));
            QVERIFY(readBack);
        }
        ListsGroups &groups = readBack ? *readBack : t.groups;
        groups.placeAsAgreed(taskList.get());
        QCOMPARE(outlineOf(groups.rootGroup()), outline);
    }

    // A group new here is told by a local id, never one a group here, a
    // removed group or an upload in doubt holds.
    void groupLocalIds()
    {
        Tree t;
        QCOMPARE(t.a->localId(), 0u);
        ListsGroupsElementGroup *c = t.groups.addGroup(t.a);
        ListsGroupsElementGroup *d = t.groups.addGroupToDefaultGroup();
        QCOMPARE(c->localId(), 1u);
        QCOMPARE(d->localId(), 2u);
        t.groups.keepSentInDoubt(t.groups);
        QCOMPARE(t.groups.sentInDoubt().size(), 1);
        t.groups.removeGroup(d);
        QCOMPARE(t.groups.addGroupToDefaultGroup()->localId(), 3u);
        // A tree read without them: each group without a server id gets one.
        c->setLocalId(0);
        t.b->setLocalId(0);
        t.groups.giveGroupsLocalIds();
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(t.a->localId()).arg(c->localId()).arg(t.b->localId()),
                 QStringLiteral("0 4 5"));
        for (int i = 0; i < ListsGroups::maxSentInDoubt + 2; ++i)
            t.groups.keepSentInDoubt(t.groups);
        QCOMPARE(t.groups.sentInDoubt().size(), ListsGroups::maxSentInDoubt);
        t.groups.localizeLists(nullptr);
        QVERIFY(t.groups.sentInDoubt().isEmpty());
    }

    void depthLimit()
    {
        ListsGroups groups;
        ListsGroupsElementGroup *g = groups.rootGroup();
        for (int level = 1; level <= ListsGroups::maxGroupDepth; ++level) {
            g = groups.addGroup(g);
            QVERIFY(g);
        }
        QTest::ignoreMessage(QtWarningMsg, "ListsGroups::addGroup, groups nested too deeply");
        QVERIFY(!groups.addGroup(g));
        // A two-level group can go no deeper than one level below the limit.
        ListsGroupsElementGroup *pair = groups.addGroupToDefaultGroup();
        groups.addGroup(pair);
        auto *deep = qobject_cast<ListsGroupsElementGroup *>(g->parent());
        QTest::ignoreMessage(QtWarningMsg, "ListsGroups::userMoveGroupToGroup, groups nested too deeply");
        groups.userMoveGroupToGroup(pair, deep);
        QCOMPARE(pair->parent(), groups.rootGroup());
        auto *deeper = qobject_cast<ListsGroupsElementGroup *>(deep->parent());
        groups.userMoveGroupToGroup(pair, deeper);
        QCOMPARE(pair->parent(), deeper);
    }
};

PLUMDECK_TEST_MAIN(TstListsGroups)
#include "tst_listsgroups.moc"
