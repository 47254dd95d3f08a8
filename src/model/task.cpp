#include "model/task.h"

#include "core/clock.h"
#include "model/taskattachment.h"
#include "model/taskattachmentvideohyperlink.h"
#include "model/taskattachmentwebhyperlink.h"
#include "core/uisettings.h"
#include "core/serversettings.h"

#include <QDebug>
#include <QLocale>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <iterator>

namespace {

QString currentNick()
{
    return ServerSettings::instance()->userName();
}

} // namespace

Task::Task() = default;

quint64 Task::nextLineage()
{
    static std::atomic<quint64> next{1};
    return next++;
}

Task::~Task()
{
    while (!m_children.isEmpty())
        delete m_children.takeFirst();
    qDeleteAll(m_attachments);
}

int Task::attachmentCount(int type) const
{
    if (type < 0 || type > 2)
        return 0;
    return m_attachmentCounts[type];
}

TaskAttachmentVideoHyperlink *Task::videoHyperlinkAttachment() const
{
    for (TaskAttachment *attachment : m_attachments) {
        if (attachment->type() == TaskAttachment::VideoHyperlink)
            return static_cast<TaskAttachmentVideoHyperlink *>(attachment);
    }
    return nullptr;
}

TaskAttachmentWebHyperlink *Task::webHyperlinkAttachment() const
{
    for (TaskAttachment *attachment : m_attachments) {
        if (attachment->type() == TaskAttachment::WebHyperlink)
            return static_cast<TaskAttachmentWebHyperlink *>(attachment);
    }
    return nullptr;
}

int Task::indexOfChild(const Task *task) const
{
    const int i = int(m_children.indexOf(const_cast<Task *>(task)));
    if (i < 0)
        qWarning() << "Task::indexOfChild couldn't match child";
    return i;
}

int Task::row() const
{
    if (!m_parent)
        return 0;
    return m_parent->indexOfChild(this);
}

int Task::level() const
{
    int level = 0;
    for (const Task *t = m_parent; t; t = t->m_parent)
        ++level;
    return level;
}

int Task::height() const
{
    int below = 0;
    for (const Task *child : m_children)
        below = qMax(below, child->height());
    return below + 1;
}

Task *Task::createRoot()
{
    Task *root = new Task;
    root->m_title = QStringLiteral("[ROOT]");
    return root;
}

Task *Task::createChild(int position)
{
    Task *task = new Task;
    insertNewChild(task, position);
    return task;
}

void Task::insertNewChild(Task *task, int position)
{
    task->stampCreationRecursively(Clock::currentDateTimeUtc());
    insertChild(task, position);
}

void Task::insertChild(Task *task, int position)
{
    m_children.insert(position, task);
    task->m_parent = this;
}

Task *Task::takeChild(Task *task)
{
    m_children.removeOne(task);
    task->m_parent = nullptr;
    return task;
}

void Task::deleteChild(Task *task)
{
    if (m_children.removeOne(task))
        delete task;
}

void Task::deleteChildren()
{
    while (!m_children.isEmpty())
        delete m_children.takeFirst();
}

void Task::removeBlankChildren()
{
    int i = 0;
    while (i < m_children.size()) {
        Task *task = m_children.at(i);
        if (task->isBlankRecursively()) {
            m_children.removeAt(i);
            delete task;
        } else {
            ++i;
        }
    }
}

bool Task::isBlankRecursively() const
{
    if (m_parent && !m_title.isEmpty())
        return false;
    for (const Task *child : m_children) {
        if (!child->isBlankRecursively())
            return false;
    }
    return true;
}

void Task::collectTasks(QSet<Task *> &tasks)
{
    tasks.insert(this);
    for (Task *child : std::as_const(m_children))
        child->collectTasks(tasks);
}

void Task::clearIdsRecursively()
{
    m_id = 0;
    m_revision = 0;
    for (Task *child : std::as_const(m_children))
        child->clearIdsRecursively();
}

bool Task::verifyTree() const
{
    bool ok = true;
    for (const Task *child : m_children) {
        if (child->m_parent != this) {
            qWarning() << "Task::verifyTree - child with a wrong parent under" << m_title;
            ok = false;
        }
        ok = child->verifyTree() && ok;
    }
    return ok;
}

void Task::stampCreationRecursively(const QDateTime &time)
{
    const QString nick = currentNick();
    m_creationTime = time;
    m_modificationTime = time;
    m_createdBy = nick;
    m_lastModifiedBy = nick;
    for (Task *child : std::as_const(m_children))
        child->stampCreationRecursively(time);
}

void Task::touch()
{
    m_modificationTime = Clock::currentDateTimeUtc();
    m_lastModifiedBy = currentNick();
}

