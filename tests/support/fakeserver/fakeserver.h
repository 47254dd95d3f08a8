#ifndef FAKESERVER_H
#define FAKESERVER_H

// An in-process Plumdeck server for tests.
//
// It listens on 127.0.0.1 only, on ephemeral ports, and runs on the test's own
// event loop, so a test drives the program's classes and waits with
// QSignalSpy::wait or QTRY_VERIFY while the server answers. It writes its
// answers from literal XHTML text and checks the program's request bodies with
// its own small DOM helpers: it shares no code with the program, so a wrong
// class name or key in the program fails a test instead of being mirrored.
// Conventions the protocol leaves open are listed in CONVENTIONS.md beside
// this file.
//
// Typical use:
//
//     FakeServer server;                          // plain HTTP; Tls for TLS
//     QVERIFY(server.start());
//     server.addUser("alice", "secret");
//     quint32 id = server.addList("alice", "Groceries",
//                                 {FakeTask::make("Milk"), FakeTask::make("Eggs")});
//     settings.setServerUrl(server.url());        // http://127.0.0.1:<port>/plumdeck
//     ... run the program's synchroniser ...
//     QCOMPARE(server.list(id).revision, 2u);
//     QCOMPARE(server.requests().last().status, 200);
//     PLUMDECK_VERIFY_NO_VIOLATIONS(server);      // fakeservertest.h; in cleanup()
//
// CheckedFakeServer (fakeservertest.h) does that check by itself when it is
// destroyed. Every request body is checked against the document it must be;
// a test that sends a bad one on purpose says so with expectViolation().
// The certificate to trust for Tls is FakeServer::testCertificate().
//
// The server shares the test's thread: never block it with the sockets'
// waitFor...() calls; wait with QSignalSpy::wait, QTRY_* or QTest::qWaitFor.
//
// Faults:   server.respondOnce("PUT", "^/lists/\\d+$", 500);
//           server.stall("^/users/alice/lists-info$");
//           server.setCompressionFault("^/lists", FakeServer::TruncatedZlib);
// Events:   server.pushEvent("alice", "add", "/users/alice/friends", "<body>...</body>");
//           QTRY_COMPARE(server.eventStreamCount("alice"), 1);

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QTcpServer;
class QTcpSocket;
class FakeHttpConnection;
class FakeEventConnection;

using FakeFields = QList<QPair<QString, QString>>; // dt/dd pairs in order

// Value of the first pair with key, or a null string.
QString fakeField(const FakeFields &fields, const QString &key);
void setFakeField(FakeFields &fields, const QString &key, const QString &value);

struct FakeTask
{
    quint32 id = 0;       // 0: the server assigns one
    quint32 revision = 0; // 0: the list's revision when stored
    QString hashcode;     // empty: computed (MD5 of the fields) when stored
    FakeFields fields;    // title, done, times, created-by ... (not id, revision, hashcode)
    QStringList assignments;
    QList<FakeFields> attachments;
    QList<FakeTask> children;

    QString title() const { return fakeField(fields, QStringLiteral("title")); }
    // A task with the usual keys, times 2009-06-01T08:30:00, created by nobody.
    static FakeTask make(const QString &title, bool done = false,
                         const QList<FakeTask> &children = {});
    // One task with a chain of subtasks below it, `levels` deep in all,
    // titled "Level 1" to "Level <levels>".
    static FakeTask nested(int levels);
};

struct FakeList
{
    quint32 id = 0;
    QString owner;
    QString name;
    bool done = false;
    QString description;
    quint32 revision = 1;
    quint32 sharedRevision = 1;
    QMap<QString, QString> sharing; // user -> letters ("r", "rw", "rwd")
    QList<FakeTask> tasks;
    QList<FakeTask> removedTasks; // as received, with their deletion-time
    bool isNull() const { return id == 0; }
};

struct FakeNote
{
    quint32 id = 0;
    QString owner;
    QString title;
    QString text;
    quint32 revision = 1;
    bool isNull() const { return id == 0; }
};

