#include "model/listmodel.h"

#include "core/clock.h"
#include "core/options.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/taskattachmentvideohyperlink.h"
#include "model/taskattachmentwebhyperlink.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "core/uisettings.h"
#include "core/serversettings.h"

#include <QBrush>
#include <QColor>
#include <QCoreApplication>
#include <QDebug>
#include <QHash>
#include <QLocale>
#include <QPixmap>
#include <QTextStream>
#include <QTimer>

namespace {

const QString kEmptyCell = QStringLiteral("   ");

QPixmap iconPixmap(const QString &path)
{
    static QHash<QString, QPixmap> cache;
    auto it = cache.constFind(path);
    if (it == cache.constEnd())
        it = cache.insert(path, QPixmap(path));
    return it.value();
}

// Qt 6 compares a bool variant with an int one numerically, so Qt::Checked
// (2) would differ from true; the check state is compared as a bool.
bool variantAsCheck(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? number != 0 : value.toBool();
}

QString currentNick()
{
    return ServerSettings::instance()->userName();
}

// The shared-user warnings end in a blank and the name follows it as is.
void warnSharedUser(const char *text, const QString &name)
{
    qWarning().noquote() << QLatin1String(text) + name;
}

// One field of a task set by the user: nothing at all when the value is the
// same; otherwise an undo step, the change, the modification stamp and a
// redraw of the row's icons.
template <typename Value>
void editTaskField(ListModel *model, const QModelIndex &index, const Value &value, Value (Task::*get)() const,
                   void (Task::*set)(const Value &))
{
    if (!index.isValid())
        return;
    Task *task = model->taskForIndex(index);
    if ((task->*get)() == value)
        return;
    model->saveUndoState();
    (task->*set)(value);
    task->touch();
    model->emitTaskRowChanged(index);
}

} // namespace

ListModel::ListModel(TaskList *list)
    : m_taskList(list)
    , m_blueSkin(UISettings::instance()->isBlueSkin())
{
    if (Options::modelcheck.value()) {
        qDebug() << "starting model check timer";
        m_verifyTimer = new QTimer(this);
        connect(m_verifyTimer, &QTimer::timeout, this, &ListModel::onVerifyTimeout);
        m_verifyTimer->start(Clock::interval(100));
    }
}

ListModel::~ListModel()
{
    clearUndoHistory();
}

ListModel *ListModel::createNew()
{
    return new ListModel(TaskList::createNew());
}

// ---------------------------------------------------------------- structure

Task *ListModel::taskForIndex(const QModelIndex &index) const
{
    if (!index.isValid())
        return m_taskList->rootTask();
    return static_cast<Task *>(index.internalPointer());
}

QModelIndex ListModel::indexOfTask(const Task *task) const
{
    if (!task || task == m_taskList->rootTask() || !task->parent())
        return QModelIndex();
    const int row = task->row();
    if (row < 0)
        return QModelIndex();
    return index(row, 0, indexOfTask(task->parent()));
}

QModelIndex ListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() && (parent.model() != this || parent.column() != 0))
        return QModelIndex();
    if (row < 0 || column < 0 || column >= ColumnCount)
        return QModelIndex();
    const Task *parentTask = taskForIndex(parent);
    if (row >= parentTask->childCount())
        return QModelIndex();
    return createIndex(row, column, parentTask->child(row));
}

QModelIndex ListModel::parent(const QModelIndex &index) const
{
    if (!index.isValid())
        return QModelIndex();
    const Task *parentTask = taskForIndex(index)->parent();
    if (!parentTask || parentTask == m_taskList->rootTask())
        return QModelIndex();
    return createIndex(parentTask->row(), 0, const_cast<Task *>(parentTask));
}

int ListModel::rowCount(const QModelIndex &parent) const
{
    // Children hang off the first column only; otherwise a view would see
    // every row's subtree once per column.
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return taskForIndex(parent)->childCount();
}

int ListModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

// ------------------------------------------------------------------ display

