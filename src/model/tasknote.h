#ifndef TASKNOTE_H
#define TASKNOTE_H

#include <QDateTime>
#include <QString>

// The note of a task: when it was added and its text.
class TaskNote
{
public:
    TaskNote() = default;
    TaskNote(const QDateTime &addedTime, const QString &text)
        : m_addedTime(addedTime)
        , m_text(text)
    {
    }

    QDateTime addedTime() const { return m_addedTime; }
    void setAddedTime(const QDateTime &time) { m_addedTime = time; }
    QString text() const { return m_text; }
    void setText(const QString &text) { m_text = text; }

    bool isEmpty() const { return m_addedTime.isNull() && m_text.isEmpty(); }

    bool operator==(const TaskNote &other) const
    {
        return m_addedTime == other.m_addedTime && m_text == other.m_text;
    }
    bool operator!=(const TaskNote &other) const { return !(*this == other); }

private:
    QDateTime m_addedTime;
    QString m_text;
};

#endif
