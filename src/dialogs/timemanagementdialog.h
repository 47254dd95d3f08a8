#ifndef TIMEMANAGEMENTDIALOG_H
#define TIMEMANAGEMENTDIALOG_H

#include "shell/customdialog.h"

#include <QDateTime>

class DateWidget;
class QCheckBox;
class QLabel;
class TimeWidget;

// "Calendar": a task's start, end and alarm together. The caller owns the
// three values (UTC, null when unset); they are shown in local time and
// written back in UTC only by Save or Delete.
class TimeManagementDialog : public CustomDialog
{
    Q_OBJECT
public:
    TimeManagementDialog(QDateTime *start, QDateTime *end, QDateTime *alarm, QWidget *parent = nullptr);

    void setupButtons(bool writable);
    bool validate(const QDateTime &start, const QDateTime &end);
    void setErrorText(const QString &text);
    bool hasValue() const;

    DateWidget *startDateWidget() const { return m_startDate; }
    DateWidget *endDateWidget() const { return m_endDate; }
    TimeWidget *startTimeWidget() const { return m_startTime; }
    TimeWidget *endTimeWidget() const { return m_endTime; }
    DateWidget *alarmDateWidget() const { return m_alarmDate; }
    TimeWidget *alarmTimeWidget() const { return m_alarmTime; }
    QLabel *errorLabel() const { return m_errorLabel; }
    QCheckBox *alarmCheckBox() const { return m_alarmCheckBox; }

public slots:
    void accept() override;
    void onDeleteClicked();

private slots:
    void alarmCheckStateChanged(int state);

private:
    DateWidget *m_startDate;
    DateWidget *m_endDate;
    TimeWidget *m_startTime;
    TimeWidget *m_endTime;
    DateWidget *m_alarmDate;
    TimeWidget *m_alarmTime;
    QDateTime *m_start;
    QDateTime *m_end;
    QDateTime *m_alarm;
    QDateTime m_shownStart;
    QDateTime m_shownEnd;
    QDateTime m_shownAlarm;
    QLabel *m_errorLabel;
    QCheckBox *m_alarmCheckBox;
};

#endif