QVariant ListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const Task *task = taskForIndex(index);
    const int column = index.column();
    QVariant answer;
    if (column == TitleColumn) {
        answer = titleData(task, role);
    } else if (column >= FirstIconColumn && column <= LastIconColumn) {
        answer = iconData(task, column, role);
    } else if (column == StartTimeColumn || column == EndTimeColumn) {
        const QDateTime time = column == StartTimeColumn ? task->startTime() : task->dueTime();
        answer = time.isNull() ? kEmptyCell : QLocale().toString(time.toLocalTime().date(), QLocale::ShortFormat);
    } else if (column == ElapsedColumn) {
        if (task->creationTime().isNull()) {
            answer = kEmptyCell;
        } else {
            const qint64 days = task->creationTime().toUTC().daysTo(Clock::currentDateTimeUtc());
            answer = QString::number(days) + tr(" days");
        }
    } else if (column == AssignmentColumn) {
        const QStringList nicks = task->assignments();
        answer = nicks.isEmpty() ? kEmptyCell : nicks.first();
    }
    if (answer.isNull())
        return colourData(index, role);
    return answer;
}

QVariant ListModel::titleData(const Task *task, int role) const
{
    switch (role) {
    case Qt::CheckStateRole:
        return QVariant(task->isDone());
    case Qt::DisplayRole:
    case Qt::EditRole:
        return task->title();
    default:
        return QVariant();
    }
}

QVariant ListModel::iconData(const Task *task, int column, int role) const
{
    if (role != Qt::DisplayRole && role != IconCodeRole)
        return QVariant();

    // The icons found are packed so that the first one sits in the last
    // icon column; slot k (from 0) belongs to column 7 - k.
    const int slot = LastIconColumn - column;
    int found = 0;
    QString path;
    int code = 0;
    auto offer = [&](bool holds, const char *image, int iconCode) {
        if (!holds)
            return false;
        if (found++ == slot) {
            path = QLatin1String(image);
            code = iconCode;
            return true;
        }
        return false;
    };
    const TaskPriority priority = task->priority();
    const bool alarmPast = task->hasAlarm() && task->alarmTime() < Clock::currentDateTimeUtc();
    offer(task->hasAssignments(), ":/asign_task.png", AssignmentIcon)
        || offer(task->attachmentCount(TaskAttachment::WebHyperlink) > 0, ":/hyperlink.png", WebHyperlinkIcon)
        || offer(task->attachmentCount(TaskAttachment::VideoHyperlink) > 0, ":/attachment_video.png",
                 VideoHyperlinkIcon)
        || offer(!task->startTime().isNull(), ":/calendar.png", StartTimeIcon)
        || offer(task->hasNote(), ":/note.png", NoteIcon)
        || offer(task->hasAlarm(), alarmPast ? ":/green-clock.png" : ":/red-clock.png", AlarmIcon)
        || offer(priority.value() == TaskPriority::Urgent || priority.value() == TaskPriority::Reminder,
                 priority.value() == TaskPriority::Urgent ? ":/priority-red.png" : ":/priority-green.png",
                 PriorityIcon);

    if (role == IconCodeRole)
        return code;
    return path.isEmpty() ? QPixmap() : iconPixmap(path);
}

QVariant ListModel::colourData(const QModelIndex &index, int role) const
{
    if (role != Qt::BackgroundRole && role != Qt::ForegroundRole)
        return QVariant();
    const bool topLevel = !parent(index).isValid();
    QColor background;
    QColor text;
    if (m_blueSkin) {
        background = topLevel ? QColor(235, 242, 245) : QColor(255, 255, 255);
        text = QColor(62, 94, 127);
    } else {
        background = topLevel ? QColor(201, 214, 160) : QColor(222, 230, 193);
        text = topLevel ? QColor(0, 0, 0) : QColor(51, 51, 51);
    }
    return QBrush(role == Qt::BackgroundRole ? background : text);
}

QVariant ListModel::headerData(int section, Qt::Orientation, int role) const
{
    // Assistive tools name every column, the icon ones too, in plain words.
    const bool named = role == Qt::AccessibleTextRole;
    switch (section) {
    case TitleColumn:
        return named ? tr("Tasks") : tr("   tasks");
    case StartTimeColumn:
        return named ? tr("Start time") : tr("start time");
    case EndTimeColumn:
        return named ? tr("End time") : tr("end time");
    case ElapsedColumn:
        return named ? tr("Elapsed") : tr("elapsed");
    case AssignmentColumn:
        return named ? tr("Assigned to") : tr("assiged to");
    default:
        if (named && section >= FirstIconColumn && section <= LastIconColumn)
            return tr("Icon %1").arg(section - FirstIconColumn + 1);
        return QVariant();
    }
}

