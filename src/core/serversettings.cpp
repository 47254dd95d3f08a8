#include "core/serversettings.h"

#include "core/settingsfile.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QSettings>
#include <QSslCertificate>

namespace {

const char *const kServerUrlKey = "net/server-url";
const char *const kUserNameKey = "net/username";
const char *const kPasswordKey = "net/password";

// Keeps the stored password from being readable at a glance; it is not
// encryption. The key sequence does not depend on the data, so the same
// routine scrambles and unscrambles.
QByteArray scrambleBytes(const QByteArray &input)
{
    QByteArray out = input;
    quint8 key = 0x5b;
    for (int i = 0; i < out.size(); ++i) {
        out[i] = char(quint8(out.at(i)) ^ key);
        key = quint8(key * 29 + 113);
    }
    return out;
}

// Written to disk at once, into a file only its owner can read: the store
// holds the password.
void store(const char *key, const QVariant &value)
{
    SettingsFile::keepPrivate();
    QSettings settings;
    settings.setValue(QLatin1String(key), value);
    settings.sync();
    SettingsFile::keepPrivate();
}

// The server as the program addresses it: requests go to the scheme, host
// and port (QUrl keeps the first two in lower case), under the path, and
// the server folds a doubled "/".
QString addressOf(const QUrl &url)
{
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return QStringLiteral("%1://%2:%3%4")
        .arg(url.scheme(), url.host())
        .arg(url.port(url.scheme() == QLatin1String("https") ? 443 : 80))
        .arg(path);
}

} // namespace

ServerSettings *ServerSettings::instance()
{
    static ServerSettings *settings = new ServerSettings;
    return settings;
}

ServerSettings::ServerSettings()
{
    load();
}

QString ServerSettings::defaultServerUrl()
{
    return QStringLiteral("https://sync.plumdeck.net:8080/plumdeck");
}

void ServerSettings::load()
{
    QSettings settings;
    QString url = settings.value(QLatin1String(kServerUrlKey), QString()).toString();
    if (url.isEmpty())
        url = defaultServerUrl();
    const QString user = settings.value(QLatin1String(kUserNameKey), QString()).toString();
    const QString password = decodePassword(settings.value(QLatin1String(kPasswordKey), QByteArray()).toByteArray());
    setSettings(url, user, password);
}

void ServerSettings::setSettings(const QString &url, const QString &userName, const QString &password)
{
    const bool urlChanged = setServerUrl(url);
    const bool userChangedNow = setUserName(userName);
    const bool passwordChangedNow = setPassword(password);
    if (urlChanged)
        emit serverChanged();
    else if (userChangedNow)
        emit userChanged();
    else if (passwordChangedNow)
        emit passwordChanged();
}

void ServerSettings::setCredentials(const QString &userName, const QString &password)
{
    setSettings(serverUrl(), userName, password);
}

bool ServerSettings::setServerUrl(const QString &url)
{
    if (!isValidServerUrl(url)) {
        qWarning().noquote() << "could not set server url" << url;
        return false;
    }
    const QUrl newUrl = url.isEmpty() ? QUrl() : QUrl(url);
    if (newUrl == m_serverUrl)
        return false;
    m_ignorableSslErrors.clear();
    m_acceptedDigests.clear();
    m_serverUrl = newUrl;
    store(kServerUrlKey, m_serverUrl.toString());
    return true;
}

bool ServerSettings::setUserName(const QString &userName)
{
    if (userName == m_userName)
        return false;
    m_userName = userName;
    store(kUserNameKey, m_userName);
    return true;
}

bool ServerSettings::setPassword(const QString &password)
{
    if (password == m_password)
        return false;
    m_password = password;
    store(kPasswordKey, encodePassword(m_password));
    return true;
}

QString ServerSettings::serverUrl() const
{
    return m_serverUrl.toString();
}

bool ServerSettings::hasServer() const
{
    return !m_serverUrl.isEmpty();
}

QString ServerSettings::serverHost() const
{
    return m_serverUrl.host();
}

int ServerSettings::serverPort() const
{
    return m_serverUrl.port(isSecure() ? 443 : 80);
}

QString ServerSettings::serverPath() const
{
    return m_serverUrl.path();
}

bool ServerSettings::isSecure() const
{
    return m_serverUrl.scheme() == QLatin1String("https");
}

QString ServerSettings::userName() const
{
    return m_userName;
}

QString ServerSettings::password() const
{
    return m_password;
}

QString ServerSettings::account() const
{
    return m_userName + QLatin1Char('@') + serverUrl();
}

bool ServerSettings::isCurrentAccount(const QString &recorded) const
{
    // A user name may hold "@" itself: the address starts at the first one
    // after which a server's URL follows.
    for (qsizetype at = recorded.indexOf(QLatin1Char('@')); at >= 0; at = recorded.indexOf(QLatin1Char('@'), at + 1)) {
        const QString url = recorded.mid(at + 1);
        if (url.isEmpty() || !isValidServerUrl(url))
            continue;
        return recorded.left(at) == m_userName && addressOf(QUrl(url)) == addressOf(m_serverUrl);
    }
    return false;
}

bool ServerSettings::isComplete() const
{
    return !m_serverUrl.isEmpty() && !m_userName.isEmpty() && !m_password.isEmpty();
}

bool ServerSettings::isCompleteWith(const QString &sessionPassword) const
{
    return !m_serverUrl.isEmpty() && !m_userName.isEmpty()
        && (!m_password.isEmpty() || !sessionPassword.isEmpty());
}

bool ServerSettings::isValidServerUrl(const QString &url)
{
    if (url.isEmpty())
        return true;
    // Parsed as setServerUrl() parses it. The stored text form decodes
    // escapes ("%20" becomes a blank), which a strict parse would refuse at
    // the next start, losing the server.
    const QUrl parsed(url);
    if (!parsed.isValid())
        return false;
    if (parsed.host().isEmpty())
        return false;
    const QString scheme = parsed.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    const int port = parsed.port(scheme == QLatin1String("https") ? 443 : 80);
    return port >= 1 && port <= 65535;
}

ServerSettings::AcceptedError ServerSettings::acceptedErrorKey(const QSslError &error)
{
    const QSslCertificate certificate = error.certificate();
    const QByteArray digest = certificate.isNull() ? QByteArray() : certificate.digest(QCryptographicHash::Sha256);
    return AcceptedError(int(error.error()), digest);
}

void ServerSettings::addIgnorableSslErrors(const QList<QSslError> &errors)
{
    for (const QSslError &error : errors) {
        const AcceptedError key = acceptedErrorKey(error);
        m_ignorableSslErrors.insert(key);
        if (!key.second.isEmpty()) {
            m_acceptedDigests.removeAll(key.second);
            m_acceptedDigests.append(key.second);
        }
    }
    emit ignorableSslErrorsChanged();
}

bool ServerSettings::areSslErrorsIgnorable(const QList<QSslError> &errors) const
{
    for (const QSslError &error : errors) {
        if (!m_ignorableSslErrors.contains(acceptedErrorKey(error)))
            return false;
    }
    return true;
}

QList<QByteArray> ServerSettings::acceptedCertificateDigests() const
{
    return m_acceptedDigests;
}

QByteArray ServerSettings::encodePassword(const QString &password)
{
    return scrambleBytes(password.toUtf8());
}

QString ServerSettings::decodePassword(const QByteArray &stored)
{
    return QString::fromUtf8(scrambleBytes(stored));
}
