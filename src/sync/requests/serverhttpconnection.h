#ifndef SERVERHTTPCONNECTION_H
#define SERVERHTTPCONNECTION_H

#include "sync/requests/httpconnection.h"

// The process-wide connection to the synchronisation server: host, port,
// scheme, path prefix and credentials come from ServerSettings and follow
// its changes. Every server request of the program goes through instance().
class ServerHttpConnection : public HttpConnection
{
    Q_OBJECT
public:
    static ServerHttpConnection *instance();

    QString userName() const { return m_userName; }
    // The session password when one is set, else the stored one.
    QString password() const;
    // Server URL, user name and password() all non-empty.
    bool isComplete() const;
    // A password for one synchronisation run; empty to use the stored one.
    void setSessionPassword(const QString &password);

    // "/users/" and the user name as one percent-encoded path segment: the
    // start of every path about the signed-in user.
    QString userPath() const;

protected:
    void updateTarget() override;

private slots:
    void onServerSettingsChanged();

private:
    ServerHttpConnection();

    QString m_userName;
    QString m_sessionPassword;
};

#endif
