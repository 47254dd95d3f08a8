#ifndef CLOCK_H
#define CLOCK_H

#include <QDateTime>

// The one source of "now" and of the intervals that behaviour depends on
// (alarms, timers, retries, polls). Tests set the time and scale intervals
// down; the program leaves both alone.
class Clock
{
public:
    static QDateTime currentDateTimeUtc();
    static QDateTime currentDateTime();
    static qint64 currentMSecsSinceEpoch();

    // Interval of `ms` milliseconds as the timers should use it: scaled by the
    // time scale, never below 1 ms for a positive interval.
    static int interval(qint64 ms);
    static double timeScale();

    // For tests.
    static void setFixedTime(const QDateTime &now);
    static void advance(qint64 ms);
    static void setTimeScale(double scale);
    static void reset();

private:
    Clock() = delete;
};

#endif
