#include "contacts/chatreaderwriter.h"

#include "contacts/user.h"

namespace {
const QString classAttr = QStringLiteral("class");
}

ChatReaderWriter::ChatReaderWriter()
    : XMLReaderWriter(ServerDocument)
{
}

QString ChatReaderWriter::activityToString(Chat::Activity activity)
{
    switch (activity) {
    case Chat::ActivityNone:
        return QStringLiteral("none");
    case Chat::ActivityTyping:
        return QStringLiteral("typing");
    case Chat::ActivityDeleting:
        return QStringLiteral("deleting");
    case Chat::ActivityUnknown:
        break;
    }
    qFatal("attempt to send ActivityUnknown or bad activity");
}

Chat::Activity ChatReaderWriter::activityFromString(const QString &text)
{
    if (text == QLatin1String("none"))
        return Chat::ActivityNone;
    if (text == QLatin1String("typing"))
        return Chat::ActivityTyping;
    if (text == QLatin1String("deleting"))
        return Chat::ActivityDeleting;
    return Chat::ActivityUnknown;
}

QDomDocument ChatReaderWriter::writeChat(const QStringList &nicks)
{
    QDomDocument doc = createDocument();
    QDomElement body = appendHeadAndBody(doc, QStringLiteral("pd-chat"));
    QDomElement data = appendElementWithClass(body, QStringLiteral("div"), QStringLiteral("pd-chat-data"));
    QDomElement list = appendElementWithClass(data, QStringLiteral("ul"), QStringLiteral("pd-user-ref-list"));
    for (const QString &nick : nicks) {
        QDomElement ref = appendElementWithClass(list, QStringLiteral("li"), QStringLiteral("pd-user-ref"));
        appendTextElement(ref, QStringLiteral("span"), nick, QStringLiteral("pd-user-nick"));
    }
    return doc;
}

QDomDocument ChatReaderWriter::writeMessage(const QString &text)
{
    QDomDocument doc = createDocument();
    QDomElement body = appendHeadAndBody(doc, QStringLiteral("pd-message"));
    appendTextElement(body, QStringLiteral("div"), text, QStringLiteral("pd-message"));
    return doc;
}

QDomDocument ChatReaderWriter::writeActivity(Chat::Activity activity)
{
    QDomDocument doc = createDocument();
    QDomElement body = appendHeadAndBody(doc, QStringLiteral("pd-chat-activity"));
    appendTextElement(body, QStringLiteral("div"), activityToString(activity),
                      QStringLiteral("pd-chat-activity"));
    return doc;
}

quint32 ChatReaderWriter::readChatId(const QDomElement &element)
{
    const QDomElement idElement = mandatoryChildElementByClass(element, QStringLiteral("pd-chat-id"));
    if (idElement.isNull())
        return 0;
    const QString text = elementText(idElement);
    bool ok = false;
    const quint32 id = text.toUInt(&ok, 10);
    if (!ok) {
        setError(QStringLiteral("failed to parse chat id from %1").arg(text));
        return 0;
    }
    return id;
}

QDomElement ChatReaderWriter::bodyOf(const QDomElement &element)
{
    return mandatoryElementByTagName(element, QStringLiteral("body"));
}

quint32 ChatReaderWriter::readChatIdDocument(const QDomDocument &document)
{
    const QDomElement body = bodyOf(document.documentElement());
    return body.isNull() ? 0 : readChatId(body);
}

ChatData ChatReaderWriter::readChatData(const QDomElement &element)
{
    ChatData data;
    data.id = readChatId(element);
    if (data.id == 0)
        return ChatData();
    const QDomElement fields = mandatoryChildElementByClass(element, QStringLiteral("pd-chat-fields"));
    if (fields.isNull())
        return ChatData();
    data.modifiedTime = parseDateTime(definitionValue(fields, QStringLiteral("modified-time")));
    if (!data.modifiedTime.isValid())
        return ChatData();
    // Without the list the chat still counts, with no participants.
    const QDomElement list = mandatoryChildElementByClass(element, QStringLiteral("pd-user-ref-list"));
    for (QDomElement e = list.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(classAttr) != QLatin1String("pd-user-ref"))
            continue;
        const QDomElement nick = mandatoryChildElementByClass(e, QStringLiteral("pd-user-nick"));
        if (nick.isNull())
            return ChatData();
        data.users.append(User::get(elementText(nick)));
    }
    return data;
}

ChatData ChatReaderWriter::readChatDataEvent(const QDomElement &event)
{
    const QDomElement body = bodyOf(event);
    if (body.isNull())
        return ChatData();
    const QDomElement data = mandatoryChildElementByClass(body, QStringLiteral("pd-chat-data"));
    return data.isNull() ? ChatData() : readChatData(data);
}

QList<ChatData> ChatReaderWriter::readChatDataList(const QDomDocument &document)
{
    const QDomElement body = bodyOf(document.documentElement());
    if (body.isNull())
        return {};
    const QDomElement list = childElementByClass(body, QStringLiteral("pd-chat-data-list"));
    QList<ChatData> chats;
    for (QDomElement e = list.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(classAttr) != QLatin1String("pd-chat-data"))
            continue;
        const ChatData data = readChatData(e);
        if (data.isNull())
            return {};
        chats.append(data);
    }
    return chats;
}

bool ChatReaderWriter::readUserAndText(const QDomElement &event, const QString &textClass,
                                       QString &nick, QString &text)
{
    const QDomElement body = bodyOf(event);
    if (body.isNull())
        return false;
    const QDomElement ref = mandatoryChildElementByClass(body, QStringLiteral("pd-user-ref"));
    if (ref.isNull())
        return false;
    const QDomElement nickElement = mandatoryChildElementByClass(ref, QStringLiteral("pd-user-nick"));
    if (nickElement.isNull())
        return false;
    const QDomElement textElement = mandatoryChildElementByClass(body, textClass);
    if (textElement.isNull())
        return false;
    nick = elementText(nickElement);
    text = elementText(textElement);
    return true;
}

bool ChatReaderWriter::readMessageEvent(const QDomElement &event, UserAndMessageText &message)
{
    QString nick;
    QString text;
    if (!readUserAndText(event, QStringLiteral("pd-message"), nick, text))
        return false;
    message.user = User::get(nick);
    message.text = text;
    return true;
}

bool ChatReaderWriter::readActivityEvent(const QDomElement &event, User *&user,
                                         Chat::Activity &activity)
{
    QString nick;
    QString word;
    if (!readUserAndText(event, QStringLiteral("pd-chat-activity"), nick, word))
        return false;
    activity = activityFromString(word);
    if (activity == Chat::ActivityUnknown) {
        user = nullptr;
        return false;
    }
    user = User::get(nick);
    return true;
}