struct FakeGroup
{
    quint32 id = 0; // 0 for the root
    QString name;
    bool expanded = true;
    QList<quint32> lists;
    QList<FakeGroup> children;
};

struct FakePresence
{
    QString state = QStringLiteral("unavailable"); // available, idle, busy, unavailable
    QString message;
};

struct FakeChatMessage
{
    QString sender;
    QString text;
};

struct FakeChat
{
    quint32 id = 0;
    QDateTime modifiedTime; // UTC
    QStringList participants;
    QList<FakeChatMessage> messages;
    QMap<QString, QString> activity; // user -> none/typing/deleting
};

struct FakeUser
{
    QString name;
    QString password;
    QString email;
    QString realName;
    QList<quint32> listOrder;
    FakeGroup groups;                // root
    bool groupsStored = false;
    QList<quint32> noteOrder;
    QStringList friends;
    QStringList friendRequests;      // users who asked this user
    FakePresence presence;
    QString idleness;                // last word received on the event port
    QByteArray avatar;               // JPEG bytes; empty: 404
    FakeFields extraFields;          // more user-data keys (user-country, ...)
};

// One HTTP request as the server saw it, with what it answered.
struct FakeRequest
{
    int connection = 0;       // serial number of the TCP connection
    bool tls = false;
    QByteArray method;
    QByteArray target;        // as on the request line, prefix included
    QString path;             // after the prefix, percent-decoded, doubled slashes folded
    QStringList segments;     // the path's segments, each decoded on its own ("a%2Fb" is one)
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray rawBody;
    QByteArray body;          // inflated when the body was zlib
    bool bodyWasZlib = false;
    bool acceptZlib = false;  // Accept-Encoding named zlib
    bool hadAuthorization = false;
    QString user;             // the authorised user, empty when none
    int status = 0;           // 0: no answer was sent (stalled, closed)
    QByteArray reason;
    bool responseZlib = false;
    qint64 receivedMs = 0;    // FakeServer::elapsedMs() when complete

    QByteArray header(const QByteArray &name) const; // case-insensitive, first one
};

struct FakeEventRecord
{
    enum Direction { FromServer, FromClient };
    Direction direction = FromServer;
    QString user;
    QByteArray bytes;   // the raw element (or raw bytes for sendEventRaw)
    QString type;       // attributes of an event element, when it was one
    QString resource;
    QString text;       // text content of the event, for client events
    qint64 timeMs = 0;
};

struct FakeEventConnectAttempt
{
    qint64 timeMs = 0;
    QByteArray authLine; // empty until a line arrived
    QString user;        // set when the line authorised
    bool accepted = false;
};

class FakeServer : public QObject
{
    Q_OBJECT
public:
    enum Transport { Plain, Tls };
    enum CompressionFault {
        NoCompressionFault,
        PlainAlthoughAsked,   // no zlib though the request asked for it
        LabelledGzip,         // zlib bytes labelled Content-Encoding: gzip
        TruncatedZlib,        // the zlib stream cut in half, labelled zlib
        DecompressionBomb,    // a few KiB inflating to about 100 MiB, labelled zlib
    };

    explicit FakeServer(Transport transport = Plain, QObject *parent = nullptr);
    ~FakeServer() override;

    // --- Lifetime --------------------------------------------------------
    // Listens on 127.0.0.1 (HTTP and event ports; 0 = ephemeral). The event
    // port is TLS when eventTransport is Tls (default: same as HTTP).
    bool start(quint16 httpPort = 0, quint16 eventPort = 0);
    void stop();
    QString errorString() const { return m_error; }
    quint16 httpPort() const;
    quint16 eventPort() const;
    Transport transport() const { return m_transport; }
    void setEventTransport(Transport t) { m_eventTransport = t; }
    void setPrefix(const QString &prefix) { m_prefix = prefix; } // default "/plumdeck"
    QString prefix() const { return m_prefix; }
    // "http://127.0.0.1:<port>/plumdeck" or "https://..."
    QString url() const;
    qint64 elapsedMs() const { return m_clock.elapsed(); }

