#ifndef MEMORYOUTLOOK_H
#define MEMORYOUTLOOK_H

// An Outlook held in memory for the tests: the default tasks folder with its
// subfolders and task items, modification times from a clock the test sets,
// and failures on demand. Saves and edits are stamped with the program's
// clock, in local time.

#include "core/clock.h"
#include "outlook/outlookprovider.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

class MemoryOutlook : public OutlookProvider
{
public:
    struct Folder
    {
        QString name;
        QString parent;
    };
    struct Item
    {
        QString folder; // empty while never saved
        QString subject;
        bool complete = false;
        bool hasDueDate = true;
        QDateTime modified; // local time
        QMap<QString, QVariant> properties;
        int saves = 0;
    };

    MemoryOutlook();

    std::unique_ptr<OlApplication> createApplication() override;

    QString version = QStringLiteral("12.0.6423.1000");
    bool installed = true;
    // How far Outlook's clock runs ahead of the program's, in seconds.
    int clockAhead = 0;
    QDateTime stamp() const { return Clock::currentDateTime().addSecs(clockAhead); }

    QString tasksFolder() const { return m_tasksFolder; }
    QString addFolder(const QString &name, const QString &parent = QString());
    QString addItem(const QString &folder, const QString &subject, bool complete = false, bool createdByUs = false);
    // Outlook's own edit of an item: stamps the clock.
    void edit(const QString &id, const QString &subject, bool complete);
    void removeFolder(const QString &id);
    void removeItem(const QString &id);

    QStringList subfolders(const QString &parent = QString()) const;
    QStringList folderNames() const;
    QStringList items(const QString &folder) const;
    QStringList subjects(const QString &folder) const;
    QString folderByName(const QString &name) const;
    bool hasFolder(const QString &id) const { return m_folders.contains(id); }
    bool hasItem(const QString &id) const { return m_items.contains(id); }
    Item &item(const QString &id) { return m_items[id]; }

    // The next call named `operation` ("Folders.Add", "Items.Count", ...)
    // fails: the object reports an exception and the call yields nothing.
    void failOn(const QString &operation) { m_failing = operation; }
    bool failing(const QString &operation);
    int calls(const QString &operation) const { return m_calls.value(operation); }

    QString newId(const char *kind);
    QMap<QString, Folder> m_folders;
    QMap<QString, Item> m_items;
    QStringList m_folderOrder;
    QStringList m_itemOrder;

private:
    QString m_tasksFolder;
    QString m_failing;
    QMap<QString, int> m_calls;
    int m_nextId = 1;
};

#endif
