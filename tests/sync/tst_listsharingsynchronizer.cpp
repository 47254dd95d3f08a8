#include "model/listmodel.h"
#include "model/tasklist.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/listsharingsynchronizer.h"
#include "sync/requests/request.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QSignalSpy>

using Users = QMap<QString, QString>;
using Mode = ListSharingSynchronizer::Mode;

namespace {
// A map written "bob=rw carol=r".
Users usersOf(const QString &text)
{
    Users out;
    for (const QString &entry : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        out.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    return out;
}

// A vanished list is logged, not reported; a failure goes to the log too.
void verifyLogLine(const MessageLog &log)
{
    static const QString gone = QStringLiteral("debug: ListSharingSynchronizer - list has gone");
    static const QString failed = QStringLiteral("warning: Unexpected response from server when fetching list permissions");
    static const QHash<QString, QString> lines{{"get:410", gone}, {"put:404", gone}, {"get:500", failed}, {"put:200", failed}};
    const QString line = lines.value(QString::fromLatin1(QTest::currentTestFunction()) + QLatin1Char(':')
                                     + QString::fromLatin1(QTest::currentDataTag()));
    if (!line.isEmpty())
        QVERIFY2(log.lines.contains(line), qPrintable(log.lines.join(QLatin1Char('\n'))));
}
} // namespace

class TstListSharingSynchronizer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void get_data();
    void get();
    void put_data();
    void put();
    void emptyMapIsUploadedAsAnEmptyList();
    void cancelInFlight();
    void cancelWithoutRequest();
    void cancelAfterEndDoesNothing();
    void modelRemovedMidStep();
    void merge_data();
    void merge();
    void modeFor_data();
    void modeFor();
    void getMergePut_data();
    void getMergePut();
    void mergeAfterAnUploadInDoubt_data();
    void mergeAfterAnUploadInDoubt();
    void changedWhileARequestIsOut_data();
    void changedWhileARequestIsOut();

private:
    void makeModel(quint32 serverId);
    bool run(ListSharingSynchronizer &sync, bool get);

    std::unique_ptr<FakeServer> m_server;
    std::unique_ptr<TaskList> m_list;
    std::unique_ptr<ListModel> m_model;
    quint32 m_listId = 0;
};

void TstListSharingSynchronizer::init()
{
    m_server = startFakeServer();
    QVERIFY(m_server);
    m_server->addUser(QStringLiteral("carol"), QStringLiteral("pw"));
    m_server->addUser(QStringLiteral("dave"), QStringLiteral("pw"));
    m_server->setStrictCompression(true);
    m_listId = m_server->addList(QStringLiteral("alice"), QStringLiteral("Shared"));
    m_server->share(m_listId, QStringLiteral("bob"), QStringLiteral("rw"));
    m_server->share(m_listId, QStringLiteral("carol"), QStringLiteral("r"));
}

void TstListSharingSynchronizer::cleanup()
{
    if (m_server)
        PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
    m_model.reset();
    m_list.reset();
    m_server.reset();
}

void TstListSharingSynchronizer::makeModel(quint32 serverId)
{
    m_list.reset(TaskList::create());
    m_list->setName(QStringLiteral("Shared"));
    m_list->setSyncStatus(TaskList::Unedited);
    m_list->setServerId(serverId);
    m_list->setRevision(1);
    m_model.reset(new ListModel(m_list.get()));
    m_model->loadSharedUser(QStringLiteral("dave"), QStringLiteral("rwd"));
    m_model->restoreSharedRevision(1);
    m_model->setSharedEdited(true);
    m_model->clearChanged();
}

bool TstListSharingSynchronizer::run(ListSharingSynchronizer &sync, bool get)
{
    QSignalSpy finished(&sync, &ListSharingSynchronizer::finished);
    if (get)
        sync.get();
    else
        sync.put();
    if (!finished.wait(10000))
        return false;
    QTest::qWait(20);
    // The request, with its answer, is released at the end, not kept until
    // the step is destroyed.
    return finished.count() == 1 && sync.findChildren<Request *>().isEmpty();
}

