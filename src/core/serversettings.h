#ifndef SERVERSETTINGS_H
#define SERVERSETTINGS_H

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QSslError>
#include <QString>
#include <QUrl>

// The server URL, user name and password, loaded from the settings store at
// first use and written back at every change. Also remembers, for this run
// only, which certificate problems the user accepted.
class ServerSettings : public QObject
{
    Q_OBJECT
public:
    static ServerSettings *instance();

    // The built-in server, used when no URL is stored.
    static QString defaultServerUrl();

    // Reads the three values from the settings store and applies them
    // through setSettings().
    void load();

    // Applies the three values and emits at most one signal: serverChanged
    // when the URL changed, else userChanged, else passwordChanged.
    void setSettings(const QString &url, const QString &userName, const QString &password);
    void setCredentials(const QString &userName, const QString &password);

    // Store the value and write its key when it differs; no signal.
    bool setServerUrl(const QString &url);
    bool setUserName(const QString &userName);
    bool setPassword(const QString &password);

    QString serverUrl() const;
    bool hasServer() const;
    QString serverHost() const;
    int serverPort() const;
    QString serverPath() const;
    bool isSecure() const;
    QString userName() const;
    QString password() const;

    // The account whose server ids the lists hold, as a backup records it:
    // the user name, "@", the server's URL.
    QString account() const;
    // Whether `recorded` (as account() wrote it, on any computer) names the
    // account in use: the user name as the server takes it (exactly, case
    // and all), and the server as the program addresses it (scheme, host in
    // any case, port written or left to its default, path with or without a
    // closing "/").
    bool isCurrentAccount(const QString &recorded) const;

    bool isComplete() const;
    bool isCompleteWith(const QString &sessionPassword) const;

    static bool isValidServerUrl(const QString &url);

    // An accepted problem is remembered with the certificate it was raised
    // for, so a different certificate with the same kind of problem asks
    // again. Forgotten whenever the URL changes.
    void addIgnorableSslErrors(const QList<QSslError> &errors);
    bool areSslErrorsIgnorable(const QList<QSslError> &errors) const;
    // SHA-256 digests of the certificates accepted for this server, the
    // latest last.
    QList<QByteArray> acceptedCertificateDigests() const;

    static QByteArray encodePassword(const QString &password);
    static QString decodePassword(const QByteArray &stored);

signals:
    void serverChanged();
    void userChanged();
    void passwordChanged();
    void ignorableSslErrorsChanged();

private:
    ServerSettings();

    using AcceptedError = QPair<int, QByteArray>;
    static AcceptedError acceptedErrorKey(const QSslError &error);

    QUrl m_serverUrl;
    QString m_userName;
    QString m_password;
    QSet<AcceptedError> m_ignorableSslErrors;
    QList<QByteArray> m_acceptedDigests;
};

#endif
