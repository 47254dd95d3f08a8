#include "model/task.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "model/taskattachment.h"
#include "sync/merges/listmerge.h"
#include "sync/merges/removalmerge.h"
#include "sync/merges/threeway.h"
#include "sync/merges/uploadmark.h"
#include "testenvironment.h"

#include <QtTest>

#include <memory>

// The three-way merge of a list, driven by rows of trees written as text:
// "1:Tickets 2:Bags(3:Socks*)" is Tickets, then Bags holding Socks (done);
// the number is the task's server id, "+" a task new here (no id). A
// second title after "=" is the task's note ("1:Milk=two litres"); "@bob"
// assigns it.

namespace {

struct Parsed
{
    std::unique_ptr<TaskList> list;
    QString error;
};

// Tasks new here get lineages from this counter, so that two rows never
// share one and the same text twice gives the same keys.
Task *parseTask(const QString &token)
{
    auto *task = new Task;
    QString rest = token;
    const qsizetype colon = rest.indexOf(QLatin1Char(':'));
    const QString id = rest.left(colon);
    rest = rest.mid(colon + 1);
    if (id != QLatin1String("+"))
        task->setId(id.toUInt());
    QStringList links = rest.split(QLatin1Char('~'));
    rest = links.takeFirst();
    for (const QString &name : std::as_const(links))
        task->addAttachment(TaskAttachment::create(TaskAttachment::WebHyperlink, name,
                                                   QUrl(QStringLiteral("https://example.org/") + name)));
    QStringList assigned = rest.split(QLatin1Char('@'));
    rest = assigned.takeFirst();
    for (const QString &nick : std::as_const(assigned))
        task->assign(nick);
    const qsizetype equals = rest.indexOf(QLatin1Char('='));
    if (equals >= 0) {
        task->setNote(QDateTime(), rest.mid(equals + 1));
        rest = rest.left(equals);
    }
    if (rest.endsWith(QLatin1Char('*'))) {
        task->setDone(true);
        rest.chop(1);
    }
    task->setTitle(rest.replace(QLatin1Char('_'), QLatin1Char(' ')));
    task->setCreatedBy(QStringLiteral("alice"));
    task->setCreationTime(QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC).addSecs(task->id()));
    return task;
}

// "Name|tasks"
TaskList *parseList(const QString &text, QHash<QString, quint64> *lineages)
{
    auto *list = TaskList::create();
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    QString name = bar >= 0 ? text.left(bar) : QStringLiteral("Trip");
    // "Trip*|": the list ticked done; "Trip=plans|": its description.
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    if (equals >= 0) {
        list->setDescription(name.mid(equals + 1));
        name.truncate(equals);
    }
    if (name.endsWith(QLatin1Char('*'))) {
        list->setDone(true);
        name.chop(1);
    }
    list->setName(name);
    list->setSyncStatus(TaskList::Edited);
    list->setServerId(100);
    list->setRevision(1);
    const QString tasks = bar >= 0 ? text.mid(bar + 1) : text;
    QList<Task *> parents{list->rootTask()};
    Task *last = nullptr;
    QString token;
    const auto flush = [&] {
        if (token.isEmpty())
            return;
        last = parseTask(token);
        // A task new here is one task in every version that holds it;
        // untitled rows are each their own.
        if (last->id() == 0 && !last->title().isEmpty()) {
            const quint64 lineage = lineages->value(last->title(), 0);
            if (lineage)
                last->setLineage(lineage);
            else
                lineages->insert(last->title(), last->lineage());
        }
        parents.last()->insertChild(last, parents.last()->childCount());
        token.clear();
    };
    for (const QChar c : tasks) {
        if (c == QLatin1Char(' ')) {
            flush();
        } else if (c == QLatin1Char('(')) {
            flush();
            parents.append(last);
        } else if (c == QLatin1Char(')')) {
            flush();
            parents.removeLast();
        } else {
            token += c;
        }
    }
    flush();
    return list;
}

void describe(const Task *parent, QStringList &out)
{
    for (const Task *task : parent->children()) {
        QString text = (task->id() ? QString::number(task->id()) : QStringLiteral("+")) + QLatin1Char(':')
                       + QString(task->title()).replace(QLatin1Char(' '), QLatin1Char('_'))
                       + (task->isDone() ? QStringLiteral("*") : QString());
        if (!task->note().text().isEmpty())
            text += QLatin1Char('=') + task->note().text();
        for (const QString &nick : task->assignments())
            text += QLatin1Char('@') + nick;
        for (const TaskAttachment *link : task->attachments())
            text += QLatin1Char('~') + link->name();
        if (task->childCount() > 0) {
            QStringList children;
            describe(task, children);
            text += QLatin1Char('(') + children.join(QLatin1Char(' ')) + QLatin1Char(')');
        }
        out << text;
    }
}

QString describe(const TaskList *list)
{
    QStringList tasks;
    describe(list->rootTask(), tasks);
    return list->name() + (list->isDone() ? QStringLiteral("*") : QString())
           + (list->description().isEmpty() ? QString() : QLatin1Char('=') + list->description()) + QLatin1Char('|')
           + tasks.join(QLatin1Char(' '));
}

} // namespace

class TstListMerge : public QObject
{
    Q_OBJECT

private slots:
    void merge_data();
    void merge();
    void removedHere_data();
    void removedHere();
    void sentInDoubt_data();
    void sentInDoubt();
    void oneSecond_data();
    void oneSecond();
    void serverFieldsAndRemovals();
    void longSiblingRunsKeepTheirOrder();
    void tooDeepKeepsMineTree();
    void order_data();
    void order();
    void displayOrder_data();
    void displayOrder();
    void stampsOfTheLastChange_data();
    void stampsOfTheLastChange();
    void listRemovedThere_data();
    void listRemovedThere();
    void listRemovedHere_data();
    void listRemovedHere();
    void removalLooksFirst_data();
    void removalLooksFirst();
    void keptListHoldsNothing_data();
    void keptListHoldsNothing();
};

