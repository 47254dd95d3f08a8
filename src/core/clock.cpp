#include "clock.h"

#include <atomic>
#include <limits>

namespace {
// While g_fixed is set, "now" is g_fixedMSecs (milliseconds since the epoch)
// instead of the system clock.
std::atomic<qint64> g_fixedMSecs{0};
std::atomic<bool> g_fixed{false};
std::atomic<double> g_scale{1.0};
}

QDateTime Clock::currentDateTimeUtc()
{
    return QDateTime::fromMSecsSinceEpoch(currentMSecsSinceEpoch(), Qt::UTC);
}

QDateTime Clock::currentDateTime()
{
    return QDateTime::fromMSecsSinceEpoch(currentMSecsSinceEpoch(), Qt::LocalTime);
}

qint64 Clock::currentMSecsSinceEpoch()
{
    if (g_fixed.load())
        return g_fixedMSecs.load();
    return QDateTime::currentMSecsSinceEpoch();
}

int Clock::interval(qint64 ms)
{
    if (ms <= 0)
        return 0;
    const double scaled = double(ms) * g_scale.load();
    if (scaled < 1.0)
        return 1;
    if (scaled > double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(scaled);
}

double Clock::timeScale()
{
    return g_scale.load();
}

void Clock::setFixedTime(const QDateTime &now)
{
    g_fixedMSecs.store(now.toMSecsSinceEpoch());
    g_fixed.store(true);
}

void Clock::advance(qint64 ms)
{
    if (!g_fixed.load())
        setFixedTime(QDateTime::currentDateTimeUtc());
    g_fixedMSecs.fetch_add(ms);
}

void Clock::setTimeScale(double scale)
{
    g_scale.store(scale > 0 ? scale : 1.0);
}

void Clock::reset()
{
    g_fixed.store(false);
    g_fixedMSecs.store(0);
    g_scale.store(1.0);
}
