#include "model/listinfo.h"

ListInfo::ListInfo(quint32 id, quint32 revision, quint32 sharedRevision, const QString &name,
                   const QString &owner, const QString &permissions, bool owned, bool shared)
    : QObject(nullptr)
    , m_id(id)
    , m_revision(revision)
    , m_sharedRevision(sharedRevision)
    , m_name(name)
    , m_owned(owned)
    , m_shared(shared)
    , m_owner(owner)
    , m_permissions(permissions)
{
}
