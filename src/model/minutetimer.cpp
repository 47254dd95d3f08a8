#include "model/minutetimer.h"

#include "core/clock.h"

#include <QTimer>

MinuteTimer::MinuteTimer(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    // A coarse timer may come up to 5% early, which for a 63 s shot is more
    // than the 3 s margin past the minute.
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &MinuteTimer::onTimeout);
}

void MinuteTimer::start(const QDateTime &time)
{
    scheduleNext(truncateToMinute(time));
}

QDateTime MinuteTimer::truncateToMinute(const QDateTime &time)
{
    const QDateTime utc = time.toUTC();
    const QTime t = utc.time();
    return QDateTime(utc.date(), QTime(t.hour(), t.minute()), Qt::UTC);
}

void MinuteTimer::scheduleNext(const QDateTime &time)
{
    m_last = time;
    qint64 delaySecs = Clock::currentDateTimeUtc().secsTo(m_last.addSecs(63));
    if (delaySecs < 0)
        delaySecs = 0;
    m_timer->start(Clock::interval(delaySecs * 1000));
}

int MinuteTimer::remainingTime() const
{
    return m_timer->remainingTime();
}

void MinuteTimer::onTimeout()
{
    const QDateTime current = truncateToMinute(Clock::currentDateTimeUtc());
    if (current > m_last)
        emit timeout(m_last, current);
    scheduleNext(current);
}
