#ifndef ALARMOCCURRENCE_H
#define ALARMOCCURRENCE_H

#include <QHash>
#include <QMetaType>
#include <QSet>

class ListModel;
class Task;

// One due alarm: the task and the model of the list that holds it.
class AlarmOccurrence
{
public:
    AlarmOccurrence(ListModel *list = nullptr, Task *task = nullptr)
        : m_list(list)
        , m_task(task)
    {
    }

    ListModel *listModel() const { return m_list; }
    Task *task() const { return m_task; }

    bool operator==(const AlarmOccurrence &other) const
    {
        return m_list == other.m_list && m_task == other.m_task;
    }
    bool operator!=(const AlarmOccurrence &other) const { return !(*this == other); }

private:
    ListModel *m_list;
    Task *m_task;
};

inline size_t qHash(const AlarmOccurrence &occurrence, size_t seed = 0)
{
    return qHash(occurrence.task(), seed);
}

// The alarms that came due in one minute tick.
using AlarmOccurrenceSet = QSet<AlarmOccurrence>;

Q_DECLARE_METATYPE(AlarmOccurrence)
Q_DECLARE_METATYPE(AlarmOccurrenceSet)

#endif
