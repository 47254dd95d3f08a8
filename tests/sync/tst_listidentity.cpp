#include "model/task.h"
#include "model/tasklist.h"
#include "sync/merges/listidentity.h"
#include "testenvironment.h"

#include <QHash>
#include <QtTest>

#include <memory>

// Restored lists and notes told by what they hold, driven by rows of
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

} // namespace

class TstListIdentity : public QObject
{
    Q_OBJECT

private slots:
    void restored_data();
    void restored();
};

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
