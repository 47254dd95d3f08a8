#include "outlook/outlooksynchronizer.h"

#include "core/clock.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "outlook/olapplication.h"
#include "outlook/outlookprovider.h"

#include <QDebug>
#include <QSet>

#include <algorithm>

OutlookSynchronizer::OutlookSynchronizer(UserLists *lists, OutlookProvider *provider)
    : m_lists(lists)
    , m_provider(provider ? provider : OutlookProvider::platformProvider())
{
}

OutlookSynchronizer::~OutlookSynchronizer()
{
    // The folders before the application they came from.
    m_pairedFolders.clear();
    m_foldersWithListGone.clear();
    m_application.reset();
}

QString OutlookSynchronizer::createdMarker()
{
    return QStringLiteral("plumdeck-created");
}

void OutlookSynchronizer::connectExceptions(OlObject *object)
{
    if (object)
        connect(object, &OlObject::exception, this, &OutlookSynchronizer::onAxException, Qt::UniqueConnection);
}

void OutlookSynchronizer::onAxException(int code, const QString &source, const QString &description, const QString &)
{
    m_error = tr("Error from %1: %2 (%3)").arg(source, description, QString::number(code));
    ++m_errorCount;
    qWarning() << m_error;
}

QList<TaskList *> OutlookSynchronizer::liveLists() const
{
    return m_lists ? m_lists->taskLists() : QList<TaskList *>();
}

bool OutlookSynchronizer::run()
{
    m_application = m_provider->createApplication();
    if (!m_application) {
        m_error = tr("Outlook was not found.");
        return false;
    }
    connectExceptions(m_application.get());
    if (!checkOutlookVersion())
        return false;
    mapFolders();
    if (hasError())
        return false;
    deleteFoldersWithoutList();
    if (hasError())
        return false;
    unpairListsWithoutFolder();
    createFoldersForNewLists();
    if (hasError())
        return false;
    syncAllLists();
    resetListModels();
    if (hasError()) {
        // Outlook's changes this run did not take back must still count as
        // changed at the next run.
        return false;
    }
    const QDateTime now = Clock::currentDateTimeUtc();
    const QDateTime last = m_latestSaveTime.isValid() && m_latestSaveTime > now ? m_latestSaveTime : now;
    if (m_lists)
        m_lists->setOutlookLastSyncTime(last);
    return true;
}

bool OutlookSynchronizer::checkOutlookVersion()
{
    const QString version = m_application->version();
    if (version.isEmpty()) {
        m_error = tr("Failed to get the Outlook version.");
        return false;
    }
    const QStringList parts = version.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    bool number = false;
    const int major = parts.isEmpty() ? 0 : parts.first().toInt(&number, 10);
    if (number && major >= 12)
        return true;
    m_error = tr("Outlook version 12 is required - %1 is not supported.").arg(version);
    return false;
}

std::unique_ptr<OlFolder> OutlookSynchronizer::defaultTasksFolder()
{
    std::unique_ptr<OlNameSpace> session = m_application->session();
    if (!session)
        return nullptr;
    connectExceptions(session.get());
    std::unique_ptr<OlFolder> tasksFolder = session->getDefaultFolder(OlFolder::TasksFolderType);
    connectExceptions(tasksFolder.get());
    return tasksFolder;
}

void OutlookSynchronizer::mapFolders()
{
    std::unique_ptr<OlFolder> tasksFolder = defaultTasksFolder();
    if (!tasksFolder)
        return;
    std::unique_ptr<OlFolders> folders = tasksFolder->folders();
    if (!folders)
        return;
    connectExceptions(folders.get());

    std::map<QString, std::unique_ptr<OlFolder>> byId;
    const int count = folders->count();
    for (int i = 1; i <= count; ++i) {
        std::unique_ptr<OlFolder> folder = folders->item(i);
        if (!folder)
            continue;
        connectExceptions(folder.get());
        const QString id = folder->entryId();
        byId[id] = std::move(folder);
    }

    const QList<TaskList *> lists = liveLists();
    for (TaskList *list : lists) {
        const QString id = list->outlookId();
        if (id.isEmpty()) {
            m_listsWithoutFolder.append(list);
            continue;
        }
        auto it = byId.find(id);
        if (it == byId.end()) {
            m_listsWithFolderGone.append(list);
            continue;
        }
        m_pairedFolders[list] = std::move(it->second);
        byId.erase(it);
    }
    for (auto &entry : byId)
        m_foldersWithListGone.push_back(std::move(entry.second));
}

