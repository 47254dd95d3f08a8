#include "model/task.h"
#include "model/tasklist.h"
#include "sync/listidentity.h"
#include "sync/listmerge.h"
#include "testenvironment.h"

#include <QHash>
#include <QtTest>

#include <memory>

// Lists told by what they hold where their ids do not say, driven by rows of
// lists written as text: "Trip: 1 Tickets, 2 Bags>3 Socks*" is Trip holding
// Tickets and Bags, Socks below Bags (done); the number is the second the
// task was made in ("bob/4 Rake": made by bob), which gives it its server id
// too, after the list's offset. "bob's Garden: ..." is a list bob shares with
// the user.

namespace {

std::unique_ptr<TaskList> parse(const QString &text, quint32 idOffset = 0)
{
    auto list = std::unique_ptr<TaskList>(TaskList::create());
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    QString name = text.left(colon).trimmed();
    const qsizetype owner = name.indexOf(QStringLiteral("'s "));
    if (owner > 0) {
        list->setOwned(false);
        list->setOwner(name.left(owner));
        name = name.mid(owner + 3);
    }
    list->setName(name);
    QHash<int, quint32> ofSecond;
    for (QString entry : text.mid(colon + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        Task *parent = list->rootTask();
        const QStringList chain = entry.trimmed().split(QLatin1Char('>'));
        for (int depth = 0; depth < chain.size(); ++depth) {
            QString part = chain.at(depth).trimmed();
            QString by = QStringLiteral("alice");
            if (part.contains(QLatin1Char('/'))) {
                by = part.section(QLatin1Char('/'), 0, 0);
                part = part.section(QLatin1Char('/'), 1);
            }
            const int second = part.section(QLatin1Char(' '), 0, 0).toInt();
            const QString title = part.section(QLatin1Char(' '), 1).remove(QLatin1Char('*'));
            Task *existing = nullptr;
            for (Task *child : parent->children())
                if (child->title() == title && depth + 1 < chain.size())
                    existing = child;
            if (existing) {
                parent = existing;
                continue;
            }
            Task *task = parent->createChild(parent->childCount());
            task->setDone(chain.at(depth).endsWith(QLatin1Char('*')));
            task->setTitle(title);
            task->setCreatedBy(by);
            task->setCreationTime(QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC).addSecs(second));
            task->setId(idOffset + quint32(second) * 10 + ofSecond[second]++);
            parent = task;
        }
    }
    return list;
}

QString text(const Task *parent, const QString &prefix = QString())
{
    QStringList out;
    for (const Task *child : parent->children()) {
        out << prefix + child->title() + (child->isDone() ? QStringLiteral("*") : QString());
        const QString below = text(child, prefix + child->title() + QLatin1Char('>'));
        if (!below.isEmpty())
            out << below;
    }
    return out.join(QLatin1Char(','));
}

} // namespace

class TstListIdentity : public QObject
{
    Q_OBJECT

private slots:
    void pair_data();
    void pair();
    void mergedOntoTheListPostedAnew_data();
    void mergedOntoTheListPostedAnew();
    void restored_data();
    void restored();
};

