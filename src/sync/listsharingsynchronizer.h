#ifndef LISTSHARINGSYNCHRONIZER_H
#define LISTSHARINGSYNCHRONIZER_H

#include <QObject>
#include <QPointer>
#include <QString>

class ListModel;
class QDomDocument;
class XMLRequest;

// Exchanges one list's sharing data (shared users with their permission
// letters, and the shared revision) with the server: one step, get() or
// put(), then finished(); an empty error text means success.
class ListSharingSynchronizer : public QObject
{
    Q_OBJECT
public:
    ListSharingSynchronizer(ListModel *model, quint32 serverSharedRevision, QObject *parent = nullptr);
    ~ListSharingSynchronizer() override;

    void get();
    void put();
    void cancel();

    bool hasError() const { return !m_errorString.isEmpty(); }
    QString errorString() const { return m_errorString; }

signals:
    void finished();

private slots:
    void onGetRequestFinished();
    void onPutRequestFinished();

private:
    QString sharingPath() const;
    bool applyPermissions(const QDomDocument &document);
    int answerStatus(QObject *sender);
    void releaseRequest();
    void succeed();
    void fail(const QString &text);

    QPointer<ListModel> m_model;
    XMLRequest *m_request = nullptr;
    QString m_errorString;
    quint32 m_serverSharedRevision;
    bool m_ended = false;
};

#endif
