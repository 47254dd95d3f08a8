#ifndef FRIENDS_H
#define FRIENDS_H

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QObject>
#include <QString>

#include "contacts/user.h"

class FetchingSubscription;

// The signed-in user's contacts and incoming contact requests, kept in step
// with the server through the "/friends" and "/friend-requests" resources,
// with a local copy of each contact's fields in "friends.xhtml". The
// models container owns it.
class Friends : public QObject
{
    Q_OBJECT
public:
    explicit Friends(QObject *parent = nullptr);
    ~Friends() override;

    QList<User *> friends() const { return m_friends; }
    bool isFriend(User *user) const { return m_friends.contains(user); }
    bool isConnected() const;

    // Asks the server and removes the contact here at once.
    void removeFriend(User *user);
    void acceptFriendRequest(User *requester);
    void declineFriendRequest(User *requester);

    // Reads "friends.xhtml" when it exists; an unreadable file is kept aside
    // so that the next save cannot overwrite it; the list then stays as it was.
    void load();
    // Writes "friends.xhtml" without ever leaving a half-written file.
    bool save();
    static QString localFilePath();

signals:
    void changed();
    void friendRequestReceived(User *user);
    // The request was withdrawn or answered elsewhere: a question still open
    // about it should close.
    void friendRequestWithdrawn(User *user);
    void userRemoved(QString username);

private slots:
    void onFriendsFetched(const QDomDocument &document);
    void onFriendsAddedEventReceived(const QDomElement &event);
    void onFriendsRemovedEventReceived(const QDomElement &event);
    void onFriendRequestsFetched(const QDomDocument &document);
    void onFriendRequestsEventReceived(const QDomElement &event);
    void onFriendRequestsRemovedEventReceived(const QDomElement &event);
    void onSubscriptionDisconnected();
    void onAcceptFriendRequestFinished();
    void onDeclineFriendRequestFinished();
    void onDeleteFriendRequestFinished();

private:
    void removeUser(User *user);
    static bool canAddress(User *user);
    void synchronize(const QList<User *> &users);
    void sendRequest(const QString &method, const QString &path, const QByteArray &body,
                     void (Friends::*slot)());

    QList<User *> m_friends;
    FetchingSubscription *m_friendsSubscription = nullptr;
    FetchingSubscription *m_requestsSubscription = nullptr;
};

#endif
