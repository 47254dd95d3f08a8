#include "contacts/avatarcache.h"

#include "contacts/avatar.h"

AvatarCache *AvatarCache::instance()
{
    // Never destroyed: pictures must not outlive the application object.
    static auto *cache = new AvatarCache;
    return cache;
}

Avatar *AvatarCache::avatar(User *user)
{
    Avatar *&avatar = m_avatars[user];
    if (!avatar)
        avatar = new Avatar(user, this);
    return avatar;
}