void OutlookSynchronizer::deleteFoldersWithoutList()
{
    // Only the folder of a list deleted here goes: any other folder nobody
    // claims may be the user's own, with tasks of its own.
    QSet<QString> deletedHere;
    if (m_lists) {
        const QList<TaskList *> deleted = m_lists->deletedLists();
        for (TaskList *list : deleted) {
            if (!list->outlookId().isEmpty())
                deletedHere.insert(list->outlookId());
        }
    }
    while (!m_foldersWithListGone.empty()) {
        std::unique_ptr<OlFolder> folder = std::move(m_foldersWithListGone.front());
        m_foldersWithListGone.erase(m_foldersWithListGone.begin());
        connectExceptions(folder.get());
        if (deletedHere.contains(folder->entryId()))
            folder->remove();
    }
}

void OutlookSynchronizer::unpairListsWithoutFolder()
{
    // A missing folder says little about the list (another profile, another
    // machine, a restored backup): the list gets a new folder and keeps its
    // tasks.
    for (TaskList *list : std::as_const(m_listsWithFolderGone)) {
        qWarning() << "the Outlook folder of list" << list->name() << "is gone; the list gets a new folder";
        list->setOutlookId(QString());
        const QSet<Task *> tasks = list->allTasks();
        for (Task *task : tasks)
            task->setOutlookId(QString());
        m_listsWithoutFolder.append(list);
    }
    m_listsWithFolderGone.clear();
}

void OutlookSynchronizer::createFoldersForNewLists()
{
    if (m_listsWithoutFolder.isEmpty())
        return;
    std::unique_ptr<OlFolder> tasksFolder = defaultTasksFolder();
    if (!tasksFolder)
        return;
    while (!m_listsWithoutFolder.isEmpty()) {
        TaskList *list = m_listsWithoutFolder.takeFirst();
        std::unique_ptr<OlFolder> folder = createFolder(tasksFolder.get(), list);
        if (hasError())
            return;
        if (folder)
            m_pairedFolders[list] = std::move(folder);
        clearStaleTaskOutlookIds(list);
    }
}

std::unique_ptr<OlFolder> OutlookSynchronizer::createFolder(OlFolder *parent, TaskList *list)
{
    std::unique_ptr<OlFolders> folders = parent->folders();
    if (!folders)
        return nullptr;
    connectExceptions(folders.get());
    QSet<QString> names;
    for (std::unique_ptr<OlFolder> folder = folders->getFirst(); folder; folder = folders->getNext())
        names.insert(folder->name());

    QString name = list->name();
    for (int counter = 2; names.contains(name); ++counter)
        name = QStringLiteral("%1 %2").arg(list->name()).arg(counter);

    std::unique_ptr<OlFolder> folder = folders->add(name, OlFolder::TasksFolderType);
    if (hasError() || !folder)
        return nullptr;
    connectExceptions(folder.get());
    list->setOutlookId(folder->entryId());
    return folder;
}

void OutlookSynchronizer::clearStaleTaskOutlookIds(TaskList *list)
{
    const QSet<Task *> tasks = list->allTasks();
    for (Task *task : tasks) {
        if (task->outlookId().isNull())
            continue;
        qWarning() << "task" << task->title() << "has an outlook id but is in a list within one";
        task->setOutlookId(QString());
    }
}

void OutlookSynchronizer::syncAllLists()
{
    for (auto &entry : m_pairedFolders)
        syncListWithFolder(entry.first, entry.second.get());
}

void OutlookSynchronizer::syncListWithFolder(TaskList *list, OlFolder *folder)
{
    TasksById tasks;
    QList<Task *> withoutId;
    tasksByOutlookId(list, tasks, withoutId);
    ItemsById items;
    const int errorsBefore = m_errorCount;
    outlookItemsById(folder, items);
    if (m_errorCount != errorsBefore) {
        // An item that could not be read is not an item that is gone: its
        // task must not be removed.
        qWarning() << "could not read the Outlook items of list" << list->name();
        return;
    }
    addNewTasksToOutlook(folder, withoutId);
    syncItems(list, folder, tasks, items);
    removeTasksGoneFromOutlook(list, folder, tasks, items);
}

void OutlookSynchronizer::tasksByOutlookId(TaskList *list, TasksById &tasks, QList<Task *> &withoutId)
{
    // In tree order, so that new items come out in the order of the list.
    QList<Task *> pending = list->rootTask()->children();
    while (!pending.isEmpty()) {
        Task *task = pending.takeFirst();
        if (task->outlookId().isNull())
            withoutId.append(task);
        else
            tasks.insert(task->outlookId(), task);
        const QList<Task *> children = task->children();
        for (int i = int(children.size()) - 1; i >= 0; --i)
            pending.prepend(children.at(i));
    }
}

void OutlookSynchronizer::outlookItemsById(OlFolder *folder, ItemsById &items)
{
    std::unique_ptr<OlItems> collection = folder->items();
    if (!collection)
        return;
    connectExceptions(collection.get());
    const int count = collection->count();
    for (int i = 1; i <= count; ++i) {
        std::unique_ptr<OlTaskItem> item = collection->item(i);
        if (!item)
            continue;
        const QString id = item->entryId();
        items[id] = std::move(item);
    }
}