void TstListMerge::merge_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("merged");

    // Fields.
    QTest::newRow("nothing changed") << "1:A 2:B" << "1:A 2:B" << "1:A 2:B" << "Trip|1:A 2:B";
    QTest::newRow("retitled here") << "1:A 2:B" << "1:A 2:Bee" << "1:A 2:B" << "Trip|1:A 2:Bee";
    QTest::newRow("retitled there") << "1:A 2:B" << "1:A 2:B" << "1:A 2:Bee" << "Trip|1:A 2:Bee";
    QTest::newRow("retitled both alike") << "1:A 2:B" << "1:A 2:Bee" << "1:A 2:Bee" << "Trip|1:A 2:Bee";
    QTest::newRow("retitled both, mine is the later upload")
        << "1:A 2:B" << "1:A 2:Mine" << "1:A 2:Theirs" << "Trip|1:A 2:Mine";
    QTest::newRow("ticked there, retitled here") << "1:A 2:B" << "1:A 2:Bee" << "1:A 2:B*" << "Trip|1:A 2:Bee*";
    QTest::newRow("note here, title there") << "1:A" << "1:A=milk" << "1:Aa" << "Trip|1:Aa=milk";
    QTest::newRow("note there, title here") << "1:A" << "1:Aa" << "1:A=milk" << "Trip|1:Aa=milk";
    QTest::newRow("link added there, title here") << "1:A" << "1:Aa" << "1:A~map" << "Trip|1:Aa~map";
    QTest::newRow("links changed both, mine is the later upload")
        << "1:A~map" << "1:A~map~tickets" << "1:A" << "Trip|1:A~map~tickets";
    QTest::newRow("assigned both, each to another") << "1:A" << "1:A@bob" << "1:A@carol" << "Trip|1:A@bob@carol";
    QTest::newRow("unassigned there, assigned here") << "1:A@bob" << "1:A@bob@carol" << "1:A"
                                                     << "Trip|1:A@carol";
    QTest::newRow("list renamed there") << "Trip|1:A" << "Trip|1:Aa" << "Journey|1:A" << "Journey|1:Aa";
    QTest::newRow("list renamed both") << "Trip|1:A" << "Voyage|1:A" << "Journey|1:A" << "Voyage|1:A";

    // Tasks added, removed.
    QTest::newRow("added here") << "1:A" << "1:A +:New" << "1:A" << "Trip|1:A +:New";
    QTest::newRow("added there") << "1:A" << "1:A" << "1:A 5:New" << "Trip|1:A 5:New";
    QTest::newRow("added on both") << "1:A" << "1:A +:Mine" << "1:A 5:Theirs" << "Trip|1:A 5:Theirs +:Mine";
    QTest::newRow("removed there, untouched here") << "1:A 2:B" << "1:A 2:B" << "1:A" << "Trip|1:A";
    QTest::newRow("removed there, retitled here: back as new") << "1:A 2:B" << "1:A 2:Bee" << "1:A"
                                                                << "Trip|1:A +:Bee";
    QTest::newRow("removed there, a subtask added below it here")
        << "1:A 2:B" << "1:A 2:B(+:Sub)" << "1:A" << "Trip|1:A +:B(+:Sub)";
    QTest::newRow("removed there with its subtask, the subtask ticked here")
        << "1:A 2:B(3:C 4:D)" << "1:A 2:B(3:C* 4:D)" << "1:A" << "Trip|1:A +:B(+:C*)";
    QTest::newRow("left out here without a removal (undo across a run)") << "1:A 2:B" << "1:A" << "1:A 2:B"
                                                                          << "Trip|1:A 2:B";
    QTest::newRow("an id neither side knows goes up as new") << "1:A" << "1:A 9:Stale" << "1:A"
                                                            << "Trip|1:A +:Stale";

    // Places.
    QTest::newRow("reordered there") << "1:A 2:B 3:C" << "1:A 2:B 3:C" << "3:C 1:A 2:B" << "Trip|3:C 1:A 2:B";
    QTest::newRow("reordered here") << "1:A 2:B 3:C" << "3:C 1:A 2:B" << "1:A 2:B 3:C" << "Trip|3:C 1:A 2:B";
    QTest::newRow("reordered here, added there") << "1:A 2:B 3:C" << "3:C 1:A 2:B" << "1:A 2:B 3:C 4:D"
                                                 << "Trip|3:C 1:A 2:B 4:D";
    QTest::newRow("moved there, retitled here") << "1:A 2:B 3:C" << "1:A 2:Bee 3:C" << "2:B 1:A 3:C"
                                                << "Trip|2:Bee 1:A 3:C";
    QTest::newRow("indented there, added below it here")
        << "1:A 2:B" << "1:A 2:B(+:Sub)" << "1:A(2:B)" << "Trip|1:A(2:B(+:Sub))";
    QTest::newRow("moved in opposite ways, mine's tree holds")
        << "1:A 2:B" << "1:A(2:B)" << "2:B(1:A)" << "Trip|1:A(2:B)";
    QTest::newRow("moved under a task removed there: it comes back to hold it")
        << "1:A 2:B" << "1:A(2:B)" << "2:B" << "Trip|+:A(2:B)";
    QTest::newRow("removed here, a subtask added below it there")
        << "1:A 2:B" << "1:A" << "1:A 2:B(5:Sub)" << "Trip|1:A 2:B(5:Sub)";

    // Rows opened and left untyped.
    QTest::newRow("removed there with its subtask, an untyped row opened below it here: the removal holds")
        << "1:A 2:B(3:C)" << "1:A 2:B(3:C +:)" << "1:A" << "Trip|1:A";
    QTest::newRow("removed there, untyped rows opened one below the other here: the removal holds")
        << "1:A 2:B" << "1:A 2:B(+:(+:))" << "1:A" << "Trip|1:A";
    QTest::newRow("an untyped row opened below a task here stays with it") << "1:A" << "1:A(+:)" << "1:A"
                                                                         << "Trip|1:A(+:)";
}

