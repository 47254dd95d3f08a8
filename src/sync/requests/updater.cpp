#include "sync/requests/updater.h"

#include "core/clock.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/version.h"
#include "sync/requests/request.h"
#include "sync/requests/serverhttpconnection.h"
#include "core/serversettings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QSysInfo>
#include <QTimer>

namespace {

const char NextCheckTimeKey[] = "updater/next-check-time";
const char EnabledKey[] = "updater/enabled";
const char ClientCoreVersion[] = "451";
const qint64 TickMs = 3600000;
const qint64 SslChangeDelayMs = 30000;
const qint64 MaxAheadSecs = 864000;

QString &platformTagValue()
{
    static QString tag = QStringLiteral("linux-") + QSysInfo::buildCpuArchitecture();
    return tag;
}

Updater::Launcher &launcherValue()
{
    static Updater::Launcher launcher = [](const QString &path) { return runElevated(path); };
    return launcher;
}

} // namespace

Updater *Updater::s_instance = nullptr;

Updater *Updater::create()
{
    if (!s_instance)
        s_instance = new Updater;
    return s_instance;
}

Updater *Updater::instance()
{
    return s_instance;
}

QString Updater::platformTag()
{
    return platformTagValue();
}

void Updater::setPlatformTag(const QString &tag)
{
    platformTagValue() = tag;
}

QString Updater::defaultInstallerName()
{
    return QStringLiteral("plumdeck-") + platformTag();
}

void Updater::setLauncher(Launcher launcher)
{
    launcherValue() = launcher ? launcher : [](const QString &path) { return runElevated(path); };
}

Updater::Updater()
    : QObject(nullptr)
{
    removeOldInstaller();
    if (platformTag().isEmpty()) {
        qDebug() << "Updater: no updates on this OS";
        return;
    }
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &Updater::onTimeout);
    m_timer->start(Clock::interval(TickMs));
    onTimeout();
    connect(ServerSettings::instance(), &ServerSettings::ignorableSslErrorsChanged, this,
            &Updater::onIgnorableSslErrorsChanged);
}

Updater::~Updater()
{
    if (m_request) {
        disconnect(m_request, nullptr, this, nullptr);
        if (ServerHttpConnection::instance()->findRequest(m_request) >= 0)
            ServerHttpConnection::instance()->abortRequest(m_request);
        delete m_request;
    }
    if (m_file) {
        m_file->cancelWriting();
        delete m_file;
    }
    if (s_instance == this)
        s_instance = nullptr;
}

void Updater::onTimeout()
{
    if (QSettings().value(EnabledKey, true).toBool() && isCheckDue())
        step();
}

bool Updater::isCheckDue() const
{
    const QDateTime next = QSettings().value(NextCheckTimeKey).toDateTime();
    if (!next.isValid())
        return true;
    const QDateTime now = Clock::currentDateTimeUtc();
    if (now > next)
        return true;
    if (now.secsTo(next) > MaxAheadSecs) {
        qWarning() << "Updater: next check time" << next << "ignored - too far ahead of current time.";
        return true;
    }
    return false;
}

void Updater::setNextCheckTime(int hours)
{
    QSettings().setValue(NextCheckTimeKey, Clock::currentDateTimeUtc().addSecs(qint64(hours) * 3600));
}

void Updater::onIgnorableSslErrorsChanged()
{
    QTimer::singleShot(Clock::interval(SslChangeDelayMs), this, &Updater::onTimeout);
}

void Updater::step()
{
    setNextCheckTime(24);
    switch (m_state) {
    case CheckFailed:
    case AuthFailed:
    case UpToDate:
    // A failed launch is no reason to stop looking for updates for the rest
    // of the run.
    case InstallFailed:
        check(defaultInstallerName());
        break;
    case UpdateSeen:
        emit updateSeen();
        emitCheckNowFinished(true);
        break;
    case Downloading:
        break;
    case Downloaded:
        emit updateDownloaded();
        emitCheckNowFinished(true);
        break;
    default:
        qWarning() << "Updater: unknown state" << int(m_state);
        break;
    }
}

void Updater::check(const QString &installerName)
{
    m_installerName = installerName;
    m_versionSeen = 0;
    if (!ServerSettings::instance()->hasServer()) {
        emitCheckNowFinished(false);
        return;
    }
    if (m_request) {
        qWarning() << "Updater: request already active";
        emitCheckNowFinished(false);
        return;
    }
    m_request = new Request(QStringLiteral("HEAD"), QStringLiteral("/clients/") + installerName, this);
    connect(m_request, &Request::finished, this, &Updater::onCheckRequestFinished);
    ServerHttpConnection::instance()->addRequest(m_request);
}

