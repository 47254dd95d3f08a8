#ifndef FRIENDSREADERWRITER_H
#define FRIENDSREADERWRITER_H

#include <QDomDocument>
#include <QDomElement>
#include <QList>

#include "contacts/presence.h"
#include "core/xmlreaderwriter.h"

class QIODevice;
class User;

// Reads and writes the documents about users: the own presence sent to the
// server, user references, presences and contact data with their lists, the
// pushed friend and friend-request events, the error document of a refused
// request, and the local "friends.xhtml". Users are resolved with User::get.
// Always a server document (no format version), also for the local file.
class FriendsReaderWriter : public XMLReaderWriter
{
public:
    FriendsReaderWriter();

    QDomDocument writePresence(const Presence &presence);
    Presence readPresence(const QDomElement &element);

    User *readUserRef(const QDomElement &element);
    // Applies a presence the element carries.
    User *readUserPresence(const QDomElement &element);
    // Replaces the user's fields.
    User *readUserData(const QDomElement &element);

    User *readUserRefEvent(const QDomElement &event);
    User *readUserPresenceEvent(const QDomElement &event);
    User *readUserDataDocument(const QDomDocument &document);

    // Users read before a bad item stay appended; false from there on.
    bool readUserRefList(const QDomDocument &document, QList<User *> &users);
    bool readUserPresenceList(const QDomDocument &document, QList<User *> &users);
    bool readUserDataList(const QDomDocument &document, QList<User *> &users);

    // The refused request's error name, or a null string.
    QString readErrorName(const QDomDocument &document);

    void writeUserData(QDomElement parent, User *user);
    QDomDocument writeLocalUserData(const QList<User *> &users);
    bool writeLocalUserDataToDevice(const QList<User *> &users, QIODevice *device);
    // The out list is replaced only when the whole document reads.
    bool readLocalUserData(const QDomDocument &document, QList<User *> &users);
    bool readLocalUserDataFromDevice(QIODevice *device, QList<User *> &users);

private:
    using ItemReader = User *(FriendsReaderWriter::*)(const QDomElement &);
    bool readList(const QDomDocument &document, const QString &listClass,
                  const QString &itemClass, ItemReader reader, QList<User *> &users);
    QDomElement bodyOf(const QDomDocument &document);
    QDomElement eventItem(const QDomElement &event, const QString &itemClass);
};

#endif
