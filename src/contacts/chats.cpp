#include "contacts/chats.h"

#include <QDebug>

#include "contacts/chat.h"
#include "contacts/chatreaderwriter.h"
#include "contacts/user.h"
#include "core/clock.h"
#include "sync/requests/fetchingsubscription.h"

Chats::Chats(QObject *parent)
    : QObject(parent)
    , m_subscription(new FetchingSubscription(QStringLiteral("/chats-current"), true, this))
{
    connect(m_subscription, &FetchingSubscription::fetched, this, &Chats::onChatsFetched);
    connect(m_subscription, &FetchingSubscription::addedEvent, this, &Chats::onChatsEventReceived);
}

Chats::~Chats()
{
    m_destroying = true;
    delete m_subscription;
    m_subscription = nullptr;
    // While this object is still whole: a chat being created releases its
    // hold on the way out.
    const QList<Chat *> chats = m_chats;
    m_chats.clear();
    qDeleteAll(chats);
}

Chat *Chats::chatById(quint32 id) const
{
    for (Chat *chat : m_chats) {
        if (chat->id() == id)
            return chat;
    }
    return nullptr;
}

Chat *Chats::chatWithUser(User *user) const
{
    const QDateTime now = Clock::currentDateTimeUtc();
    Chat *best = nullptr;
    for (Chat *chat : m_chats) {
        const QList<User *> participants = chat->participants();
        if (participants.size() != 1 || participants.first() != user)
            continue;
        if (chat->modifiedTime().secsTo(now) > reuseSeconds)
            continue;
        if (!best || chat->modifiedTime() > best->modifiedTime())
            best = chat;
    }
    return best;
}

void Chats::startChatWith(User *user)
{
    if (Chat *chat = chatWithUser(user)) {
        chat->activate();
        return;
    }
    auto *chat = new Chat(this, 0, this);
    chat->addUser(user);
    addChat(chat);
}

void Chats::addChat(Chat *chat)
{
    m_chats.append(chat);
    emit chatAdded(chat);
}

void Chats::addOrUpdateChat(const ChatData &data)
{
    if (Chat *chat = chatById(data.id)) {
        chat->update(data);
        return;
    }
    addChat(new Chat(this, data, this));
}

void Chats::holdEventsFor(Chat *chat)
{
    if (!m_chatsBeingCreated.contains(chat))
        m_chatsBeingCreated.append(chat);
    m_subscription->setHoldEvents(true);
}

void Chats::releaseEventsFor(Chat *chat)
{
    m_chatsBeingCreated.removeAll(chat);
    if (m_destroying || !m_chatsBeingCreated.isEmpty())
        return;
    m_subscription->setHoldEvents(false);
}

void Chats::onChatsFetched(const QDomDocument &document)
{
    ChatReaderWriter reader;
    const QList<ChatData> list = reader.readChatDataList(document);
    if (!reader.errorString().isEmpty())
        qWarning() << "parse error" << reader.errorString();
    for (const ChatData &data : list)
        addOrUpdateChat(data);
}

void Chats::onChatsEventReceived(const QDomElement &event)
{
    ChatReaderWriter reader;
    const ChatData data = reader.readChatDataEvent(event);
    if (data.isNull()) {
        qWarning() << "failed to read chat event" << reader.errorString();
        return;
    }
    addOrUpdateChat(data);
}
