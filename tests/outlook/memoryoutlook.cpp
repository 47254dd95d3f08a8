#include "memoryoutlook.h"

#include "core/clock.h"
#include "outlook/olapplication.h"

namespace {

// Reports a failure the test asked for, the way Outlook's calls report one.
template<typename Object>
bool fails(MemoryOutlook *store, Object *object, const QString &operation)
{
    if (!store->failing(operation))
        return false;
    emit object->exception(-2147352567, QStringLiteral("Outlook"), operation + QStringLiteral(" failed"),
                           QString());
    return true;
}

class MemUserProperty : public OlUserProperty
{
public:
    MemUserProperty(MemoryOutlook *store, QString item, QString name)
        : m_store(store), m_item(std::move(item)), m_name(std::move(name))
    {
    }
    QVariant value() override
    {
        if (fails(m_store, this, QStringLiteral("UserProperty.Value")))
            return {};
        return m_store->item(m_item).properties.value(m_name);
    }
    void setValue(const QVariant &value) override
    {
        if (!fails(m_store, this, QStringLiteral("UserProperty.SetValue")))
            m_store->item(m_item).properties[m_name] = value;
    }

private:
    MemoryOutlook *m_store;
    QString m_item;
    QString m_name;
};

class MemUserProperties : public OlUserProperties
{
public:
    MemUserProperties(MemoryOutlook *store, QString item) : m_store(store), m_item(std::move(item)) {}
    std::unique_ptr<OlUserProperty> add(const QString &name, int type, bool) override
    {
        if (fails(m_store, this, QStringLiteral("UserProperties.Add")) || type != YesNoType)
            return nullptr;
        m_store->item(m_item).properties[name] = false;
        return std::make_unique<MemUserProperty>(m_store, m_item, name);
    }
    std::unique_ptr<OlUserProperty> find(const QString &name, bool) override
    {
        if (fails(m_store, this, QStringLiteral("UserProperties.Find")))
            return nullptr;
        if (!m_store->item(m_item).properties.contains(name))
            return nullptr;
        return std::make_unique<MemUserProperty>(m_store, m_item, name);
    }

private:
    MemoryOutlook *m_store;
    QString m_item;
};

class MemTaskItem : public OlTaskItem
{
public:
    MemTaskItem(MemoryOutlook *store, QString id) : m_store(store), m_id(std::move(id)) {}
    QString subject() override { return item().subject; }
    void setSubject(const QString &subject) override { item().subject = subject; }
    bool complete() override { return item().complete; }
    void setComplete(bool complete) override { item().complete = complete; }
    void setDueDate(const QDateTime &date) override { item().hasDueDate = !date.isNull(); }
    QString entryId() override { return m_id; }
    QDateTime lastModificationTime() override { return item().modified; }
    std::unique_ptr<OlUserProperties> userProperties() override
    {
        return std::make_unique<MemUserProperties>(m_store, m_id);
    }
    void save() override
    {
        if (fails(m_store, this, QStringLiteral("TaskItem.Save")))
            return;
        MemoryOutlook::Item &saved = item();
        if (saved.folder.isEmpty()) {
            saved.folder = m_store->tasksFolder();
            m_store->m_itemOrder.append(m_id);
        }
        saved.modified = m_store->stamp();
        ++saved.saves;
    }
    void remove() override
    {
        if (!fails(m_store, this, QStringLiteral("TaskItem.Delete")))
            m_store->removeItem(m_id);
    }
    std::unique_ptr<OlTaskItem> move(OlFolder *destination) override
    {
        if (fails(m_store, this, QStringLiteral("TaskItem.Move")) || !destination)
            return nullptr;
        // A moved item has an id of its own in its new folder.
        MemoryOutlook::Item moved = m_store->m_items.take(m_id);
        moved.folder = destination->entryId();
        const QString id = m_store->newId("item");
        m_store->m_items.insert(id, moved);
        const qsizetype at = m_store->m_itemOrder.indexOf(m_id);
        if (at >= 0)
            m_store->m_itemOrder[at] = id;
        else
            m_store->m_itemOrder.append(id);
        return std::make_unique<MemTaskItem>(m_store, id);
    }

private:
    MemoryOutlook::Item &item() { return m_store->item(m_id); }

