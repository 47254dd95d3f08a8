#ifndef CHATS_H
#define CHATS_H

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QObject>

#include "contacts/chat.h"
#include "contacts/chatdata.h"

class FetchingSubscription;
class User;

// The signed-in user's current chats: learnt from the server's
// "/chats-current" resource and its events, one Chat per server chat, plus
// the chats started here. Chats are only ever added. The models container
// owns it.
class Chats : public QObject
{
    Q_OBJECT
public:
    // A one-to-one chat changed at most this long ago is reused.
    static const int reuseSeconds = 3600;

    explicit Chats(QObject *parent = nullptr);
    ~Chats() override;

    QList<Chat *> chats() const { return m_chats; }
    Chat *chatById(quint32 id) const;
    Chat *chatWithUser(User *user) const;
    // Brings a recent one-to-one chat with the user forward, or starts one.
    void startChatWith(User *user);
    void addOrUpdateChat(const ChatData &data);

    // While a chat waits for its creation answer, announcements of new chats
    // are held back, so the announcement finds the chat by its new id.
    void holdEventsFor(Chat *chat);
    void releaseEventsFor(Chat *chat);

signals:
    void chatAdded(Chat *chat);

private slots:
    void onChatsFetched(const QDomDocument &document);
    void onChatsEventReceived(const QDomElement &event);

private:
    void addChat(Chat *chat);

    FetchingSubscription *m_subscription = nullptr;
    QList<Chat *> m_chats;
    QList<Chat *> m_chatsBeingCreated;
    bool m_destroying = false;
};

#endif
