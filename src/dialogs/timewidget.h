#ifndef TIMEWIDGET_H
#define TIMEWIDGET_H

#include <QComboBox>
#include <QDateTime>

// An editable box of the day's half hours (from 08:00) that also takes typed
// times, "hh:mm" or "hh.mm" (or "h:mm ap" in the 12-hour form). Text that is
// no time becomes 00:00. The time format is read at every use.
class TimeWidget : public QComboBox
{
    Q_OBJECT
public:
    explicit TimeWidget(const QTime &time, QWidget *parent = nullptr);

    QTime time() const { return m_time; }
    void setTime(const QTime &time);

    static QTime parse(const QString &text, bool format24);
    // The UTC moment of a local date and time. When they show `previous`
    // unchanged, `previous` itself: in the hour the clocks go back one local
    // time names two moments. A time the clocks skip counts from midnight.
    static QDateTime utcMoment(const QDate &date, const QTime &time, const QDateTime &previous = QDateTime());

private slots:
    void onEditingFinished();

private:
    QTime m_time;
};

#endif