void TstListSharingSynchronizer::get_data()
{
    QTest::addColumn<bool>("knownList");
    QTest::addColumn<bool>("ownerEntry");
    QTest::addColumn<int>("faultStatus");
    QTest::addColumn<QByteArray>("faultBody");
    QTest::addColumn<QString>("error");
    QTest::addColumn<Users>("users");
    QTest::addColumn<quint32>("sharedRevision");

    const Users before{{QStringLiteral("dave"), QStringLiteral("rwd")}};
    const Users fromServer{{QStringLiteral("bob"), QStringLiteral("rw")}, {QStringLiteral("carol"), QStringLiteral("r")}};
    const QString unexpected = QStringLiteral("Unexpected response from server when fetching list permissions");
    const QByteArray wrongTitle =
        "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>pd-list</title></head><body>"
        "<ul class=\"pd-shared\"><li class=\"pd-shared-user\"><dl class=\"pd-shared-user-fields\">"
        "<dt>name</dt><dd>eve</dd><dt>permissions</dt><dd>r</dd></dl></li></ul></body></html>";
    const QByteArray missingKey =
        "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>permissions</title></head><body>"
        "<ul class=\"pd-shared\"><li class=\"pd-shared-user\"><dl class=\"pd-shared-user-fields\">"
        "<dt>name</dt><dd>eve</dd></dl></li></ul></body></html>";

    QTest::newRow("200 with two users") << true << false << 0 << QByteArray() << QString() << fromServer << 4u;
    QTest::newRow("200 with the owner's own entry") << true << true << 0 << QByteArray() << QString() << fromServer << 4u;
    QTest::newRow("404") << false << false << 0 << QByteArray() << QString() << before << 1u;
    QTest::newRow("410") << true << false << 410 << QByteArray() << QString() << before << 1u;
    QTest::newRow("403") << true << false << 403 << QByteArray() << unexpected << before << 1u;
    QTest::newRow("500") << true << false << 500 << QByteArray() << unexpected << before << 1u;
    QTest::newRow("201") << true << false << 201 << QByteArray() << unexpected << before << 1u;
    // A document that does not read leaves the revision too, so the next run
    // fetches again.
    QTest::newRow("200 with another title") << true << false << 200 << wrongTitle << QStringLiteral("^parse error: ")
                                            << before << 1u;
    QTest::newRow("200 with a user lacking permissions") << true << false << 200 << missingKey
                                                         << QStringLiteral("^parse error: ") << before << 1u;
    QTest::newRow("200 not XML") << true << false << 200 << QByteArray("<ul") << QStringLiteral("^XML failed to parse: ")
                                 << before << 1u;
}

void TstListSharingSynchronizer::get()
{
    QFETCH(bool, knownList);
    QFETCH(bool, ownerEntry);
    QFETCH(int, faultStatus);
    QFETCH(QByteArray, faultBody);
    QFETCH(QString, error);
    QFETCH(Users, users);
    QFETCH(quint32, sharedRevision);

    m_server->setSharingIncludesOwner(ownerEntry);
    if (faultStatus)
        m_server->respondOnce("GET", QStringLiteral("/sharingV3$"), faultStatus, faultBody);
    makeModel(knownList ? m_listId : 4242);
    ListSharingSynchronizer sync(m_model.get(), 4);
    MessageLog log;
    QVERIFY(run(sync, true));
    verifyLogLine(log);

    QCOMPARE(sync.hasError(), !error.isEmpty());
    QVERIFY2(errorMatches(sync.errorString(), error), qPrintable(sync.errorString()));
    QCOMPARE(m_model->sharedUsers(), users);
    QCOMPARE(m_model->sharedRevision(), sharedRevision);
    // Success clears the mark (and so marks the list changed); a failure
    // keeps it for the next run.
    QCOMPARE(m_model->isSharedEdited(), !error.isEmpty());
    QCOMPARE(m_model->isChanged(), error.isEmpty());
    QCOMPARE(requestLines(*m_server),
             QStringList{QStringLiteral("GET /lists/%1/sharingV3").arg(knownList ? m_listId : 4242)});
}

