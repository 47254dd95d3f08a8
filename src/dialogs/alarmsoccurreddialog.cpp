#include "dialogs/alarmsoccurreddialog.h"

#include "model/listmodel.h"
#include "model/task.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

AlarmsOccurredDialog::AlarmsOccurredDialog(QWidget *parent)
    : CustomDialog(QString(), true, false, parent)
{
    setTitleIcon(QStringLiteral(":/red-clock.png"));
    setOkButtonText(tr("Ok"));
    m_table = new QTableWidget(0, 3);
    m_table->setObjectName(QStringLiteral("table"));
    m_table->setAccessibleName(tr("Alarms"));
    m_table->setHorizontalHeaderLabels({tr("list"), tr("task"), tr("time")});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *layout = new QVBoxLayout;
    layout->addWidget(m_table);
    setContentLayout(layout);
}

void AlarmsOccurredDialog::addAlarms(const AlarmOccurrenceSet &alarms)
{
    const int first = m_table->rowCount();
    const int total = first + int(alarms.size());
    m_table->setRowCount(total);
    int row = first;
    const QLocale locale;
    for (const AlarmOccurrence &alarm : alarms) {
        const QString list = alarm.listModel() ? alarm.listModel()->name() : QString();
        QString title;
        QString time;
        if (Task *task = alarm.task()) {
            title = task->title();
            const QDateTime local = task->alarmTime().toLocalTime();
            // The same text as everywhere else, by the 24-hour setting.
            time = Task::dateTimeText(local);
        }
        m_table->setItem(row, 0, new QTableWidgetItem(list));
        m_table->setItem(row, 1, new QTableWidgetItem(title));
        m_table->setItem(row, 2, new QTableWidgetItem(time));
        ++row;
    }
    setTitle(total == 1 ? tr("Alarm") : tr("%n alarms", nullptr, total));
    show();
    raise();
    activateWindow();
}

void AlarmsOccurredDialog::done(int result)
{
    m_table->clearContents();
    m_table->setRowCount(0);
    QDialog::done(result);
}