    MemoryOutlook *m_store;
    QString m_id;
};

class MemItems : public OlItems
{
public:
    MemItems(MemoryOutlook *store, QString folder) : m_store(store), m_folder(std::move(folder)) {}
    int count() override
    {
        if (fails(m_store, this, QStringLiteral("Items.Count")))
            return 0;
        return int(m_store->items(m_folder).size());
    }
    std::unique_ptr<OlTaskItem> item(int index) override
    {
        const QStringList ids = m_store->items(m_folder);
        if (fails(m_store, this, QStringLiteral("Items.Item")) || index < 1 || index > ids.size())
            return nullptr;
        return std::make_unique<MemTaskItem>(m_store, ids.at(index - 1));
    }

private:
    MemoryOutlook *m_store;
    QString m_folder;
};

class MemFolder;

class MemFolders : public OlFolders
{
public:
    MemFolders(MemoryOutlook *store, QString parent) : m_store(store), m_parent(std::move(parent)) {}
    int count() override
    {
        if (fails(m_store, this, QStringLiteral("Folders.Count")))
            return 0;
        return int(m_store->subfolders(m_parent).size());
    }
    std::unique_ptr<OlFolder> item(int index) override;
    std::unique_ptr<OlFolder> getFirst() override
    {
        m_cursor = 0;
        return getNext();
    }
    std::unique_ptr<OlFolder> getNext() override;
    std::unique_ptr<OlFolder> add(const QString &name, int type) override;

private:
    MemoryOutlook *m_store;
    QString m_parent;
    int m_cursor = 0;
};

class MemFolder : public OlFolder
{
public:
    MemFolder(MemoryOutlook *store, QString id) : m_store(store), m_id(std::move(id)) {}
    std::unique_ptr<OlFolders> folders() override { return std::make_unique<MemFolders>(m_store, m_id); }
    std::unique_ptr<OlItems> items() override
    {
        if (fails(m_store, this, QStringLiteral("Folder.Items")))
            return nullptr;
        return std::make_unique<MemItems>(m_store, m_id);
    }
    QString name() override { return m_store->m_folders.value(m_id).name; }
    QString entryId() override { return m_id; }
    void remove() override
    {
        if (!fails(m_store, this, QStringLiteral("Folder.Delete")))
            m_store->removeFolder(m_id);
    }

private:
    MemoryOutlook *m_store;
    QString m_id;
};

std::unique_ptr<OlFolder> MemFolders::item(int index)
{
    const QStringList ids = m_store->subfolders(m_parent);
    if (fails(m_store, this, QStringLiteral("Folders.Item")) || index < 1 || index > ids.size())
        return nullptr;
    return std::make_unique<MemFolder>(m_store, ids.at(index - 1));
}

std::unique_ptr<OlFolder> MemFolders::getNext()
{
    const QStringList ids = m_store->subfolders(m_parent);
    if (m_cursor >= ids.size())
        return nullptr;
    return std::make_unique<MemFolder>(m_store, ids.at(m_cursor++));
}

std::unique_ptr<OlFolder> MemFolders::add(const QString &name, int type)
{
    if (fails(m_store, this, QStringLiteral("Folders.Add")))
        return nullptr;
    const QStringList siblings = m_store->subfolders(m_parent);
    for (const QString &id : siblings) {
        if (m_store->m_folders.value(id).name == name) {
            emit exception(-2147352567, QStringLiteral("Outlook"), QStringLiteral("folder name already in use"),
                           QString());
            return nullptr;
        }
    }
    if (type != MemFolder::TasksFolderType)
        return nullptr;
    return std::make_unique<MemFolder>(m_store, m_store->addFolder(name, m_parent));
}

class MemNameSpace : public OlNameSpace
{
public:
    explicit MemNameSpace(MemoryOutlook *store) : m_store(store) {}
    std::unique_ptr<OlFolder> getDefaultFolder(int type) override
    {
        if (fails(m_store, this, QStringLiteral("NameSpace.GetDefaultFolder")) || type != OlFolder::TasksFolderType)
            return nullptr;
        return std::make_unique<MemFolder>(m_store, m_store->tasksFolder());
    }

private:
    MemoryOutlook *m_store;
};

class MemApplication : public OlApplication
{
public:
    explicit MemApplication(MemoryOutlook *store) : m_store(store) {}
    QString version() override { return m_store->version; }
    std::unique_ptr<OlNameSpace> session() override { return std::make_unique<MemNameSpace>(m_store); }
    std::unique_ptr<OlTaskItem> createItem(int type) override
    {
        if (type != TaskItemType)
            return nullptr;
        const QString id = m_store->newId("item");
        m_store->m_items.insert(id, MemoryOutlook::Item());
        return std::make_unique<MemTaskItem>(m_store, id);
    }

private:
    MemoryOutlook *m_store;
};

} // namespace

