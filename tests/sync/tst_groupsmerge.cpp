#include "model/listsgroups.h"
#include "sync/merges/groupsmerge.h"
#include "testenvironment.h"

#include <QRegularExpression>
#include <QtTest>

#include <memory>
#include <vector>

// The three-way merge of the list groups tree, driven by trees written as
// "[entries](Group#id[entries](groups) ...)": "-" after a group for collapsed,
// no "#id" for new here, "@n" for local id n; an entry is a list's server id,
// "~n" one with only local id n, "id/n" one with both; " / removed: Name#id"
// for removed groups. What uploads in doubt sent: such trees, " | " between.

namespace {

ListsGroups *parse(const QString &text)
{
    static const QRegularExpression token(
        QStringLiteral("(/ removed:)|([A-Za-z]+)(?:#(\\d+))?(?:@(\\d+))?(-?)|(~?)(\\d+)(?:/(\\d+))?|([()])"));
    auto *groups = new ListsGroups;
    QList<ListsGroupsElementGroup *> parents{groups->rootGroup()};
    ListsGroupsElementGroup *last = groups->rootGroup();
    bool removed = false;
    for (auto it = token.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedLength(1)) {
            removed = true;
        } else if (m.capturedLength(2)) {
            last = new ListsGroupsElementGroup(removed ? groups : nullptr);
            last->setName(m.captured(2));
            last->setServerId(m.captured(3).toUInt());
            last->setLocalId(m.captured(4).toUInt());
            last->setExpanded(m.captured(5).isEmpty());
            if (removed)
                groups->deletedGroups()->append(last);
            else
                parents.last()->addGroup(last);
        } else if (m.capturedLength(7)) {
            auto *entry = new ListsGroupsElementList;
            entry->setServerId(m.capturedLength(6) ? 0 : m.captured(7).toUInt());
            entry->setLocalId(m.capturedLength(6) ? m.captured(7).toUInt() : m.captured(8).toUInt());
            last->addList(entry);
        } else if (m.captured(9) == QLatin1String("(")) {
            parents << last;
        } else {
            parents.removeLast();
        }
    }
    return groups;
}

QString name(const ListsGroupsElementGroup *group)
{
    return group->name() + (group->serverId() ? QStringLiteral("#%1").arg(group->serverId()) : QString())
           + (group->localId() ? QStringLiteral("@%1").arg(group->localId()) : QString());
}

QString outline(const ListsGroupsElementGroup *group)
{
    QStringList entries, children;
    for (const ListsGroupsElementList *e : group->lists())
        entries << (e->serverId() ? QString::number(e->serverId()) : QStringLiteral("~%1").arg(e->localId()))
                       + (e->serverId() && e->localId() ? QStringLiteral("/%1").arg(e->localId()) : QString());
    for (const ListsGroupsElementGroup *child : group->groups())
        children << name(child) + (child->isExpanded() ? "" : "-") + outline(child);
    return '[' + entries.join(' ') + ']' + (children.isEmpty() ? QString() : '(' + children.join(' ') + ')');
}

QString outline(const ListsGroups *groups)
{
    QStringList removed;
    for (const ListsGroupsElementGroup *group : *groups->deletedGroups())
        removed << name(group);
    return outline(groups->rootGroup()) + (removed.isEmpty() ? QString() : " / removed: " + removed.join(' '));
}

} // namespace

