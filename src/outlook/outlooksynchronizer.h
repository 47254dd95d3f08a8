#ifndef OUTLOOKSYNCHRONIZER_H
#define OUTLOOKSYNCHRONIZER_H

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <memory>

class OlApplication;
class OlFolder;
class OlObject;
class OlTaskItem;
class OutlookProvider;
class Task;
class TaskList;
class UserLists;

// Mirrors the user's lists into Outlook task folders, one subfolder of the
// default tasks folder per list and one item per task, and takes Outlook's
// changes back: titles and done states only. One object serves one blocking
// run.
class OutlookSynchronizer : public QObject
{
    Q_OBJECT
public:
    // Without a provider, this platform's.
    explicit OutlookSynchronizer(UserLists *lists, OutlookProvider *provider = nullptr);
    ~OutlookSynchronizer() override;

    bool run();
    QString errorString() const { return m_error; }
    bool hasError() const { return !m_error.isNull(); }

    static QString createdMarker();

public slots:
    void onAxException(int code, const QString &source, const QString &description, const QString &help);

private:
    using TasksById = QMap<QString, Task *>;
    using ItemsById = std::map<QString, std::unique_ptr<OlTaskItem>>;

    bool checkOutlookVersion();
    std::unique_ptr<OlFolder> defaultTasksFolder();
    void mapFolders();
    void deleteFoldersWithoutList();
    void unpairListsWithoutFolder();
    void createFoldersForNewLists();
    std::unique_ptr<OlFolder> createFolder(OlFolder *parent, TaskList *list);
    void clearStaleTaskOutlookIds(TaskList *list);
    void syncAllLists();
    void syncListWithFolder(TaskList *list, OlFolder *folder);
    void tasksByOutlookId(TaskList *list, TasksById &tasks, QList<Task *> &withoutId);
    void outlookItemsById(OlFolder *folder, ItemsById &items);
    void addNewTasksToOutlook(OlFolder *folder, const QList<Task *> &tasks);
    void addToOutlook(OlFolder *folder, Task *task);
    void syncItems(TaskList *list, OlFolder *folder, const TasksById &tasks, ItemsById &items);
    bool outlookItemChanged(OlTaskItem *item) const;
    void copyFromOutlook(Task *task, OlTaskItem *item);
    void copyToOutlook(OlTaskItem *item, Task *task);
    bool isCreatedByUs(OlTaskItem *item);
    void deleteFromOutlook(OlTaskItem *item);
    void addTaskFromOutlook(TaskList *list, OlTaskItem *item);
    void removeTasksGoneFromOutlook(TaskList *list, OlFolder *folder, const TasksById &tasks, const ItemsById &items);
    void resetListModels();
    void connectExceptions(OlObject *object);
    QList<TaskList *> liveLists() const;

    UserLists *m_lists;
    OutlookProvider *m_provider;
    std::unique_ptr<OlApplication> m_application;
    QString m_error;
    int m_errorCount = 0;
    QList<TaskList *> m_listsWithoutFolder;
    std::map<TaskList *, std::unique_ptr<OlFolder>> m_pairedFolders;
    QList<TaskList *> m_listsWithFolderGone;
    std::vector<std::unique_ptr<OlFolder>> m_foldersWithListGone;
    QDateTime m_latestSaveTime;
};

#endif
