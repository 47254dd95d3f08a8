#ifndef AVATARREF_H
#define AVATARREF_H

#include <QObject>
#include <QPixmap>

class Avatar;
class User;

// A widget's handle on one user's picture: relays its changes.
class AvatarRef : public QObject
{
    Q_OBJECT
public:
    AvatarRef(User *user, QObject *parent = nullptr);

    User *user() const { return m_user; }
    QPixmap pixmap() const;

signals:
    void changed();

private:
    User *const m_user;
    Avatar *const m_avatar;
};

#endif
