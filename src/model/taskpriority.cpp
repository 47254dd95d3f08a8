#include "model/taskpriority.h"

#include <QDebug>

QString TaskPriority::toString() const
{
    switch (m_value) {
    case None:
        return QStringLiteral("none");
    case Reminder:
        return QStringLiteral("reminder");
    case Urgent:
        return QStringLiteral("urgent");
    default:
        return QString();
    }
}

TaskPriority TaskPriority::fromString(QStringView text)
{
    if (text == u"none")
        return TaskPriority(None);
    if (text == u"reminder")
        return TaskPriority(Reminder);
    if (text == u"urgent")
        return TaskPriority(Urgent);
    qWarning().noquote() << "could not parse TaskPriority from" << text;
    return TaskPriority(None);
}
