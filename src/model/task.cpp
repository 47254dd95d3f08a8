#include "model/task.h"

#include "core/clock.h"
#include "model/taskattachment.h"
#include "model/taskattachmentvideohyperlink.h"
#include "model/taskattachmentwebhyperlink.h"
#include "core/uisettings.h"
#include "core/serversettings.h"

#include <QDebug>
#include <QLocale>
#include <QRandomGenerator>
#include <QUrl>

#include <algorithm>
#include <iterator>

namespace {

QString currentNick()
{
    return ServerSettings::instance()->userName();
}

} // namespace

Task::Task()
    : d(new TaskFields)
{
}

quint64 Task::nextLineage()
{
    quint64 lineage = 0;
    while (!isLineage(lineage))
        lineage = QRandomGenerator::global()->generate64() >> 1;
    return lineage;
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
    root->d->title = QStringLiteral("[ROOT]");
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
        if (task->isUntypedRecursively()) {
            m_children.removeAt(i);
            delete task;
        } else {
            ++i;
        }
    }
}

bool Task::holdsAnythingSet() const
{
    return !d->title.isEmpty() || d->done || d->priority != TaskPriority::None || !d->note.isEmpty()
        || !d->alarmTime.isNull() || !d->startTime.isNull() || !d->dueTime.isNull() || !d->assignments.isEmpty()
        || !m_attachments.isEmpty();
}

bool Task::isBlankRecursively() const
{
    if (m_parent && holdsAnythingSet())
        return false;
    for (const Task *child : m_children) {
        if (!child->isBlankRecursively())
            return false;
    }
    return true;
}

bool Task::isUntypedRecursively() const
{
    if (m_parent && (id() != 0 || holdsAnythingSet()))
        return false;
    return std::all_of(m_children.cbegin(), m_children.cend(),
                       [](const Task *child) { return child->isUntypedRecursively(); });
}

void Task::collectTasks(QSet<Task *> &tasks)
{
    tasks.insert(this);
    for (Task *child : std::as_const(m_children))
        child->collectTasks(tasks);
}

void Task::clearIdsRecursively()
{
    if (std::as_const(d)->id != 0 || std::as_const(d)->revision != 0) {
        d->id = 0;
        d->revision = 0;
    }
    for (Task *child : std::as_const(m_children))
        child->clearIdsRecursively();
}

bool Task::verifyTree() const
{
    bool ok = true;
    for (const Task *child : m_children) {
        if (child->m_parent != this) {
            qWarning() << "Task::verifyTree - child with a wrong parent under" << d->title;
            ok = false;
        }
        ok = child->verifyTree() && ok;
    }
    return ok;
}

void Task::stampCreationRecursively(const QDateTime &time)
{
    const QString nick = currentNick();
    d->creationTime = time;
    d->modificationTime = time;
    d->createdBy = nick;
    d->lastModifiedBy = nick;
    for (Task *child : std::as_const(m_children))
        child->stampCreationRecursively(time);
}

void Task::touch()
{
    d->modificationTime = Clock::currentDateTimeUtc();
    d->lastModifiedBy = currentNick();
}

bool Task::assign(const QString &nick)
{
    if (std::as_const(d)->assignments.contains(nick))
        return false;
    d->assignments.append(nick);
    return true;
}

bool Task::unassign(const QString &nick)
{
    if (!std::as_const(d)->assignments.contains(nick))
        return false;
    return d->assignments.removeAll(nick) > 0;
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
    return duplicate(Duplicate::Copy);
}

Task *Task::clone() const
{
    return duplicate(Duplicate::Clone);
}

Task *Task::movedCopy() const
{
    return duplicate(Duplicate::Moved);
}

void Task::markLeftByMove()
{
    m_leftByMove = true;
    for (Task *child : std::as_const(m_children))
        child->markLeftByMove();
}

QString Task::identity() const
{
    const qint64 seconds = d->creationTime.isValid() ? d->creationTime.toSecsSinceEpoch() : 0;
    return d->createdBy + QLatin1Char('@') + QString::number(seconds);
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
    d->title = other->d->title;
    d->done = other->d->done;
    d->priority = other->d->priority;
    d->note = other->d->note;
    d->alarmTime = other->d->alarmTime;
    d->creationTime = other->d->creationTime;
    d->modificationTime = other->d->modificationTime;
    d->startTime = other->d->startTime;
    d->dueTime = other->d->dueTime;
    d->lastModifiedBy = other->d->lastModifiedBy;
    d->doneBy = other->d->doneBy;
    d->createdBy = other->d->createdBy;
    d->assignments = other->d->assignments;
    qDeleteAll(m_attachments);
    m_attachments.clear();
    std::fill(std::begin(m_attachmentCounts), std::end(m_attachmentCounts), 0);
    for (const TaskAttachment *attachment : other->m_attachments)
        addAttachment(attachment->clone());
}

Task *Task::duplicate(Duplicate kind) const
{
    Task *task = new Task(d);
    if (kind != Duplicate::Copy)
        task->m_lineage = m_lineage;
    if (kind == Duplicate::Clone) {
        task->m_leftByMove = m_leftByMove;
    } else {
        task->d->id = 0;
        task->d->revision = 0;
        task->d->hashcode = QString();
        task->d->outlookId = QString();
    }
    task->m_attachments.reserve(m_attachments.size());
    for (const TaskAttachment *attachment : m_attachments)
        task->addAttachment(attachment->clone());
    task->m_children.reserve(m_children.size());
    for (const Task *child : m_children) {
        Task *childCopy = child->duplicate(kind);
        childCopy->m_parent = task;
        task->m_children.append(childCopy);
    }
    return task;
}

Task::Task(const Fields &fields)
    : d(fields)
{
}

Task *Task::withFields(const Fields &fields)
{
    return new Task(fields);
}

bool Task::sharesContentWith(const Task *other) const
{
    if (d != other->d || m_attachments.size() != other->m_attachments.size())
        return false;
    for (qsizetype i = 0; i < m_attachments.size(); ++i) {
        const TaskAttachment *a = m_attachments.at(i);
        const TaskAttachment *b = other->m_attachments.at(i);
        if (a->type() != b->type() || a->name() != b->name() || a->url() != b->url()
            || a->description() != b->description() || a->additionalData() != b->additionalData()
            || a->hasDescription() != b->hasDescription() || a->hasAdditionalData() != b->hasAdditionalData())
            return false;
    }
    return true;
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
    return dateTimeText(d->alarmTime.toLocalTime());
}

QString Task::creationTimeText() const
{
    return dateTimeText(d->creationTime.toLocalTime());
}

QString Task::modificationTimeText() const
{
    return dateTimeText(d->modificationTime.toLocalTime());
}

QString Task::startTimeText() const
{
    return dateTimeText(d->startTime.toLocalTime());
}

QString Task::dueTimeText() const
{
    return dateTimeText(d->dueTime.toLocalTime());
}
