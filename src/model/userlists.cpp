#include "model/userlists.h"

#include "core/clock.h"
#include "model/documentfile.h"
#include "model/listmodel.h"
#include "model/minutetimer.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

UserLists::UserLists()
    : QObject(nullptr)
{
    m_minuteTimer = new MinuteTimer(this);
    connect(m_minuteTimer, &MinuteTimer::timeout, this, &UserLists::onMinuteTimeout);
    m_minuteTimer->start(Clock::currentDateTimeUtc());
}

UserLists::~UserLists()
{
    while (!m_models.isEmpty()) {
        ListModel *model = m_models.takeLast();
        delete model->taskList();
        delete model;
    }
    qDeleteAll(m_deletedLists);
    m_deletedLists.clear();
}

UserLists *UserLists::create()
{
    return new UserLists;
}

UserLists *UserLists::load(const QString &path, QString *errorString, QString *keptAsidePath,
                           UnreadRecords *unreadLists)
{
    if (keptAsidePath)
        keptAsidePath->clear();
    if (unreadLists)
        unreadLists->clear();
    if (errorString)
        errorString->clear();
    QFile file(path);
    TaskReaderWriter reader(XMLReaderWriter::LocalDocument);
    reader.setSkipsUnreadRecords(true);
    UserLists *lists = reader.loadLists(&file);
    file.close();
    if (lists) {
        const UnreadRecords unread = reader.unreadRecords();
        if (unread.isEmpty()) {
            DocumentFile::loaded(path);
            return lists;
        }
        const QString aside = DocumentFile::loadedInPart(path, QStringLiteral("lists"), QStringLiteral("list"), unread);
        if (aside.isEmpty()) {
            if (errorString)
                *errorString = QStringLiteral("the file could not be kept aside and will not be overwritten");
        } else if (keptAsidePath) {
            *keptAsidePath = aside;
        }
        lists->setModified();
        if (unreadLists)
            *unreadLists = unread;
        return lists;
    }

    QString error = reader.errorString();
    qWarning().noquote() << "error loading lists" << error;
    if (QFileInfo::exists(path)) {
        const QString aside = DocumentFile::keepAside(path, QStringLiteral("lists"));
        if (aside.isEmpty())
            error += QStringLiteral(" (the file could not be kept aside and will not be overwritten)");
        else if (keptAsidePath)
            *keptAsidePath = aside;
    }
    if (errorString)
        *errorString = error;
    return nullptr;
}

UserLists *UserLists::load(QIODevice *device, QString *errorString)
{
    TaskReaderWriter reader(XMLReaderWriter::LocalDocument);
    UserLists *lists = reader.loadLists(device);
    if (!lists)
        qWarning().noquote() << "error loading lists" << reader.errorString();
    if (errorString)
        *errorString = lists ? QString() : reader.errorString();
    return lists;
}

bool UserLists::save(const QString &path, QString *errorString)
{
    if (m_savesHeld)
        return true;
    QString error;
    const bool ok = DocumentFile::save(
        path,
        [this](QIODevice *device, QString *message) {
            TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
            if (writer.saveLists(this, device))
                return true;
            *message = writer.errorString();
            return false;
        },
        &error);
    if (errorString)
        *errorString = error;
    if (!ok) {
        // The marks stay, so the next save writes the changes again.
        qWarning().noquote() << "error saving lists" << error;
        return false;
    }
    clearModified();
    return true;
}

bool UserLists::isModified() const
{
    if (m_changed)
        return true;
    for (ListModel *model : m_models) {
        if (model->isChanged())
            return true;
    }
    return false;
}

void UserLists::clearModified()
{
    m_changed = false;
    for (ListModel *model : std::as_const(m_models))
        model->clearChanged();
}

QList<TaskList *> UserLists::taskLists() const
{
    QList<TaskList *> lists;
    lists.reserve(m_models.size());
    for (ListModel *model : m_models)
        lists.append(model->taskList());
    return lists;
}

ListModel *UserLists::findModel(TaskList *list) const
{
    for (ListModel *model : m_models) {
        if (model->taskList() == list)
            return model;
    }
    return nullptr;
}

ListModel *UserLists::findModelByServerId(quint32 id) const
{
    for (ListModel *model : m_models) {
        const TaskList *list = model->taskList();
        if (list->syncStatus() != TaskList::New && list->serverId() == id)
            return model;
    }
    return nullptr;
}

TaskList *UserLists::taskListByServerId(quint32 id) const
{
    ListModel *model = findModelByServerId(id);
    return model ? model->taskList() : nullptr;
}

TaskList *UserLists::findDeletedByServerId(quint32 id) const
{
    for (TaskList *list : m_deletedLists) {
        if (list->serverId() == id)
            return list;
    }
    return nullptr;
}

