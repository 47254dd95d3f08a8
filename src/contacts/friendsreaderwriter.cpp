#include "contacts/friendsreaderwriter.h"

#include <QDebug>

#include "contacts/user.h"

namespace {
const QString classAttr = QStringLiteral("class");

struct StateWord {
    Presence::State state;
    const char *word;
};
const StateWord stateWords[] = {
    {Presence::Available, "available"},
    {Presence::Idle, "idle"},
    {Presence::Busy, "busy"},
    {Presence::Unavailable, "unavailable"},
};
} // namespace

FriendsReaderWriter::FriendsReaderWriter()
    : XMLReaderWriter(ServerDocument)
{
}

QDomDocument FriendsReaderWriter::writePresence(const Presence &presence)
{
    QString word;
    for (const StateWord &s : stateWords) {
        if (s.state == presence.state())
            word = QLatin1String(s.word);
    }
    if (word.isEmpty()) {
        qWarning("FriendsReaderWriter: null or unknown presence state");
        word = QStringLiteral("unavailable");
    }
    QDomDocument doc = createDocument();
    QDomElement body = appendHeadAndBody(doc, QStringLiteral("pd-presence"));
    QDomElement div = appendElementWithClass(body, QStringLiteral("div"), QStringLiteral("pd-presence"));
    appendTextElement(div, QStringLiteral("span"), word, QStringLiteral("pd-presence-state"));
    if (!presence.message().isEmpty())
        appendTextElement(div, QStringLiteral("span"), presence.message(),
                          QStringLiteral("pd-presence-message"));
    return doc;
}

Presence FriendsReaderWriter::readPresence(const QDomElement &element)
{
    const QDomElement stateElement =
        mandatoryChildElementByClass(element, QStringLiteral("pd-presence-state"));
    if (stateElement.isNull())
        return Presence();
    const QString text = elementText(stateElement);
    Presence::State state = Presence::Unknown;
    for (const StateWord &s : stateWords) {
        if (text == QLatin1String(s.word))
            state = s.state;
    }
    if (state == Presence::Unknown) {
        setError(QStringLiteral("unknown presence state"));
        return Presence();
    }
    const QDomElement message = childElementByClass(element, QStringLiteral("pd-presence-message"));
    return Presence(state, message.isNull() ? QString() : elementText(message));
}

User *FriendsReaderWriter::readUserRef(const QDomElement &element)
{
    const QDomElement nick = mandatoryChildElementByClass(element, QStringLiteral("pd-user-nick"));
    if (nick.isNull())
        return nullptr;
    return User::get(elementText(nick));
}

User *FriendsReaderWriter::readUserPresence(const QDomElement &element)
{
    const QDomElement nick = mandatoryChildElementByClass(element, QStringLiteral("pd-user-nick"));
    if (nick.isNull())
        return nullptr;
    User *user = User::get(elementText(nick));
    const QDomElement presenceElement = childElementByClass(element, QStringLiteral("pd-presence"));
    if (presenceElement.isNull())
        return user;
    const Presence presence = readPresence(presenceElement);
    if (presence.isUnknown())
        return nullptr;
    user->setPresence(presence);
    return user;
}

User *FriendsReaderWriter::readUserData(const QDomElement &element)
{
    const QDomElement dl = mandatoryChildElementByClass(element, QStringLiteral("pd-user-fields"));
    const QString nick = dl.isNull() ? QString() : definitionValue(dl, QStringLiteral("user-nick"));
    if (nick.isEmpty()) {
        if (!dl.isNull())
            setError(QStringLiteral("user data without a nick"));
        return nullptr;
    }
    User *user = User::get(nick);
    user->setFields(readDefinitionList(dl));
    return user;
}

QDomElement FriendsReaderWriter::bodyOf(const QDomDocument &document)
{
    return mandatoryElementByTagName(document.documentElement(), QStringLiteral("body"));
}

QDomElement FriendsReaderWriter::eventItem(const QDomElement &event, const QString &itemClass)
{
    const QDomElement body = mandatoryElementByTagName(event, QStringLiteral("body"));
    if (body.isNull())
        return QDomElement();
    return mandatoryChildElementByClass(body, itemClass);
}

User *FriendsReaderWriter::readUserRefEvent(const QDomElement &event)
{
    const QDomElement item = eventItem(event, QStringLiteral("pd-user-ref"));
    return item.isNull() ? nullptr : readUserRef(item);
}

