#include "contacts/friends.h"

#include <QDebug>
#include <QFile>

#include "contacts/friendsreaderwriter.h"
#include "contacts/friendssynchronizer.h"
#include "contacts/user.h"
#include "core/paths.h"
#include "model/documentfile.h"
#include "sync/requests/fetchingsubscription.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/xmlrequest.h"

Friends::Friends(QObject *parent)
    : QObject(parent)
    , m_friendsSubscription(new FetchingSubscription(QStringLiteral("/friends"), true, this))
    , m_requestsSubscription(new FetchingSubscription(QStringLiteral("/friend-requests"), true, this))
{
    connect(m_friendsSubscription, &FetchingSubscription::fetched, this, &Friends::onFriendsFetched);
    connect(m_friendsSubscription, &FetchingSubscription::addedEvent, this,
            &Friends::onFriendsAddedEventReceived);
    connect(m_friendsSubscription, &FetchingSubscription::removedEvent, this,
            &Friends::onFriendsRemovedEventReceived);
    connect(m_friendsSubscription, &FetchingSubscription::disconnected, this,
            &Friends::onSubscriptionDisconnected);
    connect(m_requestsSubscription, &FetchingSubscription::fetched, this,
            &Friends::onFriendRequestsFetched);
    connect(m_requestsSubscription, &FetchingSubscription::addedEvent, this,
            &Friends::onFriendRequestsEventReceived);
    connect(m_requestsSubscription, &FetchingSubscription::removedEvent, this,
            &Friends::onFriendRequestsRemovedEventReceived);
    load();
}

Friends::~Friends()
{
    delete m_friendsSubscription;
    delete m_requestsSubscription;
}

bool Friends::isConnected() const
{
    return m_friendsSubscription->isConnected();
}

QString Friends::localFilePath()
{
    return userDataDir().filePath(QStringLiteral("friends.xhtml"));
}

void Friends::load()
{
    const QString path = localFilePath();
    DocumentFile::removeSaveLeftovers(path);
    if (!QFile::exists(path))
        return;
    QFile file(path);
    FriendsReaderWriter reader;
    QList<User *> users;
    if (!reader.readLocalUserDataFromDevice(&file, users)) {
        file.close();
        qWarning() << "error loading friends" << reader.errorString();
        DocumentFile::keepAside(path, QStringLiteral("friends"));
        return;
    }
    DocumentFile::loaded(path);
    m_friends = users;
}

bool Friends::save()
{
    QString error;
    const QList<User *> users = m_friends;
    const bool ok = DocumentFile::save(
        localFilePath(),
        [&users](QIODevice *device, QString *message) {
            FriendsReaderWriter writer;
            if (writer.writeLocalUserDataToDevice(users, device))
                return true;
            *message = writer.errorString();
            return false;
        },
        &error);
    if (!ok)
        qWarning() << "error saving friends" << error;
    return ok;
}

void Friends::synchronize(const QList<User *> &users)
{
    auto *synchronizer = new FriendsSynchronizer(users, this);
    connect(synchronizer, &BaseSynchronizer::finished, synchronizer, &QObject::deleteLater);
    synchronizer->start();
}

void Friends::onFriendsFetched(const QDomDocument &document)
{
    FriendsReaderWriter reader;
    QList<User *> users;
    if (reader.readUserPresenceList(document, users)) {
        m_friends = users;
        emit changed();
    } else {
        qWarning() << "TODO parse error" << reader.errorString();
    }
    synchronize(m_friends);
}

void Friends::onFriendsAddedEventReceived(const QDomElement &event)
{
    FriendsReaderWriter reader;
    User *user = reader.readUserPresenceEvent(event);
    if (!user) {
        qWarning() << "failed to parse incoming event" << reader.errorString();
        return;
    }
    if (isFriend(user))
        return;
    m_friends.append(user);
    emit changed();
    synchronize({user});
}

