#include "model/tasklist.h"

#include "core/clock.h"
#include "model/task.h"
#include "model/tasklistimage.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMultiHash>

#include <algorithm>

namespace {

void countTasks(const Task *task, int &total, int &done, int &notDone)
{
    if (task->title().isEmpty())
        return;
    ++total;
    if (task->isDone())
        ++done;
    else
        ++notDone;
    for (const Task *child : task->children())
        countTasks(child, total, done, notDone);
}

} // namespace

TaskList::TaskList()
    : m_name(defaultName())
    , m_rootTask(Task::createRoot())
    , m_owner(defaultName())
    , m_permissions(QStringLiteral("orwd"))
{
}

TaskList::~TaskList()
{
    delete m_rootTask;
    qDeleteAll(m_removedTasks);
}

QString TaskList::defaultName()
{
    return QCoreApplication::translate("TaskList", "list", "default list name");
}

TaskList *TaskList::create()
{
    return new TaskList;
}

TaskList *TaskList::createNew()
{
    TaskList *list = new TaskList;
    list->m_rootTask->createChild(0);
    return list;
}

quint32 TaskList::revision() const
{
    return m_syncStatus == New ? 0 : m_revision;
}

quint32 TaskList::serverId() const
{
    return m_syncStatus == New ? 0 : m_serverId;
}

void TaskList::setServerId(quint32 id)
{
    if (id != 0 && m_serverId != 0 && id != m_serverId)
        qWarning() << "setting server id when we have one already";
    m_serverId = id;
}

void TaskList::setLocalId(quint32 id)
{
    if (id != 0 && m_localId != 0 && id != m_localId)
        qWarning() << "setting local id when we have one already";
    m_localId = id;
}

void TaskList::setRemovedTasks(const QList<Task *> &tasks)
{
    for (Task *task : std::as_const(m_removedTasks)) {
        if (!tasks.contains(task))
            delete task;
    }
    m_removedTasks = tasks;
}

void TaskList::markEdited()
{
    if (m_syncStatus == Unedited)
        m_syncStatus = Edited;
}

bool TaskList::canDelete() const
{
    return m_permissions.contains(QLatin1Char('d'));
}

bool TaskList::canWrite() const
{
    return m_permissions.contains(QLatin1Char('w'));
}

void TaskList::removeTask(Task *task)
{
    while (task->childCount() > 0)
        removeTask(task->child(0));
    if (Task *parent = task->parent())
        parent->takeChild(task);
    if (task->id() != 0)
        recordRemovedTask(task);
    else
        delete task;
}

void TaskList::recordRemovedTask(Task *task)
{
    task->setDeletionTime(Clock::currentDateTimeUtc());
    m_removedTasks.append(task);
}

void TaskList::resetToNew()
{
    m_syncStatus = New;
    m_serverId = 0;
    m_revision = 0;
    m_pendingUpload.clear();
    m_agreed.reset();
    m_agreedImage.reset();
    m_rootTask->clearIdsRecursively();
    // The removed tasks name ids of the account the list came from; they
    // mean nothing to the server the list goes to next.
    qDeleteAll(m_removedTasks);
    m_removedTasks.clear();
}

void TaskList::clearTasks()
{
    m_rootTask->deleteChildren();
}

bool TaskList::hasNoTitledTask() const
{
    return m_rootTask->isBlankRecursively();
}

bool TaskList::isUntouchedDefault() const
{
    return m_syncStatus == New && m_pendingUpload.isEmpty() && hasNoTitledTask() && m_name == defaultName();
}

QSet<Task *> TaskList::allTasks() const
{
    QSet<Task *> tasks;
    for (Task *task : m_rootTask->children())
        task->collectTasks(tasks);
    return tasks;
}

void TaskList::recordMovedTask(const Task *taken, const TaskList *into, Task *copy)
{
    // The copy is that task, moved: this computer knows it by its lineage.
    copy->setLineage(taken->lineage());
    m_movedTasks.insert(taken->lineage(), {into, copy, copy->lifetime()});
}