User *FriendsReaderWriter::readUserPresenceEvent(const QDomElement &event)
{
    const QDomElement item = eventItem(event, QStringLiteral("pd-user-presence"));
    return item.isNull() ? nullptr : readUserPresence(item);
}

User *FriendsReaderWriter::readUserDataDocument(const QDomDocument &document)
{
    const QDomElement item = eventItem(document.documentElement(), QStringLiteral("pd-user-data"));
    return item.isNull() ? nullptr : readUserData(item);
}

bool FriendsReaderWriter::readList(const QDomDocument &document, const QString &listClass,
                                   const QString &itemClass, ItemReader reader,
                                   QList<User *> &users)
{
    const QDomElement body = bodyOf(document);
    if (body.isNull())
        return false;
    const QDomElement list = childElementByClass(body, listClass);
    for (QDomElement e = list.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(classAttr) != itemClass)
            continue;
        User *user = (this->*reader)(e);
        if (!user)
            return false;
        users.append(user);
    }
    return true;
}

bool FriendsReaderWriter::readUserRefList(const QDomDocument &document, QList<User *> &users)
{
    return readList(document, QStringLiteral("pd-user-ref-list"), QStringLiteral("pd-user-ref"),
                    &FriendsReaderWriter::readUserRef, users);
}

bool FriendsReaderWriter::readUserPresenceList(const QDomDocument &document, QList<User *> &users)
{
    return readList(document, QStringLiteral("pd-user-presence-list"),
                    QStringLiteral("pd-user-presence"), &FriendsReaderWriter::readUserPresence, users);
}

bool FriendsReaderWriter::readUserDataList(const QDomDocument &document, QList<User *> &users)
{
    return readList(document, QStringLiteral("pd-user-data-list"), QStringLiteral("pd-user-data"),
                    &FriendsReaderWriter::readUserData, users);
}

QString FriendsReaderWriter::readErrorName(const QDomDocument &document)
{
    const QDomElement body = bodyOf(document);
    const QDomElement error = body.isNull() ? body : childElementByClass(body, QStringLiteral("pd-error"));
    const QDomElement name =
        error.isNull() ? error : childElementByClass(error, QStringLiteral("pd-error-name"));
    return name.isNull() ? QString() : name.text();
}

void FriendsReaderWriter::writeUserData(QDomElement parent, User *user)
{
    QDomElement li = appendElementWithClass(parent, QStringLiteral("li"), QStringLiteral("pd-user-data"));
    QDomElement dl = appendElementWithClass(li, QStringLiteral("dl"), QStringLiteral("pd-user-fields"));
    appendDefinition(dl, QStringLiteral("user-nick"), user->nick());
    const QMap<QString, QString> fields = user->fields();
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        appendDefinition(dl, it.key(), it.value());
}

QDomDocument FriendsReaderWriter::writeLocalUserData(const QList<User *> &users)
{
    QDomDocument doc = createDocument();
    QDomElement body = appendHeadAndBody(doc, QStringLiteral("pd-local-user-data"));
    QDomElement ul = appendElementWithClass(body, QStringLiteral("ul"), QStringLiteral("pd-user-data-list"));
    for (User *user : users)
        writeUserData(ul, user);
    return doc;
}

bool FriendsReaderWriter::writeLocalUserDataToDevice(const QList<User *> &users, QIODevice *device)
{
    return writeDocument(writeLocalUserData(users), device);
}

bool FriendsReaderWriter::readLocalUserData(const QDomDocument &document, QList<User *> &users)
{
    const QDomElement body = bodyOf(document);
    if (body.isNull())
        return false;
    const QDomElement list = childElementByClass(body, QStringLiteral("pd-user-data-list"));
    if (list.isNull())
        return true;
    QList<User *> read;
    for (QDomElement e = list.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(classAttr) != QLatin1String("pd-user-data"))
            continue;
        User *user = readUserData(e);
        if (!user)
            return false;
        read.append(user);
    }
    users = read;
    return true;
}

bool FriendsReaderWriter::readLocalUserDataFromDevice(QIODevice *device, QList<User *> &users)
{
    const QDomDocument doc = readDocument(device);
    if (doc.isNull())
        return false;
    return readLocalUserData(doc, users);
}