MemoryOutlook::MemoryOutlook()
{
    m_tasksFolder = newId("folder");
    m_folders.insert(m_tasksFolder, {QStringLiteral("Tasks"), QString()});
}

std::unique_ptr<OlApplication> MemoryOutlook::createApplication()
{
    if (!installed)
        return nullptr;
    return std::make_unique<MemApplication>(this);
}

QString MemoryOutlook::newId(const char *kind)
{
    return QStringLiteral("%1-%2").arg(QLatin1String(kind)).arg(m_nextId++);
}

bool MemoryOutlook::failing(const QString &operation)
{
    ++m_calls[operation];
    if (m_failing != operation)
        return false;
    m_failing.clear();
    return true;
}

QString MemoryOutlook::addFolder(const QString &name, const QString &parent)
{
    const QString id = newId("folder");
    m_folders.insert(id, {name, parent.isEmpty() ? m_tasksFolder : parent});
    m_folderOrder.append(id);
    return id;
}

QString MemoryOutlook::addItem(const QString &folder, const QString &subject, bool complete, bool createdByUs)
{
    const QString id = newId("item");
    Item item;
    item.folder = folder;
    item.subject = subject;
    item.complete = complete;
    item.modified = stamp();
    if (createdByUs)
        item.properties.insert(QStringLiteral("plumdeck-created"), true);
    m_items.insert(id, item);
    m_itemOrder.append(id);
    return id;
}

void MemoryOutlook::edit(const QString &id, const QString &subject, bool complete)
{
    Item &edited = m_items[id];
    edited.subject = subject;
    edited.complete = complete;
    edited.modified = stamp();
}

void MemoryOutlook::removeFolder(const QString &id)
{
    for (const QString &child : subfolders(id))
        removeFolder(child);
    for (const QString &item : items(id))
        removeItem(item);
    m_folders.remove(id);
    m_folderOrder.removeAll(id);
}

void MemoryOutlook::removeItem(const QString &id)
{
    m_items.remove(id);
    m_itemOrder.removeAll(id);
}

QStringList MemoryOutlook::subfolders(const QString &parent) const
{
    const QString of = parent.isEmpty() ? m_tasksFolder : parent;
    QStringList ids;
    for (const QString &id : m_folderOrder) {
        if (m_folders.value(id).parent == of)
            ids.append(id);
    }
    return ids;
}

QStringList MemoryOutlook::folderNames() const
{
    QStringList names;
    for (const QString &id : subfolders())
        names.append(m_folders.value(id).name);
    return names;
}

QStringList MemoryOutlook::items(const QString &folder) const
{
    QStringList ids;
    for (const QString &id : m_itemOrder) {
        if (m_items.value(id).folder == folder)
            ids.append(id);
    }
    return ids;
}

QStringList MemoryOutlook::subjects(const QString &folder) const
{
    QStringList subjects;
    for (const QString &id : items(folder))
        subjects.append(m_items.value(id).subject);
    return subjects;
}

QString MemoryOutlook::folderByName(const QString &name) const
{
    for (const QString &id : subfolders()) {
        if (m_folders.value(id).name == name)
            return id;
    }
    return QString();
}
