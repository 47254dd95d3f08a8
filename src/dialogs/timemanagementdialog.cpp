#include "dialogs/timemanagementdialog.h"

#include "dialogs/datewidget.h"
#include "dialogs/timewidget.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *standardLabel(const QString &text)
{
    auto *label = new QLabel(text);
    label->setObjectName(QStringLiteral("standarLabel"));
    return label;
}

QDateTime utcMoment(const DateWidget *date, const TimeWidget *time, const QDateTime &shown)
{
    return TimeWidget::utcMoment(date->date(), time->time(), shown);
}

} // namespace

TimeManagementDialog::TimeManagementDialog(QDateTime *start, QDateTime *end, QDateTime *alarm, QWidget *parent)
    : CustomDialog(tr("Calendar"), false, false, parent)
    , m_start(start)
    , m_end(end)
    , m_alarm(alarm)
    , m_shownStart(*start)
    , m_shownEnd(*end)
    , m_shownAlarm(alarm->isNull() ? *start : *alarm)
{
    setTitleIcon(QStringLiteral(":/calendar.png"));
    const QDateTime localStart = start->toLocalTime();
    const QDateTime localEnd = end->toLocalTime();
    const bool hasAlarm = !alarm->isNull();
    const QDateTime localAlarm = hasAlarm ? alarm->toLocalTime() : localStart;

    m_startDate = new DateWidget(localStart.date());
    m_startDate->setObjectName(QStringLiteral("startdatewidget"));
    m_startDate->setAccessibleName(tr("Start date"));
    m_endDate = new DateWidget(localEnd.date());
    m_endDate->setObjectName(QStringLiteral("enddatewidget"));
    m_endDate->setAccessibleName(tr("End date"));
    m_startTime = new TimeWidget(localStart.time());
    m_startTime->setObjectName(QStringLiteral("starttimewidget"));
    m_startTime->setAccessibleName(tr("Start time"));
    m_endTime = new TimeWidget(localEnd.time());
    m_endTime->setObjectName(QStringLiteral("endtimewidget"));
    m_endTime->setAccessibleName(tr("End time"));
    m_alarmDate = new DateWidget(localAlarm.date());
    m_alarmDate->setObjectName(QStringLiteral("alarmdatewidget"));
    m_alarmDate->setAccessibleName(tr("Alarm date"));
    m_alarmTime = new TimeWidget(localAlarm.time());
    m_alarmTime->setObjectName(QStringLiteral("alarmtimewidget"));
    m_alarmTime->setAccessibleName(tr("Alarm time"));
    m_errorLabel = new QLabel;
    m_errorLabel->setObjectName(QStringLiteral("errorLabel"));
    m_alarmCheckBox = new QCheckBox;
    m_alarmCheckBox->setObjectName(QStringLiteral("setAlarmCheckBox"));
    m_alarmCheckBox->setAccessibleName(tr("alarm"));

    auto *content = new QVBoxLayout;
    QVBoxLayout *calendar = createSection(content, tr("Calendar"));
    auto *startRow = new QHBoxLayout;
    startRow->addWidget(standardLabel(tr("Start time:")));
    startRow->addStretch();
    startRow->addWidget(m_startDate);
    startRow->addWidget(m_startTime);
    calendar->addLayout(startRow);
    auto *endRow = new QHBoxLayout;
    endRow->addWidget(standardLabel(tr("End time: ")));
    endRow->addStretch();
    endRow->addWidget(m_endDate);
    endRow->addWidget(m_endTime);
    calendar->addLayout(endRow);
    calendar->addWidget(m_errorLabel);

    QVBoxLayout *alarmSection = createSection(content, tr("Alarm"));
    auto *alarmRow = new QHBoxLayout;
    alarmRow->addWidget(standardLabel(tr("Alarm: ")));
    alarmRow->addStretch();
    alarmRow->addWidget(m_alarmDate);
    alarmRow->addWidget(m_alarmTime);
    alarmSection->addLayout(alarmRow);
    auto *checkRow = new QHBoxLayout;
    checkRow->addStretch();
    checkRow->addWidget(standardLabel(tr("alarm")));
    checkRow->addWidget(m_alarmCheckBox);
    alarmSection->addLayout(checkRow);
    setContentLayout(content);

    m_alarmCheckBox->setChecked(hasAlarm);
    m_alarmDate->setEnabled(hasAlarm);
    m_alarmTime->setEnabled(hasAlarm);
    connect(m_alarmCheckBox, &QCheckBox::stateChanged, this, &TimeManagementDialog::alarmCheckStateChanged);
    setCenterOnParent(true);
}

void TimeManagementDialog::setupButtons(bool writable)
{
    if (QPushButton *button = addValueButtons(writable, hasValue()))
        connect(button, &QPushButton::clicked, this, &TimeManagementDialog::onDeleteClicked);
}

bool TimeManagementDialog::hasValue() const
{
    return !m_start->isNull();
}

bool TimeManagementDialog::validate(const QDateTime &start, const QDateTime &end)
{
    if (start < end)
        return true;
    setErrorText(tr("End time should be later than start time."));
    return false;
}

void TimeManagementDialog::setErrorText(const QString &text)
{
    m_errorLabel->setText(text);
    repaint();
}

void TimeManagementDialog::alarmCheckStateChanged(int state)
{
    if (state != 0) {
        m_alarmDate->setDate(m_startDate->date());
        m_alarmTime->setTime(m_startTime->time());
    }
    m_alarmDate->setEnabled(state != 0);
    m_alarmTime->setEnabled(state != 0);
}

void TimeManagementDialog::accept()
{
    const QDateTime start = utcMoment(m_startDate, m_startTime, m_shownStart);
    const QDateTime end = utcMoment(m_endDate, m_endTime, m_shownEnd);
    if (!validate(start, end))
        return;
    *m_start = start;
    *m_end = end;
    *m_alarm = m_alarmCheckBox->isChecked() ? utcMoment(m_alarmDate, m_alarmTime, m_shownAlarm) : QDateTime();
    QDialog::accept();
}

void TimeManagementDialog::onDeleteClicked()
{
    *m_start = QDateTime();
    *m_end = QDateTime();
    *m_alarm = QDateTime();
    QDialog::accept();
}
