#ifndef LISTINFO_H
#define LISTINFO_H

#include <QObject>
#include <QString>

// The server's summary of one task list, as the lists-info documents carry it.
// Immutable; whoever asked the reader for it owns it.
class ListInfo : public QObject
{
    Q_OBJECT
public:
    ListInfo(quint32 id, quint32 revision, quint32 sharedRevision, const QString &name,
             const QString &owner, const QString &permissions, bool owned, bool shared);

    quint32 id() const { return m_id; }
    quint32 revision() const { return m_revision; }
    quint32 sharedRevision() const { return m_sharedRevision; }
    QString name() const { return m_name; }
    bool isOwned() const { return m_owned; }
    bool isShared() const { return m_shared; }
    QString owner() const { return m_owner; }
    QString permissions() const { return m_permissions; }

private:
    const quint32 m_id;
    const quint32 m_revision;
    const quint32 m_sharedRevision;
    const QString m_name;
    const bool m_owned;
    const bool m_shared;
    const QString m_owner;
    const QString m_permissions;
};

#endif