void UserLists::addModel(ListModel *model)
{
    m_models.append(model);
    m_changed = true;
    emit listAdded(model);
}

ListModel *UserLists::addList(TaskList *list, AddResult *result)
{
    const quint32 id = list->serverId();
    if (id != 0 && (findModelByServerId(id) || findDeletedByServerId(id))) {
        qWarning() << "ignoring attempt to add list with server id we have already";
        if (result)
            *result = Refused;
        return nullptr;
    }
    if (list->syncStatus() == TaskList::Deleted) {
        m_deletedLists.append(list);
        if (result)
            *result = TakenAsDeleted;
        return nullptr;
    }
    ListModel *model = new ListModel(list);
    addModel(model);
    if (result)
        *result = Added;
    return model;
}

ListModel *UserLists::createList()
{
    ListModel *model = ListModel::createNew();
    addModel(model);
    return model;
}

void UserLists::ensureNotEmpty()
{
    if (m_models.isEmpty())
        createList();
    for (ListModel *model : std::as_const(m_models)) {
        if (model->rowCount() == 0)
            model->insertRow(0);
    }
}

void UserLists::takeModel(ListModel *model)
{
    m_models.removeOne(model);
}

void UserLists::deleteList(TaskList *list)
{
    ListModel *model = findModel(list);
    if (!model) {
        qWarning() << "ignoring attempt to delete unknown list";
        return;
    }
    if (list->syncStatus() == TaskList::Deleted) {
        qWarning() << "attempt to mark deleted already deleted list";
        return;
    }
    emit listRemoved(model);
    takeModel(model);
    if (!list->mayBeOnServer()) {
        delete list;
    } else {
        list->clearTasks();
        list->setSyncStatus(TaskList::Deleted);
        m_deletedLists.append(list);
    }
    delete model;
    m_changed = true;
}

void UserLists::purgeList(TaskList *list)
{
    if (list->syncStatus() != TaskList::Deleted) {
        ListModel *model = findModel(list);
        if (!model) {
            qWarning() << "UserLists::purgeList: couldn't find model for list";
            return;
        }
        emit listRemoved(model);
        takeModel(model);
        delete list;
        delete model;
        m_changed = true;
        return;
    }
    if (!m_deletedLists.removeOne(list)) {
        qWarning() << "UserLists::purgeList: did not find list";
        return;
    }
    delete list;
    m_changed = true;
}

void UserLists::removeAllLists()
{
    while (!m_models.isEmpty()) {
        const int before = int(m_models.size());
        deleteList(m_models.first()->taskList());
        if (m_models.size() == before) {
            // deleteList refuses a live list already marked deleted; drop it
            // for good rather than loop for ever.
            ListModel *model = m_models.first();
            emit listRemoved(model);
            takeModel(model);
            delete model->taskList();
            delete model;
            m_changed = true;
        }
    }
    while (!m_deletedLists.isEmpty())
        purgeList(m_deletedLists.first());
}

void UserLists::keepIdentities()
{
    m_keptIdentities.clear();
    for (const ListModel *model : std::as_const(m_models)) {
        const TaskList *list = model->taskList();
        if (list->serverId() == 0)
            continue;
        Identities &kept = m_keptIdentities[list->serverId()];
        kept.backupKey = model->backupKey();
        list->rootTask()->forEachBelow([&kept](const Task *task) {
            if (task->id() != 0)
                kept.lineages.insert(task->id(), task->lineage());
        });
    }
}

void UserLists::takeKeptIdentities(ListModel *model)
{
    const auto it = model ? m_keptIdentities.constFind(model->taskList()->serverId()) : m_keptIdentities.cend();
    if (it == m_keptIdentities.cend())
        return;
    if (model->backupKey().isEmpty())
        model->setBackupKey(it->backupKey);
    model->taskList()->rootTask()->forEachBelow([&it](Task *task) {
        if (const auto lineage = it->lineages.constFind(task->id()); lineage != it->lineages.cend())
            task->setLineage(*lineage);
    });
    m_keptIdentities.erase(it);
}

void UserLists::purgeUntouchedDefaultLists()
{
    const QList<ListModel *> models = m_models;
    for (ListModel *model : models) {
        if (model->taskList()->isUntouchedDefault())
            purgeList(model->taskList());
    }
}

