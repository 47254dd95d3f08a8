#include "model/listsgroupsreaderwriter.h"

#include "model/listsgroups.h"

#include <QDebug>
#include <QIODevice>
#include <memory>

namespace {

const QString GroupsClass = QStringLiteral("pd-groups");
const QString GroupClass = QStringLiteral("pd-group");
const QString GroupFieldsClass = QStringLiteral("pd-group-fields");
const QString GroupListsClass = QStringLiteral("pd-group-lists");
const QString GroupListClass = QStringLiteral("pd-group-list");
const QString ListIdClass = QStringLiteral("pd-list-id");
const QString ListLocalIdClass = QStringLiteral("pd-list-local-id");
const QString LocalFieldsClass = QStringLiteral("pd-groups-local-fields");
const QString DeletedGroupsClass = QStringLiteral("pd-groups-deleted");
const QString EditedKey = QStringLiteral("eddited-since-sync"); // sic: the stored key
const QString InDoubtKey = QStringLiteral("upload-in-doubt");
// Beside the tree, at its depth: readers that know only the tree pass it by.
const QString AgreedClass = QStringLiteral("pd-groups-agreed");
// What the uploads in doubt sent: one root group item each, oldest first.
const QString SentClass = QStringLiteral("pd-groups-sent");
const QString LocalIdKey = QStringLiteral("local-id");
// Where the lists removed here stood (ListsGroups::removedPlaces), oldest first.
const QString RemovedPlacesClass = QStringLiteral("pd-groups-removed-lists");
const QString RemovedPlaceClass = QStringLiteral("pd-removed-list");

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

ListsGroupsReaderWriter::ListsGroupsReaderWriter(int documentKind)
    : TaskReaderWriter(documentKind)
{
}

ListsGroupsReaderWriter::~ListsGroupsReaderWriter() = default;

// ---- writing

QDomDocument ListsGroupsReaderWriter::writeListsGroups(const ListsGroups *groups)
{
    QDomDocument doc = createDocument();
    QDomElement body = appendHeadAndBody(doc, QStringLiteral("list groups display order"));
    if (documentKind() == LocalDocument) {
        QDomElement dl = appendElementWithClass(body, QStringLiteral("dl"), LocalFieldsClass);
        appendDefinition(dl, EditedKey, boolText(groups->isEditedSinceSync()));
        if (groups->isUploadInDoubt())
            appendDefinition(dl, InDoubtKey, boolText(true));
    }
    QDomElement ol = appendElementWithClass(body, QStringLiteral("ol"), GroupsClass);
    writeGroup(ol, groups->rootGroup());

    const QList<ListsGroupsElementGroup *> &deleted = *groups->deletedGroups();
    if (!deleted.isEmpty()) {
        QDomElement deletedOl = appendElementWithClass(body, QStringLiteral("ol"), DeletedGroupsClass);
        for (const ListsGroupsElementGroup *group : deleted)
            writeDeletedGroup(deletedOl, group);
    }
    // An unedited tree is what it agreed: only an edited one keeps a copy.
    if (documentKind() == LocalDocument && groups->isEditedSinceSync() && groups->agreed()) {
        QDomElement agreedOl = appendElementWithClass(body, QStringLiteral("ol"), AgreedClass);
        writeGroup(agreedOl, groups->agreed()->rootGroup());
    }
    if (documentKind() == LocalDocument && !groups->sentInDoubt().isEmpty()) {
        QDomElement sentOl = appendElementWithClass(body, QStringLiteral("ol"), SentClass);
        for (const auto &sent : groups->sentInDoubt())
            writeGroup(sentOl, sent->rootGroup());
    }
    if (documentKind() == LocalDocument && !groups->removedPlaces().isEmpty()) {
        QDomElement placesOl = appendElementWithClass(body, QStringLiteral("ol"), RemovedPlacesClass);
        for (const ListsGroups::RemovedPlace &place : groups->removedPlaces()) {
            const QDomElement li = appendElementWithClass(placesOl, QStringLiteral("li"), RemovedPlaceClass);
            QDomElement dl = appendElementWithClass(li, QStringLiteral("dl"), RemovedPlaceClass + QStringLiteral("-fields"));
            appendDefinition(dl, QStringLiteral("list"), QString::number(place.list));
            appendDefinition(dl, QStringLiteral("group"), QString::number(place.groupId));
            appendDefinition(dl, LocalIdKey, QString::number(place.groupLocalId));
            appendDefinition(dl, QStringLiteral("after"), QString::number(place.after));
        }
    }
    return doc;
}

bool ListsGroupsReaderWriter::saveListsGroups(const ListsGroups *groups, QIODevice *device)
{
    return writeDocument(writeListsGroups(groups), device);
}

void ListsGroupsReaderWriter::writeGroup(QDomElement parent, const ListsGroupsElementGroup *group)
{
    QDomElement li = appendElementWithClass(parent, QStringLiteral("li"), GroupClass);
    QDomElement dl = appendElementWithClass(li, QStringLiteral("dl"), GroupFieldsClass);
    // "name" is always written (empty for a null name): the reader refuses a
    // group without it, and the id goes with the name.
    appendDefinition(dl, QStringLiteral("name"), group->name());
    if (group->serverId() != 0)
        appendDefinition(dl, QStringLiteral("id"), groupIdToString(group->serverId()));
    appendDefinition(dl, QStringLiteral("expanded"), boolText(group->isExpanded()));
    if (documentKind() == LocalDocument && group->localId() != 0)
        appendDefinition(dl, LocalIdKey, QString::number(group->localId()));
    if (group->listCount() > 0)
        writeGroupLists(li, group);
    if (group->groupCount() > 0)
        writeChildGroups(li, group);
}

void ListsGroupsReaderWriter::writeGroupLists(QDomElement groupItem, const ListsGroupsElementGroup *group)
{
    QDomElement ol = appendElementWithClass(groupItem, QStringLiteral("ol"), GroupListsClass);
    for (const ListsGroupsElementList *entry : group->lists())
        writeGroupList(ol, entry);
}

void ListsGroupsReaderWriter::writeGroupList(QDomElement ol, const ListsGroupsElementList *entry)
{
    if (documentKind() == ServerDocument) {
        if (entry->serverId() == 0) {
            qDebug() << "Server Id invalid!!!!!";
            return;
        }
    } else if (entry->serverId() == 0 && entry->localId() == 0) {
        return;
    }
    QDomElement li = appendElementWithClass(ol, QStringLiteral("li"), GroupListClass);
    if (entry->serverId() != 0) {
        QDomElement a = appendTextElement(li, QStringLiteral("a"), listIdToString(entry->serverId()), ListIdClass);
        a.setAttribute(QStringLiteral("href"), QStringLiteral("/plumdeck/lists/%1").arg(entry->serverId()));
    }
    if (documentKind() == LocalDocument && entry->localId() != 0)
        appendTextElement(li, QStringLiteral("span"), listIdToString(entry->localId()), ListLocalIdClass);
}

void ListsGroupsReaderWriter::writeChildGroups(QDomElement groupItem, const ListsGroupsElementGroup *group)
{
    QDomElement ol = appendElementWithClass(groupItem, QStringLiteral("ol"), GroupsClass);
    for (const ListsGroupsElementGroup *child : group->groups())
        writeGroup(ol, child);
}

void ListsGroupsReaderWriter::writeDeletedGroup(QDomElement ol, const ListsGroupsElementGroup *group)
{
    // Without an id the reader would refuse the item, and with it the whole
    // document; such a group has nothing to tell the server anyway.
    if (group->serverId() == 0) {
        qWarning() << "TaskReaderWriter::writeDeletedGroup, the group has no server id or name";
        return;
    }
    QDomElement li = appendElementWithClass(ol, QStringLiteral("li"), GroupClass);
    QDomElement dl = appendElementWithClass(li, QStringLiteral("dl"), GroupFieldsClass);
    appendDefinition(dl, QStringLiteral("name"), group->name());
    appendDefinition(dl, QStringLiteral("id"), groupIdToString(group->serverId()));
}

// ---- reading

ListsGroups *ListsGroupsReaderWriter::loadListsGroups(QIODevice *device)
{
    const QDomDocument doc = readDocument(device);
    if (doc.isNull())
        return nullptr;
    ListsGroups *groups = readListsGroups(doc);
    if (groups && !errorString().isEmpty()) {
        delete groups;
        return nullptr;
    }
    return groups;
}

ListsGroups *ListsGroupsReaderWriter::readListsGroups(const QDomDocument &doc)
{
    std::unique_ptr<ListsGroups> groups(new ListsGroups);
    m_depth = 0;

    const QDomElement root = doc.documentElement();
    if (mandatoryElementByTagName(root, QStringLiteral("head")).isNull())
        return nullptr;
    const QDomElement body = mandatoryElementByTagName(root, QStringLiteral("body"));
    if (body.isNull())
        return nullptr;

    const QDomElement localFields = childElementByClass(body, LocalFieldsClass);
    if (localFields.isNull())
        groups->setEditedSinceSync(true);
    else
        groups->setEditedSinceSync(definitionValue(localFields, EditedKey) == QLatin1String("true"));

    const QDomElement groupsOl = childElementByClass(body, GroupsClass);
    if (groupsOl.isNull()) {
        qWarning() << "TaskReaderWriter::readListsGroups, pd-groups tag not found";
        return nullptr;
    }
    const QDomElement rootItem = childElementByClass(groupsOl, GroupClass);
    if (rootItem.isNull()) {
        qWarning() << "TaskReaderWriter::readListsGroups, root group not found";
    } else if (!readGroup(groups->rootGroup(), rootItem, true)) {
        qWarning() << "TaskReaderWriter::readListsGroups, error reading the groups";
        return nullptr;
    }

    const QDomElement deletedOl = childElementByClass(body, DeletedGroupsClass);
    if (!deletedOl.isNull() && !readDeletedGroups(groups.get(), deletedOl)) {
        qWarning() << "TaskReaderWriter::readListsGroups, error reading the deleted groups";
        return nullptr;
    }

    if (documentKind() == ServerDocument && !errorString().isEmpty())
        return nullptr;
    if (documentKind() == LocalDocument) {
        groups->setUploadInDoubt(definitionValue(localFields, InDoubtKey) == QLatin1String("true"));
        if (!groups->isEditedSinceSync())
            groups->agreeAsIs();
        else
            readAgreed(groups.get(), body);
        readSent(groups.get(), body);
        readRemovedPlaces(groups.get(), body);
    }
    return groups.release();
}

void ListsGroupsReaderWriter::readAgreed(ListsGroups *groups, const QDomElement &body)
{
    const ErrorState before = errorState();
    const QDomElement ol = childElementByClass(body, AgreedClass);
    if (ol.isNull() && errorState().count == before.count)
        return;
    const QDomElement rootItem = ol.isNull() ? QDomElement() : childElementByClass(ol, GroupClass);
    auto agreed = std::make_shared<ListsGroups>();
    bool read = !rootItem.isNull() && readGroup(agreed->rootGroup(), rootItem, true);
    // The server names every list it places by its id.
    read = read && !hasEntryWithoutServerId(agreed->rootGroup());
    if (!read || errorState().count != before.count) {
        qWarning() << "the agreed copy of the list groups does not read; the groups merge without it";
        restoreErrorState(before);
        return;
    }
    agreed->setEditedSinceSync(false);
    agreed->clearModified();
    groups->setAgreed(std::move(agreed));
}

void ListsGroupsReaderWriter::readSent(ListsGroups *groups, const QDomElement &body)
{
    const ErrorState before = errorState();
    const QDomElement ol = childElementByClass(body, SentClass);
    if (ol.isNull() && errorState().count == before.count)
        return;
    ListsGroups::SentTrees sent;
    bool read = !ol.isNull();
    for (QDomElement li = ol.firstChildElement(); read && !li.isNull(); li = li.nextSiblingElement()) {
        auto tree = std::make_shared<ListsGroups>();
        m_depth = 0;
        read = li.attribute(QStringLiteral("class")) == GroupClass && readGroup(tree->rootGroup(), li, true)
               && !hasEntryWithoutServerId(tree->rootGroup());
        tree->setEditedSinceSync(false);
        tree->clearModified();
        sent << tree;
    }
    if (!read || errorState().count != before.count) {
        // Without it the next run weighs the server's tree as before.
        qWarning() << "what an upload of the list groups in doubt sent does not read; it is left out";
        restoreErrorState(before);
        return;
    }
    while (sent.size() > ListsGroups::maxSentInDoubt)
        sent.removeFirst();
    groups->setSentInDoubt(sent);
}

// A place that does not read is left out: the list then goes where the
// agreed tree has it.
void ListsGroupsReaderWriter::readRemovedPlaces(ListsGroups *groups, const QDomElement &body)
{
    const QDomElement ol = childElementByClass(body, RemovedPlacesClass);
    QList<ListsGroups::RemovedPlace> places;
    for (QDomElement li = ol.firstChildElement(); !li.isNull(); li = li.nextSiblingElement()) {
        const QDomElement dl = li.firstChildElement(QStringLiteral("dl"));
        bool ok[4] = {};
        ListsGroups::RemovedPlace place;
        place.list = definitionValue(dl, QStringLiteral("list")).toUInt(&ok[0]);
        place.groupId = definitionValue(dl, QStringLiteral("group")).toUInt(&ok[1]);
        place.groupLocalId = definitionValue(dl, LocalIdKey).toUInt(&ok[2]);
        place.after = definitionValue(dl, QStringLiteral("after")).toUInt(&ok[3]);
        if (ok[0] && ok[1] && ok[2] && ok[3] && place.list != 0)
            places << place;
    }
    while (places.size() > ListsGroups::maxRemovedPlaces)
        places.removeFirst();
    groups->setRemovedPlaces(places);
}

bool ListsGroupsReaderWriter::hasEntryWithoutServerId(const ListsGroupsElementGroup *group)
{
    for (const ListsGroupsElementList *entry : group->lists())
        if (entry->serverId() == 0)
            return true;
    for (const ListsGroupsElementGroup *child : group->groups())
        if (hasEntryWithoutServerId(child))
            return true;
    return false;
}

bool ListsGroupsReaderWriter::readGroup(ListsGroupsElementGroup *group, const QDomElement &item, bool root)
{
    ListsGroupsElementGroup *target = group;
    if (!root) {
        const QDomElement fields = childElementByClass(item, GroupFieldsClass);
        if (fields.isNull())
            return false;
        const QString id = definitionValue(fields, QStringLiteral("id"));
        const QString name = definitionValue(fields, QStringLiteral("name"));
        const QString expanded = definitionValue(fields, QStringLiteral("expanded"));
        if (name.isNull())
            return false;
        target = new ListsGroupsElementGroup;
        group->addGroup(target);
        if (!expanded.isNull())
            target->setExpanded(expanded == QLatin1String("true"));
        if (!id.isNull())
            target->setServerId(listIdFromString(id));
        target->setName(name);
        if (documentKind() == LocalDocument) {
            // Only this computer reads it: a damaged one costs that id alone.
            bool ok = false;
            const quint32 localId = definitionValue(fields, LocalIdKey).toUInt(&ok);
            if (ok)
                target->setLocalId(localId);
        }
    }

    const QDomElement lists = childElementByClass(item, GroupListsClass);
    if (!lists.isNull() && !readGroupLists(target, lists))
        return false;
    const QDomElement children = childElementByClass(item, GroupsClass);
    if (!children.isNull() && !readChildGroups(target, children))
        return false;
    return true;
}

bool ListsGroupsReaderWriter::readGroupLists(ListsGroupsElementGroup *group, const QDomElement &ol)
{
    for (QDomElement li = ol.firstChildElement(); !li.isNull(); li = li.nextSiblingElement()) {
        if (li.attribute(QStringLiteral("class")) != GroupListClass)
            return false;
        auto *entry = new ListsGroupsElementList;
        group->addList(entry);
        const QDomElement idElement = childElementByClass(li, ListIdClass);
        if (!idElement.isNull())
            entry->setServerId(listIdFromElement(idElement));
        else if (documentKind() == ServerDocument)
            return false;
        if (documentKind() == LocalDocument) {
            const QDomElement localId = childElementByClass(li, ListLocalIdClass);
            if (!localId.isNull())
                entry->setLocalId(listIdFromString(elementText(localId)));
        }
    }
    return true;
}

bool ListsGroupsReaderWriter::readChildGroups(ListsGroupsElementGroup *parent, const QDomElement &ol)
{
    if (m_depth >= ListsGroups::maxGroupDepth) {
        setError(QStringLiteral("list groups nested deeper than %1 levels").arg(ListsGroups::maxGroupDepth));
        return false;
    }
    ++m_depth;
    bool ok = true;
    for (QDomElement li = ol.firstChildElement(); ok && !li.isNull(); li = li.nextSiblingElement()) {
        if (li.attribute(QStringLiteral("class")) != GroupClass)
            ok = false;
        else
            ok = readGroup(parent, li, false);
    }
    --m_depth;
    return ok;
}

bool ListsGroupsReaderWriter::readDeletedGroups(ListsGroups *groups, const QDomElement &ol)
{
    for (QDomElement li = ol.firstChildElement(); !li.isNull(); li = li.nextSiblingElement()) {
        if (li.attribute(QStringLiteral("class")) != GroupClass)
            return false;
        const QDomElement fields = childElementByClass(li, GroupFieldsClass);
        if (fields.isNull())
            return false;
        const QString id = definitionValue(fields, QStringLiteral("id"));
        const QString name = definitionValue(fields, QStringLiteral("name"));
        if (id.isNull() || name.isNull())
            return false;
        auto *group = new ListsGroupsElementGroup(groups);
        group->setName(name);
        group->setServerId(listIdFromString(id));
        groups->deletedGroups()->append(group);
    }
    return true;
}