    // Certificates (tests/data): the one served by default, and a second one
    // for certificate-change tests.
    static QString dataDirectory();
    static QSslCertificate testCertificate();
    static QSslCertificate otherCertificate();
    // Serve the other certificate (or back) on new TLS connections, HTTP and event.
    void useOtherCertificate(bool other);

    // --- Seeding ---------------------------------------------------------
    void addUser(const QString &name, const QString &password,
                 const QString &realName = {}, const QString &email = {});
    bool hasUser(const QString &name) const { return m_users.contains(name); }
    // Creates a list at revision 1; tasks without id get one. Returns its id.
    quint32 addList(const QString &owner, const QString &name,
                    const QList<FakeTask> &tasks = {});
    void putList(const FakeList &list); // replaces or inserts as given (id needed)
    void share(quint32 listId, const QString &user, const QString &letters); // empty letters: unshare
    void removeList(quint32 id);
    void setListOrder(const QString &user, const QList<quint32> &ids);
    void setGroups(const QString &user, const FakeGroup &root);
    quint32 addNote(const QString &owner, const QString &title, const QString &text);
    void putNote(const FakeNote &note); // replaces or inserts as given (id needed), as another computer's upload
    void removeNote(quint32 id);
    void setNoteOrder(const QString &user, const QList<quint32> &ids);
    void setServerInfo(int protocolVersion, int minSupportedVersion);
    // Overrides the event-port text in the server info: nullopt = the real
    // port, an empty string = the key is absent, else the text as given.
    void setAnnouncedEventPort(const std::optional<QString> &text) { m_announcedPort = text; }
    void setInstaller(const QString &name, const QByteArray &bytes, quint32 version); // name "plumdeck-<tag>"
    void setInstallerForbidden(bool forbidden) { m_installerForbidden = forbidden; }
    void setQuotedETag(bool quoted) { m_quotedETag = quoted; }
    // Team mode
    void addFriend(const QString &a, const QString &b); // both ways
    void addFriendRequest(const QString &from, const QString &to);
    void setPresence(const QString &user, const QString &state, const QString &message = {});
    quint32 addChat(const QStringList &participants, const QDateTime &modifiedUtc = {});
    void setAvatar(const QString &user, const QByteArray &jpeg);
    void setUserFields(const QString &user, const FakeFields &extra) { m_users[user].extraFields = extra; }

    // --- Switches for status variants -------------------------------------
    void setGoneStatus(int status) { m_goneStatus = status; }       // 404 (default) or 410
    void setNextListId(quint32 id) { m_nextList = id; }             // the id the next new list gets
    void setListOrderPutStatus(int status) { m_orderPutStatus = status; } // 204 default
    void setGroupsPutStatus(int status) { m_groupsPutStatus = status; }   // 200 default; 403
    void setSharingIncludesOwner(bool on) { m_sharingIncludesOwner = on; } // owner's "orwd" entry in sharing GET
    // A list PUT keeps the server's copy of a task sent with another
    // revision or hash code than the server's (an older copy sent back).
    void setKeepsNewerTasks(bool on) { m_keepsNewerTasks = on; }
    void setCompression(bool on) { m_compress = on; }               // answer zlib when asked
    void setStrictCompression(bool on) { m_strictCompression = on; } // violations for Z/P/R misuse
    void setMaxRequestBody(qint64 bytes) { m_maxBody = bytes; }     // 413 beyond; default 32 MiB