void TstListIdentity::pair_data()
{
    QTest::addColumn<QStringList>("known");
    QTest::addColumn<QStringList>("candidates");
    // Per known list: the index of its candidate, or -1; "?" when unsure.
    QTest::addColumn<QStringList>("expected");

    const QString trip = QStringLiteral("Trip: 1 Tickets, 2 Bags, 3 Socks");
    QTest::newRow("as it was") << QStringList{trip} << QStringList{"Home: 9 Keys", trip} << QStringList{"1"};
    QTest::newRow("a task removed and tasks added there")
        << QStringList{trip} << QStringList{"Trip: 1 Tickets, 2 Bags, 4 Passport, 5 Map, 6 Pen"} << QStringList{"0"};
    QTest::newRow("most of it removed there") << QStringList{trip} << QStringList{"Trip: 1 Tickets"}
                                              << QStringList{"0"};
    QTest::newRow("most of it removed and more added there: not told")
        << QStringList{trip} << QStringList{"Trip: 1 Tickets, 4 Passport, 5 Map"} << QStringList{"?"};
    QTest::newRow("renamed there, most of it kept")
        << QStringList{trip} << QStringList{"Journey: 1 Tickets, 2 Bags, 4 Passport"} << QStringList{"0"};
    QTest::newRow("renamed there, little of it kept: not told")
        << QStringList{trip} << QStringList{"Journey: 1 Tickets, 4 Passport, 5 Map"} << QStringList{"?"};
    QTest::newRow("a task retitled there") << QStringList{trip} << QStringList{"Trip: 1 Tickets, 2 Big bags, 3 Socks"}
                                            << QStringList{"0"};
    QTest::newRow("another list holding a task pasted from it: not taken")
        << QStringList{trip} << QStringList{"Home: 9 Keys, 1 Tickets"} << QStringList{"?"};
    QTest::newRow("nothing of it there") << QStringList{trip} << QStringList{"Home: 9 Keys"} << QStringList{"-1"};
    QTest::newRow("another user's list of the same tasks") << QStringList{trip}
                                                            << QStringList{"bob's Trip: 1 Tickets, 2 Bags, 3 Socks"}
                                                            << QStringList{"-1"};
    QTest::newRow("made by another user of the same second") << QStringList{trip}
                                                              << QStringList{"Trip: bob/1 Tickets, bob/2 Bags"}
                                                              << QStringList{"-1"};
    QTest::newRow("a list made alike there, under its name: the named one")
        << QStringList{trip} << QStringList{"Spare: 1 Tickets, 2 Bags, 3 Socks", trip} << QStringList{"1"};
    QTest::newRow("two lists alike there: either") << QStringList{trip} << QStringList{trip, trip}
                                                   << QStringList{"0"};
    QTest::newRow("two lists alike here and there: one each")
        << QStringList{trip, trip} << QStringList{trip, trip} << QStringList{"0", "1"};
    QTest::newRow("two lists there as like it, unlike each other: not told")
        << QStringList{trip}
        << QStringList{"Trip: 1 Tickets, 2 Bags, 3 Socks, 4 Passport", "Trip: 1 Tickets, 2 Bags, 3 Socks, 5 Map"}
        << QStringList{"?"};
    QTest::newRow("two lists here as like one there, unlike each other: neither")
        << QStringList{"Trip: 1 Tickets, 2 Bags, 4 Passport", "Trip: 1 Tickets, 2 Bags, 5 Map"}
        << QStringList{"Trip: 1 Tickets, 2 Bags"} << QStringList{"?", "?"};
    QTest::newRow("the one holding more of it") << QStringList{trip}
                                                << QStringList{"Trip: 1 Tickets, 7 Pen", "Trip: 1 Tickets, 2 Bags"}
                                                << QStringList{"1"};
    QTest::newRow("tasks typed in one second, one retitled there")
        << QStringList{"Trip: 1 Tickets, 1 Bags, 1 Socks"} << QStringList{"Trip: 1 Tickets, 1 Big bags, 1 Socks"}
        << QStringList{"0"};
    QTest::newRow("subtasks count") << QStringList{"Trip: 1 Tickets>2 Paper, 1 Tickets>3 Print"}
                                    << QStringList{"Home: 9 Keys", "Trip: 1 Tickets>2 Paper>3 Print"}
                                    << QStringList{"1"};
    QTest::newRow("both without tasks, by their name") << QStringList{"Someday:"}
                                                       << QStringList{"Later:", "Someday:"} << QStringList{"1"};
    QTest::newRow("both without tasks, named apart: not told") << QStringList{"Someday:"} << QStringList{"Later:"}
                                                               << QStringList{"?"};
    QTest::newRow("without tasks here, with tasks there") << QStringList{"Someday:"}
                                                          << QStringList{"Someday: 4 Kite"} << QStringList{"-1"};
    QTest::newRow("a list shared with the user, of its owner") << QStringList{"bob's Garden: bob/4 Rake"}
                                                               << QStringList{"Garden: bob/4 Rake",
                                                                              "bob's Garden: bob/4 Rake"}
                                                               << QStringList{"1"};
    QTest::newRow("each list its own") << QStringList{trip, "Home: 9 Keys, 10 Lamp"}
                                       << QStringList{"Home: 9 Keys, 10 Lamp, 11 Bulb", "Trip: 1 Tickets, 3 Socks"}
                                       << QStringList{"1", "0"};
}

void TstListIdentity::pair()
{
    QFETCH(QStringList, known);
    QFETCH(QStringList, candidates);
    QFETCH(QStringList, expected);
    std::vector<std::unique_ptr<TaskList>> lists;
    QList<const TaskList *> k, c;
    for (const QString &t : std::as_const(known)) {
        lists.push_back(parse(t));
        k << lists.back().get();
    }
    for (const QString &t : std::as_const(candidates)) {
        lists.push_back(parse(t, 100));
        c << lists.back().get();
    }
    const ListIdentity::Pairing pairing = ListIdentity::pair(k, c);
    QStringList got;
    for (int i = 0; i < k.size(); ++i)
        got << (pairing.unsure.at(i) ? QStringLiteral("?") : QString::number(pairing.candidate.at(i)));
    QCOMPARE(got, expected);
}