Qt::ItemFlags ListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = QAbstractItemModel::flags(index);
    if (index.column() == TitleColumn)
        result |= Qt::ItemIsEditable;
    else
        result &= ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return result;
}

QString ListModel::toText() const
{
    QString text;
    QTextStream stream(&text);
    stream << "= " << m_taskList->name() << " =\n";
    for (const Task *task : m_taskList->rootTask()->children())
        writeTaskText(stream, task, 1);
    stream.flush();
    return text;
}

void ListModel::writeTaskText(QTextStream &stream, const Task *task, int depth)
{
    stream << QString(depth, QLatin1Char('-')) << ' ' << task->title();
    if (task->isDone())
        stream << " [done]";
    stream << '\n';
    for (const Task *child : task->children())
        writeTaskText(stream, child, depth + 1);
}

// -------------------------------------------------------------------- reads

QDateTime ListModel::taskDueTime(const QModelIndex &index) const
{
    return taskForIndex(index)->dueTime();
}

QDateTime ListModel::taskStartTime(const QModelIndex &index) const
{
    return taskForIndex(index)->startTime();
}

QDateTime ListModel::taskAlarmTime(const QModelIndex &index) const
{
    return taskForIndex(index)->alarmTime();
}

TaskNote ListModel::taskNote(const QModelIndex &index) const
{
    return taskForIndex(index)->note();
}

TaskPriority ListModel::taskPriority(const QModelIndex &index) const
{
    return taskForIndex(index)->priority();
}

QStringList ListModel::taskAssignments(const QModelIndex &index) const
{
    return taskForIndex(index)->assignments();
}

bool ListModel::taskHasAssignments(const QModelIndex &index) const
{
    return taskForIndex(index)->hasAssignments();
}

TaskAttachmentVideoHyperlink *ListModel::taskVideoHyperlink(const QModelIndex &index) const
{
    return taskForIndex(index)->videoHyperlinkAttachment();
}

TaskAttachmentWebHyperlink *ListModel::taskWebHyperlink(const QModelIndex &index) const
{
    return taskForIndex(index)->webHyperlinkAttachment();
}

QString ListModel::name() const
{
    return m_taskList->name();
}

QString ListModel::description() const
{
    return m_taskList->description();
}

bool ListModel::isDone() const
{
    return m_taskList->isDone();
}

QString ListModel::owner() const
{
    return m_taskList->owner();
}

bool ListModel::isOwned() const
{
    return m_taskList->isOwned();
}

bool ListModel::hasWritePermission() const
{
    return m_taskList->canWrite();
}

bool ListModel::hasDeletePermission() const
{
    return m_taskList->canDelete();
}

bool ListModel::isBlank() const
{
    return m_taskList->hasNoTitledTask();
}

void ListModel::setShowStartTimeColumn(bool show)
{
    m_showStartTimeColumn = show;
    setChanged();
}

void ListModel::setShowEndTimeColumn(bool show)
{
    m_showEndTimeColumn = show;
    setChanged();
}

void ListModel::setShowElapsedTimeColumn(bool show)
{
    m_showElapsedTimeColumn = show;
    setChanged();
}

void ListModel::setShowAssignmentColumn(bool show)
{
    m_showAssignmentColumn = show;
    setChanged();
}

// -------------------------------------------------------------------- edits

void ListModel::markChangedAndEdited()
{
    setChanged();
    m_taskList->markEdited();
}

