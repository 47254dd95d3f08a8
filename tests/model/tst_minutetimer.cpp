#include "core/clock.h"
#include "model/alarmoccurrence.h"
#include "model/listmodel.h"
#include "model/minutetimer.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "testenvironment.h"

#include <QSignalSpy>

namespace {

QDateTime utc(int h, int m, int s = 0, int ms = 0)
{
    return QDateTime(QDate(2026, 5, 1), QTime(h, m, s, ms), Qt::UTC);
}

Task *taskWithAlarm(ListModel *model, const QDateTime &alarm)
{
    Task *t = model->taskList()->rootTask()->createChild(model->taskList()->rootTask()->childCount());
    t->setTitle(QStringLiteral("t"));
    t->setAlarmTime(alarm);
    return t;
}

void fire(MinuteTimer &timer)
{
    QVERIFY(QMetaObject::invokeMethod(&timer, "onTimeout"));
}

// What the user's lists do at each tick: one set over all lists.
struct Scan
{
    QList<ListModel *> models;
    QList<AlarmOccurrenceSet> sets;
    void onTimeout(const QDateTime &last, const QDateTime &current)
    {
        AlarmOccurrenceSet set;
        for (ListModel *model : std::as_const(models)) {
            const QSet<Task *> tasks = model->tasksWithAlarmBetween(last, current);
            for (Task *task : tasks)
                set.insert(AlarmOccurrence(model, task));
        }
        if (!set.isEmpty())
            sets.append(set);
    }
};

} // namespace

class TstMinuteTimer : public QObject
{
    Q_OBJECT
private:
    QList<ListModel *> m_models;

    ListModel *newModel()
    {
        m_models.append(new ListModel(TaskList::create()));
        return m_models.last();
    }

private slots:
    void cleanup()
    {
        for (ListModel *model : std::as_const(m_models)) {
            TaskList *list = model->taskList();
            delete model;
            delete list;
        }
        m_models.clear();
        Clock::reset();
    }

