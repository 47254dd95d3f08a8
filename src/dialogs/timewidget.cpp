#include "dialogs/timewidget.h"

#include "core/uisettings.h"

#include <QLineEdit>

TimeWidget::TimeWidget(const QTime &time, QWidget *parent)
    : QComboBox(parent)
{
    const bool format24 = UISettings::instance()->timeFormat24();
    for (int i = 0; i < 24; ++i) {
        const int h = (i + 8) % 24;
        if (format24) {
            const QString hour = QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0'));
            addItem(QStringLiteral("%1:00").arg(hour));
            addItem(QStringLiteral("%1:30").arg(hour));
        } else {
            const int h12 = h % 12 == 0 ? 12 : h % 12;
            const bool pm = h >= 12;
            addItem(QString(pm ? QStringLiteral("%1:00 pm") : QStringLiteral("%1:00 am")).arg(h12));
            addItem(QString(pm ? QStringLiteral("%1:30 pm") : QStringLiteral("%1:30 am")).arg(h12));
        }
    }
    setEditable(true);
    // Room for "12:30 pm", so a typed time never scrolls out of sight.
    setMinimumContentsLength(8);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setInsertPolicy(QComboBox::NoInsert);
    setTime(time);
    connect(lineEdit(), &QLineEdit::editingFinished, this, &TimeWidget::onEditingFinished);
}

void TimeWidget::setTime(const QTime &time)
{
    m_time = time.isNull() ? QTime(0, 0) : time;
    const bool format24 = UISettings::instance()->timeFormat24();
    setEditText(m_time.toString(format24 ? QStringLiteral("hh:mm") : QStringLiteral("h:mm ap")));
}

QTime TimeWidget::parse(const QString &text, bool format24)
{
    const QString trimmed = text.trimmed();
    QTime time = QTime::fromString(trimmed, format24 ? QStringLiteral("hh:mm") : QStringLiteral("h:mm ap"));
    if (!time.isValid())
        time = QTime::fromString(trimmed, format24 ? QStringLiteral("hh.mm") : QStringLiteral("h.mm ap"));
    return time.isValid() ? time : QTime();
}

QDateTime TimeWidget::utcMoment(const QDate &date, const QTime &time, const QDateTime &previous)
{
    if (previous.isValid()) {
        const QDateTime shown = previous.toLocalTime();
        if (shown.date() == date && shown.time() == time)
            return previous.toUTC();
    }
    QDateTime moment(date, time, Qt::LocalTime);
    if (!moment.isValid())
        moment = QDateTime(date, QTime(0, 0), Qt::LocalTime).addMSecs(time.msecsSinceStartOfDay());
    return moment.toUTC();
}

void TimeWidget::onEditingFinished()
{
    setTime(parse(currentText(), UISettings::instance()->timeFormat24()));
}