void OutlookSynchronizer::addNewTasksToOutlook(OlFolder *folder, const QList<Task *> &tasks)
{
    for (Task *task : tasks)
        addToOutlook(folder, task);
}

void OutlookSynchronizer::addToOutlook(OlFolder *folder, Task *task)
{
    std::unique_ptr<OlTaskItem> item = m_application->createItem(OlApplication::TaskItemType);
    if (!item)
        return;
    if (std::unique_ptr<OlUserProperties> properties = item->userProperties()) {
        connectExceptions(properties.get());
        if (std::unique_ptr<OlUserProperty> marker =
                properties->add(createdMarker(), OlUserProperties::YesNoType, false)) {
            connectExceptions(marker.get());
            marker->setValue(true);
        }
    }
    item->setDueDate(QDateTime());
    copyToOutlook(item.get(), task);
    std::unique_ptr<OlTaskItem> moved = item->move(folder);
    if (moved)
        task->setOutlookId(moved->entryId());
}

void OutlookSynchronizer::syncItems(TaskList *list, OlFolder *, const TasksById &tasks, ItemsById &items)
{
    // What the user may only read is mirrored one way.
    const bool writable = list->canWrite();
    for (auto &entry : items) {
        OlTaskItem *item = entry.second.get();
        Task *task = tasks.value(entry.first, nullptr);
        if (task) {
            if (writable && outlookItemChanged(item))
                copyFromOutlook(task, item);
            else
                copyToOutlook(item, task);
        } else if (isCreatedByUs(item)) {
            deleteFromOutlook(item);
        } else if (writable) {
            addTaskFromOutlook(list, item);
        }
    }
}

bool OutlookSynchronizer::outlookItemChanged(OlTaskItem *item) const
{
    const QDateTime lastSync = m_lists ? m_lists->outlookLastSyncTime() : QDateTime();
    if (lastSync.isNull())
        return true;
    const QDateTime modified = item->lastModificationTime();
    if (!modified.isValid())
        return true;
    return modified.toUTC() > lastSync;
}

void OutlookSynchronizer::copyFromOutlook(Task *task, OlTaskItem *item)
{
    task->setTitle(item->subject());
    task->setDone(item->complete());
}

void OutlookSynchronizer::copyToOutlook(OlTaskItem *item, Task *task)
{
    item->setSubject(task->title());
    item->setComplete(task->isDone());
    item->save();
    const QDateTime saved = item->lastModificationTime().toUTC();
    if (saved.isValid() && (!m_latestSaveTime.isValid() || saved > m_latestSaveTime))
        m_latestSaveTime = saved;
}

bool OutlookSynchronizer::isCreatedByUs(OlTaskItem *item)
{
    std::unique_ptr<OlUserProperties> properties = item->userProperties();
    if (!properties)
        return false;
    connectExceptions(properties.get());
    std::unique_ptr<OlUserProperty> marker = properties->find(createdMarker(), true);
    if (!marker)
        return false;
    connectExceptions(marker.get());
    return marker->value().toBool();
}

void OutlookSynchronizer::deleteFromOutlook(OlTaskItem *item)
{
    item->remove();
}

void OutlookSynchronizer::addTaskFromOutlook(TaskList *list, OlTaskItem *item)
{
    Task *root = list->rootTask();
    Task *task = root->createChild(root->childCount());
    task->setOutlookId(item->entryId());
    copyFromOutlook(task, item);
}

void OutlookSynchronizer::removeTasksGoneFromOutlook(TaskList *list, OlFolder *folder, const TasksById &tasks,
                                                     const ItemsById &items)
{
    QSet<Task *> gone;
    for (auto it = tasks.cbegin(); it != tasks.cend(); ++it) {
        if (items.find(it.key()) == items.end())
            gone.insert(it.value());
    }
    if (!list->canWrite()) {
        // The list may only be read: its tasks come back to Outlook.
        for (Task *task : std::as_const(gone)) {
            task->setOutlookId(QString());
            addToOutlook(folder, task);
        }
        return;
    }
    // A task under one that goes anyway goes with it, and is not removed a
    // second time; all are picked before the first removal frees any.
    QList<Task *> topmost;
    for (Task *task : std::as_const(gone)) {
        bool underGone = false;
        for (Task *ancestor = task->parent(); ancestor && !underGone; ancestor = ancestor->parent())
            underGone = gone.contains(ancestor);
        if (!underGone)
            topmost.append(task);
    }
    for (Task *task : std::as_const(topmost))
        list->removeTask(task);
}

void OutlookSynchronizer::resetListModels()
{
    if (!m_lists)
        return;
    const QList<ListModel *> models = m_lists->models();
    for (ListModel *model : models) {
        // A list the user may only read took nothing from Outlook: only its
        // pairing, kept in the local document, changed.
        if (model->taskList()->canWrite())
            model->markEditedAndReset();
        else
            model->setChanged();
    }
}