bool ListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole && role != Qt::CheckStateRole)
        return false;
    if (!index.isValid() || index.model() != this)
        return false;
    Task *task = taskForIndex(index);

    bool differs;
    if (role == Qt::CheckStateRole)
        differs = variantAsCheck(value) != task->isDone();
    else
        differs = value.toString() != task->title();

    if (differs) {
        if (!task->title().isEmpty()) {
            saveUndoState();
        } else if (role == Qt::EditRole && !value.toString().trimmed().isEmpty()) {
            saveUndoState();
        } else if (role == Qt::CheckStateRole && !task->isBlankRecursively()) {
            // An untitled row holding a note, a date or subtasks is a task
            // like any other: its tick must reach the server.
            saveUndoState();
        } else {
            // Checking a row nobody set anything on takes no undo step and
            // changes nothing for the server, but the file must still be
            // written or the tick is lost.
            setChanged();
        }
        task->touch();
    }

    if (role == Qt::EditRole) {
        task->setTitle(value.toString().trimmed());
    } else {
        emit layoutAboutToBeChanged();
        const bool done = variantAsCheck(value);
        task->setDone(done);
        task->setDoneBy(done ? currentNick() : QStringLiteral(""));
        emit layoutChanged();
    }
    emit dataChanged(index, index);
    return true;
}

void ListModel::setTaskDone(Task *task, bool done)
{
    const QModelIndex index = indexOfTask(task);
    if (index.isValid())
        setData(index, done, Qt::CheckStateRole);
}

void ListModel::setTaskDueTime(const QModelIndex &index, const QDateTime &time)
{
    editTaskField(this, index, time, &Task::dueTime, &Task::setDueTime);
}

void ListModel::setTaskStartTime(const QModelIndex &index, const QDateTime &time)
{
    editTaskField(this, index, time, &Task::startTime, &Task::setStartTime);
}

void ListModel::setTaskAlarmTime(const QModelIndex &index, const QDateTime &time)
{
    editTaskField(this, index, time, &Task::alarmTime, &Task::setAlarmTime);
}

void ListModel::setTaskNote(const QModelIndex &index, const TaskNote &note)
{
    editTaskField(this, index, note, &Task::note, &Task::setNote);
}

void ListModel::setTaskPriority(const QModelIndex &index, const TaskPriority &priority)
{
    editTaskField(this, index, priority, &Task::priority, &Task::setPriority);
}

void ListModel::changeTaskPriority(Task *task, const TaskPriority &priority)
{
    setTaskPriority(indexOfTask(task), priority);
}

void ListModel::setTaskTitle(Task *task, const QString &title)
{
    if (!task || task->title() == title)
        return;
    task->setTitle(title);
    task->touch();
    markChangedAndEdited();
    emitTaskRowChanged(indexOfTask(task));
}

bool ListModel::assignTask(const QModelIndex &index, const QString &nick)
{
    if (!index.isValid() || !taskForIndex(index)->assign(nick))
        return false;
    markChangedAndEdited();
    emitAssignmentChanged(index);
    return true;
}

bool ListModel::unassignTask(const QModelIndex &index, const QString &nick)
{
    if (!index.isValid() || !taskForIndex(index)->unassign(nick))
        return false;
    markChangedAndEdited();
    emitAssignmentChanged(index);
    return true;
}

void ListModel::unassignAll(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    taskForIndex(index)->unassignAll();
    markChangedAndEdited();
    emitAssignmentChanged(index);
}

void ListModel::emitAssignmentChanged(const QModelIndex &index)
{
    // Without it the assignment icon and the assignee column keep showing
    // the old state until something else redraws the row.
    emit dataChanged(index.siblingAtColumn(FirstIconColumn), index.siblingAtColumn(AssignmentColumn));
}

void ListModel::expandTask(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    taskForIndex(index)->setExpanded(true);
    setChanged();
}

void ListModel::collapseTask(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    taskForIndex(index)->setExpanded(false);
    setChanged();
}

void ListModel::emitTaskRowChanged(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    emit dataChanged(index.siblingAtColumn(FirstIconColumn), index.siblingAtColumn(LastIconColumn));
}

// --------------------------------------------------------------- insertions

bool ListModel::fitsDepth(const Task *task, const Task *newParent)
{
    return task && newParent && newParent->level() + task->height() <= TaskReaderWriter::maxTaskDepth;
}