bool Task::assign(const QString &nick)
{
    if (m_assignments.contains(nick))
        return false;
    m_assignments.append(nick);
    return true;
}

bool Task::unassign(const QString &nick)
{
    return m_assignments.removeAll(nick) > 0;
}

void Task::addAttachment(TaskAttachment *attachment)
{
    if (!attachment)
        return;
    m_attachments.append(attachment);
    const int type = attachment->type();
    if (type >= 0 && type <= 2)
        ++m_attachmentCounts[type];
}

bool Task::removeAttachment(TaskAttachment *attachment)
{
    if (!m_attachments.removeOne(attachment))
        return false;
    const int type = attachment->type();
    if (type >= 0 && type <= 2)
        --m_attachmentCounts[type];
    delete attachment;
    return true;
}

TaskAttachment *Task::createAttachment(const QString &typeName, const QString &name, const QString &urlText)
{
    TaskAttachment *attachment = TaskAttachment::create(TaskAttachment::typeFromString(typeName), name, QUrl(urlText));
    addAttachment(attachment);
    return attachment;
}

Task *Task::copy() const
{
    return duplicate(false);
}

Task *Task::clone() const
{
    return duplicate(true);
}

QString Task::identity() const
{
    const qint64 seconds = m_creationTime.isValid() ? m_creationTime.toSecsSinceEpoch() : 0;
    return m_createdBy + QLatin1Char('@') + QString::number(seconds);
}

std::weak_ptr<const void> Task::lifetime() const
{
    if (!m_lifetime)
        m_lifetime = std::make_shared<const char>('\0');
    return m_lifetime;
}

void Task::takeFieldsFrom(const Task *other)
{
    if (other == this)
        return;
    m_title = other->m_title;
    m_done = other->m_done;
    m_priority = other->m_priority;
    m_note = other->m_note;
    m_alarmTime = other->m_alarmTime;
    m_creationTime = other->m_creationTime;
    m_modificationTime = other->m_modificationTime;
    m_startTime = other->m_startTime;
    m_dueTime = other->m_dueTime;
    m_lastModifiedBy = other->m_lastModifiedBy;
    m_doneBy = other->m_doneBy;
    m_createdBy = other->m_createdBy;
    m_assignments = other->m_assignments;
    qDeleteAll(m_attachments);
    m_attachments.clear();
    std::fill(std::begin(m_attachmentCounts), std::end(m_attachmentCounts), 0);
    for (const TaskAttachment *attachment : other->m_attachments)
        addAttachment(attachment->clone());
}

Task *Task::duplicate(bool keepServerIds) const
{
    Task *task = new Task;
    task->m_title = m_title;
    task->m_done = m_done;
    task->m_expanded = m_expanded;
    task->m_priority = m_priority;
    task->m_note = m_note;
    task->m_alarmTime = m_alarmTime;
    task->m_creationTime = m_creationTime;
    task->m_modificationTime = m_modificationTime;
    task->m_deletionTime = m_deletionTime;
    task->m_startTime = m_startTime;
    task->m_dueTime = m_dueTime;
    task->m_lastModifiedBy = m_lastModifiedBy;
    task->m_doneBy = m_doneBy;
    task->m_createdBy = m_createdBy;
    task->m_assignments = m_assignments;
    if (keepServerIds) {
        task->m_id = m_id;
        task->m_revision = m_revision;
        task->m_hashcode = m_hashcode;
        task->m_outlookId = m_outlookId;
        task->m_lineage = m_lineage;
    }
    task->m_attachments.reserve(m_attachments.size());
    for (const TaskAttachment *attachment : m_attachments)
        task->addAttachment(attachment->clone());
    task->m_children.reserve(m_children.size());
    for (const Task *child : m_children) {
        Task *childCopy = child->duplicate(keepServerIds);
        childCopy->m_parent = task;
        task->m_children.append(childCopy);
    }
    return task;
}

QString Task::dateTimeText(const QDateTime &localTime)
{
    if (localTime.isNull())
        return QString();
    const QLocale locale;
    return locale.toString(localTime.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + localTime.time().toString(UISettings::instance()->timeFormat24() ? QStringLiteral("hh:mm") : QStringLiteral("h:mm ap"));
}

QString Task::alarmTimeText() const
{
    return dateTimeText(m_alarmTime.toLocalTime());
}

QString Task::creationTimeText() const
{
    return dateTimeText(m_creationTime.toLocalTime());
}

QString Task::modificationTimeText() const
{
    return dateTimeText(m_modificationTime.toLocalTime());
}

QString Task::startTimeText() const
{
    return dateTimeText(m_startTime.toLocalTime());
}

QString Task::dueTimeText() const
{
    return dateTimeText(m_dueTime.toLocalTime());
}
