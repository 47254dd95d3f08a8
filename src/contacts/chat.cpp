#include "contacts/chat.h"

#include <QDebug>

#include "contacts/chatreaderwriter.h"
#include "contacts/chats.h"
#include "contacts/user.h"
#include "core/clock.h"
#include "sync/requests/eventsubscription.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/xmlrequest.h"

Chat::Chat(Chats *owner, quint32 id, QObject *parent)
    : QObject(parent)
    , m_owner(owner)
    , m_startedLocally(true)
    , m_modifiedTime(Clock::currentDateTimeUtc())
{
    if (id != 0)
        setId(id);
}

Chat::Chat(Chats *owner, const ChatData &data, QObject *parent)
    : QObject(parent)
    , m_owner(owner)
    , m_startedLocally(false)
    , m_modifiedTime(Clock::currentDateTimeUtc())
{
    setId(data.id);
    update(data);
}

Chat::~Chat()
{
    // Our own requests go with us; the owner must not keep holding events.
    if (m_newChatRequest && m_owner)
        m_owner->releaseEventsFor(this);
}

QList<User *> Chat::participants() const
{
    QList<User *> users;
    for (const auto &entry : m_activities)
        users.append(entry.first);
    return users;
}

bool Chat::isParticipant(User *user) const
{
    for (const auto &entry : m_activities) {
        if (entry.first == user)
            return true;
    }
    return false;
}

Chat::Activity Chat::activityForUser(User *user) const
{
    for (const auto &entry : m_activities) {
        if (entry.first == user)
            return entry.second;
    }
    qWarning() << "Chat::activityForUser: don't have user" << (user ? user->nick() : QString());
    return ActivityNone;
}

bool Chat::isConnected() const
{
    return m_messageSubscription && m_messageSubscription->isConnected();
}

void Chat::activate()
{
    emit activated();
}

XMLRequest *Chat::sendRequest(const QString &method, const QString &path, const QDomDocument &body,
                              void (Chat::*slot)())
{
    auto *request = new XMLRequest(method, path, false, this);
    request->setRequestDocument(body);
    connect(request, &Request::finished, this, slot);
    ServerHttpConnection::instance()->addRequest(request);
    return request;
}

QStringList Chat::nicksWithOwn() const
{
    QStringList nicks{User::ownNick()};
    for (const auto &entry : m_activities)
        nicks.append(entry.first->nick());
    return nicks;
}

void Chat::postMessage(const QString &text)
{
    if (!hasId() && !m_newChatRequest)
        postNewChat();
    addMessage(UserAndMessageText{User::get(User::ownNick()), text});
    m_queuedMessages.append(text);
    postQueuedMessages();
}

void Chat::postNewChat()
{
    ChatReaderWriter writer;
    m_newChatRequest = sendRequest(QStringLiteral("POST"), QStringLiteral("/chats"),
                                   writer.writeChat(nicksWithOwn()),
                                   &Chat::onPostNewChatRequestFinished);
    // The server may announce the new chat before we know its id.
    if (m_owner)
        m_owner->holdEventsFor(this);
}

void Chat::onPostNewChatRequestFinished()
{
    auto *request = qobject_cast<XMLRequest *>(sender());
    if (!request)
        return;
    clearError();
    if (request->hasError()) {
        setError(tr("failed to start new chat (%1)").arg(request->errorString()));
    } else if (request->responseHeader().statusCode() != 201) {
        setError(tr("failed to start new chat (%1)").arg(request->responseHeader().statusCode()));
    } else {
        ChatReaderWriter reader;
        const quint32 id = reader.readChatIdDocument(request->responseDocument());
        if (id == 0)
            setError(tr("failed to start new chat (%1)").arg(reader.errorString()));
        else
            setId(id);
    }
    request->deleteLater();
    m_newChatRequest = nullptr;
    if (m_owner)
        m_owner->releaseEventsFor(this);
}

void Chat::setId(quint32 id)
{
    m_id = id;
    delete m_messageSubscription;
    delete m_activitySubscription;
    m_messageSubscription = new EventSubscription(QStringLiteral("/chats/%1").arg(id), this);
    connect(m_messageSubscription, &EventSubscription::received, this, &Chat::onMessageEventReceived);
    connect(m_messageSubscription, &EventSubscription::connected, this, &Chat::onConnected);
    connect(m_messageSubscription, &EventSubscription::disconnected, this, &Chat::disconnected);
    m_activitySubscription = new EventSubscription(QStringLiteral("/chats/%1/activity").arg(id), this);
    connect(m_activitySubscription, &EventSubscription::received, this, &Chat::onActivityEventReceived);
    postQueuedMessages();
}

void Chat::onConnected()
{
    // Messages written while the connection was down go out now.
    postQueuedMessages();
    emit connected();
}

