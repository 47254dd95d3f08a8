#include "dialogs/alarmdialog.h"

#include "core/clock.h"
#include "dialogs/datewidget.h"
#include "dialogs/timewidget.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

AlarmDialog::AlarmDialog(QDateTime *alarm, QWidget *parent)
    : CustomDialog(QString(), false, false, parent)
    , m_contentLayout(new QVBoxLayout)
    , m_alarm(alarm)
{
    setContentLayout(m_contentLayout);
    setTitleIcon(QStringLiteral(":/red-clock.png"));
    QVBoxLayout *section = createSection(m_contentLayout, tr("Alarm"));
    const QDateTime local = alarm->isNull() ? QDateTime() : alarm->toLocalTime();
    m_dateWidget = new DateWidget(alarm->isNull() ? Clock::currentDateTime().date() : local.date());
    m_dateWidget->setObjectName(QStringLiteral("datewidget"));
    m_dateWidget->setAccessibleName(tr("Alarm date"));
    m_timeWidget = new TimeWidget(local.time());
    m_timeWidget->setObjectName(QStringLiteral("timewidget"));
    m_timeWidget->setAccessibleName(tr("Alarm time"));
    auto *row = new QHBoxLayout;
    row->addWidget(m_dateWidget);
    row->addWidget(m_timeWidget);
    section->addLayout(row);
    setCenterOnParent(true);
}

void AlarmDialog::setupButtons(bool editable)
{
    setTitle(title());
    if (QPushButton *button = addValueButtons(editable, hasValue()))
        connect(button, &QPushButton::clicked, this, &AlarmDialog::onDeleteClicked);
}

bool AlarmDialog::hasValue() const
{
    return !m_alarm->isNull();
}

QString AlarmDialog::title() const
{
    return m_alarm->isNull() ? tr("Add alarm") : tr("Alarm");
}

void AlarmDialog::deleteValue()
{
    *m_alarm = QDateTime();
    QDialog::accept();
}

void AlarmDialog::onDeleteClicked()
{
    deleteValue();
}

void AlarmDialog::accept()
{
    const QDate date = m_dateWidget->date();
    const QTime time = m_timeWidget->time();
    if (date.isValid() && time.isValid()) {
        const QDateTime entered = TimeWidget::utcMoment(date, time, *m_alarm);
        // Moments, not representations: an unchanged moment keeps the
        // caller's value as it was.
        if (m_alarm->isNull() || entered != *m_alarm)
            *m_alarm = entered;
    }
    QDialog::accept();
}