    // --- State -------------------------------------------------------------
    FakeList list(quint32 id) const { return m_lists.value(id); }
    QList<FakeList> lists() const { return m_lists.values(); }
    QList<FakeList> visibleLists(const QString &user) const;
    QList<FakeTask> tasks(quint32 listId) const { return m_lists.value(listId).tasks; }
    // Depth-first search of a list's tasks by id or title; null task when absent.
    FakeTask task(quint32 listId, quint32 taskId) const;
    FakeTask taskByTitle(quint32 listId, const QString &title) const;
    quint32 revision(quint32 listId) const { return m_lists.value(listId).revision; }
    QMap<QString, QString> sharing(quint32 listId) const { return m_lists.value(listId).sharing; }
    QList<quint32> listOrder(const QString &user) const; // as a GET would answer
    QList<quint32> storedListOrder(const QString &user) const { return m_users.value(user).listOrder; }
    FakeGroup groups(const QString &user) const { return m_users.value(user).groups; }
    FakeNote note(quint32 id) const { return m_notes.value(id); }
    QList<FakeNote> notes(const QString &user) const;
    QList<quint32> noteOrder(const QString &user) const { return m_users.value(user).noteOrder; }
    FakeUser user(const QString &name) const { return m_users.value(name); }
    FakeChat chat(quint32 id) const { return m_chats.value(id); }
    QList<FakeChat> chats() const { return m_chats.values(); }

    // --- Observation -------------------------------------------------------
    QList<FakeRequest> requests() const { return m_requests; }
    // Requests whose method matches (empty = any) and path matches the regex.
    QList<FakeRequest> requests(const QByteArray &method, const QString &pathRegex) const;
    void clearRequests() { m_requests.clear(); }
    // For benchmarks: keep no request records (the signal still fires), check no bodies.
    void setRecording(bool on) { m_recording = on; }
    void setValidation(bool on) { m_validation = on; }
    int connectionCount() const { return m_connectionSerial; } // HTTP connections accepted

    // Each violation: "<METHOD> <path>: <what>".
    QStringList violations() const { return m_violations; }
    // Violations matching none of the expected patterns.
    QStringList unexpectedViolations() const;
    void expectViolation(const QString &pattern); // regex over the violation text
    void clearViolations() { m_violations.clear(); m_expectedViolations.clear(); }
    // Checks one body as if it came with that request; returns the problems.
    QStringList validate(const QByteArray &method, const QString &path,
                         const QByteArray &body) const;

    QList<FakeEventRecord> eventLog() const { return m_eventLog; }
    QList<FakeEventConnectAttempt> eventConnectAttempts() const { return m_eventAttempts; }
    QList<QByteArray> authLines() const;
    int eventStreamCount(const QString &user) const;
    void clearEventLog() { m_eventLog.clear(); m_eventAttempts.clear(); }

    // --- HTTP faults ---------------------------------------------------------
    // Path regexes match FakeRequest::path (after the prefix). Method empty = any.
    void respondOnce(const QByteArray &method, const QString &pathRegex, int status,
                     const QByteArray &body = {}, const QByteArray &reason = {});
    void respondAlways(const QByteArray &method, const QString &pathRegex, int status,
                       const QByteArray &body = {}, const QByteArray &reason = {});
    // Writes these bytes verbatim instead of an answer (a bad status line,
    // missing headers, a short body...) and then closes the connection.
    void respondRaw(const QByteArray &method, const QString &pathRegex, const QByteArray &bytes,
                    bool once = true);
    void delay(const QString &pathRegex, int ms, bool once = false);
    void stall(const QString &pathRegex, bool once = false);            // never answers
    // Answers only at releaseHeld(): a request known to be in flight for as
    // long as a test needs, whatever the machine's speed.
    void hold(const QString &pathRegex, bool once = true);
    // The same for one method only (a DELETE, not the GET before it).
    void hold(const QByteArray &method, const QString &pathRegex, bool once = true);
    int releaseHeld(); // sends the held answers; how many there were
    int heldCount() const { return int(m_held.size()); }
    void closeConnectionOn(const QString &pathRegex, bool once = true); // closes instead of answering
    void setCompressionFault(const QString &pathRegex, CompressionFault fault, bool once = false);
    void oversizedBody(const QString &pathRegex, qint64 bytes = 64 << 20, bool once = true);
    // A 200 announcing twice `sent` bytes of body, of which it sends `sent`;
    // the connection then stays open and the rest never comes.
    void unfinishedBody(const QString &pathRegex, qint64 sent, bool once = true);
    // A slow but living answer: the headers at once, then the body
    // `chunkBytes` at a time, one piece every `intervalMs`.
    void drip(const QString &pathRegex, int chunkBytes, int intervalMs, bool once = true);
    void closeAfterResponses(int n) { m_closeAfter = n; } // per connection; 0 = never
    // The request is carried out, then its answer is lost: the status line,
    // the headers and the start of a body, then the connection closes.
    void dropAnswerAfterApplying(const QByteArray &method, const QString &pathRegex, bool once = true);
    // The request is carried out, then answered with this status and no body.
    void respondAfterApplying(const QByteArray &method, const QString &pathRegex, int status,
                              bool once = true);
    void clearFaults() { m_faults.clear(); }
    // How many faults have been taken by requests since the start.
    int faultsFired() const { return m_faultsFired; }

