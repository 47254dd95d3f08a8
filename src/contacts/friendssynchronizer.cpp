#include "contacts/friendssynchronizer.h"

#include <QDebug>
#include <QTimer>

#include "contacts/friendsreaderwriter.h"
#include "contacts/user.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/xmlrequest.h"

FriendsSynchronizer::FriendsSynchronizer(const QList<User *> &users, QObject *parent)
    : BaseSynchronizer(parent)
    , m_users(addressable(users))
{
}

QList<User *> FriendsSynchronizer::addressable(const QList<User *> &users)
{
    QList<User *> result;
    for (User *user : users) {
        if (user->isAddressable())
            result.append(user);
        else
            qWarning() << "FriendsSynchronizer: no request can name the user" << user->nick();
    }
    return result;
}

FriendsSynchronizer::~FriendsSynchronizer()
{
    withdrawRequests();
}

void FriendsSynchronizer::start()
{
    if (!ServerHttpConnection::instance()->isComplete()) {
        endLater(false, tr("Settings required for sync are not complete."));
        return;
    }
    if (m_users.isEmpty()) {
        endLater(true);
        return;
    }
    for (User *user : m_users)
        requestUserInfo(user);
}

void FriendsSynchronizer::requestUserInfo(User *user)
{
    auto *request = new XMLRequest(QStringLiteral("GET"), user->resourcePath(), true, this);
    request->setSslErrorHandler(sslErrorHandler());
    connect(request, &Request::finished, this, &FriendsSynchronizer::onUserInfoRequestFinished);
    m_requests.append(request);
    ServerHttpConnection::instance()->addRequest(request);
}

void FriendsSynchronizer::onUserInfoRequestFinished()
{
    auto *request = qobject_cast<XMLRequest *>(sender());
    if (!request || hasEnded())
        return;
    m_requests.removeAll(request);
    request->deleteLater();
    ++m_completed;
    emit progress(tr("Received contact info"), m_completed, m_users.size());

    if (request->hasError()) {
        end(false, request->errorString());
        return;
    }
    const int status = request->responseHeader().statusCode();
    if (status == 404 || status == 410) {
        qDebug() << "user request failed - code" << status;
    } else if (status == 200) {
        FriendsReaderWriter reader;
        if (!reader.readUserDataDocument(request->responseDocument())) {
            end(false, reader.errorString());
            return;
        }
        qDebug("fetched user info ok");
    } else {
        end(false, tr("Unexpected response from server (%1)").arg(status));
        return;
    }
    if (m_completed == m_users.size())
        end(true, QString());
}

void FriendsSynchronizer::endLater(bool ok, const QString &error)
{
    QTimer::singleShot(0, this, [this, ok, error] { end(ok, error); });
}

void FriendsSynchronizer::end(bool ok, const QString &error)
{
    if (hasEnded())
        return;
    // Answers still to come belong to a run that is over.
    withdrawRequests();
    if (ok)
        succeed();
    else
        fail(error);
}

void FriendsSynchronizer::withdrawRequests()
{
    const QList<QPointer<XMLRequest>> requests = m_requests;
    m_requests.clear();
    for (XMLRequest *request : requests) {
        if (!request)
            continue;
        ServerHttpConnection::instance()->abortRequest(request);
        request->deleteLater();
    }
}
