#include "model/task.h"
#include "model/tasklist.h"
#include "sync/merges/listidentity.h"
#include "sync/runs/postsindoubt.h"
#include "sync/merges/uploadmark.h"
#include "testenvironment.h"

#include <QtTest>

#include <memory>

// Which list set aside a server list is the copy of the post of, and how the
// list takes it, driven by lists written as text: "Trip: 1 Tickets, 2 Bags" is
// Trip holding Tickets and Bags, each made in the second its number gives.

Q_DECLARE_METATYPE(PostsInDoubt::Taking)

namespace {

std::unique_ptr<TaskList> parse(const QString &text)
{
    auto list = std::unique_ptr<TaskList>(TaskList::create());
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    list->setName(text.left(colon).trimmed());
    for (const QString &entry : text.mid(colon + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        Task *task = list->rootTask()->createChild(list->rootTask()->childCount());
        const int second = entry.trimmed().section(QLatin1Char(' '), 0, 0).toInt();
        task->setTitle(entry.trimmed().section(QLatin1Char(' '), 1));
        task->setCreatedBy(QStringLiteral("alice"));
        task->setCreationTime(QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC).addSecs(second));
    }
    return list;
}

} // namespace

class TstPostsInDoubt : public QObject
{
    Q_OBJECT

private slots:
    void choose_data();
    void choose();
    void taking_data();
    void taking();
};

void TstPostsInDoubt::choose_data()
{
    QTest::addColumn<QString>("copy");
    // Each list set aside as it was posted; "removed: " before one removed
    // here since, "shared: " before one whose tasks other lists here hold
    // too (none of its own).
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("score");

    const QString trip = QStringLiteral("Trip: 1 Tickets, 2 Bags");
    QTest::newRow("the one it holds") << trip << QStringList{"Home: 3 Keys", trip} << 1 << 2;
    QTest::newRow("the one it holds most of") << trip << QStringList{"Trip: 1 Tickets", trip} << 1 << 2;
    QTest::newRow("alike: the first, a list here before a removed one")
        << trip << QStringList{trip, "removed: " + trip} << 0 << 2;
    QTest::newRow("a removed one holding more") << trip << QStringList{"Trip: 1 Tickets", "removed: " + trip} << 1
                                                << 2;
    QTest::newRow("told by nothing of its own: a list here, by its content")
        << trip << QStringList{"shared: " + trip} << 0 << 0;
    QTest::newRow("told by nothing of its own: a removed one never")
        << trip << QStringList{"removed: shared: " + trip} << -1 << -1;
    QTest::newRow("none") << QStringLiteral("Home: 3 Keys") << QStringList{trip, "removed: Trip: 1 Tickets"} << -1
                          << -1;
    QTest::newRow("nothing set aside") << trip << QStringList{} << -1 << -1;
}

void TstPostsInDoubt::choose()
{
    QFETCH(QString, copy);
    QFETCH(QStringList, candidates);
    QFETCH(int, chosen);
    QFETCH(int, score);
    const std::unique_ptr<TaskList> fetched = parse(copy);
    QList<PostsInDoubt::Candidate> set;
    for (QString text : candidates) {
        const bool removed = text.startsWith(QStringLiteral("removed: "));
        text.remove(QStringLiteral("removed: "));
        const bool shared = text.startsWith(QStringLiteral("shared: "));
        text.remove(QStringLiteral("shared: "));
        const std::unique_ptr<TaskList> posted = parse(text);
        const UploadMark mark = UploadMark::ofListPost(0, posted.get());
        QSet<QString> own;
        if (!shared)
            for (const UploadMark::SentTask &task : mark.tasks())
                own.insert(task.identity);
        set << PostsInDoubt::Candidate{mark, own, removed};
    }
    int chosenScore = -2;
    QCOMPARE(PostsInDoubt::choose(ListIdentity::PostedCopy(fetched.get()), set, &chosenScore), chosen);
    QCOMPARE(chosenScore, score);
}

void TstPostsInDoubt::taking_data()
{
    QTest::addColumn<QString>("posted");
    QTest::addColumn<QString>("now");
    QTest::addColumn<QString>("copy");
    QTest::addColumn<int>("score");
    QTest::addColumn<PostsInDoubt::Taking>("taking");

    const QString trip = QStringLiteral("Trip: 1 Tickets, 2 Bags");
    const QString mapAdded = QStringLiteral("Trip: 1 Tickets, 2 Bags, 5 Map");
    using Taking = PostsInDoubt::Taking;
    QTest::newRow("unchanged here: the server's copy, as others changed it")
        << trip << trip << mapAdded << 2 << Taking::ServersCopy;
    QTest::newRow("changed here since: the user's version")
        << trip << QStringLiteral("Trip: 1 Tickets") << mapAdded << 2 << Taking::UsersVersion;
    QTest::newRow("told by nothing of its own, changed there: the user's tasks only")
        << trip << trip << mapAdded << 0 << Taking::UsersTasksOnly;
    QTest::newRow("told by nothing of its own, as posted there") << trip << trip << trip << 0 << Taking::ServersCopy;
    QTest::newRow("told by nothing of its own, without tasks") << QStringLiteral("Trip:") << QStringLiteral("Trip:")
                                                               << mapAdded << 0 << Taking::ServersCopy;
    QTest::newRow("told by nothing of its own, without tasks, renamed here")
        << QStringLiteral("Trip:") << QStringLiteral("Journey:") << mapAdded << 0 << Taking::UsersVersion;
}

void TstPostsInDoubt::taking()
{
    QFETCH(QString, posted);
    QFETCH(QString, now);
    QFETCH(QString, copy);
    QFETCH(int, score);
    QFETCH(PostsInDoubt::Taking, taking);
    const std::unique_ptr<TaskList> sent = parse(posted);
    const std::unique_ptr<TaskList> local = parse(now);
    const std::unique_ptr<TaskList> fetched = parse(copy);
    const UploadMark mark = UploadMark::ofListPost(0, sent.get());
    QCOMPARE(PostsInDoubt::taking(score, mark, ListIdentity::PostedCopy(fetched.get()), local.get()), taking);
}

PLUMDECK_TEST_MAIN(TstPostsInDoubt)
#include "tst_postsindoubt.moc"
