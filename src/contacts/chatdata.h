#ifndef CHATDATA_H
#define CHATDATA_H

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>

class User;

// One chat as the server describes it. The default value (id 0) stands for
// a description that could not be read.
struct ChatData
{
    quint32 id = 0;
    QDateTime modifiedTime; // UTC
    QList<User *> users;    // in document order

    bool isNull() const { return id == 0 && modifiedTime.isNull() && users.isEmpty(); }
};

// A message and its author.
struct UserAndMessageText
{
    User *user = nullptr;
    QString text;
};

Q_DECLARE_METATYPE(ChatData)
Q_DECLARE_METATYPE(UserAndMessageText)

#endif