void Updater::onCheckRequestFinished()
{
    if (!m_request || sender() != m_request)
        return;
    m_state = UpToDate;
    m_announcedLength = -1;
    if (m_request->hasError()) {
        m_state = m_request->authFailed() ? AuthFailed : CheckFailed;
    } else {
        const HttpResponseHeader header = m_request->responseHeader();
        const int status = header.statusCode();
        if (status == 200) {
            const QString value = header.value(QStringLiteral("ETag"));
            bool ok = false;
            const int version = value.toInt(&ok);
            if (!ok) {
                qWarning() << "Updater: etag not an int version" << value;
            } else if (version < buildNumber()) {
                qDebug() << "Updater: server version" << version << "older than current" << buildNumber();
            } else if (version > buildNumber()) {
                m_versionSeen = version;
                bool lengthOk = false;
                const qint64 length = header.value(QStringLiteral("Content-Length")).toLongLong(&lengthOk);
                m_announcedLength = lengthOk && length >= 0 ? length : -1;
            }
        } else if (status != 403) {
            qWarning() << "unexpected response from server: " << status;
        }
    }
    releaseRequest();
    if (m_versionSeen != 0)
        QTimer::singleShot(0, this, &Updater::delayedChangeToUpdateSeen);
    else
        emitCheckNowFinished(false);
}

void Updater::delayedChangeToUpdateSeen()
{
    m_state = UpdateSeen;
    emit updateSeen();
    emitCheckNowFinished(true);
}

void Updater::emitCheckNowFinished(bool value)
{
    if (!m_checkWaiting)
        return;
    QObject *receiver = m_checkReceiver.data();
    const QByteArray member = m_checkMember;
    m_checkWaiting = false;
    m_checkReceiver.clear();
    m_checkMember.clear();
    if (!receiver)
        return; // the caller went away while it waited
    QMetaObject::Connection connection =
        connect(this, SIGNAL(checkNowFinished(bool)), receiver, member.constData());
    emit checkNowFinished(value);
    disconnect(connection);
}

void Updater::checkNow(QObject *receiver, const char *member)
{
    if (m_checkWaiting) {
        qWarning() << "already doing checkNow";
        return;
    }
    m_checkWaiting = true;
    m_checkReceiver = receiver;
    m_checkMember = member;
    if (m_state == Downloading) {
        // The download under way says what there is; nobody waits for it.
        emitCheckNowFinished(false);
        return;
    }
    step();
}

void Updater::removeOldInstaller()
{
    const QString path = installerFilePath();
    if (QFile::exists(path) && !QFile::remove(path))
        qWarning() << "Updater: failed to remove old installer";
}

void Updater::releaseRequest()
{
    if (!m_request)
        return;
    disconnect(m_request, nullptr, this, nullptr);
    m_request->deleteLater();
    m_request = nullptr;
}

bool Updater::canDownload() const
{
    const ServerSettings *settings = ServerSettings::instance();
    return settings->hasServer() && settings->isSecure();
}

void Updater::startDownload()
{
    if (!ServerSettings::instance()->hasServer()) {
        qWarning() << "Updater::startDownload with no server";
        return;
    }
    if (!canDownload()) {
        qWarning() << "Updater: no download over an insecure connection";
        return;
    }
    if (m_request) {
        qWarning() << "Updater: request already active";
        return;
    }
    if (m_announcedLength > MaxInstallerSize) {
        qWarning() << "Updater: announced installer too large" << m_announcedLength;
        emit updateDownloadFailed();
        return;
    }
    // Written beside the final file and renamed over it only once complete,
    // so a truncated installer never sits where install() would start it.
    m_file = new QSaveFile(installerFilePath());
    if (!m_file->open(QIODevice::WriteOnly)) {
        qWarning() << "failed to open" << installerFilePath();
        delete m_file;
        m_file = nullptr;
        // Failed like any other download: offering Download again would
        // only fail the same way, silently.
        m_state = UpToDate;
        emit updateDownloadFailed();
        return;
    }
    m_expectedLength = m_announcedLength;
    m_request = new Request(QStringLiteral("GET"), QStringLiteral("/clients/") + m_installerName, this);
    m_request->setOutputDevice(m_file);
    // A body longer than announced fails the request as soon as it exceeds it.
    m_request->setMaxResponseSize(m_expectedLength >= 0 ? m_expectedLength : MaxInstallerSize);
    m_request->setHeader(QStringLiteral("core_version"), QString::fromLatin1(ClientCoreVersion));
    m_request->setHeader(QStringLiteral("If-Match"), QString::number(m_versionSeen));
    connect(m_request, &Request::finished, this, &Updater::onGetRequestFinished);
    connect(ServerHttpConnection::instance(), &HttpConnection::readProgress, this, &Updater::onReadProgress,
            Qt::UniqueConnection);
    ServerHttpConnection::instance()->addRequest(m_request);
    m_state = Downloading;
}

