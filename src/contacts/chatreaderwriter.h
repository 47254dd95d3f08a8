#ifndef CHATREADERWRITER_H
#define CHATREADERWRITER_H

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QStringList>

#include "contacts/chat.h"
#include "contacts/chatdata.h"
#include "core/xmlreaderwriter.h"

// Reads and writes the documents of the chat protocol: participant lists,
// messages, typing activity, chat ids and descriptions, and the pushed
// message and activity events.
class ChatReaderWriter : public XMLReaderWriter
{
public:
    ChatReaderWriter();

    // ActivityUnknown has no word: writing it is a programming error.
    static QString activityToString(Chat::Activity activity);
    static Chat::Activity activityFromString(const QString &text);

    QDomDocument writeChat(const QStringList &nicks);
    QDomDocument writeMessage(const QString &text);
    QDomDocument writeActivity(Chat::Activity activity);

    // 0 on failure.
    quint32 readChatId(const QDomElement &element);
    quint32 readChatIdDocument(const QDomDocument &document);
    ChatData readChatData(const QDomElement &element);
    ChatData readChatDataEvent(const QDomElement &event);
    // One bad description empties the whole list.
    QList<ChatData> readChatDataList(const QDomDocument &document);
    bool readMessageEvent(const QDomElement &event, UserAndMessageText &message);
    bool readActivityEvent(const QDomElement &event, User *&user, Chat::Activity &activity);

private:
    QDomElement bodyOf(const QDomElement &element);
    // The body's author and the text of its child of `textClass`.
    bool readUserAndText(const QDomElement &event, const QString &textClass, QString &nick,
                         QString &text);
};

#endif
