#include "contacts/avatarref.h"

#include "contacts/avatar.h"
#include "contacts/avatarcache.h"

AvatarRef::AvatarRef(User *user, QObject *parent)
    : QObject(parent)
    , m_user(user)
    , m_avatar(AvatarCache::instance()->avatar(user))
{
    connect(m_avatar, &Avatar::changed, this, &AvatarRef::changed);
}

QPixmap AvatarRef::pixmap() const
{
    return m_avatar->pixmap();
}