void TstListSharingSynchronizer::put_data()
{
    QTest::addColumn<QString>("owner");
    QTest::addColumn<bool>("knownList");
    QTest::addColumn<int>("faultStatus");
    QTest::addColumn<QByteArray>("faultBody");
    QTest::addColumn<QString>("error");
    QTest::addColumn<quint32>("sharedRevision");
    QTest::addColumn<Users>("serverSharing");
    // What the upload sent is still recorded as in doubt, and the server's
    // sharing was looked at at once to tell.
    QTest::addColumn<bool>("inDoubt");
    QTest::addColumn<bool>("looked");

    const Users uploaded{{QStringLiteral("dave"), QStringLiteral("rwd")}};
    const Users untouched{{QStringLiteral("bob"), QStringLiteral("rw")}, {QStringLiteral("carol"), QStringLiteral("r")}};
    const QString unexpected = QStringLiteral("Unexpected response from server when fetching list permissions");
    const QByteArray noRevision = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>shared-fields</title></head>"
                                  "<body><dl class=\"shared-fields\"><dt>other</dt><dd>1</dd></dl></body></html>";
    const QByteArray badRevision = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>shared-fields</title></head>"
                                   "<body><dl class=\"shared-fields\"><dt>shared_revision</dt><dd>x5</dd></dl></body></html>";

    // A refused upload never arrived: the run says so, and the change is
    // sent again, not taken for what the server may hold.
    const QString refused = QStringLiteral("The server refused the sharing of the list \"Shared\" (%1); it is sent "
                                           "again at the next sync.");

    QTest::newRow("201 with revision 2") << "alice" << true << 0 << QByteArray() << QString() << 2u << uploaded
                                         << false << false;
    QTest::newRow("201 without a revision") << "alice" << true << 201 << noRevision
                                            << QStringLiteral("Invalid shared revision returned: ") << 1u << untouched
                                            << true << false;
    QTest::newRow("201 with a bad revision") << "alice" << true << 201 << badRevision
                                             << QStringLiteral("^Invalid shared revision returned: bad rev num string")
                                             << 1u << untouched << true << false;
    QTest::newRow("200") << "alice" << true << 200 << QByteArray() << unexpected << 1u << untouched << true << false;
    QTest::newRow("204") << "alice" << true << 204 << QByteArray() << unexpected << 1u << untouched << true << false;
    QTest::newRow("403 from a list of another owner") << "bob" << true << 0 << QByteArray()
                                                      << refused.arg(QStringLiteral("403 Forbidden")) << 1u
                                                      << untouched << false << false;
    QTest::newRow("503 refused") << "alice" << true << 503 << QByteArray()
                                 << refused.arg(QStringLiteral("503 Service Unavailable")) << 1u << untouched << false
                                 << false;
    QTest::newRow("400 refused") << "alice" << true << 400 << QByteArray()
                                 << refused.arg(QStringLiteral("400 Bad Request")) << 1u << untouched << false << false;
    QTest::newRow("401 refused") << "alice" << true << 401 << QByteArray()
                                 << QStringLiteral("Host requires authentication") << 1u << untouched
                                 << false << false;
    QTest::newRow("504 from a gateway: as a lost answer") << "alice" << true << 504 << QByteArray() << unexpected
                                                          << 1u << untouched << true << true;
    QTest::newRow("404") << "alice" << false << 0 << QByteArray() << QString() << 1u << untouched << false << false;
    QTest::newRow("410") << "alice" << true << 410 << QByteArray() << QString() << 1u << untouched << false << false;
}

void TstListSharingSynchronizer::put()
{
    QFETCH(QString, owner);
    QFETCH(bool, knownList);
    QFETCH(int, faultStatus);
    QFETCH(QByteArray, faultBody);
    QFETCH(QString, error);
    QFETCH(quint32, sharedRevision);
    QFETCH(Users, serverSharing);
    QFETCH(bool, inDoubt);
    QFETCH(bool, looked);

    if (owner != QLatin1String("alice")) {
        FakeList list = m_server->list(m_listId);
        list.owner = owner;
        list.sharing.remove(owner);
        list.sharing.insert(QStringLiteral("alice"), QStringLiteral("rwd"));
        m_server->putList(list);
        serverSharing = list.sharing;
    }
    if (faultStatus)
        m_server->respondOnce("PUT", QStringLiteral("/sharingV3$"), faultStatus, faultBody);
    makeModel(knownList ? m_listId : 4242);
    ListSharingSynchronizer sync(m_model.get(), 7);
    MessageLog log;
    QVERIFY(run(sync, false));
    verifyLogLine(log);

    QVERIFY2(errorMatches(sync.errorString(), error), qPrintable(sync.errorString()));
    QCOMPARE(sync.hasError(), !error.isEmpty());
    QCOMPARE(m_model->sharedRevision(), sharedRevision);
    QCOMPARE(m_model->isSharedEdited(), !error.isEmpty());
    QCOMPARE(m_model->sharedUsers(), (Users{{QStringLiteral("dave"), QStringLiteral("rwd")}}));
    QCOMPARE(m_model->sentSharedUsers().has_value(), inDoubt);
    QCOMPARE(m_server->sharing(m_listId), serverSharing);
    const QList<FakeRequest> requests = m_server->requests();
    QCOMPARE(requests.size(), looked ? 2 : 1);
    QCOMPARE(QString::fromLatin1(requests[0].method), QStringLiteral("PUT"));
    QVERIFY(requests[0].bodyWasZlib);
    QVERIFY(requests[0].body.contains("dave"));
}

