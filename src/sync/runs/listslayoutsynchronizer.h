#ifndef LISTSLAYOUTSYNCHRONIZER_H
#define LISTSLAYOUTSYNCHRONIZER_H

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <initializer_list>

class ListsGroups;
class ListsSyncHost;
class QDomDocument;
class SslErrorHandler;
class UploadSaves;
class UserLists;
class XMLRequest;

// The full run's step once every list is in step: where the lists stand,
// their display order and then their groups, brought into step with the
// server. Ends with finished(); an empty error text means success.
class ListsLayoutSynchronizer : public QObject
{
    Q_OBJECT

public:
    // What the run leaves the step.
    struct Run
    {
        QPointer<UserLists> lists;
        ListsSyncHost *host = nullptr;
        // The groups the run began with.
        QPointer<ListsGroups> groupsAtStart;
        // The run's saves before its uploads.
        UploadSaves *saves = nullptr;
        SslErrorHandler *sslErrorHandler = nullptr;
        bool forceRemote = false;
        bool forceLocal = false;
        // A list made here went up in this run.
        bool hasNewLists = false;
        // Lists the run took from the server as new: the server's order
        // places them.
        QSet<quint32> arrivedIds;
        // Lists made here that the run (or an upload in doubt) posted.
        QSet<quint32> postedIds;
    };

    explicit ListsLayoutSynchronizer(const Run &run, QObject *parent = nullptr);
    ~ListsLayoutSynchronizer() override;

    void start();
    QString errorString() const { return m_errorString; }

signals:
    void finished();
    void progress(QString desc, int done, int total);

private slots:
    void onGetDisplayOrderFinished();
    void onPutDisplayOrderFinished();
    void onGetListsGroupsFinished();
    void onGroupsBeforePutFetched();
    void onPutListsGroupsFinished();

private:
    void getDisplayOrder();
    void putDisplayOrder(const QList<quint32> &ids);
    // The lists here in their order, by server id.
    QList<quint32> localDisplayOrder() const;
    QList<quint32> mergedDisplayOrder(const QList<quint32> &theirs) const;
    void syncListsGroups();
    void getListsGroups();
    // The page's groups go up, recorded first as in doubt (see
    // UploadSaves::groupsBeforeUpload).
    void putListsGroups(ListsGroups *groups);
    // The merge becomes the page's groups, with what they agreed and sent.
    ListsGroups *takeMergedGroups(ListsGroups *mine, ListsGroups *merged);
    // The server's groups, read from the answer; null, with the step
    // failed, when they do not read.
    ListsGroups *readServerGroups(XMLRequest *request);
    // The server's groups become the page's, and what it agreed with it.
    void takeServerGroups(ListsGroups *groups);

    void sendRequest(const QString &method, const QString &path, void (ListsLayoutSynchronizer::*onFinished)(),
                     const QDomDocument *body = nullptr);
    // The answer when it carries one of the given statuses; otherwise null,
    // with the step already failed unless the sender was stale.
    XMLRequest *answerWith(std::initializer_list<int> statuses);
    QString unexpectedResponse() const;
    // Where the groups' upload leaves: once a save before an upload failed,
    // the step fails there instead (true), having sent nothing.
    bool uploadsBarred();
    void succeed();
    void fail(const QString &error);

    QPointer<UserLists> m_userLists;
    ListsSyncHost *m_host;
    QPointer<ListsGroups> m_groupsAtStart;
    UploadSaves *m_saves;
    SslErrorHandler *m_sslErrorHandler;
    bool m_forceRemote;
    bool m_forceLocal;
    bool m_hasNewLists;
    QSet<quint32> m_arrivedIds;
    QSet<quint32> m_postedIds;
    // The order last sent up.
    QList<quint32> m_orderSent;
    XMLRequest *m_request = nullptr;
    QString m_errorString;
    bool m_ended = false;
};

#endif
