#include "core/clock.h"
#include "model/alarmoccurrence.h"
#include "model/listmodel.h"
#include "model/minutetimer.h"
#include "model/userlists.h"
#include "modeltest.h"
#include "testenvironment.h"

#include <QSignalSpy>

using namespace ModelTest;

namespace {

QDateTime at(int h, int m, int s = 0, int ms = 0)
{
    return QDateTime(QDate(2026, 5, 1), QTime(h, m, s, ms), Qt::UTC);
}

Task *taskWithAlarm(ListModel *model, const QDateTime &alarm)
{
    Task *t = addTask(model->taskList()->rootTask(), QStringLiteral("t"));
    t->setAlarmTime(alarm);
    return t;
}

// Fires the timer as its shot would, at the clock's time, and checks the next
// shot is aimed `seconds` ahead.
void fire(MinuteTimer &timer, const QDateTime &now, int seconds)
{
    Clock::setFixedTime(now);
    QVERIFY(QMetaObject::invokeMethod(&timer, "onTimeout"));
    QVERIFY2(qAbs(timer.remainingTime() - seconds * 1000) < 200, qPrintable(QString::number(timer.remainingTime())));
}

} // namespace

class TstMinuteTimer : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Clock::reset(); }

    void truncate_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("seconds and ms") << at(10, 0, 59, 999) << at(10, 0);
        QTest::newRow("whole minute") << at(10, 1) << at(10, 1);
        QTest::newRow("other zone") << at(23, 59, 30).toOffsetFromUtc(5 * 3600 + 1800) << at(23, 59);
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
        QTest::newRow("start at 10:00:20") << at(10, 0, 20) << at(10, 0) << 43;
        QTest::newRow("start on the minute") << at(10, 0) << at(10, 0) << 63;
        QTest::newRow("late: never negative") << at(10, 5) << at(10, 0) << 0;
        QTest::newRow("exactly at the target") << at(10, 1, 3) << at(10, 0) << 0;
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
        Clock::setFixedTime(at(10, 0, 20));
        MinuteTimer timer;
        QSignalSpy spy(&timer, &MinuteTimer::timeout);
        timer.start(Clock::currentDateTimeUtc());
        QCOMPARE(timer.last(), at(10, 0));
        // First shot at 10:01:03: window (10:00, 10:01], next at 10:02:03.
        fire(timer, at(10, 1, 3), 60);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toDateTime(), at(10, 0));
        QCOMPARE(spy.at(0).at(1).toDateTime(), at(10, 1));
        // An early shot in the same minute emits nothing and aims again.
        fire(timer, at(10, 1, 50), 13);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(timer.last(), at(10, 1));
        // After a 30-minute sleep one window covers the whole gap.
        fire(timer, at(10, 31, 40), 23);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toDateTime(), at(10, 1));
        QCOMPARE(spy.at(1).at(1).toDateTime(), at(10, 31));
        // The clock set back: nothing emitted, last follows it.
        fire(timer, at(9, 0, 10), 53);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(timer.last(), at(9, 0));
    }

    void realShotWithScaledTime()
    {
        Clock::setTimeScale(0.001);
        Clock::setFixedTime(at(10, 0, 20));
        MinuteTimer timer;
        QSignalSpy spy(&timer, &MinuteTimer::timeout);
        timer.start(Clock::currentDateTimeUtc());
        Clock::setFixedTime(at(10, 1, 3));
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.at(0).at(1).toDateTime(), at(10, 1));
        // The chain goes on by itself.
        Clock::setFixedTime(at(10, 2, 3));
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.at(1).at(0).toDateTime(), at(10, 1));
        QCOMPARE(spy.at(1).at(1).toDateTime(), at(10, 2));
    }

    // The user's lists ring the alarms of each tick, all lists in one set.
    void alarmScan()
    {
        Clock::setFixedTime(at(10, 0, 20));
        UserLists lists;
        MinuteTimer *timer = lists.findChild<MinuteTimer *>();
        QVERIFY(timer);
        ListModel *one = lists.addList(makeList(TaskList::New));
        ListModel *two = lists.addList(makeList(TaskList::New));
        Task *beforeStart = taskWithAlarm(one, at(10, 0, 10));
        Task *onBoundary = taskWithAlarm(one, at(10, 1));
        taskWithAlarm(two, at(10, 0)); // the minute before the first window
        Task *sameMinuteOtherList = taskWithAlarm(two, at(10, 0, 59));
        Task *later = taskWithAlarm(two, at(10, 20));
        taskWithAlarm(one, QDateTime());
        // An alarm set at 10:00:45 for 10:00:30, already past, still rings.
        Task *setLate = taskWithAlarm(one, at(10, 0, 30));
        QSignalSpy spy(&lists, &UserLists::alarmsOccurred);

        fire(*timer, at(10, 1, 3), 60);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).value<AlarmOccurrenceSet>(),
                 (AlarmOccurrenceSet{AlarmOccurrence(one, beforeStart), AlarmOccurrence(one, onBoundary),
                                     AlarmOccurrence(two, sameMinuteOtherList), AlarmOccurrence(one, setLate)}));
        // Quiet minutes send nothing; the boundary alarm does not ring twice.
        fire(*timer, at(10, 2, 3), 60);
        QCOMPARE(spy.size(), 1);
        // After a long pause the gap's alarms come together.
        fire(*timer, at(10, 31, 40), 23);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy.at(1).at(0).value<AlarmOccurrenceSet>(), AlarmOccurrenceSet{AlarmOccurrence(two, later)});
        // Sets hold an alarm once per list.
        const AlarmOccurrenceSet set{AlarmOccurrence(one, later), AlarmOccurrence(one, later), AlarmOccurrence(two, later)};
        QCOMPARE(set.size(), 2);
    }

    void alarmAcrossTimeZones()
    {
        // The window is in UTC whatever the local zone says.
        TimeZone zone("Pacific/Chatham");
        TaskList *list = makeList(TaskList::New);
        ListModel model(list);
        Task *t = taskWithAlarm(&model, QDateTime(QDate(2026, 5, 1), QTime(22, 45, 30), Qt::LocalTime));
        const QDateTime minute = MinuteTimer::truncateToMinute(t->alarmTime());
        QCOMPARE(model.tasksWithAlarmBetween(minute, minute.addSecs(60)), QSet<Task *>{t});
        QVERIFY(model.tasksWithAlarmBetween(minute.addSecs(60), minute.addSecs(120)).isEmpty());
        delete list;
    }
};

PLUMDECK_TEST_MAIN(TstMinuteTimer)
#include "tst_minutetimer.moc"