void TstListIdentity::mergedOntoTheListPostedAnew_data()
{
    // What it agreed and holds here, under the ids it had; the server's
    // list posted anew (other ids); what the merge onto it makes.
    QTest::addColumn<QString>("agreed");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("merged");
    QTest::addColumn<bool>("sameAsTheirs");
    const QString trip = QStringLiteral("Trip: 1 Tickets, 2 Bags, 3 Socks");
    QTest::newRow("a task added here") << trip << "Trip: 1 Tickets, 2 Bags, 3 Socks, 4 Passport" << trip
                                       << "Tickets,Bags,Socks,Passport" << false;
    QTest::newRow("nothing changed here") << trip << trip << "Trip: 1 Tickets, 2 Bags, 3 Socks, 5 Map"
                                          << "Tickets,Bags,Socks,Map" << true;
    QTest::newRow("ticked here, retitled there") << trip << "Trip: 1 Tickets, 2 Bags*, 3 Socks"
                                                 << "Trip: 1 Tickets, 2 Big bags, 3 Socks"
                                                 << "Tickets,Big bags*,Socks" << false;
    QTest::newRow("removed here") << trip << "Trip: 1 Tickets, 3 Socks" << trip << "Tickets,Socks" << false;
    QTest::newRow("removed there, untouched here") << trip << trip << "Trip: 1 Tickets, 3 Socks" << "Tickets,Socks"
                                                   << true;
    QTest::newRow("removed there, ticked here: it stays") << trip << "Trip: 1 Tickets, 2 Bags*, 3 Socks"
                                                          << "Trip: 1 Tickets, 3 Socks" << "Tickets,Bags*,Socks"
                                                          << false;
    QTest::newRow("typed in one second, one retitled there, another ticked here")
        << "Trip: 1 Tickets, 1 Bags, 1 Socks" << "Trip: 1 Tickets*, 1 Bags, 1 Socks"
        << "Trip: 1 Tickets, 1 Big bags, 1 Socks" << "Tickets*,Big bags,Socks" << false;
    QTest::newRow("renamed here") << trip << "Journey: 1 Tickets, 2 Bags, 3 Socks" << trip << "Tickets,Bags,Socks"
                                  << false;
}

void TstListIdentity::mergedOntoTheListPostedAnew()
{
    QFETCH(QString, agreed);
    QFETCH(QString, mine);
    QFETCH(QString, theirs);
    QFETCH(QString, merged);
    QFETCH(bool, sameAsTheirs);
    std::unique_ptr<TaskList> base = parse(agreed);
    std::unique_ptr<TaskList> here = parse(mine);
    // Removed here: the list records it, as the page does.
    base->rootTask()->forEachBelow([&](const Task *task) {
        bool held = false;
        here->rootTask()->forEachBelow([&](const Task *t) { held = held || t->id() == task->id(); });
        if (!held)
            here->recordRemovedTask(task->clone());
    });
    std::unique_ptr<TaskList> there = parse(theirs, 100);
    there->setSyncStatus(TaskList::Unedited);
    there->setServerId(77);
    there->setRevision(3);
    ListIdentity::takeIdsOf(*there, base.get(), here.get());
    // Nothing of here under an id the server's list does not use for it.
    QSet<quint32> theirIds;
    there->rootTask()->forEachBelow([&](const Task *t) { theirIds.insert(t->id()); });
    here->rootTask()->forEachBelow([&](const Task *t) {
        if (theirIds.contains(t->id()))
            QCOMPARE(t->identity(), there->tasksById().value(t->id())->identity());
    });
    ListMerge::Outcome outcome;
    std::unique_ptr<TaskList> result(ListMerge::merge(*base, *here, *there, ListMerge::Sent(), &outcome));
    QCOMPARE(text(result->rootTask()), merged);
    QCOMPARE(result->serverId(), 77u);
    QCOMPARE(outcome.sameAsTheirs, sameAsTheirs);
    if (mine.startsWith(QLatin1String("Journey")))
        QCOMPARE(result->name(), QStringLiteral("Journey"));
}

void TstListIdentity::restored_data()
{
    QTest::addColumn<QString>("restored");
    QTest::addColumn<QString>("fetched");
    QTest::addColumn<bool>("isRestored");
    QTest::addColumn<bool>("isPostedCopy");
    QTest::newRow("the same") << "Trip: 1 Tickets" << "Trip: 1 Tickets" << true << true;
    QTest::newRow("emptied there") << "Trip: 1 Tickets" << "Trip:" << true << false;
    QTest::newRow("without tasks on both") << "Someday:" << "Someday:" << true << true;
    QTest::newRow("renamed there, a task kept") << "Trip: 1 Tickets" << "Journey: 1 Tickets, 2 Bags" << true << false;
    QTest::newRow("another list of that id") << "Camping: 5 Tent" << "Trip: 1 Tickets" << false << false;
    QTest::newRow("of that name, other tasks: not its posted copy") << "Trip: 1 Tickets" << "Trip: 2 Socks" << true
                                                                    << false;
}

void TstListIdentity::restored()
{
    QFETCH(QString, restored);
    QFETCH(QString, fetched);
    QFETCH(bool, isRestored);
    QFETCH(bool, isPostedCopy);
    const std::unique_ptr<TaskList> mine = parse(restored);
    const std::unique_ptr<TaskList> theirs = parse(fetched, 100);
    QCOMPARE(ListIdentity::isRestored(*mine, *theirs), isRestored);
    QCOMPARE(ListIdentity::isPostedCopy(*mine, *theirs), isPostedCopy);
}

PLUMDECK_TEST_MAIN(TstListIdentity)
#include "tst_listidentity.moc"
