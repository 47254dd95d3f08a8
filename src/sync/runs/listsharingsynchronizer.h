#ifndef LISTSHARINGSYNCHRONIZER_H
#define LISTSHARINGSYNCHRONIZER_H

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class ListModel;
class QDomDocument;
class XMLRequest;

// Exchanges one list's sharing data (shared users with their permission
// letters, and the shared revision) with the server: one step, get(), put()
// or getMergePut(), then finished(); an empty error text means success.
class ListSharingSynchronizer : public QObject
{
    Q_OBJECT
public:
    using Users = QMap<QString, QString>;

    // What a run does with a list's sharing, from the server's shared
    // revision and what the list holds: the one decision of every run.
    enum Mode { Nothing, Get, Put, GetMergePut, WrongRevision };
    static Mode modeFor(const ListModel *model, quint32 serverSharedRevision, bool forceRemote);
    // The users after a run that found both sides changed since `base`: each
    // entry as the side that changed it has it; an unshare on either side
    // wins over the other's new letters, and of two new letters mine (the
    // upload about to leave) win. An entry the server holds as an upload in
    // doubt sent it (`sent`) was this computer's change, not the server's;
    // what the other computer changed once it saw that upload there wins over
    // it. With `sent`, the server has moved on since it was sent, by
    // `uploads` uploads of the sharing (its shared revision's steps).
    static Users merge(const Users &base, const Users &mine, const Users &theirs,
                       const std::optional<Users> &sent = std::nullopt, quint32 uploads = 1);

    ListSharingSynchronizer(ListModel *model, quint32 serverSharedRevision, QObject *parent = nullptr);
    ~ListSharingSynchronizer() override;

    // One of Get, Put or GetMergePut.
    void start(Mode mode);
    void get();
    void put();
    // Fetches the server's users, merges what changed here onto them and
    // uploads the merge when it differs from them.
    void getMergePut();
    void cancel();
    // Called before each upload leaves, once what it sends is recorded with
    // the list: the caller writes the lists file, and returns why that
    // failed (empty when it worked). Then nothing is sent, the record is
    // taken back, and the run fails with that text.
    void setSaveBeforeUpload(std::function<QString()> save) { m_saveBeforeUpload = std::move(save); }

    bool hasError() const { return !m_errorString.isEmpty(); }
    QString errorString() const { return m_errorString; }

signals:
    void finished();

private slots:
    void onGetRequestFinished();
    void onPutRequestFinished();
    void onArrivalCheckFinished();

private:
    QString sharingPath() const;
    bool readUsers(const QDomDocument &document, Users *users);
    void takeUsers(const Users &theirs);
    int answerStatus(QObject *sender);
    // An upload left without an answer: the server's users, fetched at once,
    // tell whether it never arrived; then the step fails with `failure`.
    void checkArrival(const QString &failure);
    void takeBackRefused();
    void releaseRequest();
    void succeed();
    void fail(const QString &text);

    QPointer<ListModel> m_model;
    XMLRequest *m_request = nullptr;
    QString m_errorString;
    quint32 m_serverSharedRevision;
    bool m_ended = false;
    bool m_merges = false;
    bool m_cancelled = false;
    QString m_uploadFailure;
    // The users as the fetch left, and as the upload sent them: a change
    // made meanwhile (a contact removed) is not lost to the answer.
    Users m_usersAtFetch;
    Users m_sent;
    // The record of an earlier upload in doubt, put back should the server
    // refuse this one.
    std::optional<Users> m_sentBefore;
    // What the server held before this step's upload: an import's is told
    // what it changed there.
    std::optional<Users> m_serverHad;
    std::function<QString()> m_saveBeforeUpload;
};

#endif
