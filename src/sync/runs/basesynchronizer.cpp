#include "sync/runs/basesynchronizer.h"

#include "sync/requests/serverhttpconnection.h"

#include <QDebug>

BaseSynchronizer::BaseSynchronizer(QObject *parent)
    : QObject(parent)
{
}

void BaseSynchronizer::setSessionPassword(const QString &password)
{
    ServerHttpConnection::instance()->setSessionPassword(password);
}

// A subclass whose answers keep arriving after the end (several requests in
// flight) must not report a second, contradicting end to the dialog.
bool BaseSynchronizer::checkNotEnded(const char *what)
{
    if (m_ended) {
        qWarning() << "BaseSynchronizer:" << what << "after the run had ended - ignored";
        return false;
    }
    m_ended = true;
    return true;
}

void BaseSynchronizer::succeed()
{
    if (!checkNotEnded("succeed"))
        return;
    emit progress(tr("Succeeded."), 1, 1);
    emit finished(true);
}

void BaseSynchronizer::fail(QString error)
{
    if (!checkNotEnded("fail"))
        return;
    if (error.isEmpty()) {
        qDebug() << "BaseSynchronizer::fail - empty error string";
        error = tr("Unknown sync problem.");
    }
    m_errorString = error;
    emit progress(m_errorString, 1, 1);
    emit progress(tr("Sync failed."), 1, 1);
    emit finished(false);
}