void UserLists::replaceList(ListModel *model, TaskList *newList)
{
    if (!m_models.contains(model)) {
        qWarning() << "ignoring attempt to replace unknown list";
        return;
    }
    newList->setLocalId(model->taskList()->localId());
    // The server's copy of a list kept by a run still waits to be told of.
    if (newList->untoldKept().isEmpty()) {
        newList->setUntoldKept(model->taskList()->untoldKept());
        newList->setUntoldKeptAs(model->taskList()->untoldKeptAs());
    }
    if (newList->untoldKeptTasks().isEmpty())
        newList->setUntoldKeptTasks(model->taskList()->untoldKeptTasks());
    // Where the run's settling of moves took a task, for the views that
    // showed it once they look.
    newList->keepMovedTasksOf(*model->taskList());
    model->setTaskList(newList);
}

void UserLists::moveList(int from, int to)
{
    const int count = int(m_models.size());
    if (from == to || from < 0 || to < 0 || from >= count || to >= count) {
        qWarning() << "UserLists::moveList - invalid origin or destination indexes";
        return;
    }
    noteMoved(m_models.at(from));
    m_models.move(from, to);
    m_displayOrderChanged = true;
    emit displayOrderChanged();
}

void UserLists::moveListRight(ListModel *model)
{
    const int index = int(m_models.indexOf(model));
    if (index < 0) {
        qWarning() << "UserLists::moveListRight - can't find list";
        return;
    }
    if (index == m_models.size() - 1) {
        qWarning() << "UserLists::moveListRight - already at right";
        return;
    }
    noteMoved(model);
    m_models.move(index, index + 1);
    m_displayOrderChanged = true;
    emit displayOrderChanged();
}

void UserLists::moveListLeft(ListModel *model)
{
    const int index = int(m_models.indexOf(model));
    if (index < 0) {
        qWarning() << "UserLists::moveListLeft - can't find list";
        return;
    }
    if (index == 0) {
        qWarning() << "UserLists::moveListLeft - already at left";
        return;
    }
    noteMoved(model);
    m_models.move(index, index - 1);
    m_displayOrderChanged = true;
    emit displayOrderChanged();
}

void UserLists::setDisplayOrder(const QList<quint32> &ids)
{
    QList<ListModel *> order;
    for (quint32 id : ids) {
        ListModel *model = findModelByServerId(id);
        if (!model) {
            qWarning().noquote() << "UserLists::setDisplayOrder included unknown id " + QString::number(id);
            continue;
        }
        if (!order.contains(model))
            order.append(model);
    }
    for (ListModel *model : std::as_const(m_models)) {
        if (!order.contains(model)) {
            qWarning() << "UserLists::setDisplayOrder did not include a position for a list";
            order.append(model);
        }
    }
    m_models = order;
    emit displayOrderChanged();
}

void UserLists::setAgreedDisplayOrder(const std::optional<QList<quint32>> &ids)
{
    if (ids == m_agreedDisplayOrder)
        return;
    m_agreedDisplayOrder = ids;
    m_changed = true;
}

void UserLists::setMovedInOrder(const std::optional<QSet<quint32>> &ids)
{
    if (ids == m_movedInOrder)
        return;
    m_movedInOrder = ids;
    m_changed = true;
}

void UserLists::setArrivedInOrder(const QSet<quint32> &ids)
{
    if (ids == m_arrivedInOrder)
        return;
    m_arrivedInOrder = ids;
    m_changed = true;
}

void UserLists::noteArrived(quint32 id)
{
    if (id != 0 && !m_arrivedInOrder.contains(id)) {
        m_arrivedInOrder.insert(id);
        m_changed = true;
    }
}

// Kept as the display order's change mark is, with it.
void UserLists::noteMoved(const ListModel *model)
{
    const TaskList *list = model->taskList();
    if (m_movedInOrder && list->syncStatus() != TaskList::New && list->serverId() != 0)
        m_movedInOrder->insert(list->serverId());
}

void UserLists::prepareForceRemoteSync()
{
    for (ListModel *model : std::as_const(m_models)) {
        TaskList *list = model->taskList();
        if (!list->isOwned() && list->canWrite())
            list->markEdited();
    }
    // The removed lists stay, to be deleted there by the run, or by the
    // next one if it is cut short.
    m_changed = true;
}

void UserLists::localizeLists()
{
    // The ids it names are another account's.
    setAgreedDisplayOrder(std::nullopt);
    setMovedInOrder(QSet<quint32>());
    setArrivedInOrder({});
    for (ListModel *model : std::as_const(m_models))
        model->resetToNew();
    qDeleteAll(m_deletedLists);
    m_deletedLists.clear();
}

void UserLists::onMinuteTimeout(const QDateTime &last, const QDateTime &current)
{
    AlarmOccurrenceSet alarms;
    for (ListModel *model : std::as_const(m_models)) {
        const QSet<Task *> tasks = model->tasksWithAlarmBetween(last, current);
        for (Task *task : tasks)
            alarms.insert(AlarmOccurrence(model, task));
    }
    if (!alarms.isEmpty())
        emit alarmsOccurred(alarms);
}