void Friends::onFriendsRemovedEventReceived(const QDomElement &event)
{
    FriendsReaderWriter reader;
    User *user = reader.readUserPresenceEvent(event);
    if (!user) {
        qWarning() << "failed to parse incoming friend remove event" << reader.errorString();
        return;
    }
    removeUser(user);
}

void Friends::removeUser(User *user)
{
    if (!m_friends.removeAll(user))
        return;
    emit userRemoved(user->nick());
    emit changed();
}

void Friends::onFriendRequestsFetched(const QDomDocument &document)
{
    FriendsReaderWriter reader;
    QList<User *> users;
    if (!reader.readUserRefList(document, users)) {
        qWarning() << "failed to read friend requests" << reader.errorString();
        return;
    }
    for (User *user : std::as_const(users))
        emit friendRequestReceived(user);
}

void Friends::onFriendRequestsEventReceived(const QDomElement &event)
{
    FriendsReaderWriter reader;
    User *user = reader.readUserRefEvent(event);
    if (!user) {
        qWarning() << "failed to parse incoming friend requests event" << reader.errorString();
        return;
    }
    emit friendRequestReceived(user);
}

void Friends::onFriendRequestsRemovedEventReceived(const QDomElement &event)
{
    // A withdrawn or already answered request must not be asked about again.
    FriendsReaderWriter reader;
    User *user = reader.readUserRefEvent(event);
    if (!user) {
        qWarning() << "failed to parse incoming friend requests event" << reader.errorString();
        return;
    }
    emit friendRequestWithdrawn(user);
}

void Friends::onSubscriptionDisconnected()
{
    emit changed();
}

void Friends::sendRequest(const QString &method, const QString &path, const QByteArray &body,
                          void (Friends::*slot)())
{
    auto *request = new XMLRequest(method, path, false, this);
    if (!body.isEmpty())
        request->setBody(body);
    connect(request, &Request::finished, this, slot);
    ServerHttpConnection::instance()->addRequest(request);
}

bool Friends::canAddress(User *user)
{
    if (user->isAddressable() && User::get(User::ownNick())->isAddressable())
        return true;
    qWarning() << "Friends: no request can name the user" << user->nick();
    return false;
}

void Friends::removeFriend(User *user)
{
    if (!isFriend(user)) {
        qWarning() << "Friends::removeFriend" << user->nick() << "not a friend";
        return;
    }
    if (!canAddress(user))
        return;
    sendRequest(QStringLiteral("DELETE"),
                User::get(User::ownNick())->resourcePath() + QStringLiteral("/friends/")
                    + user->nickSegment(),
                QByteArray(), &Friends::onDeleteFriendRequestFinished);
    removeUser(user);
}

void Friends::acceptFriendRequest(User *requester)
{
    if (!canAddress(requester))
        return;
    // The request goes back the other way: to the requester's resource.
    sendRequest(QStringLiteral("POST"), requester->resourcePath() + QStringLiteral("/friend-requests"),
                QByteArrayLiteral("dummy"), &Friends::onAcceptFriendRequestFinished);
}

void Friends::declineFriendRequest(User *requester)
{
    if (!canAddress(requester))
        return;
    sendRequest(QStringLiteral("DELETE"),
                User::get(User::ownNick())->resourcePath() + QStringLiteral("/friend-requests/")
                    + requester->nickSegment(),
                QByteArray(), &Friends::onDeclineFriendRequestFinished);
}

void Friends::onAcceptFriendRequestFinished()
{
    qDebug("onAcceptFriendRequestFinished");
    sender()->deleteLater();
}

void Friends::onDeclineFriendRequestFinished()
{
    qDebug("onDeclineFriendRequestFinished");
    sender()->deleteLater();
}

void Friends::onDeleteFriendRequestFinished()
{
    qDebug("onDeleteFriendRequestFinished");
    sender()->deleteLater();
}
