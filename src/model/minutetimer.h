#ifndef MINUTETIMER_H
#define MINUTETIMER_H

#include <QDateTime>
#include <QObject>

class QTimer;

// Ticks about 3 s after every whole minute (UTC) and reports the window
// (last, current] of whole minutes that passed since the previous tick. The
// window, not a "fired" mark, decides which alarms are due.
class MinuteTimer : public QObject
{
    Q_OBJECT
public:
    explicit MinuteTimer(QObject *parent = nullptr);

    void start(const QDateTime &time);
    void scheduleNext(const QDateTime &time);

    static QDateTime truncateToMinute(const QDateTime &time);

    QDateTime last() const { return m_last; }
    // Milliseconds until the armed shot, -1 when none is armed.
    int remainingTime() const;

signals:
    void timeout(QDateTime last, QDateTime current);

private slots:
    void onTimeout();

private:
    QDateTime m_last;
    QTimer *m_timer;
};

#endif
