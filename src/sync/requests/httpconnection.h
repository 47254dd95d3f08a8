#ifndef HTTPCONNECTION_H
#define HTTPCONNECTION_H

#include <QMap>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>

class QAuthenticator;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class Request;

// Runs requests one after the other, in the order they were added, on one
// HTTP/1.1 client that is created when work comes and closed after 30 s
// without work. Each request goes to the host, path prefix and credentials
// in force when it was added. Cancelling, aborting or deleting a request
// affects that request alone; the queue goes on. A running request whose
// transfer makes no progress for stallTimeout() ms fails, so a server that
// accepts a request and never answers cannot hold the queue for ever.
class HttpConnection : public QObject
{
    Q_OBJECT
public:
    static const int idleCloseMs = 30000;
    // Long enough for a busy server; a long download goes on as long as
    // bytes flow.
    static const int defaultStallTimeoutMs = 60000;

    explicit HttpConnection(QObject *parent = nullptr);
    ~HttpConnection() override;

    void setHost(const QString &host, bool secure, quint16 port, const QString &pathPrefix);
    void setUser(const QString &user, const QString &password);
    QString host() const { return m_host; }
    bool isSecure() const { return m_secure; }
    quint16 port() const { return m_port; }
    QString pathPrefix() const { return m_pathPrefix; }
    QString user() const { return m_user; }

    // The TLS settings of every request (for example extra CA certificates
    // for a self-hosted server); the system's defaults unless set.
    void setSslConfiguration(const QSslConfiguration &configuration);
    QSslConfiguration sslConfiguration() const { return m_sslConfiguration; }

    // How long a running request may go without a byte sent or received
    // before it fails; 0 or less: never.
    void setStallTimeout(int ms) { m_stallTimeoutMs = ms; }
    int stallTimeout() const { return m_stallTimeoutMs; }

    // Queues the request (not owned). It ends with one Request::finished.
    void addRequest(Request *request);
    // Fails the request with "Request canceled" (emitting finished).
    void cancelRequest(Request *request);
    // Removes the request without any further signal.
    void abortRequest(Request *request);
    // The request's queue id, or -1 when it is not queued.
    int findRequest(Request *request) const;
    int queuedCount() const { return m_queue.size(); }
    // The request is the one whose response is being received (readProgress
    // is about it).
    bool isRunning(const Request *request) const;
    // A client exists (it is closed when idle for idleCloseMs).
    bool hasClient() const { return m_http != nullptr; }

signals:
    // Progress of the running request's response body.
    void readProgress(int done, int total);

protected:
    // Run by addRequest before the target is taken: lets a subclass bring
    // host and credentials up to date whatever order change signals came in.
    virtual void updateTarget() {}

private slots:
    void onRequestDestroyed(QObject *object);
    void onAuthenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator);
    void onRequestFinished();
    void onReadyRead();
    void onDownloadProgress(qint64 done, qint64 total);
    void onSslErrors(const QList<QSslError> &errors);
    void onTimeout();
    void onTransferProgress();
    void onStalled();

private:
    struct Entry {
        Request *request = nullptr;
        QNetworkRequest networkRequest;
    };

    QNetworkAccessManager *http();
    void resetHttp();
    void closeOrDelete();
    void startNext();
    void continueQueue();
    // Removes the entry (and stops its reply when it runs); false when the
    // request is not queued.
    bool takeRequest(Request *request);
    void stopReply();
    void failRunning(const QString &text);
    void watchStall();
    static QString replyErrorText(const QNetworkReply *reply);

    QString m_host;
    bool m_secure = false;
    quint16 m_port = 0;
    QString m_pathPrefix;
    QString m_user;
    QString m_password;
    QSslConfiguration m_sslConfiguration;

    QNetworkAccessManager *m_http = nullptr;
    QMap<int, Entry> m_queue;
    int m_nextId = 1;
    int m_currentId = -1;
    QPointer<QNetworkReply> m_reply;
    QNetworkReply *m_questionReply = nullptr;
    QTimer *m_idleTimer = nullptr;
    QTimer *m_stallTimer = nullptr;
    int m_stallTimeoutMs = defaultStallTimeoutMs;
    bool m_deleteWhenDone = false;
};

#endif