bool ListModel::pasteTask(Task *task, const QModelIndex &index)
{
    if (!task)
        return false;
    if (!index.isValid() || index.model() != this) {
        if (!fitsDepth(task, m_taskList->rootTask())) {
            delete task;
            return false;
        }
        appendTask(task);
        return true;
    }
    Task *target = taskForIndex(index);
    Task *parentTask = target->parent();
    if (!fitsDepth(task, parentTask)) {
        qWarning() << "ListModel::pasteTask: the task would be nested too deeply";
        delete task;
        return false;
    }
    saveUndoState();
    beginResetModel();
    const bool targetStays = !target->isUntypedRecursively();
    parentTask->removeBlankChildren();
    task->touch();
    // Blank siblings above the target go, so its old row + 1 would no longer
    // be the row after it; the copy follows the target itself (or, when the
    // target was blank and went too, lands at its old place).
    const int position = targetStays ? parentTask->indexOfChild(target) + 1
                                     : qMin(index.row() + 1, parentTask->childCount());
    parentTask->insertChild(task, position);
    endResetModel();
    return true;
}

void ListModel::prependTask(Task *task)
{
    insertTopLevel(task, true);
}

void ListModel::appendTask(Task *task)
{
    insertTopLevel(task, false);
}

void ListModel::insertTopLevel(Task *task, bool first)
{
    if (!task)
        return;
    saveUndoState();
    beginResetModel();
    Task *root = m_taskList->rootTask();
    root->removeBlankChildren();
    task->touch();
    root->insertChild(task, first ? 0 : root->childCount());
    endResetModel();
}

bool ListModel::canInsertRows(const QModelIndex &) const
{
    return true;
}

bool ListModel::insertRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() && parent.model() != this) {
        qWarning() << "ListModel::insertRows: unknown parent";
        return false;
    }
    Task *parentTask = taskForIndex(parent);
    if (count < 1 || row < 0 || row > parentTask->childCount())
        return false;
    if (parentTask->level() + 1 > TaskReaderWriter::maxTaskDepth)
        return false;
    beginInsertRows(parent, row, row + count - 1);
    for (int i = row; i < row + count; ++i)
        parentTask->createChild(i);
    endInsertRows();
    return true;
}

bool ListModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() && parent.model() != this) {
        qWarning() << "ListModel::removeRows: unknown parent";
        return false;
    }
    Task *parentTask = taskForIndex(parent);
    if (count < 1 || row < 0 || row + count > parentTask->childCount())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        m_taskList->removeTask(parentTask->child(row));
    endRemoveRows();
    return true;
}

bool ListModel::reparentTask(const QModelIndex &index, const QModelIndex &newParentIndex, int position)
{
    if (!index.isValid() || index.model() != this)
        return false;
    if (newParentIndex.isValid() && newParentIndex.model() != this)
        return false;
    Task *task = taskForIndex(index);
    Task *newParent = taskForIndex(newParentIndex);
    for (const Task *t = newParent; t; t = t->parent()) {
        if (t == task) {
            qWarning() << "ListModel::reparentTask: cannot move a task below itself";
            return false;
        }
    }
    if (newParent != task->parent() && !fitsDepth(task, newParent)) {
        qWarning() << "ListModel::reparentTask: the task would be nested too deeply";
        return false;
    }
    // Views drop their persistent indexes at the reset, so they need no
    // re-pointing; the reset is what they listen for.
    beginResetModel();
    task->parent()->takeChild(task);
    newParent->insertChild(task, qBound(0, position, newParent->childCount()));
    endResetModel();
    return true;
}

// --------------------------------------------------------------- list level

void ListModel::setName(const QString &name)
{
    if (m_taskList->name() == name)
        return;
    m_taskList->setName(name);
    markChangedAndEdited();
}

void ListModel::setDescription(const QString &description)
{
    if (m_taskList->description() == description)
        return;
    m_taskList->setDescription(description);
    markChangedAndEdited();
}

void ListModel::setDone(bool done)
{
    if (m_taskList->isDone() == done)
        return;
    m_taskList->setDone(done);
    markChangedAndEdited();
}

void ListModel::setPermissions(const QString &letters)
{
    m_taskList->setPermissions(letters);
    emit ownerPermissionsChanged(this);
}

