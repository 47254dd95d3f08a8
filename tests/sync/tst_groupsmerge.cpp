#include "model/listsgroups.h"
#include "sync/groupsmerge.h"
#include "testenvironment.h"

#include <QtTest>

#include <memory>

// The three-way merge of the list groups tree, driven by trees written as
// "[entries] Group#id[entries](child groups) ..." ("-" after a group: collapsed,
// no "#id": new here; an entry is a server id, "~n" one with local id n only,
// "id/n" one with both), and " / removed: Name#id ..." for removed groups.

namespace {

class Parser
{
public:
    explicit Parser(const QString &text)
        : m_text(text)
    {
    }

    ListsGroups *tree()
    {
        auto *groups = new ListsGroups;
        entries(groups->rootGroup());
        children(groups->rootGroup(), QLatin1Char('/'));
        if (skip(QStringLiteral("/ removed:"))) {
            while (skipSpaces(), m_at < m_text.size()) {
                auto *group = new ListsGroupsElementGroup(groups);
                field(group);
                groups->deletedGroups()->append(group);
            }
        }
        return groups;
    }

private:
    bool skip(const QString &word)
    {
        skipSpaces();
        if (!m_text.mid(m_at).startsWith(word))
            return false;
        m_at += int(word.size());
        return true;
    }
    void skipSpaces()
    {
        while (m_at < m_text.size() && m_text.at(m_at) == QLatin1Char(' '))
            ++m_at;
    }
    quint32 number()
    {
        int end = m_at;
        while (end < m_text.size() && m_text.at(end).isDigit())
            ++end;
        const quint32 value = m_text.mid(m_at, end - m_at).toUInt();
        m_at = end;
        return value;
    }
    void entries(ListsGroupsElementGroup *group)
    {
        skip(QStringLiteral("["));
        while (!skip(QStringLiteral("]"))) {
            auto *entry = new ListsGroupsElementList;
            if (skip(QStringLiteral("~"))) {
                entry->setLocalId(number());
            } else {
                entry->setServerId(number());
                if (skip(QStringLiteral("/")))
                    entry->setLocalId(number());
            }
            group->addList(entry);
        }
    }
    void field(ListsGroupsElementGroup *group)
    {
        int end = m_at;
        while (end < m_text.size() && m_text.at(end).isLetter())
            ++end;
        group->setName(m_text.mid(m_at, end - m_at));
        m_at = end;
        if (skip(QStringLiteral("#")))
            group->setServerId(number());
    }
    void children(ListsGroupsElementGroup *parent, QChar end)
    {
        while (skipSpaces(), m_at < m_text.size() && m_text.at(m_at) != end) {
            auto *group = new ListsGroupsElementGroup;
            field(group);
            group->setExpanded(!skip(QStringLiteral("-")));
            parent->addGroup(group);
            entries(group);
            if (skip(QStringLiteral("("))) {
                children(group, QLatin1Char(')'));
                skip(QStringLiteral(")"));
            }
        }
    }

