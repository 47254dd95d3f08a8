#include "contacts/avatar.h"

#include <QBuffer>
#include <QDebug>
#include <QFile>
#include <QSaveFile>

#include "contacts/user.h"
#include "core/paths.h"
#include "core/serversettings.h"
#include "sync/requests/request.h"
#include "sync/requests/serverhttpconnection.h"

namespace {
// Pictures are small; anything bigger is not one.
const qint64 maxAvatarBytes = 4 * 1024 * 1024;
}

Avatar::Avatar(User *user, QObject *parent)
    : QObject(parent)
    , m_user(user)
{
    loadFile();
    fetch();
}

Avatar::~Avatar()
{
    if (m_request)
        ServerHttpConnection::instance()->abortRequest(m_request);
}

QPixmap Avatar::pixmap() const
{
    if (m_pixmap.isNull())
        return QPixmap(QStringLiteral(":/chat/default-avatar.png"));
    return m_pixmap;
}

QString Avatar::filePath(const QString &nick)
{
    QString name = Request::pathSegment(nick);
    if (name.startsWith(QLatin1Char('.')))
        name.replace(0, 1, QStringLiteral("%2E"));
    return avatarsDir().filePath(name);
}

void Avatar::setPixmap(const QPixmap &pixmap)
{
    m_pixmap = pixmap;
    emit changed();
}

void Avatar::loadFile()
{
    const QString path = filePath(m_user->nick());
    if (!QFile::exists(path))
        return;
    QPixmap pixmap;
    if (!pixmap.load(path)) {
        qWarning() << "failed to load avatar pixmap from" << path;
        return;
    }
    setPixmap(pixmap);
}

void Avatar::fetch()
{
    if (m_request || !ServerSettings::instance()->isComplete() || !m_user->isAddressable())
        return;
    m_request = new Request(QStringLiteral("GET"), m_user->resourcePath() + QStringLiteral("/avatar"), this);
    m_request->setMaxResponseSize(maxAvatarBytes);
    m_buffer = new QBuffer(this);
    m_buffer->open(QIODevice::WriteOnly);
    m_request->setOutputDevice(m_buffer);
    connect(m_request, &Request::finished, this, &Avatar::onRequestFinished);
    ServerHttpConnection::instance()->addRequest(m_request);
}

void Avatar::onRequestFinished()
{
    Request *request = m_request;
    if (!request || sender() != request)
        return;
    const QByteArray bytes = m_buffer->data();
    if (request->hasError()) {
        qWarning() << "failed to fetch avatar" << request->errorString();
    } else {
        const int status = request->responseHeader().statusCode();
        if (status == 404) {
            setPixmap(QPixmap());
            removeFile();
        } else if (status == 200) {
            QPixmap pixmap;
            if (!pixmap.loadFromData(bytes, "JPG")) {
                qWarning("failed to load pixmap from data");
                setPixmap(QPixmap());
            } else {
                setPixmap(pixmap);
                saveFile(bytes);
            }
        } else {
            qWarning() << "unexpected status fetching avatar:" << status;
        }
    }
    request->deleteLater();
    m_request = nullptr;
    delete m_buffer;
    m_buffer = nullptr;
}

void Avatar::saveFile(const QByteArray &bytes)
{
    const QString path = filePath(m_user->nick());
    // Replaced only once complete: a full disk leaves the old picture.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning() << "failed to save avatar to" << path;
        return;
    }
    if (file.write(bytes) < bytes.size() || !file.commit())
        qWarning() << "failed to save avatar to" << path;
}

void Avatar::removeFile()
{
    const QString path = filePath(m_user->nick());
    if (QFile::exists(path) && !QFile::remove(path))
        qWarning() << "failed to remove avatar file" << path;
}