void Updater::onReadProgress(int done, int total)
{
    // The connection reports on whichever request is running; the download
    // may still wait behind others.
    if (m_state == Downloading && ServerHttpConnection::instance()->isRunning(m_request))
        emit updateDownloadProgress(done, total);
}

void Updater::onGetRequestFinished()
{
    if (!m_request || sender() != m_request)
        return;
    bool ok = false;
    if (m_request->authFailed()) {
        qWarning() << "unexpected auth fail from server when HEAD was ok";
    } else if (!m_request->hasError()) {
        const HttpResponseHeader header = m_request->responseHeader();
        const int status = header.statusCode();
        if (status == 200) {
            ok = true;
            bool lengthOk = false;
            const qint64 length = header.value(QStringLiteral("Content-Length")).toLongLong(&lengthOk);
            if (lengthOk && m_expectedLength < 0)
                m_expectedLength = length;
            if (lengthOk && length != m_expectedLength) {
                qWarning() << "Updater: download length" << length << "differs from the announced"
                           << m_expectedLength;
                ok = false;
            }
        } else if (status == 412) {
            qWarning() << "update previously seen on server has gone";
        } else if (status == 401) {
            qWarning() << "unexpected auth fail from server when HEAD was ok";
        } else {
            qWarning() << "unexpected response from server: " << status;
        }
    }
    endDownload(ok);
}

void Updater::endDownload(bool ok)
{
    disconnect(ServerHttpConnection::instance(), &HttpConnection::readProgress, this, &Updater::onReadProgress);
    releaseRequest();
    if (ok) {
        const qint64 size = m_file->size();
        if (!canDownload()) {
            // The server URL changed to plain http while the bytes came.
            qWarning() << "Updater: the connection is no longer secure; installer not kept";
            ok = false;
        } else if (m_expectedLength < 0) {
            qWarning() << "Updater: no length announced for the installer; not kept";
            ok = false;
        } else if (size != m_expectedLength) {
            qWarning() << "Updater: short download" << size << "of" << m_expectedLength;
            ok = false;
        } else if (!m_file->commit()) {
            qWarning() << "Updater: failed to write the installer" << m_file->errorString();
            ok = false;
        }
    }
    if (!ok)
        m_file->cancelWriting();
    delete m_file;
    m_file = nullptr;
    if (ok) {
        m_state = Downloaded;
        emit updateDownloaded();
    } else {
        removeOldInstaller();
        m_state = UpToDate;
        emit updateDownloadFailed();
    }
}

bool Updater::install()
{
    if (m_state != Downloaded) {
        qWarning() << "Updater::install when have no download";
        return false;
    }
    if (!canDownload()) {
        qWarning() << "Updater: no install over an insecure connection";
        return false;
    }
    if (launcherValue()(installerFilePath())) {
        QCoreApplication::exit(0);
        return true;
    }
    qWarning() << "couldn't launch installer";
    m_state = InstallFailed;
    emit installFailed();
    return false;
}

void Updater::cancelDownload()
{
    // Nothing to cancel while no update is known: turning to UpdateSeen here
    // would announce an update nobody saw.
    if (m_state == UpdateSeen || m_state == UpToDate || m_state == CheckFailed || m_state == AuthFailed)
        return;
    if (m_request && m_file) {
        disconnect(m_request, nullptr, this, nullptr);
        ServerHttpConnection::instance()->abortRequest(m_request);
        delete m_request;
        m_request = nullptr;
    }
    disconnect(ServerHttpConnection::instance(), &HttpConnection::readProgress, this, &Updater::onReadProgress);
    if (m_file) {
        m_file->cancelWriting();
        delete m_file;
        m_file = nullptr;
    }
    removeOldInstaller();
    m_state = UpdateSeen;
}