    QString m_text;
    int m_at = 0;
};

ListsGroups *parse(const QString &text)
{
    return Parser(text).tree();
}

QString entriesOf(const ListsGroupsElementGroup *group)
{
    QStringList out;
    for (const ListsGroupsElementList *e : group->lists()) {
        if (e->serverId() == 0)
            out << QStringLiteral("~%1").arg(e->localId());
        else
            out << (e->localId() ? QStringLiteral("%1/%2").arg(e->serverId()).arg(e->localId())
                                 : QString::number(e->serverId()));
    }
    return QLatin1Char('[') + out.join(QLatin1Char(' ')) + QLatin1Char(']');
}

QString groupText(const ListsGroupsElementGroup *group)
{
    return group->name() + (group->serverId() ? QStringLiteral("#%1").arg(group->serverId()) : QString());
}

QString childrenOf(const ListsGroupsElementGroup *group)
{
    QStringList out;
    for (const ListsGroupsElementGroup *child : group->groups()) {
        const QString below = childrenOf(child);
        out << groupText(child) + (child->isExpanded() ? "" : "-") + entriesOf(child)
                   + (below.isEmpty() ? QString() : QLatin1Char('(') + below + QLatin1Char(')'));
    }
    return out.join(QLatin1Char(' '));
}

QString outline(const ListsGroups *groups)
{
    QString out = entriesOf(groups->rootGroup());
    const QString below = childrenOf(groups->rootGroup());
    if (!below.isEmpty())
        out += QLatin1Char(' ') + below;
    if (!groups->deletedGroups()->isEmpty()) {
        QStringList removed;
        for (const ListsGroupsElementGroup *group : *groups->deletedGroups())
            removed << groupText(group);
        out += QStringLiteral(" / removed: ") + removed.join(QLatin1Char(' '));
    }
    return out;
}

const QString Agreed = QStringLiteral("[1 2 3] Home#5[4] Garden#6[]");

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
        const QString work = QStringLiteral("[2 3] Home#5[4] Garden#6[] Work#7[1]");
        QTest::newRow("nothing changed") << Agreed << Agreed << Agreed << false << Agreed;
        QTest::newRow("only there: theirs") << Agreed << Agreed << work << false << work;
        QTest::newRow("only here: mine") << Agreed << work << Agreed << false << work;
        QTest::newRow("a group made here, one made there") << Agreed << "[1 2 3] Home#5[4] Garden#6[] Errands[]" << work
                                                           << false << "[2 3] Home#5[4] Garden#6[] Errands[] Work#7[1]";
        QTest::newRow("a list moved up here") << Agreed << "[1 3 2] Home#5[4] Garden#6[]" << work << false
                                              << "[3 2] Home#5[4] Garden#6[] Work#7[1]";
        QTest::newRow("a group moved up here") << Agreed << "[1 2 3] Garden#6[] Home#5[4]" << work << false
                                               << "[2 3] Garden#6[] Home#5[4] Work#7[1]";
        QTest::newRow("another group renamed here") << Agreed << "[1 2 3] House#5[4] Garden#6[]" << work << false
                                                    << "[2 3] House#5[4] Garden#6[] Work#7[1]";
        QTest::newRow("renamed on both sides: mine") << Agreed << "[1 2 3] House#5[4] Garden#6[]"
                                                     << "[1 2 3] Casa#5[4] Garden#6[]" << false
                                                     << "[1 2 3] House#5[4] Garden#6[]";
        QTest::newRow("renamed there only") << Agreed << Agreed << "[1 2 3] Casa#5[4] Garden#6[]" << false
                                            << "[1 2 3] Casa#5[4] Garden#6[]";
        QTest::newRow("collapsed there, renamed here") << Agreed << "[1 2 3] House#5[4] Garden#6[]"
                                                       << "[1 2 3] Home#5-[4] Garden#6[]" << false
                                                       << "[1 2 3] House#5-[4] Garden#6[]";
        QTest::newRow("removed here, a list put in it there") << Agreed << "[1 2 3 4] Garden#6[] / removed: Home#5"
                                                              << "[2 3] Home#5[4 1] Garden#6[]" << false
                                                              << "[2 3] Home#5[4 1] Garden#6[]";
        QTest::newRow("removed there, a list put in it here") << Agreed << "[2 3] Home#5[4 1] Garden#6[]"
                                                              << "[1 2 3 4] Garden#6[]" << false
                                                              << "[2 3] Home#5[4 1] Garden#6[]";
        QTest::newRow("removed here, untouched there") << Agreed << "[1 2 3 4] Garden#6[] / removed: Home#5" << Agreed
                                                       << false << "[1 2 3 4] Garden#6[] / removed: Home#5";
        QTest::newRow("removed there, untouched here") << Agreed << Agreed << "[1 2 3 4] Garden#6[]" << false
                                                       << "[1 2 3 4] Garden#6[]";
        QTest::newRow("removed here, renamed there: its list goes back")
            << Agreed << "[1 2 3 4] Garden#6[] / removed: Home#5" << "[1 2 3] House#5[4] Garden#6[]" << false
            << "[1 2 3] House#5[4] Garden#6[]";
        QTest::newRow("removed on both sides") << Agreed << "[1 2 3 4] Garden#6[] / removed: Home#5"
                                               << "[1 2 3 4] Garden#6[]" << false << "[1 2 3 4] Garden#6[]";
        QTest::newRow("a subgroup removed there, its parent renamed here") << "[1] Home#5[2](Shed#8[3])"
                                                                           << "[1] House#5[2](Shed#8[3])"
                                                                           << "[1] Home#5[2 3]" << false
                                                                           << "[1] House#5[2 3]";
        QTest::newRow("removed here, a subgroup renamed there") << "[] Home#5[](Shed#8[])"
                                                                << "[] Shed#8[] / removed: Home#5"
                                                                << "[] Home#5[](Barn#8[])" << false
                                                                << "[] Barn#8[] / removed: Home#5";
        QTest::newRow("moved into each other: mine") << "[] A#5[] B#6[]" << "[] B#6[](A#5[])" << "[] A#5[](B#6[])"
                                                     << false << "[] B#6[](A#5[])";
        QTest::newRow("a group moved to two places: mine") << "[] A#5[] B#6[] C#7[]" << "[] A#5[](C#7[]) B#6[]"
                                                           << "[] A#5[] B#6[](C#7[])" << false
                                                           << "[] A#5[](C#7[]) B#6[]";
        QTest::newRow("a list moved to two groups: mine") << Agreed << "[2 3] Home#5[4 1] Garden#6[]"
                                                          << "[2 3] Home#5[4] Garden#6[1]" << false
                                                          << "[2 3] Home#5[4 1] Garden#6[]";
        QTest::newRow("a list gone here drops, one new there comes") << Agreed << "[1 3] Home#5[4] Garden#6[]"
                                                                     << "[1 2 3 9] Home#5[4] Garden#6[]" << false
                                                                     << "[1 3 9] Home#5[4] Garden#6[]";
        QTest::newRow("a list gone there stays here") << Agreed << Agreed << "[1 3] Home#5[4] Garden#6[]" << false
                                                      << Agreed;
        QTest::newRow("a list fetched here takes the server's place") << Agreed << "[1 2 3 9/4] Home#5[4] Garden#6[]"
                                                                      << "[1 2 3] Home#5[4] Garden#6[9]" << false
                                                                      << "[1 2 3] Home#5[4] Garden#6[9/4]";
        QTest::newRow("a list new here keeps its group and local id")
            << Agreed << "[1/11 2 3] Home#5[4 ~12] Garden#6[]" << work << false
            << "[2 3] Home#5[4 ~12] Garden#6[] Work#7[1/11]";
        QTest::newRow("in doubt: the group made here is the server's")
            << Agreed << "[2 3] Home#5[4] Garden#6[](Errands[1])" << "[2 3] Home#5[4] Garden#6[](Errands#9[1]) Work#10[]"
            << true << "[2 3] Home#5[4] Garden#6[](Errands#9[1]) Work#10[]";
        QTest::newRow("not in doubt: a namesake there is another group")
            << Agreed << "[2 3] Home#5[4] Garden#6[](Errands[1])" << "[2 3] Home#5[4] Garden#6[](Errands#9[1]) Work#10[]"
            << false << "[2 3] Home#5[4] Garden#6[](Errands[1] Errands#9[]) Work#10[]";
        QTest::newRow("in doubt: a namesake elsewhere is another group")
            << Agreed << "[2 3] Home#5[4] Garden#6[](Errands[1])" << "[2 3] Home#5[4](Errands#9[]) Garden#6[] Work#10[]"
            << true << "[2 3] Home#5[4](Errands#9[]) Garden#6[](Errands[1]) Work#10[]";
    }
    void merge()
    {
        QFETCH(QString, base);
        QFETCH(QString, mine);
        QFETCH(QString, theirs);
        QFETCH(bool, inDoubt);
        QFETCH(QString, expected);
        const std::unique_ptr<ListsGroups> b(parse(base)), m(parse(mine)), t(parse(theirs));
        QCOMPARE(outline(b.get()), base); // the notation reads back
        const std::unique_ptr<ListsGroups> merged(GroupsMerge::merge(*b, *m, *t, inDoubt));
        QCOMPARE(outline(merged.get()), expected);
    }

    // Each side nests within the limit; together a group would sit deeper:
    // it goes to the top level with what it holds.
    void tooDeepGoesToTheTop()
    {
        const int max = ListsGroups::maxGroupDepth;
        ListsGroups base;
        ListsGroupsElementGroup *group = base.rootGroup();
        for (int level = 1; level <= max; ++level) {
            group = base.addGroup(group);
            group->setServerId(100 + level);
        }
        ListsGroupsElementGroup *pair = base.addGroupToDefaultGroup();
        pair->setServerId(1);
        base.addGroup(pair)->setServerId(2);
        const std::unique_ptr<ListsGroups> mine(base.serverCopy()), theirs(base.serverCopy());
        // Mine puts the pair as deep as it goes; theirs adds a group below it.
        ListsGroupsElementGroup *target = mine->rootGroup()->groups().first();
        for (int level = 1; level < max - 2; ++level)
            target = target->groups().first();
        mine->userMoveGroupToGroup(mine->rootGroup()->groups().last(), target);
        QCOMPARE(target->groups().last()->serverId(), 1u);
        theirs->addGroup(theirs->rootGroup()->groups().last()->groups().first())->setServerId(3);

        const std::unique_ptr<ListsGroups> merged(GroupsMerge::merge(base, *mine, *theirs));
        QCOMPARE(merged->rootGroup()->groupCount(), 2);
        QCOMPARE(merged->rootGroup()->groups().last()->serverId(), 3u);
        const ListsGroupsElementGroup *at = merged->rootGroup()->groups().first();
        for (int level = 1; level < max - 2; ++level)
            at = at->groups().first();
        QCOMPARE(at->groups().last()->serverId(), 1u);
        QCOMPARE(at->groups().last()->groups().first()->groupCount(), 0);
    }
};

PLUMDECK_TEST_MAIN(TstGroupsMerge)
#include "tst_groupsmerge.moc"