class TstGroupsMerge : public QObject
{
    Q_OBJECT
private slots:
    void merge_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("mine");
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<bool>("inDoubt");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("sent");
        const QString agreed = "[1 2 3](Home#5[4] Garden#6[])";
        const QString work = "[2 3](Home#5[4] Garden#6[] Work#7[1])"; // made there, with 1 in it
        const QString homeGone = "[1 2 3 4](Garden#6[])";
        const QString homeGoneHere = homeGone + " / removed: Home#5";
        const QString errandsHere = "[2 3](Home#5[4] Garden#6[](Errands[1]))";
        const QString errandsThere = "[2 3](Home#5[4] Garden#6[](Errands#9[1]) Work#10[])";
        const QString agreed0 = "[1 2 3](Home#5[4])";
        const QString workSent = "[2 3](Home#5[4] Work@1[1])";
        const QString workThere = "[2 3](Home#5[4] Work#7[1])";
        const struct
        {
            const char *name;
            QString base, mine, theirs;
            bool inDoubt;
            QString expected;
            QString sent = {};
        } rows[] = {
            {"nothing changed", agreed, agreed, agreed, false, agreed},
            {"changed there only", agreed, agreed, work, false, work},
            {"changed here only", agreed, work, agreed, false, work},
            {"a group made here", agreed, "[1 2 3](Home#5[4] Garden#6[] Trips[])", work, false,
             "[2 3](Home#5[4] Garden#6[] Work#7[1] Trips[])"},
            {"a list moved up here", agreed, "[1 3 2](Home#5[4] Garden#6[])", work, false, "[3 2](Home#5[4] Garden#6[] Work#7[1])"},
            {"a group moved up here", agreed, "[1 2 3](Garden#6[] Home#5[4])", work, false, "[2 3](Garden#6[] Home#5[4] Work#7[1])"},
            {"a group renamed here", agreed, "[1 2 3](House#5[4] Garden#6[])", work, false, "[2 3](House#5[4] Garden#6[] Work#7[1])"},
            {"renamed on both: mine", agreed, "[1 2 3](House#5[4] Garden#6[])", "[1 2 3](Casa#5[4] Garden#6[])", false,
             "[1 2 3](House#5[4] Garden#6[])"},
            {"collapsed there, renamed here", agreed, "[1 2 3](House#5[4] Garden#6[])", "[1 2 3](Home#5-[4] Garden#6[])",
             false, "[1 2 3](House#5-[4] Garden#6[])"},
            {"removed here, a list put in it there", agreed, homeGoneHere, "[2 3](Home#5[4 1] Garden#6[])", false,
             "[2 3](Home#5[4 1] Garden#6[])"},
            {"removed there, a list put in it here", agreed, "[2 3](Home#5[4 1] Garden#6[])", homeGone, false,
             "[2 3](Home#5[4 1] Garden#6[])"},
            {"removed here only", agreed, homeGoneHere, agreed, false, homeGoneHere},
            {"removed there only", agreed, agreed, homeGone, false, homeGone},
            {"removed on both", agreed, homeGoneHere, homeGone, false, homeGone},
            {"removed here, renamed there: its list back in it", agreed, homeGoneHere, "[1 2 3](House#5[4] Garden#6[])",
             false, "[1 2 3](House#5[4] Garden#6[])"},
            {"a subgroup removed there, its parent renamed here", "[1](Home#5[2](Shed#8[3]))", "[1](House#5[2](Shed#8[3]))",
             "[1](Home#5[2 3])", false, "[1](House#5[2 3])"},
            {"removed here, a subgroup renamed there", "[](Home#5[](Shed#8[]))", "[](Shed#8[]) / removed: Home#5",
             "[](Home#5[](Barn#8[]))", false, "[](Barn#8[]) / removed: Home#5"},
            {"moved into each other: mine", "[](A#5[] B#6[])", "[](B#6[](A#5[]))", "[](A#5[](B#6[]))", false, "[](B#6[](A#5[]))"},
            {"a group moved to two places: mine", "[](A#5[] B#6[] C#7[])", "[](A#5[](C#7[]) B#6[])", "[](A#5[] B#6[](C#7[]))",
             false, "[](A#5[](C#7[]) B#6[])"},
            {"a list moved to two groups: mine", agreed, "[2 3](Home#5[4 1] Garden#6[])", "[2 3](Home#5[4] Garden#6[1])",
             false, "[2 3](Home#5[4 1] Garden#6[])"},
            {"a list gone here drops, one new there comes", agreed, "[1 3](Home#5[4] Garden#6[])",
             "[1 2 3 9](Home#5[4] Garden#6[])", false, "[1 3 9](Home#5[4] Garden#6[])"},
            {"a list gone there stays here", agreed, agreed, "[1 3](Home#5[4] Garden#6[])", false, agreed},
            {"a list fetched here takes the server's place", agreed, "[1 2 3 9/4](Home#5[4] Garden#6[])",
             "[1 2 3](Home#5[4] Garden#6[9])", false, "[1 2 3](Home#5[4] Garden#6[9/4])"},
            {"a list new here keeps its group and local id", agreed, "[1/11 2 3](Home#5[4 ~12] Garden#6[])", work, false,
             "[2 3](Home#5[4 ~12] Garden#6[] Work#7[1/11])"},
            {"in doubt: the group made here is the server's", agreed, errandsHere, errandsThere, true, errandsThere},
            {"in doubt: one of two made here alike is the server's", agreed,
             "[2 3](Home#5[4] Garden#6[](Errands[1] Errands[]))", "[2 3](Home#5[4] Garden#6[](Errands#9[1]))", true,
             "[2 3](Home#5[4] Garden#6[](Errands#9[1] Errands[]))"},
            {"not in doubt: a namesake there is another", agreed, errandsHere, errandsThere, false,
             "[2 3](Home#5[4] Garden#6[](Errands[1] Errands#9[]) Work#10[])"},
            {"in doubt: a namesake elsewhere is another", agreed, errandsHere, "[2 3](Home#5[4](Errands#9[]) Garden#6[])",
             true, "[2 3](Home#5[4](Errands#9[]) Garden#6[](Errands[1]))"},
            // Work made here with list 1 in it went up; the answer was lost,
            // the server made it (7); then the user changed it here.
            {"sent in doubt: the group made removed here since", agreed0, agreed0, workThere, true,
             "[1 2 3](Home#5[4]) / removed: Work#7", workSent},
            {"sent in doubt: the list moved back out of the group made", agreed0, "[1 2 3](Home#5[4] Work@1[])",
             workThere, true, "[1 2 3](Home#5[4] Work#7@1[])", workSent},
            {"sent in doubt: the group made renamed here since", agreed0, "[2 3](Home#5[4] Job@1[1])", workThere, true,
             "[2 3](Home#5[4] Job#7@1[1])", workSent},
            {"sent in doubt, never arrived: the group made goes up", agreed0, "[2 3](Home#5[4] Work@1[1])", agreed0,
             true, "[2 3](Home#5[4] Work@1[1])", workSent},
            {"sent in doubt: the namesake it carried from there is not the one it made", agreed0,
             "[1 2 3](Home#5[4] Work#9[])", "[2 3](Home#5[4] Work#9[] Work#10[1])", true,
             "[1 2 3](Home#5[4] Work#9[]) / removed: Work#10", "[2 3](Home#5[4] Work#9[] Work@1[1])"},
            {"sent in doubt: a group made there meanwhile stays", agreed0, agreed0,
             "[2 3](Home#5[4] Work#7[1] Shed#8[])", true, "[1 2 3](Home#5[4] Shed#8[]) / removed: Work#7", workSent},
            {"sent in doubt: a list moved into a group, moved back here", agreed0, agreed0, "[2 3](Home#5[4 1])", true,
             agreed0, "[2 3](Home#5[4 1])"},
            {"sent in doubt: a group renamed, renamed back here", agreed0, agreed0, "[1 2 3](House#5[4])", true,
             agreed0, "[1 2 3](House#5[4])"},
            {"sent in doubt: a list moved up, moved back here", agreed0, agreed0, "[2 1 3](Home#5[4])", true, agreed0,
             "[2 1 3](Home#5[4])"},
            {"sent in doubt twice: the first arrived, the second not", agreed0, "[1 2 3](Home#5[4] Trips@2[])",
             workThere, true, "[1 2 3](Home#5[4] Trips@2[]) / removed: Work#7",
             workSent + " | [2 3](Home#5[4] Work#7@1[1] Trips@2[])"},
            {"sent in doubt, never arrived, a group's lists moved back: its order there stays", "[3](Home#5[1 2])",
             "[3](Home#5[1 2])", "[3](Home#5[2 1])", true, "[3](Home#5[2 1])", "[1 2 3](Home#5[])"},
            {"sent in doubt, never arrived, an empty namesake made there: not the one sent", agreed0, agreed0,
             "[1 2 3](Home#5[4] Work#7[])", true, "[1 2 3](Home#5[4] Work#7[])", workSent},
            {"sent in doubt, never arrived, a list moved there meanwhile: its move stays", "[2](Home#5[1])",
             "[2](Home#5[1] Work@1[])", "[1 2](Home#5[])", true, "[1 2](Home#5[] Work@1[])", "[2](Home#5[] Work@1[1])"},
            // Renamed there, nothing tells the group made: kept twice, not lost.
            {"sent in doubt, the group made renamed there: both kept", agreed0, "[2 3](Home#5[4] Work@1[1])",
             "[2 3](Home#5[4] Office#7[1])", true, "[2 3](Home#5[4] Office#7[] Work@1[1])", workSent},
            {"removed here, renamed there: back after the group before it", "[](A#5[] B#6[] C#7[] D#8[])",
             "[](A#5[] B#6[] C#7[]) / removed: D#8", "[](A#5[] B#6[] C#7[] Dee#8[])", false,
             "[](A#5[] B#6[] C#7[] Dee#8[])"},
            {"removed there, renamed here: back after the group before it", "[](A#5[] B#6[] C#7[] D#8[])",
             "[](A#5[] B#6[] C#7[] Dee#8[])", "[](A#5[] B#6[] C#7[])", false, "[](A#5[] B#6[] C#7[] Dee#8[])"},
            {"removed here, renamed there: back after the first group", "[](A#5[] B#6[])",
             "[](A#5[]) / removed: B#6", "[](A#5[] Bee#6[])", false, "[](A#5[] Bee#6[])"},
            {"removed there, renamed here: back after the first group", "[](A#5[] B#6[])", "[](A#5[] Bee#6[])",
             "[](A#5[])", false, "[](A#5[] Bee#6[])"},
            {"removed there, collapsed here: it stays", agreed, "[1 2 3](Home#5-[4] Garden#6[])", homeGone, false,
             "[1 2 3](Home#5-[4] Garden#6[])"},
            {"removed there, moved into another group here: it stays", agreed, "[1 2 3](Garden#6[](Home#5[4]))",
             homeGone, false, "[1 2 3](Garden#6[](Home#5[4]))"},
            {"removed there, only moved among its siblings here: it goes", agreed, "[1 2 3](Garden#6[] Home#5[4])",
             homeGone, false, homeGone},
            {"removed here, collapsed there: it stays", agreed, homeGoneHere, "[1 2 3](Home#5-[4] Garden#6[])", false,
             "[1 2 3](Home#5-[4] Garden#6[])"},
            {"removed here, moved into another group there: it stays", agreed, homeGoneHere,
             "[1 2 3](Garden#6[](Home#5[4]))", false, "[1 2 3](Garden#6[](Home#5[4]))"},
        };
        for (const auto &row : rows)
            QTest::newRow(row.name) << row.base << row.mine << row.theirs << row.inDoubt << row.expected << row.sent;
    }
    void merge()
    {
        QFETCH(QString, base);
        QFETCH(QString, mine);
        QFETCH(QString, theirs);
        QFETCH(bool, inDoubt);
        QFETCH(QString, expected);
        QFETCH(QString, sent);
        const std::unique_ptr<ListsGroups> b(parse(base)), m(parse(mine)), t(parse(theirs));
        QCOMPARE(outline(m.get()), mine); // the notation reads back
        std::vector<std::unique_ptr<ListsGroups>> sentTrees;
        QList<const ListsGroups *> sentList;
        for (const QString &tree : sent.split(QStringLiteral(" | "), Qt::SkipEmptyParts)) {
            sentTrees.emplace_back(parse(tree));
            sentList << sentTrees.back().get();
        }
        QCOMPARE(outline(std::unique_ptr<ListsGroups>(GroupsMerge::merge(*b, *m, *t, inDoubt, sentList)).get()),
                 expected);
    }

    // Whether a run sends the tree here: "-" for no tree, and for no agreed
    // one (a tree made from nothing).
    void goesUp_data()
    {
        QTest::addColumn<QString>("here");
        QTest::addColumn<QString>("agreed");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<bool>("forceRemote");
        QTest::addColumn<bool>("forceLocal");
        QTest::addColumn<bool>("goes");
        const QString agreed = "[1 2](Home#5[3])";
        QTest::newRow("not changed since the last run") << agreed << agreed << false << "" << false << false << false;
        QTest::newRow("a group renamed here") << "[1 2](House#5[3])" << agreed << true << "" << false << false << true;
        QTest::newRow("a list moved into a group here")
            << "[1](Home#5[3 2])" << agreed << true << "" << false << false << true;
        QTest::newRow("changed and changed back") << agreed << agreed << true << "" << false << false << false;
        QTest::newRow("a group removed here")
            << "[1 2 3] / removed: Home#5" << agreed << true << "" << false << false << true;
        QTest::newRow("made from nothing, without groups") << "[1 2 3]" << "-" << true << "" << false << false << false;
        QTest::newRow("made from nothing, holding a group")
            << "[1 2](Home[3])" << "-" << true << "" << false << false << true;
        QTest::newRow("an upload in doubt, changed back since")
            << agreed << agreed << true << "[1](Home#5[3 2])" << false << false << true;
        QTest::newRow("no tree") << "-" << "-" << true << "" << false << false << false;
        QTest::newRow("forced remote: as it is") << agreed << agreed << false << "" << true << false << true;
        QTest::newRow("forced remote, no tree") << "-" << "-" << false << "" << true << false << true;
        QTest::newRow("forced local: never") << "[1 2](House#5[3])" << agreed << true << "" << false << true << false;
    }
    void goesUp()
    {
        QFETCH(QString, here);
        QFETCH(QString, agreed);
        QFETCH(bool, edited);
        QFETCH(QString, sent);
        QFETCH(bool, forceRemote);
        QFETCH(bool, forceLocal);
        QFETCH(bool, goes);
        const std::unique_ptr<ListsGroups> groups(here == "-" ? nullptr : parse(here));
        if (groups) {
            if (agreed != "-")
                groups->setAgreed(std::shared_ptr<const ListsGroups>(parse(agreed)));
            if (!sent.isEmpty())
                groups->keepSentInDoubt(*std::unique_ptr<ListsGroups>(parse(sent)));
            groups->setEditedSinceSync(edited);
        }
        QCOMPARE(GroupsMerge::goesUp(groups.get(), forceRemote, forceLocal), goes);
    }

    // Each side nests within the limit, together they would not: mine puts
    // group 1 (holding 2) as deep as it goes, theirs adds 3 in 2; 3 goes to
    // the top level.
    void tooDeepGoesToTheTop()
    {
        QString chain = "[]";
        for (int id = 100 + ListsGroups::maxGroupDepth; id > 100; --id)
            chain = QStringLiteral("[](G#%1%2)").arg(id).arg(chain);
        const std::unique_ptr<ListsGroups> base(parse(chain.left(chain.size() - 1) + " A#1[](B#2[]))"));
        const std::unique_ptr<ListsGroups> mine(base->serverCopy()), theirs(base->serverCopy());
        ListsGroupsElementGroup *target = mine->rootGroup();
        for (int level = 0; level < ListsGroups::maxGroupDepth - 2; ++level)
            target = target->groups().first();
        mine->userMoveGroupToGroup(mine->rootGroup()->groups().last(), target);
        QCOMPARE(name(target->groups().last()), QStringLiteral("A#1"));
        theirs->addGroup(theirs->rootGroup()->groups().last()->groups().first())->setServerId(3);
        const std::unique_ptr<ListsGroups> merged(GroupsMerge::merge(*base, *mine, *theirs));
        const QString out = outline(merged.get());
        QVERIFY(out.endsWith(QStringLiteral(" A#1[](B#2[])") + QString(ListsGroups::maxGroupDepth - 2, ')')
                             + QStringLiteral(" New Group#3[])")));
    }
};

PLUMDECK_TEST_MAIN(TstGroupsMerge)
#include "tst_groupsmerge.moc"