void TstListSharingSynchronizer::emptyMapIsUploadedAsAnEmptyList()
{
    makeModel(m_listId);
    m_model->removeSharedUser(QStringLiteral("dave"));
    ListSharingSynchronizer sync(m_model.get(), 1);
    QVERIFY(run(sync, false));
    QVERIFY(!sync.hasError());
    QVERIFY(m_server->sharing(m_listId).isEmpty());
    QCOMPARE(m_server->list(m_listId).sharedRevision, 2u);
    QCOMPARE(m_model->sharedRevision(), 2u);
    QVERIFY(m_server->requests().value(0).body.contains("pd-shared"));
}

void TstListSharingSynchronizer::cancelInFlight()
{
    m_server->stall(QStringLiteral("/sharingV3$"));
    makeModel(m_listId);
    ListSharingSynchronizer sync(m_model.get(), 4);
    QSignalSpy finished(&sync, &ListSharingSynchronizer::finished);
    sync.get();
    QTRY_COMPARE(m_server->requests().size(), 1);
    sync.cancel();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(sync.errorString(), QStringLiteral("Request canceled"));
    QCOMPARE(m_model->sharedRevision(), 1u);
    QVERIFY(m_model->isSharedEdited());
}

void TstListSharingSynchronizer::cancelWithoutRequest()
{
    makeModel(m_listId);
    ListSharingSynchronizer sync(m_model.get(), 4);
    QSignalSpy finished(&sync, &ListSharingSynchronizer::finished);
    sync.cancel();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(sync.errorString(), QStringLiteral("Sync canceled"));
}

void TstListSharingSynchronizer::cancelAfterEndDoesNothing()
{
    makeModel(m_listId);
    ListSharingSynchronizer sync(m_model.get(), 4);
    QVERIFY(run(sync, true));
    QSignalSpy finished(&sync, &ListSharingSynchronizer::finished);
    sync.cancel();
    QTest::qWait(20);
    QCOMPARE(finished.count(), 0);
    QVERIFY(!sync.hasError());
}

// The list was removed while its sharing was on the way: the answer finds
// no model to write into and the step ends.
void TstListSharingSynchronizer::modelRemovedMidStep()
{
    m_server->delay(QStringLiteral("/sharingV3$"), 100, true);
    makeModel(m_listId);
    ListSharingSynchronizer sync(m_model.get(), 4);
    QSignalSpy finished(&sync, &ListSharingSynchronizer::finished);
    sync.get();
    m_model.reset();
    QVERIFY(finished.wait(5000));
    QCOMPARE(sync.errorString(), QStringLiteral("Sync canceled"));
}

// base -> mine and base -> theirs, entry by entry.
void TstListSharingSynchronizer::merge_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("merged");
    QTest::newRow("nothing changed") << "bob=r" << "bob=r" << "bob=r" << "bob=r";
    QTest::newRow("shared here") << "bob=r" << "bob=r dave=rw" << "bob=r" << "bob=r dave=rw";
    QTest::newRow("shared there") << "bob=r" << "bob=r" << "bob=r dave=rw" << "bob=r dave=rw";
    QTest::newRow("unshared here, shared there") << "carol=r" << "" << "bob=r carol=r" << "bob=r";
    QTest::newRow("letters changed here, shared there") << "carol=r" << "carol=rw" << "bob=r carol=r"
                                                        << "bob=r carol=rw";
    QTest::newRow("unshared there") << "bob=r carol=r" << "bob=r carol=r" << "carol=r" << "carol=r";
    QTest::newRow("letters changed on both: mine") << "bob=r" << "bob=rwd" << "bob=rw" << "bob=rwd";
    QTest::newRow("the same letters on both") << "bob=r" << "bob=rw" << "bob=rw" << "bob=rw";
    QTest::newRow("shared on both, other letters: mine") << "" << "dave=r" << "dave=rw" << "dave=r";
    QTest::newRow("unshared here, letters changed there: unshared") << "bob=r carol=r" << "carol=r"
                                                                    << "bob=rw carol=r" << "carol=r";
    QTest::newRow("unshared there, letters changed here: unshared") << "bob=r carol=r" << "bob=rw carol=r"
                                                                    << "carol=r" << "carol=r";
    QTest::newRow("unshared on both") << "bob=r" << "" << "" << "";
    QTest::newRow("every kind at once") << "bob=r carol=r dave=r" << "bob=rw dave=r eve=r"
                                        << "bob=r carol=rw frank=r" << "bob=rw eve=r frank=r";
}