void ListModel::markEditedAndReset()
{
    markChangedAndEdited();
    beginResetModel();
    endResetModel();
}

void ListModel::replaceList(TaskList *list, bool deleteOld)
{
    // The reset must begin before the list on display is deleted.
    beginResetModel();
    if (deleteOld)
        delete m_taskList;
    m_taskList = list;
    endResetModel();
}

void ListModel::setTaskList(TaskList *list)
{
    if (!list || list == m_taskList)
        return;
    clearUndoHistory();
    replaceList(list, true);
    setChanged();
    emit nameChanged(this);
}

void ListModel::contentReplaced(bool changedElsewhere)
{
    if (changedElsewhere)
        clearUndoHistory();
    replaceList(m_taskList, false);
    setChanged();
    emit nameChanged(this);
}

void ListModel::resetToNew()
{
    m_taskList->resetToNew();
    // Snapshots still carry the old account's ids and status; undoing into
    // one would send them to the new account.
    clearUndoHistory();
    m_sharedEdited = false;
    m_sharedRevision = 1;
    m_sharedUsers.clear();
    m_agreedSharedUsers.reset();
    m_sentSharedUsers.reset();
    m_importedSharing.clear();
    emit shareListChanged(this);
    setChanged();
}

// ----------------------------------------------------------------- undo/redo

void ListModel::saveUndoState()
{
    while (m_undoSnapshots.size() > m_undoIndex)
        delete m_undoSnapshots.takeLast();
    m_undoSnapshots.append(m_taskList->clone());
    while (m_undoSnapshots.size() > MaxUndoSnapshots)
        delete m_undoSnapshots.takeFirst();
    m_undoIndex = int(m_undoSnapshots.size());
    markChangedAndEdited();
}

void ListModel::undo()
{
    if (m_undoIndex == 0) {
        qWarning() << "can't undo, already at start";
        return;
    }
    // Leaving the live state, the list on display itself becomes the
    // snapshot that redo returns to; no copy is needed.
    const bool leavingLive = m_undoIndex == m_undoSnapshots.size();
    if (leavingLive)
        m_undoSnapshots.append(m_taskList);
    --m_undoIndex;
    TaskList *restored = m_undoSnapshots.at(m_undoIndex)->clone();
    restored->takeSyncStateFrom(m_taskList);
    replaceList(restored, !leavingLive);
    setChanged();
    emit nameChanged(this);
}

void ListModel::redo()
{
    if (m_undoIndex >= m_undoSnapshots.size()) {
        qWarning() << "can't redo, already at end";
        return;
    }
    ++m_undoIndex;
    // Back to the live state, the last snapshot is shown as it is and leaves
    // the history.
    TaskList *restored = m_undoIndex == m_undoSnapshots.size() - 1 ? m_undoSnapshots.takeLast()
                                                                    : m_undoSnapshots.at(m_undoIndex)->clone();
    restored->takeSyncStateFrom(m_taskList);
    replaceList(restored, true);
    setChanged();
    emit nameChanged(this);
}

void ListModel::clearUndoHistory()
{
    qDeleteAll(m_undoSnapshots);
    m_undoSnapshots.clear();
    m_undoIndex = 0;
}

// ------------------------------------------------------------------ sharing

QString ListModel::sharedUserPermissions(const QString &name) const
{
    const auto it = m_sharedUsers.constFind(name);
    if (it == m_sharedUsers.constEnd()) {
        warnSharedUser("ListModel: Trying to get the permissions of a shared user that don't exists ", name);
        return QString();
    }
    return it.value();
}

bool ListModel::setSharedUserPermissions(const QString &name, const QString &letters)
{
    if (!m_sharedUsers.contains(name)) {
        warnSharedUser("ListModel: Trying to change permissions of a shared user that don't exists ", name);
        return false;
    }
    keepAgreedSharing();
    m_sharedUsers.insert(name, letters);
    setChanged();
    m_sharedEdited = true;
    emit shareListChanged(this);
    return true;
}