void TstListMerge::merge()
{
    QFETCH(QString, base);
    QFETCH(QString, mine);
    QFETCH(QString, theirs);
    QFETCH(QString, merged);
    QHash<QString, quint64> lineages;
    std::unique_ptr<TaskList> b(parseList(base, &lineages));
    std::unique_ptr<TaskList> m(parseList(mine, &lineages));
    std::unique_ptr<TaskList> t(parseList(theirs, &lineages));
    // What mine removed: in base, absent from mine and not moved elsewhere.
    std::unique_ptr<TaskList> result(ListMerge::merge(*b, *m, *t, {}));
    QCOMPARE(describe(result.get()), merged);
    QVERIFY(result->rootTask()->verifyTree());
}

void TstListMerge::removedHere_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QList<quint32>>("removedHere");
    QTest::addColumn<QString>("merged");
    QTest::addColumn<QList<quint32>>("removalsSent");

    QTest::newRow("removed here, untouched there") << "1:A 2:B" << "1:A" << "1:A 2:B" << QList<quint32>{2}
                                                   << "Trip|1:A" << QList<quint32>{2};
    QTest::newRow("removed here, removed there") << "1:A 2:B" << "1:A" << "1:A" << QList<quint32>{2} << "Trip|1:A"
                                                 << QList<quint32>{};
    QTest::newRow("removed here, retitled there: it stays") << "1:A 2:B" << "1:A" << "1:A 2:Bee"
                                                            << QList<quint32>{2} << "Trip|1:A 2:Bee"
                                                            << QList<quint32>{};
    QTest::newRow("removed here, moved there: it stays") << "1:A 2:B" << "1:A" << "2:B 1:A" << QList<quint32>{2}
                                                         << "Trip|1:A" << QList<quint32>{2};
    QTest::newRow("removed here with its subtask, one added below it there")
        << "1:A 2:B(3:C)" << "1:A" << "1:A 2:B(3:C 5:D)" << QList<quint32>{2, 3} << "Trip|1:A 2:B(5:D)"
        << QList<quint32>{3};
    QTest::newRow("removed here with its subtask, an untyped row opened below it there: the row goes with it")
        << "1:A 2:B(3:C)" << "1:A" << "1:A 2:B(3:C 5:)" << QList<quint32>{2, 3} << "Trip|1:A"
        << QList<quint32>{2, 3, 5};
}

// A move among siblings is a place, not content: a task removed here and
// only moved there goes.
void TstListMerge::removedHere()
{
    QFETCH(QString, base);
    QFETCH(QString, mine);
    QFETCH(QString, theirs);
    QFETCH(QList<quint32>, removedHere);
    QFETCH(QString, merged);
    QFETCH(QList<quint32>, removalsSent);
    QHash<QString, quint64> lineages;
    std::unique_ptr<TaskList> b(parseList(base, &lineages));
    std::unique_ptr<TaskList> m(parseList(mine, &lineages));
    std::unique_ptr<TaskList> t(parseList(theirs, &lineages));
    QList<Task *> removed;
    for (quint32 id : removedHere) {
        auto *task = new Task;
        task->setId(id);
        removed << task;
    }
    m->setRemovedTasks(removed);
    std::unique_ptr<TaskList> result(ListMerge::merge(*b, *m, *t, {}));
    QCOMPARE(describe(result.get()), merged);
    QList<quint32> sent;
    for (const Task *task : result->removedTasks())
        sent << task->id();
    std::sort(sent.begin(), sent.end());
    QCOMPARE(sent, removalsSent);
}

void TstListMerge::sentInDoubt_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("sentTitle"); // what an upload in doubt sent for task 2
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<bool>("arrived");
    QTest::addColumn<QString>("merged");

    // Mine undid what it sent: the server's copy is its own upload, not
    // another's change.
    QTest::newRow("undone after an upload that arrived") << "1:A 2:B" << "Bee" << "1:A 2:B" << "1:A 2:Bee" << true
                                                         << "Trip|1:A 2:B";
    QTest::newRow("changed again after it") << "1:A 2:B" << "Bee" << "1:A 2:Beetle" << "1:A 2:Bee" << true
                                            << "Trip|1:A 2:Beetle";
    // Another computer changed it after the upload arrived: theirs is later.
    QTest::newRow("changed elsewhere after an upload that arrived")
        << "1:A 2:B" << "Bee" << "1:A 2:Bee" << "1:A 2:Wasp" << true << "Trip|1:A 2:Wasp";
    // Not known to have arrived: mine goes up as the later.
    QTest::newRow("changed elsewhere, the upload not known to be there")
        << "1:A 2:B" << "Bee" << "1:A 2:Bee" << "1:A 2:Wasp" << false << "Trip|1:A 2:Bee";
    // Never reached there (a run killed before it): the server's copy is the
    // agreed one, and mine stands.
    QTest::newRow("the upload never left") << "1:A 2:B" << "Bee" << "1:A 2:Bee" << "1:A 2:B" << true
                                           << "Trip|1:A 2:Bee";
}

// Every task of the three made in one second (typed quickly, or into a row
// made in an older task's second): a new task here and one the server
// gained are one task only where something tells it.
void TstListMerge::oneSecond_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QStringList>("sent"); // titles an update in doubt sent new
    QTest::addColumn<QString>("merged");

    QTest::newRow("sent in doubt beside the row Enter left, ticked there")
        << "1:A" << "1:A +:Passport +:" << "1:A 5:Passport*" << QStringList{"Passport"}
        << "Trip|1:A 5:Passport* +:";
    QTest::newRow("two sent in doubt, one ticked there")
        << "1:A" << "1:A +:Passport +:Visa" << "1:A 5:Passport* 6:Visa" << QStringList{"Passport", "Visa"}
        << "Trip|1:A 5:Passport* 6:Visa";
    QTest::newRow("two sent in doubt, one retitled there: nothing tells that one, both stay")
        << "1:A" << "1:A +:Passport +:Visa" << "1:A 5:Passport 6:Visas" << QStringList{"Passport", "Visa"}
        << "Trip|1:A 6:Visas 5:Passport +:Visa";
    QTest::newRow("two sent in doubt, one retitled here")
        << "1:A" << "1:A +:Passports +:Visa" << "1:A 5:Passport 6:Visa" << QStringList{"Passport", "Visa"}
        << "Trip|1:A 5:Passports 6:Visa";
    QTest::newRow("nothing sent in doubt, a copy on each side beside its source: both stay")
        << "1:A" << "1:A +:A" << "1:A 5:A" << QStringList{} << "Trip|1:A 5:A +:A";
}