void TstListSharingSynchronizer::merge()
{
    QFETCH(QString, base);
    QFETCH(QString, mine);
    QFETCH(QString, theirs);
    QFETCH(QString, merged);
    QCOMPARE(ListSharingSynchronizer::merge(usersOf(base), usersOf(mine), usersOf(theirs)), usersOf(merged));
}

void TstListSharingSynchronizer::modeFor_data()
{
    QTest::addColumn<quint32>("local");
    QTest::addColumn<quint32>("server");
    QTest::addColumn<QString>("edit"); // "user": an edit here; "flag": edited, what was agreed unknown
    QTest::addColumn<bool>("forced");
    QTest::addColumn<int>("mode");
    QTest::newRow("server moved, unedited") << 2u << 3u << "" << false << int(Mode::Get);
    QTest::newRow("server moved, edited here") << 2u << 3u << "user" << false << int(Mode::GetMergePut);
    QTest::newRow("server moved, edited, agreed unknown") << 2u << 3u << "flag" << false << int(Mode::Get);
    QTest::newRow("server not moved, edited here") << 3u << 3u << "user" << false << int(Mode::Put);
    QTest::newRow("server not moved, unedited") << 3u << 3u << "" << false << int(Mode::Nothing);
    QTest::newRow("local above the server") << 4u << 3u << "user" << false << int(Mode::WrongRevision);
    QTest::newRow("forced remote") << 2u << 3u << "" << true << int(Mode::Put);
}

void TstListSharingSynchronizer::modeFor()
{
    QFETCH(quint32, local);
    QFETCH(quint32, server);
    QFETCH(QString, edit);
    QFETCH(bool, forced);
    QFETCH(int, mode);
    makeModel(m_listId);
    m_model->setSharedEdited(edit == QLatin1String("flag"));
    if (edit == QLatin1String("user"))
        m_model->removeSharedUser(QStringLiteral("dave"));
    m_model->restoreSharedRevision(local);
    QCOMPARE(int(ListSharingSynchronizer::modeFor(m_model.get(), server, forced)), mode);
}

// Agreed at revision 1: bob r, carol r; the server has moved bob to rw
// since (its revision is 4).
void TstListSharingSynchronizer::getMergePut_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QByteArray>("faultMethod");
    QTest::addColumn<int>("faultStatus");
    QTest::addColumn<QString>("users");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("agreed");
    QTest::addColumn<quint32>("revision");
    QTest::addColumn<QString>("requests");
    const int merge = Mode::GetMergePut;
    QTest::newRow("merged and uploaded") << merge << "bob=r dave=rwd" << QByteArray() << 0 << "bob=rw dave=rwd"
                                         << "bob=rw dave=rwd" << "bob=rw dave=rwd" << 2u << "GET PUT";
    QTest::newRow("the merge is the server's: nothing sent") << merge << "bob=rw carol=r" << QByteArray() << 0
                                                             << "bob=rw carol=r" << "bob=rw carol=r"
                                                             << "bob=rw carol=r" << 4u << "GET";
    // The merge waits, on the server's copy, for the next run's upload.
    QTest::newRow("upload refused") << merge << "bob=r dave=rwd" << QByteArray("PUT") << 500 << "bob=rw dave=rwd"
                                    << "bob=rw carol=r" << "bob=rw carol=r" << 4u << "GET PUT";
    QTest::newRow("fetch refused") << merge << "bob=r dave=rwd" << QByteArray("GET") << 500 << "bob=r dave=rwd"
                                   << "bob=rw carol=r" << "bob=r carol=r" << 1u << "GET";
    // A plain fetch keeps its meaning: the server's sharing is taken.
    QTest::newRow("a plain fetch") << int(Mode::Get) << "bob=r dave=rwd" << QByteArray() << 0 << "bob=rw carol=r"
                                   << "bob=rw carol=r" << "bob=rw carol=r" << 4u << "GET";
    // The revision here above the server's: what was agreed means nothing
    // there, and nobody on either side is left out.
    QTest::newRow("the server's revision below this one's: started anew, both sides put together")
        << int(Mode::WrongRevision) << "bob=r dave=rwd" << QByteArray() << 0 << "bob=r carol=r dave=rwd"
        << "bob=r carol=r dave=rwd" << "bob=r carol=r dave=rwd" << 2u << "GET PUT";
}