    // --- Event port ----------------------------------------------------------
    // Writes <event type resource>inner</event> to every stream of the user.
    int pushEvent(const QString &user, const QString &type, const QString &resource,
                  const QByteArray &innerXml);
    int sendEventRaw(const QString &user, const QByteArray &bytes);
    int sendMalformedEvent(const QString &user); // bytes no XML reader accepts
    void setEventKeepAlive(int intervalMs);      // 0 = off (default)
    void closeEventStreams();
    void setRefuseEventConnections(bool refuse);  // stops listening: connections are refused
    void setEventAuthAlwaysFails(bool on) { m_eventAlways401 = on; }
    void setEventAnswerDelay(int ms) { m_eventAnswerDelay = ms; }
    // Written right after the 200 line in the same write(), before any event.
    void setEventGreetingExtra(const QByteArray &bytes) { m_eventGreetingExtra = bytes; }
    // Bytes written instead of the whole normal answer to the authorisation
    // line, whatever the credentials (e.g. "299 What\n", or 8 KiB without a
    // newline). The connection then stays open; it counts as a stream (gets
    // pushed events) only when the bytes start with "200". Empty: normal answer.
    void setEventAnswerOverride(const QByteArray &bytes) { m_eventAnswerOverride = bytes; }

    // Internal to the server's own classes.
    struct Response {
        int status = 200;
        QByteArray reason;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        bool document = false; // an XHTML document: may be compressed
        QByteArray raw;         // written verbatim instead of the answer
        bool hold = false;      // after `raw` the connection stays open, answering nothing more
        int dripBytes = 0;      // > 0: the body goes out this many bytes at a time
        int dripMs = 0;         // the pause between two pieces
        void addHeader(const QByteArray &name, const QByteArray &value) { headers.append(qMakePair(name, value)); }
    };
    enum Action { Answer, StallIt, CloseIt };

signals:
    void requestReceived(const FakeRequest &request);
    void eventReceived(const FakeEventRecord &record);
    void eventStreamOpened(const QString &user);

private:
    friend class FakeHttpConnection;
    friend class FakeEventConnection;

    struct Fault {
        enum Kind { Respond, Raw, Delay, Stall, Close, Compression, Oversized, Unfinished, Hold, Drip,
                    AppliedDrop, AppliedRespond };
        Kind kind = Respond;
        QByteArray method;
        QRegularExpression path;
        int status = 0;
        QByteArray body;
        QByteArray reason;
        int ms = 0;
        qint64 bytes = 0;
        CompressionFault compression = NoCompressionFault;
        bool once = false;
    };

    // HTTP side (fakeserver.cpp / fakeserverroutes.cpp)
    void acceptEvent();
    Action handle(FakeRequest &request, Response &response, int &delayMs);
    Response route(FakeRequest &request);
    QByteArray encodeResponse(const FakeRequest &request, Response &response, bool keepAlive);
    void recordViolations(const FakeRequest &request);
    QString authorise(const FakeRequest &request) const;
    Fault &addFault(Fault::Kind kind, const QByteArray &method, const QString &pathRegex, bool once);
    const Fault *takeFault(Fault::Kind kind, const FakeRequest &request);
    void finishRequest(const FakeRequest &request);