void TstListMerge::oneSecond()
{
    QFETCH(QString, base);
    QFETCH(QString, mine);
    QFETCH(QString, theirs);
    QFETCH(QStringList, sent);
    QFETCH(QString, merged);
    QHash<QString, quint64> lineages;
    std::unique_ptr<TaskList> b(parseList(base, &lineages));
    std::unique_ptr<TaskList> m(parseList(mine, &lineages));
    std::unique_ptr<TaskList> t(parseList(theirs, &lineages));
    const QDateTime second(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC);
    for (TaskList *list : {b.get(), m.get(), t.get()})
        list->rootTask()->forEachBelow([&](Task *task) { task->setCreationTime(second); });
    ListMerge::Sent inDoubt;
    for (const QString &title : sent) {
        std::unique_ptr<Task> task(parseTask(QStringLiteral("+:") + title));
        task->setCreationTime(second);
        inDoubt.byIdentity[UploadMark::identityDigest(task.get())] << UploadMark::contentDigest(task.get());
    }
    std::unique_ptr<TaskList> result(ListMerge::merge(*b, *m, *t, inDoubt));
    QCOMPARE(describe(result.get()), merged);
}

void TstListMerge::sentInDoubt()
{
    QFETCH(QString, base);
    QFETCH(QString, sentTitle);
    QFETCH(QString, mine);
    QFETCH(QString, theirs);
    QFETCH(bool, arrived);
    QFETCH(QString, merged);
    QHash<QString, quint64> lineages;
    std::unique_ptr<TaskList> b(parseList(base, &lineages));
    std::unique_ptr<TaskList> m(parseList(mine, &lineages));
    std::unique_ptr<TaskList> t(parseList(theirs, &lineages));
    std::unique_ptr<Task> sentTask(parseTask(QStringLiteral("2:") + sentTitle));
    ListMerge::Sent sent;
    sent.byId.insert(2, {UploadMark::contentDigest(sentTask.get())});
    sent.arrived = arrived;
    std::unique_ptr<TaskList> result(ListMerge::merge(*b, *m, *t, sent));
    QCOMPARE(describe(result.get()), merged);
}

// The server's ids, revisions and hash codes, the agreed revision; a removal
// sent only where the server still holds the task.
void TstListMerge::serverFieldsAndRemovals()
{
    QHash<QString, quint64> lineages;
    std::unique_ptr<TaskList> b(parseList(QStringLiteral("1:A 2:B 3:C"), &lineages));
    std::unique_ptr<TaskList> m(parseList(QStringLiteral("1:A* +:D"), &lineages));
    std::unique_ptr<TaskList> t(parseList(QStringLiteral("1:A 3:C"), &lineages));
    t->setRevision(7);
    Task *theirsA = t->rootTask()->child(0);
    theirsA->setRevision(6);
    theirsA->setHashcode(QStringLiteral("0123456789abcdef0123456789abcdef"));
    m->rootTask()->child(0)->setHashcode(QStringLiteral("ffffffffffffffffffffffffffffffff"));
    m->setLocalId(4);
    QList<Task *> removed;
    for (quint32 id : {2u, 3u}) {
        auto *task = new Task;
        task->setId(id);
        removed << task;
    }
    m->setRemovedTasks(removed);
    ListMerge::Outcome outcome;
    std::unique_ptr<TaskList> result(ListMerge::merge(*b, *m, *t, {}, &outcome));
    QCOMPARE(describe(result.get()), QStringLiteral("Trip|1:A* +:D"));
    QCOMPARE(result->revision(), 7u);
    QCOMPARE(result->localId(), 4u);
    const Task *a = result->rootTask()->child(0);
    QCOMPARE(a->revision(), 6u);
    QCOMPARE(a->hashcode(), theirsA->hashcode());
    QCOMPARE(result->removedTasks().size(), 1);
    QCOMPARE(result->removedTasks().first()->id(), 3u);
    QVERIFY(!outcome.sameAsTheirs);

    // What only the server changed leaves nothing to send.
    std::unique_ptr<TaskList> m2(parseList(QStringLiteral("1:A 2:B 3:C"), &lineages));
    std::unique_ptr<TaskList> t2(parseList(QStringLiteral("3:C 1:Aa"), &lineages));
    std::unique_ptr<TaskList> again(ListMerge::merge(*b, *m2, *t2, {}, &outcome));
    QCOMPARE(describe(again.get()), QStringLiteral("Trip|3:C 1:Aa"));
    QVERIFY(outcome.sameAsTheirs);
    // Nor do rows opened here that nobody typed into, at any depth.
    std::unique_ptr<TaskList> m3(parseList(QStringLiteral("1:A(+:(+:)) 2:B 3:C +:"), &lineages));
    std::unique_ptr<TaskList> opened(ListMerge::merge(*b, *m3, *t2, {}, &outcome));
    QCOMPARE(describe(opened.get()), QStringLiteral("Trip|3:C 1:Aa(+:(+:)) +:"));
    QVERIFY(outcome.sameAsTheirs);
}

// Thousands of siblings, each side moving a few: linear enough, and exact.
void TstListMerge::longSiblingRunsKeepTheirOrder()
{
    QStringList base, mine, theirs;
    for (int i = 1; i <= 3000; ++i)
        base << QStringLiteral("%1:T%1").arg(i);
    mine = base;
    theirs = base;
    mine.move(10, 2000);             // mine moves T11 down
    theirs.move(2999, 0);            // theirs moves T3000 to the top
    for (int i = 0; i < 500; ++i)    // and mine adds a run of new tasks
        mine.insert(5, QStringLiteral("+:N%1").arg(499 - i));
    QHash<QString, quint64> lineages;
    std::unique_ptr<TaskList> b(parseList(base.join(QLatin1Char(' ')), &lineages));
    std::unique_ptr<TaskList> m(parseList(mine.join(QLatin1Char(' ')), &lineages));
    std::unique_ptr<TaskList> t(parseList(theirs.join(QLatin1Char(' ')), &lineages));
    std::unique_ptr<TaskList> result(ListMerge::merge(*b, *m, *t, {}));
    QStringList expected = mine;
    expected.removeAll(QStringLiteral("3000:T3000"));
    expected.prepend(QStringLiteral("3000:T3000"));
    QCOMPARE(describe(result.get()), QStringLiteral("Trip|") + expected.join(QLatin1Char(' ')));
}

