#ifndef ALARMSOCCURREDDIALOG_H
#define ALARMSOCCURREDDIALOG_H

#include "model/alarmoccurrence.h"
#include "shell/customdialog.h"

class QTableWidget;

// The reminder window: one row per alarm that fell due since it was last
// closed. Closing it empties the table.
class AlarmsOccurredDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit AlarmsOccurredDialog(QWidget *parent = nullptr);

    QTableWidget *table() const { return m_table; }

public slots:
    void addAlarms(const AlarmOccurrenceSet &alarms);
    void done(int result) override;

private:
    QTableWidget *m_table;
};

#endif