    void truncate_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("seconds and ms") << utc(10, 0, 59, 999) << utc(10, 0);
        QTest::newRow("whole minute") << utc(10, 1) << utc(10, 1);
        QTest::newRow("other zone") << utc(23, 59, 30).toOffsetFromUtc(5 * 3600 + 1800) << utc(23, 59);
    }
    void truncate()
    {
        QFETCH(QDateTime, time);
        QFETCH(QDateTime, expected);
        const QDateTime t = MinuteTimer::truncateToMinute(time);
        QCOMPARE(t, expected);
        QCOMPARE(t.timeSpec(), Qt::UTC);
    }

    void arming_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("scheduledFor");
        QTest::addColumn<int>("seconds");
        QTest::newRow("start at 10:00:20") << utc(10, 0, 20) << utc(10, 0) << 43;
        QTest::newRow("start on the minute") << utc(10, 0) << utc(10, 0) << 63;
        QTest::newRow("late: never negative") << utc(10, 5) << utc(10, 0) << 0;
        QTest::newRow("exactly at the target") << utc(10, 1, 3) << utc(10, 0) << 0;
    }
    void arming()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, scheduledFor);
        QFETCH(int, seconds);
        Clock::setFixedTime(now);
        MinuteTimer timer;
        QVERIFY(!timer.last().isValid());
        QCOMPARE(timer.remainingTime(), -1);
        timer.scheduleNext(scheduledFor);
        QCOMPARE(timer.last(), scheduledFor);
        QVERIFY(qAbs(timer.remainingTime() - seconds * 1000) < 200);
    }

    void tickSequence()
    {
        Clock::setFixedTime(utc(10, 0, 20));
        MinuteTimer timer;
        QSignalSpy spy(&timer, &MinuteTimer::timeout);
        timer.start(Clock::currentDateTimeUtc());
        QCOMPARE(timer.last(), utc(10, 0));

        // First shot at 10:01:03: window (10:00, 10:01], next at 10:02:03.
        Clock::setFixedTime(utc(10, 1, 3));
        fire(timer);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toDateTime(), utc(10, 0));
        QCOMPARE(spy.at(0).at(1).toDateTime(), utc(10, 1));
        QVERIFY(qAbs(timer.remainingTime() - 60000) < 200);

        // An early shot in the same minute emits nothing and aims again.
        Clock::setFixedTime(utc(10, 1, 50));
        fire(timer);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(timer.last(), utc(10, 1));
        QVERIFY(qAbs(timer.remainingTime() - 13000) < 200);

        // After a 30-minute sleep one window covers the whole gap.
        Clock::setFixedTime(utc(10, 31, 40));
        fire(timer);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toDateTime(), utc(10, 1));
        QCOMPARE(spy.at(1).at(1).toDateTime(), utc(10, 31));
        QVERIFY(qAbs(timer.remainingTime() - 23000) < 200);

        // The clock set back: nothing emitted, last follows it.
        Clock::setFixedTime(utc(9, 0, 10));
        fire(timer);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(timer.last(), utc(9, 0));
        QVERIFY(qAbs(timer.remainingTime() - 53000) < 200);
    }

    void realShotWithScaledTime()
    {
        Clock::setTimeScale(0.001);
        Clock::setFixedTime(utc(10, 0, 20));
        MinuteTimer timer;
        QSignalSpy spy(&timer, &MinuteTimer::timeout);
        timer.start(Clock::currentDateTimeUtc());
        Clock::setFixedTime(utc(10, 1, 3));
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.at(0).at(1).toDateTime(), utc(10, 1));
        // The chain goes on by itself.
        Clock::setFixedTime(utc(10, 2, 3));
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.at(1).at(0).toDateTime(), utc(10, 1));
        QCOMPARE(spy.at(1).at(1).toDateTime(), utc(10, 2));
    }

    void alarmScan()
    {
        ListModel *one = newModel();
        ListModel *two = newModel();
        Task *beforeStart = taskWithAlarm(one, utc(10, 0, 10));
        Task *onBoundary = taskWithAlarm(one, utc(10, 1));
        Task *atWindowStart = taskWithAlarm(two, utc(10, 0));
        Task *sameMinuteOtherList = taskWithAlarm(two, utc(10, 0, 59));
        Task *later = taskWithAlarm(two, utc(10, 20));
        Task *noAlarm = taskWithAlarm(one, QDateTime());
        Q_UNUSED(atWindowStart);
        Q_UNUSED(noAlarm);

        Scan scan;
        scan.models = {one, two};
        Clock::setFixedTime(utc(10, 0, 20));
        MinuteTimer timer;
        connect(&timer, &MinuteTimer::timeout, this,
                [&scan](const QDateTime &last, const QDateTime &current) { scan.onTimeout(last, current); });
        timer.start(Clock::currentDateTimeUtc());

        // An alarm set at 10:00:45 for 10:00:30, already past, still rings.
        Task *setLate = taskWithAlarm(one, utc(10, 0, 30));

        Clock::setFixedTime(utc(10, 1, 3));
        fire(timer);
        QCOMPARE(scan.sets.size(), 1);
        QCOMPARE(scan.sets.at(0),
                 (AlarmOccurrenceSet{AlarmOccurrence(one, beforeStart), AlarmOccurrence(one, onBoundary),
                                     AlarmOccurrence(two, sameMinuteOtherList), AlarmOccurrence(one, setLate)}));

        // Quiet minutes send nothing; the boundary alarm does not ring twice.
        Clock::setFixedTime(utc(10, 2, 3));
        fire(timer);
        QCOMPARE(scan.sets.size(), 1);

        // After a long pause the gap's alarms come together.
        Clock::setFixedTime(utc(10, 31, 40));
        fire(timer);
        QCOMPARE(scan.sets.size(), 2);
        QCOMPARE(scan.sets.at(1), AlarmOccurrenceSet{AlarmOccurrence(two, later)});
    }

    void alarmAcrossTimeZones()
    {
        // The window is in UTC whatever the local zone says.
        const QByteArray oldTz = qgetenv("TZ");
        qputenv("TZ", "Pacific/Chatham");
        tzset();
        ListModel *model = newModel();
        Task *t = taskWithAlarm(model, QDateTime(QDate(2026, 5, 1), QTime(22, 45, 30), Qt::LocalTime));
        const QDateTime minute = MinuteTimer::truncateToMinute(t->alarmTime());
        QCOMPARE(model->tasksWithAlarmBetween(minute, minute.addSecs(60)), QSet<Task *>{t});
        QVERIFY(model->tasksWithAlarmBetween(minute.addSecs(60), minute.addSecs(120)).isEmpty());
        if (oldTz.isEmpty())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldTz);
        tzset();
    }

    void occurrences()
    {
        ListModel *one = newModel();
        ListModel *two = newModel();
        Task a, b;
        QVERIFY(AlarmOccurrence(one, &a) == AlarmOccurrence(one, &a));
        QVERIFY(AlarmOccurrence(one, &a) != AlarmOccurrence(two, &a));
        QVERIFY(AlarmOccurrence(one, &a) != AlarmOccurrence(one, &b));
        AlarmOccurrenceSet set{AlarmOccurrence(one, &a), AlarmOccurrence(one, &a), AlarmOccurrence(two, &a)};
        QCOMPARE(set.size(), 2);
        // Usable in queued connections and variants.
        const QVariant v = QVariant::fromValue(set);
        QCOMPARE(v.value<AlarmOccurrenceSet>(), set);
    }
};

PLUMDECK_TEST_MAIN(TstMinuteTimer)
#include "tst_minutetimer.moc"