// Moves on each side that together nest tasks deeper than a document holds:
// this computer's tree stands.
void TstListMerge::tooDeepKeepsMineTree()
{
    const auto chain = [](int first, int count, const QString &prefix, const QString &innermost) {
        QString text = innermost;
        for (int id = first + count - 1; id >= first; --id)
            text = QStringLiteral("%1:%2%1").arg(id).arg(prefix) + (text.isEmpty() ? QString() : QLatin1Char('(') + text + QLatin1Char(')'));
        return text;
    };
    const int outer = 200;
    const int inner = TaskReaderWriter::maxTaskDepth - outer;
    const QString p = chain(1, outer, QStringLiteral("P"), QString());
    const QString q = chain(301, inner, QStringLiteral("Q"), QString());
    QHash<QString, quint64> lineages;
    std::unique_ptr<TaskList> b(parseList(QStringLiteral("500:R ") + p + QLatin1Char(' ') + q, &lineages));
    std::unique_ptr<TaskList> m(parseList(QStringLiteral("500:R ") + chain(1, outer, QStringLiteral("P"), q), &lineages));
    std::unique_ptr<TaskList> t(parseList(QStringLiteral("500:R(") + p + QStringLiteral(") ") + q, &lineages));
    std::unique_ptr<TaskList> result(ListMerge::merge(*b, *m, *t, {}));
    QCOMPARE(describe(result.get()), describe(m.get()));
    QVERIFY(result->rootTask()->verifyTree());
}

void TstListMerge::order_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("merged");
    QTest::newRow("none moved") << "abc" << "abc" << "abc" << "abc" << "abc";
    QTest::newRow("theirs moved") << "abc" << "abc" << "cab" << "abc" << "cab";
    QTest::newRow("mine moved") << "abc" << "bca" << "abc" << "abc" << "bca";
    QTest::newRow("both moved others") << "abcd" << "bacd" << "abdc" << "abcd" << "badc";
    QTest::newRow("both moved one each") << "abc" << "bca" << "cab" << "abc" << "cba";
    QTest::newRow("both moved the same, mine wins") << "abc" << "bca" << "bac" << "abc" << "bca";
    QTest::newRow("added here at the end") << "ab" << "abx" << "ba" << "abx" << "bax";
    QTest::newRow("added here at the front") << "ab" << "xab" << "ba" << "abx" << "xba";
    QTest::newRow("added after one removed there") << "abc" << "abxc" << "ac" << "acx" << "axc";
    QTest::newRow("kept elsewhere is left out") << "abc" << "abc" << "abc" << "ac" << "ac";
    // Mine put a after b, theirs put b last. "bac" reads as a moved as well
    // as b moved: taken as b, theirs' move of b is undone.
    QTest::newRow("mine moved one after another theirs moved: both hold") << "abc" << "bac" << "acb" << "abc"
                                                                          << "cba";
    // Read from the other end too: the reading theirs could not share.
    QTest::newRow("mine moved one up, theirs moved another: both hold") << "abcd" << "dabc" << "bacd" << "abcd"
                                                                        << "dbac";
    QTest::newRow("a swap on each side, apart") << "abcd" << "bacd" << "abdc" << "abcd" << "badc";
}

void TstListMerge::order()
{
    QFETCH(QString, base);
    QFETCH(QString, mine);
    QFETCH(QString, theirs);
    QFETCH(QString, kept);
    QFETCH(QString, merged);
    const auto keys = [](const QString &text) {
        QList<char> out;
        for (QChar c : text)
            out << c.toLatin1();
        return out;
    };
    const QList<char> k = keys(kept);
    const QList<char> out = ThreeWay::mergeOrder(keys(base), keys(mine), keys(theirs), QSet<char>(k.cbegin(), k.cend()));
    QCOMPARE(QString::fromLatin1(QByteArray(out.constData(), out.size())), merged);
}

void TstListMerge::displayOrder_data()
{
    QTest::addColumn<QString>("agreed");
    QTest::addColumn<QString>("local");
    QTest::addColumn<QString>("placedByServer"); // taken from the server since the order was agreed
    QTest::addColumn<QString>("moved");          // moved by the user since
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("merged");
    QTest::newRow("made here") << "abc" << "abcx" << "" << "" << "abc" << "abcx";
    QTest::newRow("taken from the server: where the server has it") << "abc" << "abcx" << "x" << "" << "xabc"
                                                                     << "xabc";
    QTest::newRow("taken from the server, then moved here: where it is here") << "abc" << "abcx" << "x" << "x"
                                                                              << "xabc" << "abcx";
    QTest::newRow("moved here, another taken from the server") << "abc" << "bcax" << "x" << "a" << "xabc"
                                                               << "xbca";
}

// The order sent up after a run: items the run, or one cut short before,
// took from the server go where the server has them, unless the user moved
// them since.
void TstListMerge::displayOrder()
{
    QFETCH(QString, agreed);
    QFETCH(QString, local);
    QFETCH(QString, placedByServer);
    QFETCH(QString, moved);
    QFETCH(QString, theirs);
    QFETCH(QString, merged);
    const auto ids = [](const QString &text) {
        QList<quint32> out;
        for (QChar c : text)
            out << quint32(c.unicode());
        return out;
    };
    const auto set = [&](const QString &text) {
        const QList<quint32> list = ids(text);
        return QSet<quint32>(list.cbegin(), list.cend());
    };
    ThreeWay::OrderHere here;
    here.local = ids(local);
    here.placedByServer = set(placedByServer);
    here.agreed = ids(agreed);
    here.moved = set(moved);
    here.changed = true;
    QString out;
    for (quint32 id : ThreeWay::mergeDisplayOrder(here, ids(theirs)))
        out += QChar(char16_t(id));
    QCOMPARE(out, merged);
}

