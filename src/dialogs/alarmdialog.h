#ifndef ALARMDIALOG_H
#define ALARMDIALOG_H

#include "shell/customdialog.h"

#include <QDateTime>

class DateWidget;
class QVBoxLayout;
class TimeWidget;

// Edits one task's alarm: the caller's value (UTC, null when none) is shown
// in local time and written back only by Save (when the moment changed) or
// Delete (null).
class AlarmDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit AlarmDialog(QDateTime *alarm, QWidget *parent = nullptr);

    void setupButtons(bool editable);
    virtual void deleteValue();
    virtual bool hasValue() const;
    virtual QString title() const;

    DateWidget *dateWidget() const { return m_dateWidget; }
    TimeWidget *timeWidget() const { return m_timeWidget; }

public slots:
    void accept() override;
    void onDeleteClicked();

private:
    QVBoxLayout *m_contentLayout;
    QDateTime *m_alarm;
    DateWidget *m_dateWidget;
    TimeWidget *m_timeWidget;
};

#endif