void TaskList::keepMovedTasksOf(const TaskList &replaced)
{
    for (auto it = replaced.m_movedTasks.cbegin(); it != replaced.m_movedTasks.cend(); ++it)
        if (!m_movedTasks.contains(it.key()))
            m_movedTasks.insert(it.key(), it.value());
}

Task *TaskList::movedTask(quint64 lineage, const TaskList **into) const
{
    const auto it = m_movedTasks.constFind(lineage);
    if (it == m_movedTasks.cend() || it->lifetime.expired())
        return nullptr;
    if (into)
        *into = it->into;
    return it->copy;
}

void TaskList::taskStatistics(int &total, int &done, int &notDone, int &donePercent, int &notDonePercent) const
{
    total = 0;
    done = 0;
    notDone = 0;
    donePercent = 0;
    notDonePercent = 0;
    for (const Task *task : m_rootTask->children())
        countTasks(task, total, done, notDone);
    if (done != 0)
        donePercent = done * 100 / total;
    if (notDone != 0)
        notDonePercent = notDone * 100 / total;
}

TaskList *TaskList::clone() const
{
    TaskList *list = new TaskList;
    delete list->m_rootTask;
    list->m_rootTask = m_rootTask->clone();
    list->m_syncStatus = m_syncStatus;
    list->m_revision = m_revision;
    list->m_serverId = m_serverId;
    list->m_localId = m_localId;
    list->m_name = m_name;
    list->m_outlookId = m_outlookId;
    list->m_owner = m_owner;
    list->m_owned = m_owned;
    list->m_permissions = m_permissions;
    list->m_done = m_done;
    list->m_description = m_description;
    list->m_pendingUpload = m_pendingUpload;
    list->m_untoldKept = m_untoldKept;
    list->m_untoldKeptAs = m_untoldKeptAs;
    list->m_untoldKeptTasks = m_untoldKeptTasks;
    list->m_removedTasks.reserve(m_removedTasks.size());
    for (const Task *task : m_removedTasks)
        list->m_removedTasks.append(task->clone());
    list->m_agreed = m_agreed;
    list->m_agreedImage = m_agreedImage;
    return list;
}

void TaskList::swapContent(TaskList &other)
{
    std::swap(m_syncStatus, other.m_syncStatus);
    std::swap(m_revision, other.m_revision);
    std::swap(m_serverId, other.m_serverId);
    std::swap(m_localId, other.m_localId);
    std::swap(m_name, other.m_name);
    std::swap(m_outlookId, other.m_outlookId);
    std::swap(m_rootTask, other.m_rootTask);
    std::swap(m_owner, other.m_owner);
    std::swap(m_owned, other.m_owned);
    std::swap(m_permissions, other.m_permissions);
    std::swap(m_done, other.m_done);
    std::swap(m_description, other.m_description);
    std::swap(m_pendingUpload, other.m_pendingUpload);
    std::swap(m_removedTasks, other.m_removedTasks);
    std::swap(m_movedTasks, other.m_movedTasks);
    std::swap(m_agreed, other.m_agreed);
    std::swap(m_agreedImage, other.m_agreedImage);
}

const TaskList *TaskList::agreed() const
{
    if (m_agreed)
        return m_agreed.get();
    return m_agreedImage ? m_agreedImage->list().get() : nullptr;
}

std::shared_ptr<const TaskList> TaskList::sharedAgreed() const
{
    if (m_agreed)
        return m_agreed;
    return m_agreedImage ? m_agreedImage->list() : nullptr;
}

void TaskList::setAgreed(std::shared_ptr<const TaskList> agreed)
{
    m_agreed = std::move(agreed);
    m_agreedImage.reset();
}

void TaskList::setAgreed(TaskList *list)
{
    if (list) {
        list->m_agreed.reset();
        list->m_agreedImage.reset();
        list->m_pendingUpload.clear();
        // A task both name is one task, known here by its lineage.
        const QHash<quint32, Task *> here = tasksById();
        list->m_rootTask->forEachBelow([&here](Task *task) {
            if (const Task *same = here.value(task->id()))
                task->setLineage(same->lineage());
        });
    }
    m_agreed.reset(list);
    m_agreedImage.reset();
}