namespace {

// Each nick changes tasks at its own hour; carol made them all first.
QDateTime stampTime(const QString &nick)
{
    const int hour = nick == QLatin1String("alice") ? 10 : nick == QLatin1String("bob") ? 11 : 9;
    return QDateTime(QDate(2026, 3, 2), QTime(hour, 0), Qt::UTC);
}

void stamp(Task *task, const QString &nick)
{
    task->setLastModifiedBy(nick);
    task->setModificationTime(stampTime(nick));
}

// "Title:nick" gives that task the nick's stamps; every other task keeps
// carol's.
void stampAll(Task *parent, const QHash<QString, QString> &stamps)
{
    for (Task *task : parent->children()) {
        stamp(task, stamps.value(task->title(), QStringLiteral("carol")));
        stampAll(task, stamps);
    }
}

void stampAll(TaskList *list, const QString &stamps)
{
    QHash<QString, QString> byTitle;
    for (const QString &pair : stamps.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        byTitle.insert(pair.section(QLatin1Char(':'), 0, 0), pair.section(QLatin1Char(':'), 1));
    stampAll(list->rootTask(), byTitle);
}

// "Title:nick" per task in tree order; a time that is not the nick's own
// follows it ("Title:bob@09:00").
void describeStamps(const Task *parent, QStringList &out)
{
    for (const Task *task : parent->children()) {
        QString text = task->title() + QLatin1Char(':') + task->lastModifiedBy();
        if (task->modificationTime() != stampTime(task->lastModifiedBy()))
            text += QLatin1Char('@') + task->modificationTime().toUTC().toString(QStringLiteral("hh:mm"));
        out << text;
        describeStamps(task, out);
    }
}

} // namespace

void TstListMerge::stampsOfTheLastChange_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("mineStamps");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("theirsStamps");
    QTest::addColumn<QString>("merged");

    QTest::newRow("retitled there: theirs") << "1:A 2:B" << "1:A 2:B" << "" << "1:A 2:Bee" << "Bee:bob"
                                            << "A:carol Bee:bob";
    QTest::newRow("retitled here: mine") << "1:A 2:B" << "1:A 2:Bee" << "Bee:alice" << "1:A 2:B" << ""
                                         << "A:carol Bee:alice";
    QTest::newRow("each side retitled another task: each its own")
        << "1:A 2:B" << "1:Aa 2:B" << "Aa:alice" << "1:A 2:Bee" << "Bee:bob" << "Aa:alice Bee:bob";
    QTest::newRow("retitled both, mine is the later upload: mine")
        << "1:A 2:B" << "1:A 2:Mine" << "Mine:alice" << "1:A 2:Theirs" << "Theirs:bob" << "A:carol Mine:alice";
    QTest::newRow("retitled both alike: mine") << "1:A 2:B" << "1:A 2:Bee" << "Bee:alice" << "1:A 2:Bee"
                                               << "Bee:bob" << "A:carol Bee:alice";
    QTest::newRow("ticked there, retitled here: mine, as a change of mine stays")
        << "1:A 2:B" << "1:A 2:Bee" << "Bee:alice" << "1:A 2:B*" << "B:bob" << "A:carol Bee:alice";
    QTest::newRow("ticked there: theirs") << "1:A" << "1:A" << "" << "1:A*" << "A:bob" << "A:bob";
    QTest::newRow("note there: theirs") << "1:A" << "1:A" << "" << "1:A=milk" << "A:bob" << "A:bob";
    QTest::newRow("assigned there: theirs") << "1:A" << "1:A" << "" << "1:A@bob" << "A:bob" << "A:bob";
    QTest::newRow("a link added there: theirs") << "1:A" << "1:A" << "" << "1:A~map" << "A:bob" << "A:bob";
    QTest::newRow("assigned here: mine") << "1:A" << "1:A@bob" << "A:alice" << "1:A" << "" << "A:alice";
    QTest::newRow("a link added here, retitled there: mine")
        << "1:A" << "1:A~map" << "A:alice" << "1:Aa" << "Aa:bob" << "Aa:alice";
    QTest::newRow("moved there only: the content's stamps stay") << "1:A 2:B" << "1:A 2:B" << "" << "2:B 1:A" << ""
                                                                 << "B:carol A:carol";
    QTest::newRow("added there: theirs") << "1:A" << "1:A" << "" << "1:A 5:New" << "New:bob" << "A:carol New:bob";
    QTest::newRow("added here: mine") << "1:A" << "1:A +:New" << "New:alice" << "1:A 5:Other" << "Other:bob"
                                      << "A:carol Other:bob New:alice";
    QTest::newRow("removed there, retitled here: back with mine")
        << "1:A 2:B" << "1:A 2:Bee" << "Bee:alice" << "1:A" << "" << "A:carol Bee:alice";
    QTest::newRow("removed here, retitled there: back with theirs")
        << "1:A 2:B" << "1:A" << "" << "1:A 2:Bee" << "Bee:bob" << "A:carol Bee:bob";
}

// Who made a merged task's last change, and when: the side whose change
// the task keeps, so that no computer claims another's change.
void TstListMerge::stampsOfTheLastChange()
{
    QFETCH(QString, base);
    QFETCH(QString, mine);
    QFETCH(QString, mineStamps);
    QFETCH(QString, theirs);
    QFETCH(QString, theirsStamps);
    QFETCH(QString, merged);
    QHash<QString, quint64> lineages;
    std::unique_ptr<TaskList> b(parseList(base, &lineages));
    std::unique_ptr<TaskList> m(parseList(mine, &lineages));
    std::unique_ptr<TaskList> t(parseList(theirs, &lineages));
    stampAll(b.get(), QString());
    stampAll(m.get(), mineStamps);
    stampAll(t.get(), theirsStamps);
    std::unique_ptr<TaskList> result(ListMerge::merge(*b, *m, *t, {}));
    QStringList stamps;
    describeStamps(result->rootTask(), stamps);
    QCOMPARE(stamps.join(QLatin1Char(' ')), merged);
}

