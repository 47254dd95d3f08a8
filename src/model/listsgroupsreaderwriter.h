#ifndef LISTSGROUPSREADERWRITER_H
#define LISTSGROUPSREADERWRITER_H

#include "model/taskreaderwriter.h"

#include <QDomDocument>
#include <QDomElement>

class ListsGroups;
class ListsGroupsElementGroup;
class ListsGroupsElementList;
class QIODevice;

// The list groups document: "listsGroups.xhtml" (kind LocalDocument) and the
// user's list groups on the server (kind ServerDocument). A task document,
// sharing TaskReaderWriter's id text forms and error text. Made on the stack
// for one operation.
class ListsGroupsReaderWriter : public TaskReaderWriter
{
public:
    explicit ListsGroupsReaderWriter(int documentKind);
    ~ListsGroupsReaderWriter() override;

    QDomDocument writeListsGroups(const ListsGroups *groups);
    // The device is opened here when it is not open yet; the caller closes
    // or commits it.
    bool saveListsGroups(const ListsGroups *groups, QIODevice *device);
    // A new tree, or null. A kind ServerDocument read that recorded any error
    // text is null too: a group or entry that lost its id must not reach the
    // server as a new one.
    ListsGroups *readListsGroups(const QDomDocument &doc);
    // Null also when the read recorded any error text.
    ListsGroups *loadListsGroups(QIODevice *device);

    void writeGroup(QDomElement parent, const ListsGroupsElementGroup *group);
    void writeGroupLists(QDomElement groupItem, const ListsGroupsElementGroup *group);
    void writeGroupList(QDomElement ol, const ListsGroupsElementList *entry);
    void writeChildGroups(QDomElement groupItem, const ListsGroupsElementGroup *group);
    void writeDeletedGroup(QDomElement ol, const ListsGroupsElementGroup *group);

    bool readGroup(ListsGroupsElementGroup *group, const QDomElement &item, bool root);
    bool readGroupLists(ListsGroupsElementGroup *group, const QDomElement &ol);
    bool readChildGroups(ListsGroupsElementGroup *parent, const QDomElement &ol);
    bool readDeletedGroups(ListsGroups *groups, const QDomElement &ol);

private:
    // What an edited tree last agreed with the server; a part that does not
    // read costs that copy alone (the tree then goes up as before).
    void readAgreed(ListsGroups *groups, const QDomElement &body);
    // What the uploads in doubt sent; one that does not read drops them all.
    void readSent(ListsGroups *groups, const QDomElement &body);
    void readRemovedPlaces(ListsGroups *groups, const QDomElement &body);
    static bool hasEntryWithoutServerId(const ListsGroupsElementGroup *group);

    int m_depth = 0;
};

#endif