void TstListSharingSynchronizer::getMergePut()
{
    QFETCH(int, mode);
    QFETCH(QString, mine);
    QFETCH(QByteArray, faultMethod);
    QFETCH(int, faultStatus);
    QFETCH(QString, users);
    QFETCH(QString, server);
    QFETCH(QString, agreed);
    QFETCH(quint32, revision);
    QFETCH(QString, requests);
    if (faultStatus)
        m_server->respondOnce(faultMethod, QStringLiteral("/sharingV3$"), faultStatus);
    makeModel(m_listId);
    m_model->setSharedUsers(usersOf(mine));
    m_model->setAgreedSharedUsers(usersOf(QStringLiteral("bob=r carol=r")));
    if (mode == Mode::WrongRevision) {
        m_model->restoreSharedRevision(6);
        mode = ListOutcome::sharingMode(m_model.get(), 4, false);
    }
    ListSharingSynchronizer sync(m_model.get(), 4);
    QCOMPARE(ListSharingSynchronizer::modeFor(m_model.get(), 4, false), Mode::GetMergePut);
    QSignalSpy finished(&sync, &ListSharingSynchronizer::finished);
    sync.start(Mode(mode));
    QVERIFY(finished.wait(10000));
    QTest::qWait(20);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(sync.hasError(), faultStatus != 0);
    QCOMPARE(m_model->sharedUsers(), usersOf(users));
    QCOMPARE(m_server->sharing(m_listId), usersOf(server));
    QCOMPARE(m_model->agreedSharedUsers(), std::optional<Users>(usersOf(agreed)));
    QCOMPARE(m_model->sharedRevision(), revision);
    QCOMPARE(m_model->isSharedEdited(), faultStatus != 0);
    QStringList methods;
    for (const FakeRequest &request : m_server->requests())
        methods << QString::fromLatin1(request.method);
    QCOMPARE(methods.join(QLatin1Char(' ')), requests);
}

// An upload in doubt sent `sent` onto `base`; where the server holds what it
// sent, that was this computer's change: what the user did since holds.
void TstListSharingSynchronizer::mergeAfterAnUploadInDoubt_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("merged");
    QTest::newRow("shared with bob, arrived, taken back") << "carol=r" << "bob=rw carol=r" << "carol=r"
                                                          << "bob=rw carol=r" << "carol=r";
    QTest::newRow("carol unshared, arrived, given back") << "carol=r" << "" << "carol=r" << "" << "carol=r";
    QTest::newRow("letters changed, arrived, changed back") << "bob=r" << "bob=rw" << "bob=r" << "bob=rw" << "bob=r";
    QTest::newRow("shared with bob, never arrived, taken back") << "carol=r" << "bob=rw carol=r" << "carol=r"
                                                                << "carol=r" << "carol=r";
    QTest::newRow("bob's letters changed there too: the later upload's") << "carol=r" << "bob=rw carol=r"
                                                                        << "bob=rw carol=r" << "bob=r carol=r"
                                                                        << "bob=rw carol=r";
    QTest::newRow("arrived, dave shared there since: kept") << "carol=r" << "bob=rw carol=r" << "carol=r"
                                                            << "bob=rw carol=r dave=r" << "carol=r dave=r";
    // The server moved on since the upload left; what the other computer
    // did once it saw the upload there wins, and revoking wins.
    QTest::newRow("shared with bob, arrived, unshared there since") << "carol=r" << "bob=rw carol=r"
                                                                    << "bob=rw carol=r" << "carol=r" << "carol=r";
    QTest::newRow("carol unshared, arrived, shared again there since") << "carol=r" << "" << "" << "carol=r"
                                                                       << "carol=r";
    QTest::newRow("two shared, one standing there, the other unshared there since")
        << "" << "bob=r carol=r" << "bob=r carol=r" << "bob=r" << "bob=r";
    // Nothing tells that the upload arrived: what it sent goes up again.
    QTest::newRow("shared with bob, dave shared there: bob's share goes up")
        << "carol=r" << "bob=rw carol=r" << "bob=rw carol=r" << "carol=r dave=r" << "bob=rw carol=r dave=r";
    QTest::newRow("carol unshared, arrived or not, her letters changed there: unshared")
        << "carol=r" << "" << "" << "carol=rw" << "";
}