// The whole list removed on the server, changed here (`mine`) since it
// agreed (`base`): what mine added or changed comes back, with the tasks
// above it; "" when nothing does.
void TstListMerge::listRemovedThere_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<bool>("sharingChanged");
    QTest::addColumn<QString>("kept");

    QTest::newRow("untouched here: the removal holds") << "1:A 2:B" << "1:A 2:B" << false << "";
    QTest::newRow("a task removed here: the removal holds") << "1:A 2:B" << "1:A" << false << "";
    QTest::newRow("only reordered here: the removal holds") << "1:A 2:B" << "2:B 1:A" << false << "";
    QTest::newRow("an untitled row added here: the removal holds") << "1:A" << "1:A +:" << false << "";
    QTest::newRow("an untitled row with a note added here") << "1:A" << "1:A +:=milk" << false << "Trip|+:=milk";
    QTest::newRow("a task added here") << "1:A 2:B" << "1:A 2:B +:New" << false << "Trip|+:New";
    QTest::newRow("a task retitled here") << "1:A 2:B" << "1:A 2:Bee" << false << "Trip|+:Bee";
    QTest::newRow("a task ticked here") << "1:A 2:B" << "1:A 2:B*" << false << "Trip|+:B*";
    QTest::newRow("a note written here") << "1:A 2:B" << "1:A 2:B=blue" << false << "Trip|+:B=blue";
    QTest::newRow("a subtask added below an untouched task") << "1:A 2:B(3:C)" << "1:A 2:B(3:C +:New)" << false
                                                             << "Trip|+:B(+:New)";
    QTest::newRow("an untyped row opened below a subtask here: the removal holds") << "1:A 2:B(3:C)"
                                                                                 << "1:A 2:B(3:C +:)" << false << "";
    QTest::newRow("an untyped row opened as a task's first subtask here: the removal holds")
        << "1:A 2:B(3:C)" << "1:A 2:B(+: 3:C)" << false << "";
    QTest::newRow("a task added here beside an untyped row below another")
        << "1:A 2:B(3:C)" << "1:A 2:B(3:C +:) +:New" << false << "Trip|+:New";
    QTest::newRow("indented here: back with the task above it") << "1:A 2:B" << "1:A(2:B)" << false
                                                               << "Trip|+:A(+:B)";
    QTest::newRow("renamed here: back empty, renamed") << "Trip|1:A" << "Journey|1:A" << false << "Journey|";
    QTest::newRow("shared here: back empty") << "1:A" << "1:A" << true << "Trip|";
    QTest::newRow("ticked done here: back empty, done") << "Trip|1:A" << "Trip*|1:A" << false << "Trip*|";
    QTest::newRow("done and described, untouched here: the removal holds") << "Trip*=plans|1:A" << "Trip*=plans|1:A"
                                                                           << false << "";
    QTest::newRow("described here: back empty, described") << "Trip|1:A" << "Trip=plans|1:A" << false
                                                           << "Trip=plans|";
}

void TstListMerge::listRemovedThere()
{
    QFETCH(QString, base);
    QFETCH(QString, mine);
    QFETCH(bool, sharingChanged);
    QFETCH(QString, kept);
    QHash<QString, quint64> lineages;
    std::unique_ptr<TaskList> b(parseList(base, &lineages));
    std::unique_ptr<TaskList> m(parseList(mine, &lineages));
    std::unique_ptr<TaskList> result(RemovalMerge::keptHere(*b, *m, sharingChanged));
    QCOMPARE(result ? describe(result.get()) : QString(), kept);
    if (result) {
        QVERIFY(result->rootTask()->verifyTree());
        QVERIFY(result->removedTasks().isEmpty());
    }
}

// The whole list removed here from a copy that agreed `base`, while the
// server's copy became `theirs`: what theirs added or changed comes back,
// with the tasks above it, every other task removed there ("-id"); "" when
// nothing does. `sent`: what an update in doubt sent from here, tasks as
// "id:title", "fields" for theirs' own fields.
void TstListMerge::listRemovedHere_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("kept");

    QTest::newRow("untouched there: the removal holds") << "1:A 2:B" << "1:A 2:B" << "" << "";
    QTest::newRow("a task removed there too") << "1:A 2:B" << "1:A" << "" << "";
    QTest::newRow("only reordered there: the removal holds") << "1:A 2:B" << "2:B 1:A" << "" << "";
    QTest::newRow("a task added there") << "1:A 2:B" << "1:A 2:B 5:New" << "" << "Trip|5:New -1 -2";
    QTest::newRow("a task retitled there") << "1:A 2:B" << "1:A 2:Bee" << "" << "Trip|2:Bee -1";
    QTest::newRow("a subtask added there below an untouched task") << "1:A 2:B(3:C)" << "1:A 2:B(3:C 5:Sub)" << ""
                                                                   << "Trip|2:B(5:Sub) -1 -3";
    QTest::newRow("an untyped row opened there below a subtask: the removal holds") << "1:A 2:B(3:C)"
                                                                                    << "1:A 2:B(3:C 5:)" << "" << "";
    QTest::newRow("a task added there beside an untyped row below another: the row goes")
        << "1:A 2:B(3:C)" << "1:A 2:B(3:C 5:) 6:New" << "" << "Trip|6:New -1 -2 -3 -5";
    QTest::newRow("renamed there: back empty, renamed") << "Trip|1:A" << "Journey|1:A" << "" << "Journey| -1";
    QTest::newRow("ticked done there: back empty, done") << "Trip|1:A" << "Trip*|1:A" << "" << "Trip*| -1";
    QTest::newRow("described there: back empty, described") << "Trip|1:A" << "Trip=plans|1:A" << ""
                                                            << "Trip=plans| -1";
    QTest::newRow("retitled by an update in doubt from here: the removal holds") << "1:A 2:B" << "1:A 2:Bee"
                                                                                 << "2:Bee" << "";
    QTest::newRow("retitled there after an update in doubt from here") << "1:A 2:B" << "1:A 2:Wasp" << "2:Bee"
                                                                       << "Trip|2:Wasp -1";
    QTest::newRow("done and described, untouched there: the removal holds") << "Trip*=plans|1:A" << "Trip*=plans|1:A"
                                                                            << "" << "";
    QTest::newRow("a task added by an update in doubt from here: the removal holds") << "1:A" << "1:A 5:New"
                                                                                    << "5:New" << "";
    QTest::newRow("a task added there beside one an update in doubt from here added")
        << "1:A" << "1:A 5:New 6:Other" << "5:New" << "Trip|6:Other -1 -5";
    QTest::newRow("renamed by an update in doubt from here, a task added there: back as the server has it")
        << "Trip|1:A" << "Journey*=plans|1:A 5:New" << "fields" << "Journey*=plans|5:New -1";
}

