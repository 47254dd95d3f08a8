#ifndef TASKPRIORITY_H
#define TASKPRIORITY_H

#include <QString>

class TaskPriority
{
public:
    enum Value {
        None = 0,
        Reminder = 1,
        Urgent = 2
    };

    TaskPriority(int value = None)
        : m_value(value)
    {
    }

    int value() const { return m_value; }

    // "none", "reminder", "urgent"; an empty string for any other value.
    QString toString() const;
    // Exact, case-sensitive; anything else warns and gives none.
    static TaskPriority fromString(QStringView text);

    bool operator==(const TaskPriority &other) const { return m_value == other.m_value; }
    bool operator!=(const TaskPriority &other) const { return m_value != other.m_value; }

private:
    int m_value;
};

#endif