void TaskList::agreeAsIs()
{
    m_agreedImage = std::make_shared<const TaskListImage>(*this);
    m_agreed.reset();
}

std::shared_ptr<const TaskListImage> TaskList::agreedImage() const
{
    if (m_agreedImage)
        return m_agreedImage;
    return m_agreed ? std::make_shared<const TaskListImage>(*m_agreed) : nullptr;
}

void TaskList::setAgreedImage(std::shared_ptr<const TaskListImage> image)
{
    m_agreedImage = std::move(image);
    m_agreed.reset();
}

namespace {

// One task seen twice, the later no older: one identity, and one hash code
// for one revision.
bool sameTaskLater(const Task *earlier, const Task *later)
{
    if (earlier->identity() != later->identity() || earlier->revision() > later->revision())
        return false;
    return earlier->revision() != later->revision() || earlier->hashcode() == later->hashcode();
}

} // namespace

bool TaskList::fitsAgreed(const TaskList *agreed) const
{
    if (!agreed || agreed->serverId() != serverId() || agreed->revision() != revision())
        return false;
    const QHash<quint32, Task *> here = tasksById();
    QSet<quint32> seen;
    bool fits = true;
    agreed->m_rootTask->forEachBelow([&](const Task *task) {
        if (!fits || task->id() == 0)
            return;
        if (seen.contains(task->id())) {
            fits = false;
            return;
        }
        seen.insert(task->id());
        // Here, a task may be older than agreed (undo across a run), never newer.
        if (const Task *mine = here.value(task->id()))
            fits = sameTaskLater(mine, task);
    });
    // A task here under an id the server gave was there when they agreed.
    return fits && std::all_of(here.keyBegin(), here.keyEnd(), [&seen](quint32 id) { return seen.contains(id); });
}

bool TaskList::grewFrom(const TaskList *agreed, const TaskList *theirs)
{
    if (!agreed || !theirs || agreed->revision() > theirs->revision())
        return false;
    const QHash<quint32, Task *> there = theirs->tasksById();
    bool fits = true;
    agreed->m_rootTask->forEachBelow([&](const Task *task) {
        if (fits && task->id() != 0)
            if (const Task *now = there.value(task->id()))
                fits = sameTaskLater(task, now);
    });
    return fits;
}

QHash<quint32, Task *> TaskList::tasksById() const
{
    QHash<quint32, Task *> out;
    m_rootTask->forEachBelow([&out](Task *task) {
        if (task->id() != 0)
            out.insert(task->id(), task);
    });
    return out;
}

namespace {

void clearServerFields(Task *task)
{
    task->setId(0);
    task->setRevision(0);
    task->setHashcode(QString());
}

} // namespace

// Only a list that knows what it agreed with the server can tell another
// list's ids from its own: an older file's lists keep theirs.
void TaskList::forgetIdsUnknownTo(const TaskList *current)
{
    if (!current->hasAgreed() && current->m_syncStatus != New)
        return;
    QSet<quint32> known;
    const auto learn = [&known](Task *task) {
        if (task->id() != 0)
            known.insert(task->id());
    };
    // Read from the image, so that an undo does not make the copy whole.
    if (const TaskListImage *agreed = current->m_agreedImage.get()) {
        for (int i = 1; i < agreed->taskCount(); ++i) {
            if (agreed->taskId(i) != 0)
                known.insert(agreed->taskId(i));
        }
    } else if (current->m_agreed) {
        current->m_agreed->m_rootTask->forEachBelow(learn);
    }
    current->m_rootTask->forEachBelow(learn);
    for (Task *removed : current->m_removedTasks)
        learn(removed);
    m_rootTask->forEachBelow([&known](Task *task) {
        if (task->id() != 0 && !known.contains(task->id()))
            clearServerFields(task);
    });
    for (auto it = m_removedTasks.begin(); it != m_removedTasks.end();) {
        if (known.contains((*it)->id())) {
            ++it;
        } else {
            delete *it;
            it = m_removedTasks.erase(it);
        }
    }
}