void TstListMerge::listRemovedHere()
{
    QFETCH(QString, base);
    QFETCH(QString, theirs);
    QFETCH(QString, sent);
    QFETCH(QString, kept);
    QHash<QString, quint64> lineages;
    std::unique_ptr<TaskList> b(parseList(base, &lineages));
    std::unique_ptr<TaskList> t(parseList(theirs, &lineages));
    ListMerge::Sent inDoubt;
    inDoubt.arrived = !sent.isEmpty();
    for (const QString &token : sent.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (token == QLatin1String("fields")) {
            inDoubt.fields << UploadMark::listFieldsDigest(t.get());
            continue;
        }
        // A task the base knows was sent by its id; another, new then, by
        // its identity.
        std::unique_ptr<Task> sentTask(parseTask(token));
        const QString content = UploadMark::contentDigest(sentTask.get());
        if (b->tasksById().contains(sentTask->id()))
            inDoubt.byId[sentTask->id()] << content;
        else
            inDoubt.byIdentity[UploadMark::identityDigest(sentTask.get())] << content;
    }
    std::unique_ptr<TaskList> result(RemovalMerge::keptThere(*b, *t, inDoubt));
    QString text;
    if (result) {
        QVERIFY(result->rootTask()->verifyTree());
        text = describe(result.get());
        QList<quint32> removed;
        for (const Task *task : result->removedTasks()) {
            removed << task->id();
            QVERIFY(task->deletionTime().isValid());
        }
        std::sort(removed.begin(), removed.end());
        for (quint32 id : removed)
            text += QStringLiteral(" -%1").arg(id);
    }
    QCOMPARE(text, kept);
}


// A list removed here whose server copy moved on since it agreed is looked
// at before its removal goes; a list of another's, or one a forced run
// replaces, is not.
void TstListMerge::removalLooksFirst_data()
{
    QTest::addColumn<bool>("owned");
    QTest::addColumn<quint32>("agreedId");
    QTest::addColumn<bool>("replaces");
    QTest::addColumn<quint32>("serverRevision");
    QTest::addColumn<bool>("looks");
    QTest::newRow("moved on there") << true << 100u << false << 2u << true;
    QTest::newRow("as it agreed") << true << 100u << false << 1u << false;
    QTest::newRow("another's list") << false << 100u << false << 2u << false;
    QTest::newRow("what it agreed is another list's") << true << 99u << false << 2u << false;
    QTest::newRow("a forced run replaces it") << true << 100u << true << 2u << false;
}

void TstListMerge::removalLooksFirst()
{
    QFETCH(bool, owned);
    QFETCH(quint32, agreedId);
    QFETCH(bool, replaces);
    QFETCH(quint32, serverRevision);
    QFETCH(bool, looks);
    QHash<QString, quint64> lineages;
    std::unique_ptr<TaskList> record(parseList(QStringLiteral("1:A"), &lineages));
    record->setSyncStatus(TaskList::Deleted);
    record->setOwned(owned);
    TaskList *agreed = parseList(QStringLiteral("1:A"), &lineages);
    agreed->setServerId(agreedId);
    record->setAgreed(agreed);
    if (replaces)
        record->setPendingUpload(UploadMark::replacing(100).text());
    QCOMPARE(RemovalMerge::movedOnSinceRemoved(record.get(), 100, serverRevision), looks);
    QVERIFY(!RemovalMerge::movedOnSinceRemoved(record.get(), 0, serverRevision));
    QVERIFY(!RemovalMerge::movedOnSinceRemoved(nullptr, 100, serverRevision));
}

// A list kept against a removal whose changed tasks moved on elsewhere
// holds nothing of its own any more.
void TstListMerge::keptListHoldsNothing_data()
{
    QTest::addColumn<QString>("agreed");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<bool>("posted");
    QTest::addColumn<bool>("nothing");
    QTest::newRow("only untitled rows left") << "Trip|1:A" << "Trip|5:(6:)" << true << true;
    QTest::newRow("a titled task left") << "Trip|1:A" << "Trip|5:B" << true << false;
    QTest::newRow("renamed") << "Trip|1:A" << "Journey|" << true << false;
    QTest::newRow("ticked done") << "Trip|1:A" << "Trip*|" << true << false;
    QTest::newRow("not posted yet") << "Trip|1:A" << "Trip|" << false << false;
}

void TstListMerge::keptListHoldsNothing()
{
    QFETCH(QString, agreed);
    QFETCH(QString, kept);
    QFETCH(bool, posted);
    QFETCH(bool, nothing);
    QHash<QString, quint64> lineages;
    std::unique_ptr<TaskList> a(parseList(agreed, &lineages));
    std::unique_ptr<TaskList> k(parseList(kept, &lineages));
    if (!posted)
        k->setSyncStatus(TaskList::New);
    QCOMPARE(RemovalMerge::keepsNothing(a.get(), *k), nothing);
    QVERIFY(!RemovalMerge::keepsNothing(nullptr, *k));
}
PLUMDECK_TEST_MAIN(TstListMerge)
#include "tst_listmerge.moc"
