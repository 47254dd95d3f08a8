#ifndef FRIENDSSYNCHRONIZER_H
#define FRIENDSSYNCHRONIZER_H

#include <QList>
#include <QPointer>

#include "sync/runs/basesynchronizer.h"

class User;
class XMLRequest;

// Fetches the contact fields of a list of users, one request per user, all
// queued at once. A missing or gone user is skipped; the run ends once, and
// whatever it still has outstanding then is withdrawn from the connection.
class FriendsSynchronizer : public BaseSynchronizer
{
    Q_OBJECT
public:
    explicit FriendsSynchronizer(const QList<User *> &users, QObject *parent = nullptr);
    ~FriendsSynchronizer() override;

    void start() override;
    void requestUserInfo(User *user);

    QList<User *> users() const { return m_users; }

private slots:
    void onUserInfoRequestFinished();

private:
    // Ends the run from the event loop, never inside start().
    void endLater(bool ok, const QString &error = QString());
    void end(bool ok, const QString &error);
    void withdrawRequests();
    static QList<User *> addressable(const QList<User *> &users);

    const QList<User *> m_users;
    int m_completed = 0;
    QList<QPointer<XMLRequest>> m_requests;
};

#endif