void TaskList::takeSyncStateFrom(const TaskList *current)
{
    if (!current || current == this)
        return;
    // A copy taken while the list read as the server's revision it still
    // knows is that revision's content, unless an upload left since.
    const bool asOnServer = m_syncStatus == Unedited && current->m_pendingUpload.isEmpty()
                            && (current->m_syncStatus == Unedited || current->m_syncStatus == Edited)
                            && m_serverId == current->m_serverId && m_revision == current->m_revision;
    if (asOnServer)
        m_syncStatus = Unedited;
    else
        m_syncStatus = current->m_syncStatus == Unedited ? Edited : current->m_syncStatus;
    m_serverId = current->m_serverId;
    m_revision = current->m_revision;
    m_pendingUpload = current->m_pendingUpload;
    m_owner = current->m_owner;
    m_owned = current->m_owned;
    m_permissions = current->m_permissions;
    m_agreed = current->m_agreed;
    m_agreedImage = current->m_agreedImage;
    forgetIdsUnknownTo(current);

    // Ids learned since the copy was taken go to the same tasks: told by
    // their lineage, else by an identity one task of each still holds (a
    // pasted copy keeps its source's). An id the copy already uses is not
    // handed out twice.
    QHash<quint64, Task *> byLineage;
    QMultiHash<QString, Task *> byIdentity;
    const auto learn = [&](Task *task) {
        if (task->id() == 0)
            return;
        byLineage.insert(task->lineage(), task);
        byIdentity.insert(task->identity(), task);
    };
    current->m_rootTask->forEachBelow(learn);
    for (Task *removed : current->m_removedTasks)
        learn(removed);
    if (byLineage.isEmpty())
        return;
    QSet<quint32> used;
    QList<Task *> waiting;
    m_rootTask->forEachBelow([&](Task *task) {
        if (task->id() != 0)
            used.insert(task->id());
        else
            waiting.append(task);
    });
    for (const Task *removed : std::as_const(m_removedTasks))
        used.insert(removed->id());
    const auto give = [&used](Task *task, const Task *source) {
        used.insert(source->id());
        task->setId(source->id());
        task->setRevision(source->revision());
        task->setHashcode(source->hashcode());
    };
    QHash<QString, QList<Task *>> unpaired;
    for (Task *task : std::as_const(waiting)) {
        const Task *source = byLineage.value(task->lineage());
        if (source && !used.contains(source->id()))
            give(task, source);
        else
            unpaired[task->identity()].append(task);
    }
    // Where tasks share the identity (typed in one second, pasted), each is
    // told by its content, then its title, held by one task on each side;
    // then the last one of each side.
    using Tell = QString (*)(const Task *);
    const Tell tells[] = {[](const Task *t) {
                              return t->title() + QChar(1) + QString::number(t->isDone()) + QChar(1)
                                     + t->note().text();
                          },
                          [](const Task *t) { return t->title(); }};
    for (auto it = unpaired.begin(); it != unpaired.end(); ++it) {
        QList<Task *> &mine = it.value();
        QList<const Task *> theirs;
        for (const Task *candidate : byIdentity.values(it.key()))
            if (!used.contains(candidate->id()))
                theirs << candidate;
        for (const Tell tell : tells) {
            for (qsizetype i = 0; i < mine.size();) {
                const QString key = tell(mine.at(i));
                const auto same = [&](const Task *t) { return tell(t) == key; };
                if (std::count_if(mine.cbegin(), mine.cend(), same) != 1
                    || std::count_if(theirs.cbegin(), theirs.cend(), same) != 1) {
                    ++i;
                    continue;
                }
                const auto there = std::find_if(theirs.begin(), theirs.end(), same);
                give(mine.takeAt(i), *there);
                theirs.erase(there);
            }
        }
        if (mine.size() == 1 && theirs.size() == 1)
            give(mine.first(), theirs.first());
    }
}