    // Routes
    Response serverInfo(const FakeRequest &r);
    Response routeUsers(FakeRequest &r, const QStringList &seg);
    Response routeLists(FakeRequest &r, const QStringList &seg);
    Response routeNotes(FakeRequest &r, const QStringList &seg);
    Response routeChats(FakeRequest &r, const QStringList &seg);
    Response routeInstaller(FakeRequest &r, const QStringList &seg);
    Response userSearch(FakeRequest &r, const QStringList &seg);

    Response listsInfo(const QString &user);
    Response listInfo(const QString &user, quint32 id);
    Response getList(const QString &user, quint32 id);
    Response postList(FakeRequest &r);
    Response putList(FakeRequest &r, quint32 id);
    Response deleteList(const QString &user, quint32 id);
    Response getSharing(const QString &user, quint32 id);
    Response putSharing(FakeRequest &r, quint32 id);
    Response putListOrder(FakeRequest &r, const QString &user);
    Response getListOrder(const QString &user);
    Response putGroups(FakeRequest &r, const QString &user);
    Response getGroups(const QString &user);
    Response notesInfo(const QString &user);
    Response putNoteOrder(FakeRequest &r, const QString &user);
    Response getNoteOrder(const QString &user);

    // Helpers
    QString permissions(const FakeList &list, const QString &user) const;
    bool canSee(const FakeList &list, const QString &user) const;
    quint32 assignTaskIds(QList<FakeTask> &tasks, quint32 revision, bool all);
    void storeTask(FakeTask &task, quint32 revision) const;
    QByteArray listInfoItem(const FakeList &l, const QString &user, const char *tag) const;
    void pushToUsers(const QStringList &users, const QString &type, const QString &resource,
                     const QByteArray &inner);

    // Event side
    void eventAuthorised(FakeEventConnection *c, const QString &user);
    void eventClosed(FakeEventConnection *c);
    void recordEvent(const FakeEventRecord &record);
    int writeEvent(const QString &user, const QByteArray &bytes, const QString &type,
                   const QString &resource);
    QSslConfiguration sslConfiguration() const;

    Transport m_transport;
    Transport m_eventTransport;
    QString m_prefix = QStringLiteral("/plumdeck");
    QTcpServer *m_http = nullptr;
    QTcpServer *m_event = nullptr;
    quint16 m_eventListenPort = 0;
    QString m_error;
    QElapsedTimer m_clock;
    bool m_otherCertificate = false;

    QMap<QString, FakeUser> m_users;
    QMap<quint32, FakeList> m_lists;
    QMap<quint32, FakeNote> m_notes;
    QMap<quint32, FakeChat> m_chats;
    struct Installer { QByteArray bytes; quint32 version = 0; };
    QMap<QString, Installer> m_installers;
    quint32 m_nextList = 100;
    quint32 m_nextTask = 1000;
    quint32 m_nextNote = 500;
    quint32 m_nextGroup = 10;
    quint32 m_nextChat = 7;
    int m_protocol = 9;
    int m_minProtocol = 9;
    std::optional<QString> m_announcedPort;
    bool m_installerForbidden = false;
    bool m_quotedETag = false;
    int m_goneStatus = 404;
    int m_orderPutStatus = 204;
    int m_groupsPutStatus = 200;
    bool m_sharingIncludesOwner = false;
    bool m_keepsNewerTasks = false;
    bool m_compress = true;
    bool m_strictCompression = false;
    bool m_recording = true;
    bool m_validation = true;
    qint64 m_maxBody = 32 << 20;
    int m_closeAfter = 0;
    int m_faultsFired = 0;

    QList<Fault> m_faults;
    QList<std::function<void()>> m_held;
    QList<FakeRequest> m_requests;
    QStringList m_violations;
    QList<QRegularExpression> m_expectedViolations;
    int m_connectionSerial = 0;

    QList<QPointer<FakeEventConnection>> m_eventConnections;
    QList<FakeEventRecord> m_eventLog;
    QList<FakeEventConnectAttempt> m_eventAttempts;
    bool m_eventAlways401 = false;
    int m_eventAnswerDelay = 0;
    QByteArray m_eventGreetingExtra;
    QByteArray m_eventAnswerOverride;
    class QTimer *m_keepAlive = nullptr;
};

#endif