void Chat::postQueuedMessages()
{
    if (!hasId() || !isConnected())
        return;
    while (!m_queuedMessages.isEmpty())
        postMessageNow(m_queuedMessages.takeFirst());
}

void Chat::postMessageNow(const QString &text)
{
    ChatReaderWriter writer;
    sendRequest(QStringLiteral("POST"), QStringLiteral("/chats/%1").arg(m_id), writer.writeMessage(text),
                &Chat::onPostMessageRequestFinished);
}

void Chat::onPostMessageRequestFinished()
{
    finishUpdate(QT_TR_NOOP("failed to post message (%1)"));
}

bool Chat::finishUpdate(const char *failure)
{
    auto *request = qobject_cast<XMLRequest *>(sender());
    if (!request)
        return false;
    request->deleteLater();
    clearError();
    // A message and a change of participants may answer 200 or 204.
    const int status = request->responseHeader().statusCode();
    if (request->hasError())
        setError(tr(failure).arg(request->errorString()));
    else if (status != 200 && status != 204)
        setError(tr(failure).arg(status));
    else
        return true;
    return false;
}

void Chat::addMessage(const UserAndMessageText &message)
{
    m_modifiedTime = Clock::currentDateTimeUtc();
    m_messages.append(message);
    emit messageAdded(message);
}

bool Chat::addParticipant(User *user)
{
    if (isParticipant(user))
        return false;
    m_activities.append(qMakePair(user, ActivityUnknown));
    emit participantsChanged();
    return true;
}

void Chat::addUser(User *user)
{
    addParticipant(user);
    if (hasId())
        putUsers();
}

void Chat::putUsers()
{
    ChatReaderWriter writer;
    sendRequest(QStringLiteral("PUT"), QStringLiteral("/chats/%1").arg(m_id), writer.writeChat(nicksWithOwn()),
                &Chat::onPutNewChatUsersRequestFinished);
}

void Chat::onPutNewChatUsersRequestFinished()
{
    if (finishUpdate(QT_TR_NOOP("failed to change chat users (%1)")))
        qDebug("changed chat users ok");
}

void Chat::setActivity(Activity activity)
{
    if (!hasId() || activity == m_lastSentActivity)
        return;
    ChatReaderWriter writer;
    sendRequest(QStringLiteral("POST"), QStringLiteral("/chats/%1/activity").arg(m_id),
                writer.writeActivity(activity), &Chat::onPostActivityRequestFinished);
    m_lastSentActivity = activity;
}

void Chat::onPostActivityRequestFinished()
{
    auto *request = qobject_cast<XMLRequest *>(sender());
    if (!request)
        return;
    request->deleteLater();
    const int status = request->responseHeader().statusCode();
    if (request->hasError()) {
        qWarning() << "failed to post activity" << request->errorString();
        m_lastSentActivity = ActivityUnknown;
    } else if (status != 200 && status != 204) {
        qWarning() << "failed to post activity" << status;
        m_lastSentActivity = ActivityUnknown;
    }
}

void Chat::onMessageEventReceived(const QDomElement &event)
{
    ChatReaderWriter reader;
    UserAndMessageText message;
    if (!reader.readMessageEvent(event, message)) {
        qWarning() << "failed to read message event" << reader.errorString();
        return;
    }
    if (message.user->isOwnUser())
        return;
    if (!isParticipant(message.user)) {
        qWarning() << "don't expect user" << message.user->nick() << "to be posting to chat" << m_id
                   << " - ignoring";
        return;
    }
    addMessage(message);
}

void Chat::onActivityEventReceived(const QDomElement &event)
{
    ChatReaderWriter reader;
    User *user = nullptr;
    Activity activity = ActivityUnknown;
    if (!reader.readActivityEvent(event, user, activity)) {
        qWarning() << "failed to read activity event" << reader.errorString();
        return;
    }
    if (user->isOwnUser())
        return;
    if (!isParticipant(user)) {
        qWarning() << "don't expect user" << user->nick() << "to be active on chat" << m_id << " - ignoring";
        return;
    }
    setUserActivity(user, activity);
}

void Chat::setUserActivity(User *user, Activity activity)
{
    for (auto &entry : m_activities) {
        if (entry.first != user)
            continue;
        if (entry.second != activity) {
            entry.second = activity;
            emit activityChanged();
        }
        return;
    }
}

void Chat::update(const ChatData &data)
{
    const QDateTime now = Clock::currentDateTimeUtc();
    if (data.modifiedTime > now)
        qWarning("attempt to set modified time newer than current.");
    else
        m_modifiedTime = data.modifiedTime;
    for (User *user : data.users) {
        if (!user->isOwnUser())
            addParticipant(user);
    }
}

void Chat::setError(const QString &text)
{
    qWarning() << text;
    m_errorText = text;
    emit errored();
}