void TstListSharingSynchronizer::mergeAfterAnUploadInDoubt()
{
    QFETCH(QString, base);
    QFETCH(QString, sent);
    QFETCH(QString, mine);
    QFETCH(QString, theirs);
    QFETCH(QString, merged);
    QCOMPARE(ListSharingSynchronizer::merge(usersOf(base), usersOf(mine), usersOf(theirs), usersOf(sent)),
             usersOf(merged));
}

// The server holds bob rw and carol r at revision 3. A run's step starts
// from what this computer holds; while its request is out a contact is
// removed here (carol unshared): that reaches the server, and the list ends
// as it is here, agreed.
void TstListSharingSynchronizer::changedWhileARequestIsOut_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("here"); // the users here as the step starts, edited unless the server's
    QTest::addColumn<QByteArray>("held");
    QTest::addColumn<QString>("users");
    QTest::addColumn<QString>("requests");
    QTest::newRow("a plain fetch") << int(Mode::Get) << "bob=rw carol=r" << QByteArray("GET") << "bob=rw"
                                   << "GET PUT";
    QTest::newRow("an upload") << int(Mode::Put) << "bob=rw carol=r dave=r" << QByteArray("PUT") << "bob=rw dave=r"
                               << "PUT PUT";
    QTest::newRow("the fetch of a merge") << int(Mode::GetMergePut) << "bob=rw carol=r dave=r" << QByteArray("GET")
                                          << "bob=rw dave=r" << "GET PUT";
    QTest::newRow("the upload of a merge") << int(Mode::GetMergePut) << "bob=rw carol=r dave=r" << QByteArray("PUT")
                                           << "bob=rw dave=r" << "GET PUT PUT";
}

void TstListSharingSynchronizer::changedWhileARequestIsOut()
{
    QFETCH(int, mode);
    QFETCH(QString, here);
    QFETCH(QByteArray, held);
    QFETCH(QString, users);
    QFETCH(QString, requests);
    FakeList list = m_server->list(m_listId);
    list.sharedRevision = 3;
    m_server->putList(list);
    makeModel(m_listId);
    m_model->setSharedUsers(usersOf(here));
    m_model->setAgreedSharedUsers(usersOf(QStringLiteral("bob=rw carol=r")));
    m_model->setSharedEdited(mode != Mode::Get);
    m_model->restoreSharedRevision(mode == Mode::Put ? 3 : 2);
    QCOMPARE(int(ListSharingSynchronizer::modeFor(m_model.get(), 3, false)), mode);
    m_server->hold(held, QStringLiteral("/sharingV3$"));
    int saves = 0;
    ListSharingSynchronizer sync(m_model.get(), 3);
    sync.setSaveBeforeUpload([&] {
        ++saves;
        return QString();
    });
    QSignalSpy finished(&sync, &ListSharingSynchronizer::finished);
    sync.start(Mode(mode));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->heldCount(), 1, 10000);
    QVERIFY(m_model->removeSharedUser(QStringLiteral("carol")));
    QCOMPARE(m_server->releaseHeld(), 1);
    QVERIFY(finished.wait(10000));
    QTest::qWait(20);
    QCOMPARE(finished.count(), 1);
    QVERIFY2(!sync.hasError(), qPrintable(sync.errorString()));
    QCOMPARE(m_server->sharing(m_listId), usersOf(users));
    QCOMPARE(m_model->sharedUsers(), usersOf(users));
    QVERIFY(!m_model->isSharedEdited());
    QCOMPARE(m_model->sentSharedUsers(), std::nullopt);
    QStringList methods;
    for (const FakeRequest &request : m_server->requests())
        methods << QString::fromLatin1(request.method);
    QCOMPARE(methods.join(QLatin1Char(' ')), requests);
    // Each upload was written down before it left.
    QCOMPARE(saves, int(methods.count(QStringLiteral("PUT"))));
}

PLUMDECK_TEST_MAIN(TstListSharingSynchronizer)
#include "tst_listsharingsynchronizer.moc"
