#ifndef AVATARCACHE_H
#define AVATARCACHE_H

#include <QMap>
#include <QObject>

class Avatar;
class User;

// The process-wide map from user to picture; entries live until the end.
class AvatarCache : public QObject
{
    Q_OBJECT
public:
    static AvatarCache *instance();

    // Created, and so loaded and fetched, on the first request for the user.
    Avatar *avatar(User *user);

private:
    AvatarCache() = default;

    QMap<User *, Avatar *> m_avatars;
};

#endif
