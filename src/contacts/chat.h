#ifndef CHAT_H
#define CHAT_H

#include <QDateTime>
#include <QDomElement>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QStringList>

#include "contacts/chatdata.h"

class Chats;
class EventSubscription;
class User;
class XMLRequest;

// One conversation of the signed-in user with one or more others: the
// participants with their typing activity, the messages in arrival order and
// the server id. A chat started here is created on the server with its first
// message; messages written before it has an id, or while the event
// connection is down, wait in a queue. Owned by the current chats.
class Chat : public QObject
{
    Q_OBJECT
public:
    enum Activity {
        ActivityUnknown = 0, // never sent
        ActivityNone = 1,
        ActivityTyping = 2,
        ActivityDeleting = 3,
    };
    Q_ENUM(Activity)

    // Started here (startedLocally); a non-zero id is applied at once.
    Chat(Chats *owner, quint32 id, QObject *parent = nullptr);
    // Described by the server.
    Chat(Chats *owner, const ChatData &data, QObject *parent = nullptr);
    ~Chat() override;

    quint32 id() const { return m_id; }
    bool hasId() const { return m_id != 0; }
    QDateTime modifiedTime() const { return m_modifiedTime; }
    QList<UserAndMessageText> messages() const { return m_messages; }
    // The participants other than the signed-in user, in the order they came.
    QList<User *> participants() const;
    Activity activityForUser(User *user) const;
    QString errorString() const { return m_errorText; }
    bool hasError() const { return !m_errorText.isEmpty(); }
    bool isConnected() const;
    bool isStartedLocally() const { return m_startedLocally; }
    int queuedMessageCount() const { return m_queuedMessages.size(); }

    // Brings the chat's window forward.
    void activate();
    void addUser(User *user);
    void postMessage(const QString &text);
    void setActivity(Activity activity);
    void update(const ChatData &data);

signals:
    void activated();
    void messageAdded(UserAndMessageText message);
    void activityChanged();
    void participantsChanged();
    void connected();
    void disconnected();
    void errored();

private slots:
    void onPostNewChatRequestFinished();
    void onPutNewChatUsersRequestFinished();
    void onMessageEventReceived(const QDomElement &event);
    void onPostMessageRequestFinished();
    void onPostActivityRequestFinished();
    void onActivityEventReceived(const QDomElement &event);
    void onConnected();

private:
    void setId(quint32 id);
    void postNewChat();
    void postQueuedMessages();
    void postMessageNow(const QString &text);
    void addMessage(const UserAndMessageText &message);
    bool addParticipant(User *user);
    bool isParticipant(User *user) const;
    void setUserActivity(User *user, Activity activity);
    void putUsers();
    QStringList nicksWithOwn() const;
    XMLRequest *sendRequest(const QString &method, const QString &path, const QDomDocument &body,
                            void (Chat::*slot)());
    // Ends a message or participant request: true when it succeeded, else
    // the failure text (with the error or status) is set.
    bool finishUpdate(const char *failure);
    void setError(const QString &text);
    void clearError() { m_errorText.clear(); }

    Chats *const m_owner;
    const bool m_startedLocally;
    QList<QPair<User *, Activity>> m_activities;
    quint32 m_id = 0;
    QDateTime m_modifiedTime;
    EventSubscription *m_messageSubscription = nullptr;
    EventSubscription *m_activitySubscription = nullptr;
    QList<UserAndMessageText> m_messages;
    QStringList m_queuedMessages;
    QString m_errorText;
    QPointer<XMLRequest> m_newChatRequest;
    Activity m_lastSentActivity = ActivityUnknown;
};

#endif
