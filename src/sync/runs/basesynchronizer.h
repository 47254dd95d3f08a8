#ifndef BASESYNCHRONIZER_H
#define BASESYNCHRONIZER_H

#include <QObject>
#include <QString>

class SslErrorHandler;

// Base of every synchronisation run the user starts and watches in the
// progress dialog. A run reports progress through two signals and ends once,
// through succeed() or fail(), with finished(ok).
class BaseSynchronizer : public QObject
{
    Q_OBJECT
public:
    explicit BaseSynchronizer(QObject *parent = nullptr);

    QString errorString() const { return m_errorString; }

    SslErrorHandler *sslErrorHandler() const { return m_sslErrorHandler; }
    void setSslErrorHandler(SslErrorHandler *handler) { m_sslErrorHandler = handler; }

    // Belongs to the process-wide connection: it outlives this run. An empty
    // password makes the connection use the stored one again.
    void setSessionPassword(const QString &password);

    // True once succeed() or fail() has ended the run.
    bool hasEnded() const { return m_ended; }

public slots:
    virtual void start() = 0;

signals:
    void progress(QString desc, int done, int total);
    void addProgress(QString desc, int addition);
    void finished(bool ok);

protected:
    void succeed();
    void fail(QString error);

private:
    bool checkNotEnded(const char *what);

    QString m_errorString;
    SslErrorHandler *m_sslErrorHandler = nullptr;
    bool m_ended = false;
};

#endif