bool ListModel::addSharedUser(const QString &name, const QString &letters)
{
    if (m_sharedUsers.contains(name)) {
        warnSharedUser("ListModel: Trying to insert a shared user that already exists ", name);
        return false;
    }
    keepAgreedSharing();
    m_sharedUsers.insert(name, letters);
    setChanged();
    m_sharedEdited = true;
    emit shareListChanged(this);
    return true;
}

bool ListModel::loadSharedUser(const QString &name, const QString &letters)
{
    if (m_sharedUsers.contains(name)) {
        warnSharedUser("ListModel: Trying to insert a shared user that already exists ", name);
        return false;
    }
    m_sharedUsers.insert(name, letters);
    emit shareListChanged(this);
    return true;
}

bool ListModel::removeSharedUser(const QString &name)
{
    if (!m_sharedUsers.contains(name)) {
        warnSharedUser("ListModel: Trying to shared a shared user that don't exists ", name);
        return false;
    }
    keepAgreedSharing();
    m_sharedUsers.remove(name);
    setChanged();
    m_sharedEdited = true;
    emit shareListChanged(this);
    return true;
}

void ListModel::unshareAll()
{
    keepAgreedSharing();
    m_sharedUsers.clear();
    emit shareListChanged(this);
    setChanged();
    m_sharedEdited = true;
}

// The first change since the sharing was agreed keeps what was agreed: a run
// that finds the server's sharing changed since merges onto it.
void ListModel::keepAgreedSharing()
{
    if (!m_sharedEdited)
        m_agreedSharedUsers = m_sharedUsers;
}

std::optional<QMap<QString, QString>> ListModel::agreedSharedUsers() const
{
    if (!m_sharedEdited)
        return m_sharedUsers;
    return m_agreedSharedUsers;
}

std::optional<QMap<QString, QString>> ListModel::sentSharedUsers() const
{
    if (m_sentSharedRevision != m_sharedRevision)
        return std::nullopt;
    return m_sentSharedUsers;
}

void ListModel::setSentSharedUsers(const std::optional<QMap<QString, QString>> &users)
{
    m_sentSharedUsers = users;
    m_sentSharedRevision = m_sharedRevision;
}

void ListModel::setSharedUsers(const QMap<QString, QString> &users)
{
    m_sharedUsers = users;
    emit shareListChanged(this);
}

void ListModel::resetSharedEdited()
{
    if (!m_sharedEdited)
        return;
    m_sharedEdited = false;
    setChanged();
}

void ListModel::setSharedRevision(quint32 revision)
{
    m_sharedRevision = revision;
    setChanged();
}

void ListModel::clearSyncFlags()
{
    m_syncPending = false;
    m_manualSync = false;
    m_synchronizing = false;
}

// ------------------------------------------------------------------- alarms

QSet<Task *> ListModel::tasksWithAlarmBetween(const QDateTime &last, const QDateTime &current)
{
    // Every task of the tree at any depth, walked in place rather than
    // collected into a set first: the scan runs over every list each minute.
    QSet<Task *> due;
    QList<const Task *> pending{m_taskList->rootTask()};
    while (!pending.isEmpty()) {
        const Task *parentTask = pending.takeLast();
        const int count = parentTask->childCount();
        for (int i = 0; i < count; ++i) {
            Task *task = parentTask->child(i);
            if (task->hasAlarm()) {
                const QDateTime alarm = task->alarmTime();
                if (last < alarm && alarm <= current)
                    due.insert(task);
            }
            if (task->childCount() > 0)
                pending.append(task);
        }
    }
    for (Task *task : std::as_const(due))
        emitTaskRowChanged(indexOfTask(task));
    return due;
}

// ------------------------------------------------------------- model check

void ListModel::onVerifyTimeout()
{
    m_taskList->rootTask()->verifyTree();
    verifyRows(QModelIndex(), 0);
}

bool ListModel::verifyRows(const QModelIndex &parentIndex, int depth) const
{
    bool ok = true;
    const int rows = rowCount(parentIndex);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = index(row, 0, parentIndex);
        if (!child.isValid() || parent(child) != parentIndex) {
            qWarning() << "ListModel::onVerifyTimeout - inconsistent row" << row << "at depth" << depth;
            ok = false;
            continue;
        }
        ok = verifyRows(child, depth + 1) && ok;
    }
    return ok;
}
