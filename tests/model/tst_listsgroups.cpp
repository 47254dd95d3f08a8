#include "model/listsgroups.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QPointer>

namespace {

// A task list as the groups see it: status, server id and local id.
std::unique_ptr<TaskList> makeList(quint32 localId, quint32 serverId,
                                   TaskList::SyncStatus status = TaskList::Unedited)
{
    auto list = std::make_unique<TaskList>();
    list->setSyncStatus(status);
    list->setServerId(serverId);
    list->setLocalId(localId);
    return list;
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
QString outline(const ListsGroupsElementGroup *g)
{
    QStringList entries;
    for (const ListsGroupsElementList *e : g->lists())
        entries << QString::number(e->localId());
    QStringList children;
    for (const ListsGroupsElementGroup *c : g->groups())
        children << outline(c);
    QString out = g->name() + QLatin1Char('[') + entries.join(QLatin1Char(' ')) + QLatin1Char(']');
    if (!children.isEmpty())
        out += QLatin1Char('(') + children.join(QLatin1Char(' ')) + QLatin1Char(')');
    return out;
}

void clearFlags(ListsGroups &groups)
{
    groups.clearModified();
    groups.setEditedSinceSync(false);
}

// Root "New Group" with entries 1, 2 and groups A (entries 3, 4; child A1
// with entry 5) and B (entry 6).
struct Tree {
    ListsGroups groups;
    ListsGroupsElementGroup *a, *a1, *b;
    ListsGroupsElementList *e1, *e2, *e3, *e4, *e5, *e6;
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
    QString outline() const { return ::outline(groups.rootGroup()); }
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
        QVERIFY(groups.isModified());
        QVERIFY(groups.isEditedSinceSync());
        QCOMPARE(groups.rootGroup()->name(), QStringLiteral("New Group"));
        QVERIFY(groups.rootGroup()->isExpanded());
        QCOMPARE(groups.rootGroup()->serverId(), 0u);
        QCOMPARE(groups.rootGroup()->listCount(), 0);
        QCOMPARE(groups.rootGroup()->groupCount(), 0);
        QVERIFY(groups.deletedGroups()->isEmpty());
        std::unique_ptr<ListsGroups> created(ListsGroups::create());
        QVERIFY(!created->parent());
        QVERIFY(created->isModified() && created->isEditedSinceSync());
    }

    void flags()
    {
        ListsGroups groups;
        clearFlags(groups);
        groups.setModified();
        QVERIFY(groups.isModified());
        QVERIFY(!groups.isEditedSinceSync());
        clearFlags(groups);
        groups.markEdited();
        QVERIFY(groups.isModified());
        QVERIFY(groups.isEditedSinceSync());
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
        auto list = makeList(localId, serverId, TaskList::SyncStatus(status));
        if (!added)
            QTest::ignoreMessage(QtWarningMsg,
                                 "ListsGroups::addListToDefaultGroup(), Error, both TaskList ids are invalid");
        groups.addListToDefaultGroup(list.get());
        QCOMPARE(groups.rootGroup()->listCount(), added ? 1 : 0);
        QCOMPARE(groups.isModified(), added);
        QCOMPARE(groups.isEditedSinceSync(), added);
        if (added) {
            const ListsGroupsElementList *e = groups.rootGroup()->lists().first();
            QCOMPARE(e->localId(), localId);
            QCOMPARE(e->serverId(), entryServerId);
            QCOMPARE(e->parent(), groups.rootGroup());
            QVERIFY(groups.containsList(list.get()));
        }
    }

    void addListToGroupTakesAnyList()
    {
        Tree t;
        auto list = makeList(0, 0);
        ListsGroupsElementList *e = t.groups.addListToGroup(list.get(), t.b);
        QVERIFY(e);
        QCOMPARE(t.b->lists().last(), e);
        QCOMPARE(e->parent(), t.b);
        QVERIFY(t.groups.isModified() && t.groups.isEditedSinceSync());
        QVERIFY(!t.groups.containsList(list.get()));
    }

    void addGroup()
    {
        Tree t;
        ListsGroupsElementGroup *g = t.groups.addGroup(t.a);
        QCOMPARE(g->name(), QStringLiteral("New Group"));
        QVERIFY(g->isExpanded());
        QCOMPARE(g->serverId(), 0u);
        QCOMPARE(t.a->groups().last(), g);
        QCOMPARE(g->parent(), t.a);
        QVERIFY(t.groups.isModified() && t.groups.isEditedSinceSync());
        clearFlags(t.groups);
        ListsGroupsElementGroup *top = t.groups.addGroupToDefaultGroup();
        QCOMPARE(t.groups.rootGroup()->groups().last(), top);
        QVERIFY(t.groups.isModified() && t.groups.isEditedSinceSync());
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
        ListsGroupsElementList outsideList;
        ListsGroupsElementGroup outsideGroup;
        const QMap<QString, ListsGroupsElementList *> lists{
            {"e1", t.e1}, {"e2", t.e2}, {"e3", t.e3}, {"e5", t.e5}, {"outside", &outsideList}};
        const QMap<QString, ListsGroupsElementGroup *> groups{
            {"a", t.a}, {"b", t.b}, {"outside", &outsideGroup}, {"root", t.groups.rootGroup()}};
        const QStringList parts = op.split(QLatin1Char(' '));
        if (parts[0] == QLatin1String("listUp"))
            t.groups.moveListUp(lists.value(parts[1]));
        else if (parts[0] == QLatin1String("listDown"))
            t.groups.moveListDown(lists.value(parts[1]));
        else if (parts[0] == QLatin1String("groupUp"))
            t.groups.moveGroupUp(groups.value(parts[1]));
        else
            t.groups.moveGroupDown(groups.value(parts[1]));
        QCOMPARE(t.outline(), expected);
        // Set even when nothing moved.
        QVERIFY(t.groups.isModified());
        QVERIFY(t.groups.isEditedSinceSync());
    }

    void userMove_data()
    {
        QTest::addColumn<QString>("moved"); // "list <entry>" or "group <group>"
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("warning");
        const QString listParentNull = QStringLiteral("ListsGroups::userMoveListToGroup, parent group is NULL");
        const QString groupParentNull = QStringLiteral("ListsGroups::userMoveGroupToGroup, parent group is NULL");
        const QString refused = QStringLiteral(
            "ListsGroups::userMoveGroupToGroup, target group is the group itself, inside it or not in the tree");
        QTest::newRow("into a group") << "list e1" << "a1" << "New Group[2](A[3 4](A1[5 1]) B[6])" << "";
        QTest::newRow("to the default group") << "list e5" << "root" << "New Group[1 2 5](A[3 4](A1[]) B[6])" << "";
        QTest::newRow("same group goes last") << "list e3" << "a" << "New Group[1 2](A[4 3](A1[5]) B[6])" << "";
        QTest::newRow("entry not in tree") << "list outside" << "a" << TreeOutline << listParentNull;
        QTest::newRow("target not in tree") << "list e1" << "outside" << TreeOutline
                                            << "ListsGroups::userMoveListToGroup, target group is not in the tree";
        QTest::newRow("into a sibling") << "group a" << "b" << "New Group[1 2](B[6](A[3 4](A1[5])))" << "";
        QTest::newRow("up to the default group") << "group a1" << "root" << "New Group[1 2](A[3 4] B[6] A1[5])" << "";
        QTest::newRow("same parent goes last") << "group a" << "root" << "New Group[1 2](B[6] A[3 4](A1[5]))" << "";
        // Refused: the group and its subtree would leave the tree as a cycle.
        QTest::newRow("into itself") << "group a" << "a" << TreeOutline << refused;
        QTest::newRow("into its child") << "group a" << "a1" << TreeOutline << refused;
        QTest::newRow("into a removed group") << "group b" << "outside" << TreeOutline << refused;
        QTest::newRow("root") << "group root" << "a" << TreeOutline << groupParentNull;
        QTest::newRow("not in tree") << "group outside" << "a" << TreeOutline << groupParentNull;
    }
    void userMove()
    {
        QFETCH(QString, moved);
        QFETCH(QString, target);
        QFETCH(QString, expected);
        QFETCH(QString, warning);
        Tree t;
        ListsGroupsElementList outsideList;
        ListsGroupsElementGroup outsideGroup;
        const QMap<QString, ListsGroupsElementList *> lists{
            {"e1", t.e1}, {"e3", t.e3}, {"e5", t.e5}, {"outside", &outsideList}};
        const QMap<QString, ListsGroupsElementGroup *> groups{
            {"a", t.a}, {"a1", t.a1}, {"b", t.b}, {"root", t.groups.rootGroup()}, {"outside", &outsideGroup}};
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        const QString name = moved.section(QLatin1Char(' '), 1);
        QObject *item;
        if (moved.startsWith(QLatin1String("list "))) {
            item = lists.value(name);
            t.groups.userMoveListToGroup(lists.value(name), groups.value(target));
        } else {
            item = groups.value(name);
            t.groups.userMoveGroupToGroup(groups.value(name), groups.value(target));
        }
        QCOMPARE(t.outline(), expected);
        QCOMPARE(t.groups.isModified(), warning.isEmpty());
        QCOMPARE(t.groups.isEditedSinceSync(), warning.isEmpty());
        if (warning.isEmpty())
            QCOMPARE(item->parent(), static_cast<QObject *>(groups.value(target)));
    }

    void removeGroup_data()
    {
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("deleted");
        QTest::addColumn<bool>("refused");
        QTest::newRow("top-level with id")
            << "a" << "New Group[1 2 3 4](B[6] A1[5])" << QStringList{"A:10"} << false;
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
        ListsGroupsElementGroup outside;
        const QMap<QString, ListsGroupsElementGroup *> groups{
            {"a", t.a}, {"a1", t.a1}, {"b", t.b}, {"root", t.groups.rootGroup()}, {"outside", &outside}};
        QPointer<ListsGroupsElementGroup> g = groups.value(removed);
        if (refused)
            QTest::ignoreMessage(QtWarningMsg, "ListsGroups::removeGroup, parent group not found");
        t.groups.removeGroup(g);
        QCOMPARE(t.outline(), expected);
        QCOMPARE(t.groups.isModified(), !refused);
        QCOMPARE(t.groups.isEditedSinceSync(), !refused);
        QStringList got;
        for (const ListsGroupsElementGroup *d : *t.groups.deletedGroups()) {
            got << QStringLiteral("%1:%2").arg(d->name()).arg(d->serverId());
            QCOMPARE(d->listCount(), 0);
            QCOMPARE(d->groupCount(), 0);
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
        QVERIFY(a1);
        QCOMPARE(t.groups.deletedGroups()->size(), 1);
        QCOMPARE(t.groups.deletedGroups()->first(), a1.data());
        QCOMPARE(a1->name(), QStringLiteral("A1"));
        QCOMPARE(a1->serverId(), 11u);
    }

    void removeList_data()
    {
        QTest::addColumn<quint32>("localId");
        QTest::addColumn<quint32>("serverId");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("removed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("by local id") << 5u << 0u << int(TaskList::New) << true << "New Group[1 2](A[3 4](A1[]) B[6])";
        QTest::newRow("by server id") << 0u << 103u << int(TaskList::Unedited) << true
                                      << "New Group[1 2](A[4](A1[5]) B[6])";
        QTest::newRow("first in tree order") << 6u << 0u << int(TaskList::New) << true
                                             << "New Group[1 2](A[3 4](A1[5]) B[])";
        QTest::newRow("new list, server id ignored") << 0u << 103u << int(TaskList::New) << false << TreeOutline;
        QTest::newRow("not in tree") << 77u << 0u << int(TaskList::Unedited) << false << TreeOutline;
    }
    void removeList()
    {
        QFETCH(quint32, localId);
        QFETCH(quint32, serverId);
        QFETCH(int, status);
        QFETCH(bool, removed);
        QFETCH(QString, expected);
        Tree t;
        t.e3->setServerId(103);
        entry(t.b, 6); // a second entry for list 6, after the first in tree order
        auto list = makeList(localId, serverId, TaskList::SyncStatus(status));
        QCOMPARE(t.groups.removeList(list.get()), removed);
        QString got = t.outline();
        if (localId == 6)
            got.replace(QStringLiteral("B[6]"), QStringLiteral("B[]"));
        else
            got.replace(QStringLiteral("B[6 6]"), QStringLiteral("B[6]"));
        QCOMPARE(got, expected);
        QCOMPARE(t.groups.isModified(), removed);
        QCOMPARE(t.groups.isEditedSinceSync(), removed);
    }

    void containsList_data()
    {
        QTest::addColumn<quint32>("localId");
        QTest::addColumn<quint32>("serverId");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("contained");
        QTest::newRow("local id") << 4u << 0u << int(TaskList::New) << true;
        QTest::newRow("server id") << 99u << 40u << int(TaskList::Unedited) << true;
        QTest::newRow("new list by server id") << 99u << 40u << int(TaskList::New) << false;
        QTest::newRow("both zero") << 0u << 0u << int(TaskList::Unedited) << false;
        QTest::newRow("unknown") << 98u << 41u << int(TaskList::Unedited) << false;
    }
    void containsList()
    {
        QFETCH(quint32, localId);
        QFETCH(quint32, serverId);
        QFETCH(int, status);
        QFETCH(bool, contained);
        Tree t;
        t.e6->setServerId(40);
        entry(t.a, 0, 0); // an entry with neither id matches nothing
        auto list = makeList(localId, serverId, TaskList::SyncStatus(status));
        QCOMPARE(t.groups.containsList(list.get()), contained);
        QVERIFY(!t.groups.isModified());
    }

    void findList_data()
    {
        QTest::addColumn<quint32>("localId");
        QTest::addColumn<quint32>("serverId");
        QTest::addColumn<QString>("found");
        QTest::newRow("both zero") << 0u << 0u << "";
        QTest::newRow("local id") << 5u << 0u << "e5";
        QTest::newRow("server id") << 0u << 9u << "e3";
        // e3 has server id 9 and comes before e5 (local id 5) in tree order.
        QTest::newRow("first in tree order") << 5u << 9u << "e3";
        QTest::newRow("own entries before child groups") << 6u << 0u << "e6";
        QTest::newRow("none") << 77u << 78u << "";
    }
    void findList()
    {
        QFETCH(quint32, localId);
        QFETCH(quint32, serverId);
        QFETCH(QString, found);
        Tree t;
        t.e3->setServerId(9);
        const QMap<QString, ListsGroupsElementList *> lists{{"e3", t.e3}, {"e5", t.e5}, {"e6", t.e6}};
        QCOMPARE(t.groups.findList(localId, serverId), lists.value(found));
        if (serverId == 0)
            QCOMPARE(t.groups.findListByLocalId(localId), lists.value(found));
    }

    void findGroups()
    {
        Tree t;
        QCOMPARE(t.groups.findGroupOfList(t.e5, t.groups.rootGroup()), t.a1);
        QCOMPARE(t.groups.findGroupOfList(t.e5, t.b), nullptr);
        QCOMPARE(t.groups.findParentGroup(t.groups.rootGroup(), t.a1), t.a);
        QCOMPARE(t.groups.findParentGroup(t.groups.rootGroup(), t.groups.rootGroup()), nullptr);
        QVERIFY(t.groups.rootGroup()->containsGroup(t.a1));
        QVERIFY(t.a->containsGroup(t.a1));
        QVERIFY(!t.a->containsGroup(t.a));
        QVERIFY(!t.a1->containsGroup(t.a));
    }

    void plainEdits()
    {
        Tree t;
        t.groups.setListServerId(t.e1, 55);
        QCOMPARE(t.e1->serverId(), 55u);
        QVERIFY(t.groups.isModified());
        QVERIFY(!t.groups.isEditedSinceSync());
        t.groups.setListServerId(nullptr, 56);

        clearFlags(t.groups);
        t.groups.setGroupExpanded(t.a, false);
        QVERIFY(!t.a->isExpanded());
        QVERIFY(t.groups.isModified() && t.groups.isEditedSinceSync());
    }

    void renameReachesTheServer()
    {
        Tree t;
        t.groups.setGroupName(t.b, QStringLiteral("Shopping"));
        QCOMPARE(t.b->name(), QStringLiteral("Shopping"));
        QVERIFY(t.groups.isModified());
        // A rename alone must make the next synchronisation upload the tree,
        // or the server's copy would come back over it.
        QVERIFY(t.groups.isEditedSinceSync());
    }

    void elementAccessorsTouchNoFlag()
    {
        Tree t;
        t.a->setName(QStringLiteral("x"));
        t.a->setExpanded(false);
        t.a->setServerId(3);
        t.e1->setLocalId(9);
        QVERIFY(t.a->removeList(t.e3));
        QVERIFY(!t.a->removeList(t.e3));
        QVERIFY(t.a->removeGroup(t.a1));
        QVERIFY(!t.a->removeGroup(t.a1));
        QCOMPARE(t.a1->parent(), t.a); // taken out, not destroyed, still owned
        delete t.e3;
        QVERIFY(!t.groups.isModified());
        QVERIFY(!t.groups.isEditedSinceSync());
    }

    void removeMissingLists()
    {
        Tree t;
        t.e3->setServerId(30);
        auto live1 = makeList(1, 0, TaskList::New);
        auto live3 = makeList(0, 30, TaskList::Unedited);
        auto deleted5 = makeList(5, 0, TaskList::Deleted);
        auto live6 = makeList(6, 60, TaskList::Edited);
        t.groups.removeMissingLists({live1.get(), live3.get(), deleted5.get(), live6.get()});
        QCOMPARE(t.outline(), QStringLiteral("New Group[1](A[3](A1[]) B[6])"));
        QVERIFY(!t.groups.isModified());
        QVERIFY(!t.groups.isEditedSinceSync());
    }

    void localizeLists()
    {
        Tree t;
        t.e1->setServerId(40); // known to the user's lists
        t.e1->setLocalId(0);
        t.e3->setServerId(41); // unknown: keeps its local id
        t.e4->setServerId(0);  // no server id: untouched
        UserLists userLists;
        TaskList *known = makeList(0, 40).release();
        known->setLocalId(17);
        userLists.addList(known);
        t.groups.localizeLists(&userLists);
        QCOMPARE(t.e1->localId(), 17u);
        QCOMPARE(t.e1->serverId(), 0u);
        QCOMPARE(t.e3->localId(), 3u);
        QCOMPARE(t.e3->serverId(), 0u);
        QCOMPARE(t.e4->localId(), 4u);
        QCOMPARE(t.a->serverId(), 10u); // groups keep their ids
        QVERIFY(!t.groups.isModified());
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
        ListsGroupsElementGroup *deep = g->parent() ? qobject_cast<ListsGroupsElementGroup *>(g->parent()) : nullptr;
        QVERIFY(deep);
        QTest::ignoreMessage(QtWarningMsg, "ListsGroups::userMoveGroupToGroup, groups nested too deeply");
        groups.userMoveGroupToGroup(pair, deep);
        QCOMPARE(pair->parent(), groups.rootGroup());
        ListsGroupsElementGroup *deeper = qobject_cast<ListsGroupsElementGroup *>(deep->parent());
        groups.userMoveGroupToGroup(pair, deeper);
        QCOMPARE(pair->parent(), deeper);
    }
};

PLUMDECK_TEST_MAIN(TstListsGroups)
#include "tst_listsgroups.moc"
