// The fake server's endpoints, driven with plain QNetworkAccessManager:
// statuses, documents, revisions and merges, authorisation, zlib, TLS.

#include "fakeservertest.h"
#include "fakeservertests.h"
#include "fakexml.h"
#include "testenvironment.h"

#include <QDomDocument>
#include <QProcess>
#include <QTcpSocket>

namespace {

QByteArray taskXml(const QByteArray &title, quint32 id = 0, quint32 revision = 0,
                   const QByteArray &extra = {}, const QByteArray &children = {})
{
    QByteArray f = "<dt>title</dt><dd>" + title + "</dd><dt>done</dt><dd>false</dd>";
    if (id)
        f += "<dt>id</dt><dd>" + QByteArray::number(id) + "</dd><dt>revision</dt><dd>"
             + QByteArray::number(revision) + "</dd>";
    f += "<dt>hashcode</dt><dd/><dt>creation-time</dt><dd>2009-06-01T08:30:00</dd>"
         "<dt>modification-time</dt><dd>2009-06-02T10:00:00</dd><dt>start-time</dt><dd>none</dd>"
         "<dt>due-time</dt><dd>none</dd><dt>created-by</dt><dd>alice</dd><dt>done-by</dt><dd/>"
         "<dt>last-modified-by</dt><dd>alice</dd><dt>priority</dt><dd>none</dd>" + extra;
    QByteArray li = "<li class=\"pd-task\"><dl class=\"pd-task-fields\">" + f + "</dl>";
    if (!children.isEmpty())
        li += "<ol class=\"pd-tasks\">" + children + "</ol>";
    return li + "</li>";
}

QByteArray listBody(quint32 id, quint32 revision, const QByteArray &name, const QByteArray &tasks,
                    const QByteArray &removed = {}, const QByteArray &extraFields = {})
{
    QByteArray f;
    if (id)
        f += "<dt>id</dt><dd>" + QByteArray::number(id) + "</dd><dt>revision</dt><dd>"
             + QByteArray::number(revision) + "</dd>";
    f += "<dt>name</dt><dd>" + name + "</dd><dt>done</dt><dd>false</dd><dt>description</dt><dd/>"
         "<dt>owned</dt><dd>true</dd><dt>permissions</dt><dd>orwd</dd>" + extraFields;
    QByteArray body = "<div class=\"pd-list\"><dl class=\"pd-list-fields\">" + f + "</dl><ol class=\"pd-tasks\">"
                      + tasks + "</ol>";
    if (!removed.isEmpty())
        body += "<ul class=\"pd-removed-tasks\">" + removed + "</ul>";
    return clientDoc("pd-list", body + "</div>");
}

// A null document when the bytes do not parse, so every look-up after it fails.
QDomDocument parseDoc(const QByteArray &bytes)
{
    QDomDocument doc;
    QString error;
    return FakeXml::parse(bytes, &doc, &error) ? doc : QDomDocument();
}

QDomElement parseBody(const QByteArray &bytes)
{
    return parseDoc(bytes).elementsByTagName(QStringLiteral("body")).at(0).toElement();
}

quint32 idIn(const ProbeReply &reply, const QString &cls)
{
    return FakeXml::toId(FakeXml::oneByClass(parseBody(reply.body), cls).text());
}

// References as the order documents carry them: <li class="<li>"><a class="<a>" href="/plumdeck/<path>/<id>">.
QByteArray refs(const char *li, const char *a, const char *path, const QList<quint32> &ids)
{
    QByteArray out;
    for (quint32 id : ids)
        out += QByteArray("<li class=\"") + li + "\"><a class=\"" + a + "\" href=\"/plumdeck/" + path + "/"
               + QByteArray::number(id) + "\">" + QByteArray::number(id) + "</a></li>";
    return out;
}

const QByteArray AliceAuth = "Authorization: Basic " + QByteArray("alice:secret").toBase64() + "\r\n";

// Writes raw bytes on a new connection; the answer once it contains `until`,
// or once the server has closed when `until` is empty.
QByteArray exchange(QTcpSocket &socket, quint16 port, const QByteArray &request, const QByteArray &until = {})
{
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(3000))
        return QByteArray();
    // Woken by the socket rather than polled: the server shares this thread.
    QByteArray answer;
    QEventLoop loop;
    const auto check = [&] {
        answer += socket.readAll();
        if (until.isEmpty() ? socket.state() == QAbstractSocket::UnconnectedState : answer.contains(until))
            loop.quit();
    };
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, check);
    QObject::connect(&socket, &QTcpSocket::stateChanged, &loop, check);
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    socket.write(request);
    loop.exec();
    return answer + socket.readAll();
}

FakeFields fieldsOf(const QDomElement &root, const QString &cls)
{
    return FakeXml::fields(FakeXml::oneByClass(root, cls));
}

} // namespace

class TstFakeServer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void serverInfo_data();
    void serverInfo();
    void headAnswersGetHeaders();
    void authorisation_data();
    void authorisation();
    void requestsAreRecorded();
    void zlibRequestBody();
    void zlibAnswerOnlyWhenAsked();
    void keepAliveAndPipelining();
    void rawRequests_data();
    void rawRequests();
    void tls();

    void listsInfo();
    void postListAssignsIds();
    void putListMerges();
    void putListUnchangedKeepsRevision();
    void listPermissions_data();
    void listPermissions();
    void goneStatus_data();
    void goneStatus();
    void sharing();
    void listOrder();
    void groups();
    void notes();
    void installer_data();
    void installer();

    void teamEndpoints();
    void friendRequestFlow();
    void chats();

    void checkedServerFailsOnViolations();
    void standaloneProgram_data();
    void standaloneProgram();
    void programControl_data();
    void programControl();

private:
    FakeServer *m_server = nullptr;
    std::unique_ptr<FakeServerProbe> m_probe; // signed in as alice
};

void TstFakeServer::init()
{
    m_server = new FakeServer(FakeServer::Plain, this);
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    m_server->addUser(QStringLiteral("bob"), QStringLiteral("hunter2"), QStringLiteral("Bob Smith"));
    m_server->addUser(QStringLiteral("carol"), QStringLiteral("pw"));
    m_probe.reset(new FakeServerProbe(*m_server));
}

void TstFakeServer::cleanup()
{
    m_probe.reset();
    dropServer(m_server);
}

void TstFakeServer::serverInfo_data()
{
    QTest::addColumn<bool>("announce");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // "port": the real event port; "<absent>"
    QTest::newRow("real port") << false << QString() << QStringLiteral("port");
    QTest::newRow("absent") << true << QString() << QStringLiteral("<absent>");
    QTest::newRow("too large") << true << QStringLiteral("70000") << QStringLiteral("70000");
    QTest::newRow("garbage") << true << QStringLiteral("80x") << QStringLiteral("80x");
}

void TstFakeServer::serverInfo()
{
    QFETCH(bool, announce);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    if (announce)
        m_server->setAnnouncedEventPort(text);
    m_server->setServerInfo(9, 8);
    m_probe->sendAuth = false; // "/" is public
    const ProbeReply r = m_probe->get(QStringLiteral("/"));
    QCOMPARE(r.status, 200);
    QCOMPARE(r.reason, QByteArray("OK"));
    const QDomElement server = FakeXml::oneByClass(parseBody(r.body), QStringLiteral("pd-server"));
    QVERIFY(!server.isNull());
    const FakeFields f = FakeXml::fields(FakeXml::childrenByClass(server, QStringLiteral("pd-server-fields")).value(0));
    QCOMPARE(FakeXml::value(f, QStringLiteral("protocol-version")), QStringLiteral("9"));
    QCOMPARE(FakeXml::value(f, QStringLiteral("min-supported-protocol-version")), QStringLiteral("8"));
    QVERIFY(m_server->eventPort() != m_server->httpPort());
    if (expected == QLatin1String("<absent>"))
        QVERIFY(!FakeXml::hasKey(f, QStringLiteral("event-port")));
    else if (expected == QLatin1String("port"))
        QCOMPARE(FakeXml::value(f, QStringLiteral("event-port")).toUInt(), uint(m_server->eventPort()));
    else
        QCOMPARE(FakeXml::value(f, QStringLiteral("event-port")), expected);
}

void TstFakeServer::headAnswersGetHeaders()
{
    const ProbeReply get = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    const ProbeReply head = m_probe->send("HEAD", QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(head.status, 200);
    QVERIFY(head.rawBody.isEmpty());
    QCOMPARE(head.header("Content-Length"), QByteArray::number(get.rawBody.size()));
    QCOMPARE(m_probe->send("HEAD", QStringLiteral("/users/alice")).status, 200);
    QCOMPARE(m_probe->send("HEAD", QStringLiteral("/users/nobody")).status, 404);
    FakeServerProbe anonymous(*m_server);
    anonymous.sendAuth = false;
    const ProbeReply root = anonymous.send("HEAD", QStringLiteral("/"));
    QCOMPARE(root.status, 200);
    QVERIFY(!root.timedOut); // Qt would wait for a body the server must not send
}

void TstFakeServer::authorisation_data()
{
    QTest::addColumn<bool>("sendAuth");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::newRow("no header") << false << QString() << QString() << QStringLiteral("/users/alice/lists-info") << 401;
    QTest::newRow("wrong password") << true << QStringLiteral("alice") << QStringLiteral("nope")
                                    << QStringLiteral("/users/alice/lists-info") << 401;
    QTest::newRow("unknown user") << true << QStringLiteral("mallory") << QStringLiteral("secret")
                                  << QStringLiteral("/users/alice/lists-info") << 401;
    QTest::newRow("good") << true << QStringLiteral("alice") << QStringLiteral("secret")
                          << QStringLiteral("/users/alice/lists-info") << 200;
    QTest::newRow("other user's lists") << true << QStringLiteral("bob") << QStringLiteral("hunter2")
                                        << QStringLiteral("/users/alice/lists-info") << 403;
    QTest::newRow("other user's data is open") << true << QStringLiteral("bob") << QStringLiteral("hunter2")
                                               << QStringLiteral("/users/alice") << 200;
    QTest::newRow("root is public") << false << QString() << QString() << QStringLiteral("/") << 200;
    QTest::newRow("installer needs auth") << false << QString() << QString() << QStringLiteral("/clients/plumdeck-x") << 401;
}

void TstFakeServer::authorisation()
{
    QFETCH(bool, sendAuth);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, path);
    QFETCH(int, status);
    m_probe->sendAuth = sendAuth;
    m_probe->user = user;
    m_probe->password = password;
    const ProbeReply r = m_probe->get(path);
    QCOMPARE(r.status, status);
    if (status == 401) {
        QCOMPARE(r.header("WWW-Authenticate"), QByteArray("Basic realm=\"plumdeck\""));
        QCOMPARE(r.reason, QByteArray("Unauthorized"));
    }
    const FakeRequest recorded = m_server->requests().last();
    QCOMPARE(recorded.hadAuthorization, sendAuth);
    QCOMPARE(recorded.user, status == 401 ? QString() : (sendAuth ? user : QString()));
    QCOMPARE(recorded.status, status);
}

void TstFakeServer::requestsAreRecorded()
{
    QSignalSpy spy(m_server, &FakeServer::requestReceived);
    m_probe->extraHeaders.append(qMakePair(QByteArray("X-Probe"), QByteArray("1")));
    m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first().first().value<FakeRequest>().path, QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(m_server->requests().size(), 1);
    const FakeRequest r = m_server->requests().first();
    QCOMPARE(r.method, QByteArray("GET"));
    QCOMPARE(r.target, QByteArray("/plumdeck/users/alice/lists-info"));
    QCOMPARE(r.path, QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(r.header("x-probe"), QByteArray("1"));
    QCOMPARE(r.status, 200);
    QCOMPARE(r.reason, QByteArray("OK"));
    QCOMPARE(m_server->requests("GET", QStringLiteral("^/users/[^/]+/lists-info$")).size(), 1);
    QCOMPARE(m_server->requests("PUT", QStringLiteral("lists-info")).size(), 0);
}

void TstFakeServer::zlibRequestBody()
{
    const quint32 id = m_server->addNote(QStringLiteral("alice"), QStringLiteral("Ideas"), QStringLiteral("kite"));
    m_probe->compressBody = true;
    const QByteArray body = clientDoc("note",
        "<div class=\"pd-notepad-note\"><dl class=\"pd-notepad-note-fields\"><dt>id</dt><dd>"
        + QByteArray::number(id) + "</dd><dt>revision</dt><dd>1</dd><dt>title</dt><dd>Ideas</dd>"
        "<dt>text</dt><dd>a red kite</dd></dl></div>");
    QCOMPARE(m_probe->put(QStringLiteral("/notepad-notes/%1").arg(id), body).status, 200);
    const FakeRequest r = m_server->requests().last();
    QVERIFY(r.bodyWasZlib);
    QCOMPARE(r.body, body);
    QVERIFY(r.rawBody != body);
    QCOMPARE(m_server->note(id).text, QStringLiteral("a red kite"));
    QCOMPARE(m_server->note(id).revision, 2u);

    // A zlib header whose stream is damaged is refused and reported.
    QByteArray damaged = FakeXml::compress(body);
    damaged.truncate(damaged.size() / 2);
    m_probe->compressBody = false;
    m_server->expectViolation(QStringLiteral("zlib body does not inflate"));
    QCOMPARE(m_probe->put(QStringLiteral("/notepad-notes/%1").arg(id), damaged).status, 400);
    QCOMPARE(m_server->note(id).revision, 2u);
}

void TstFakeServer::zlibAnswerOnlyWhenAsked()
{
    const ProbeReply plain = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QVERIFY(plain.header("Content-Encoding").isEmpty());
    QVERIFY(!m_server->requests().last().acceptZlib);
    m_probe->acceptZlib = true;
    const ProbeReply zipped = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(zipped.header("Content-Encoding"), QByteArray("zlib"));
    QCOMPARE(quint8(zipped.rawBody.at(0)), quint8(0x78));
    QCOMPARE(zipped.body, plain.body);
    QVERIFY(m_server->requests().last().acceptZlib);
    QVERIFY(m_server->requests().last().responseZlib);
    m_server->setCompression(false);
    QVERIFY(m_probe->get(QStringLiteral("/users/alice/lists-info")).header("Content-Encoding").isEmpty());
}

void TstFakeServer::keepAliveAndPipelining()
{
    // Two requests in one write: both answered, in order, on the same connection.
    QTcpSocket socket;
    const QByteArray all = exchange(socket, m_server->httpPort(),
        "GET /plumdeck/users/alice/lists-info HTTP/1.1\r\nHost: x\r\n" + AliceAuth + "\r\n"
        "GET /plumdeck/nothing-here HTTP/1.1\r\nHost: x\r\n" + AliceAuth + "\r\n", "404 Not Found");
    QVERIFY(all.startsWith("HTTP/1.1 200 OK\r\n"));
    QVERIFY(all.contains("Connection: keep-alive"));
    QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
    QCOMPARE(m_server->connectionCount(), 1);
    QCOMPARE(m_server->requests().size(), 2);
    QCOMPARE(m_server->requests().at(1).connection, m_server->requests().at(0).connection);

    // After closeAfterResponses(n) the server closes once n answers are out.
    m_server->closeAfterResponses(1);
    QTcpSocket second;
    QVERIFY(exchange(second, m_server->httpPort(), "GET /plumdeck/ HTTP/1.1\r\nHost: x\r\n\r\n").contains("Connection: close"));
    QCOMPARE(second.state(), QAbstractSocket::UnconnectedState);
}

void TstFakeServer::rawRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("until"); // empty: until the server closes
    QTest::addColumn<QString>("answer");   // pattern for the whole answer
    QTest::addColumn<QString>("path");     // as recorded; empty: not checked
    // HEAD: headers only, with the GET's non-zero Content-Length.
    QTest::newRow("Connection: close") << QByteArray("HEAD /plumdeck/ HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")
        << QByteArray() << QStringLiteral("^HTTP/1\\.1 200 OK\r\n(?=.*Content-Length: [1-9])([^\r\n]+\r\n)*\r\n$") << QString();
    QTest::newRow("chunked body")
        << QByteArray("POST /plumdeck/lists HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n")
        << QByteArray("\r\n") << QStringLiteral("^HTTP/1\\.1 411 Length Required\r\n") << QString();
    QTest::newRow("doubled slash after the prefix")
        << "GET /plumdeck//users/alice/lists-info HTTP/1.1\r\nHost: x\r\n" + AliceAuth + "\r\n" << QByteArray("pd-list-infos")
        << QStringLiteral("^HTTP/1\\.1 200 OK\r\n") << QStringLiteral("/users/alice/lists-info");
}

void TstFakeServer::rawRequests()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, until);
    QFETCH(QString, answer);
    QFETCH(QString, path);
    QTcpSocket socket;
    const QString got = QString::fromLatin1(exchange(socket, m_server->httpPort(), request, until));
    QVERIFY2(QRegularExpression(answer, QRegularExpression::DotMatchesEverythingOption).match(got).hasMatch(), qPrintable(got));
    if (until.isEmpty())
        QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    if (!path.isEmpty()) {
        QCOMPARE(m_server->requests().last().target, request.split(' ').at(1));
        QCOMPARE(m_server->requests().last().path, path);
    }
}

void TstFakeServer::tls()
{
    if (!QSslSocket::supportsSsl())
        QSKIP("no TLS backend");
    FakeServer server(FakeServer::Tls);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    server.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    QVERIFY(server.url().startsWith(QLatin1String("https://127.0.0.1:")));
    FakeServerProbe probe(server);
    const ProbeReply r = probe.get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(r.error, QNetworkReply::NoError);
    QCOMPARE(r.status, 200);
    QVERIFY(server.requests().last().tls);

    // Without the test certificate as a CA, the handshake fails.
    FakeServerProbe untrusting(server);
    untrusting.trustTestCertificate = false;
    const ProbeReply refused = untrusting.get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(refused.status, 0);
    QVERIFY(!refused.sslErrors.isEmpty());

    // A changed certificate is refused, and shown, until it is changed back.
    server.useOtherCertificate(true);
    FakeServerProbe changed(server);
    const ProbeReply other = changed.get(QStringLiteral("/"));
    QCOMPARE(other.status, 0);
    QVERIFY(!other.sslErrors.isEmpty());
    QCOMPARE(other.sslErrors.first().certificate(), FakeServer::otherCertificate());
    server.useOtherCertificate(false);
    QCOMPARE(changed.get(QStringLiteral("/")).status, 200);
}

void TstFakeServer::listsInfo()
{
    const quint32 own = m_server->addList(QStringLiteral("alice"), QStringLiteral("Groceries"));
    const quint32 theirs = m_server->addList(QStringLiteral("bob"), QStringLiteral("Team plan"));
    const quint32 hidden = m_server->addList(QStringLiteral("bob"), QStringLiteral("Private"));
    m_server->share(theirs, QStringLiteral("alice"), QStringLiteral("rw"));
    const QDomElement body = parseBody(m_probe->get(QStringLiteral("/users/alice/lists-info")).body);
    const QDomElement infos = FakeXml::oneByClass(body, QStringLiteral("pd-list-infos"));
    const QList<QDomElement> items = FakeXml::childrenByClass(infos, QStringLiteral("pd-list-info"));
    QCOMPARE(items.size(), 2);
    const FakeFields a = fieldsOf(items[0], QStringLiteral("pd-list-fields"));
    const FakeFields b = fieldsOf(items[1], QStringLiteral("pd-list-fields"));
    const FakeFields expectedA{{"id", QString::number(own)}, {"revision", "1"}, {"shared_revision", "1"},
                               {"name", "Groceries"}, {"owned", "true"}, {"owner", "alice"},
                               {"shared", "false"}, {"permissions", "orwd"}};
    QCOMPARE(a, expectedA);
    QCOMPARE(FakeXml::value(b, "owned"), QStringLiteral("false"));
    QCOMPARE(FakeXml::value(b, "owner"), QStringLiteral("bob"));
    QCOMPARE(FakeXml::value(b, "shared"), QStringLiteral("true"));
    QCOMPARE(FakeXml::value(b, "permissions"), QStringLiteral("rw"));

    // One list's summary: unknown and invisible lists are not found.
    const ProbeReply one = m_probe->get(QStringLiteral("/users/alice/list-info/%1").arg(theirs));
    QCOMPARE(one.status, 200);
    const QDomElement info = FakeXml::oneByClass(parseBody(one.body), QStringLiteral("pd-list-info"));
    QCOMPARE(FakeXml::value(fieldsOf(info, "pd-list-fields"), "id"), QString::number(theirs));
    QCOMPARE(m_probe->get(QStringLiteral("/users/alice/list-info/%1").arg(own + 50)).status, 404);
    QCOMPARE(m_probe->get(QStringLiteral("/users/alice/list-info/%1").arg(hidden)).status, 404);
}

void TstFakeServer::postListAssignsIds()
{
    const QByteArray body = listBody(0, 0, "Groceries", taskXml("Milk", 0, 0, {}, taskXml("Semi-skimmed")) + taskXml("Eggs"));
    const ProbeReply r = m_probe->post(QStringLiteral("/lists"), body);
    QCOMPARE(r.status, 201);
    QCOMPARE(r.reason, QByteArray("Created"));
    const quint32 id = idIn(r, QStringLiteral("pd-list-id"));
    QVERIFY(id != 0);
    const FakeList list = m_server->list(id);
    QCOMPARE(list.owner, QStringLiteral("alice"));
    QCOMPARE(list.revision, 1u);
    QCOMPARE(list.tasks.size(), 2);
    QCOMPARE(list.tasks[0].children.size(), 1);

    // The GET answer carries ids, revisions and 32-character hashcodes everywhere.
    const ProbeReply got = m_probe->get(QStringLiteral("/lists/%1").arg(id));
    QCOMPARE(got.status, 200);
    const QDomElement listElement = FakeXml::oneByClass(parseBody(got.body), QStringLiteral("pd-list"));
    const FakeFields lf = fieldsOf(listElement, QStringLiteral("pd-list-fields"));
    QCOMPARE(FakeXml::value(lf, "id"), QString::number(id));
    QCOMPARE(FakeXml::value(lf, "revision"), QStringLiteral("1"));
    QCOMPARE(FakeXml::value(lf, "owned"), QStringLiteral("true"));
    QCOMPARE(FakeXml::value(lf, "permissions"), QStringLiteral("orwd"));
    const QList<QDomElement> tasks = FakeXml::descendantsByClass(listElement, QStringLiteral("pd-task-fields"));
    QCOMPARE(tasks.size(), 3);
    QSet<QString> ids;
    for (const QDomElement &t : tasks) {
        const FakeFields f = FakeXml::fields(t);
        QVERIFY(FakeXml::toId(FakeXml::value(f, "id")) != 0);
        QCOMPARE(FakeXml::value(f, "revision"), QStringLiteral("1"));
        QCOMPARE(FakeXml::value(f, "hashcode").size(), 32);
        ids.insert(FakeXml::value(f, "id"));
    }
    QCOMPARE(ids.size(), 3);
}

void TstFakeServer::putListMerges()
{
    const quint32 id = m_server->addList(QStringLiteral("alice"), QStringLiteral("Groceries"),
        {FakeTask::make(QStringLiteral("Milk")), FakeTask::make(QStringLiteral("Eggs")),
         FakeTask::make(QStringLiteral("Bread")), FakeTask::make(QStringLiteral("Butter"))});
    const FakeList before = m_server->list(id);
    const quint32 milk = before.tasks[0].id, eggs = before.tasks[1].id, bread = before.tasks[2].id;
    const QString breadHash = before.tasks[2].hashcode;
    // Milk edited, Eggs removed, Bread unchanged, Butter left out, Jam new under Bread.
    FakeTask breadTask = before.tasks[2];
    QByteArray breadXml = "<li class=\"pd-task\"><dl class=\"pd-task-fields\">";
    for (const auto &f : breadTask.fields)
        breadXml += "<dt>" + f.first.toUtf8() + "</dt><dd>" + f.second.toUtf8() + "</dd>";
    breadXml += "<dt>id</dt><dd>" + QByteArray::number(bread) + "</dd><dt>revision</dt><dd>1</dd><dt>hashcode</dt><dd>"
                + breadHash.toUtf8() + "</dd></dl><ol class=\"pd-tasks\">" + taskXml("Jam") + "</ol></li>";
    const QByteArray removed = taskXml("Eggs", eggs, 1, "<dt>deletion-time</dt><dd>2009-06-03T09:05:00</dd>");
    const QByteArray body = listBody(id, 1, "Groceries", taskXml("Milk (2 l)", milk, 1) + breadXml, removed);
    const ProbeReply r = m_probe->put(QStringLiteral("/lists/%1").arg(id), body);
    QCOMPARE(r.status, 200);

    const FakeList after = m_server->list(id);
    QCOMPARE(after.revision, 2u);
    QCOMPARE(m_server->task(id, milk).title(), QStringLiteral("Milk (2 l)"));
    QCOMPARE(m_server->task(id, milk).revision, 2u);
    QVERIFY(m_server->task(id, milk).hashcode != before.tasks[0].hashcode);
    QCOMPARE(m_server->task(id, eggs).id, 0u);
    QCOMPARE(after.removedTasks.size(), 1);
    QCOMPARE(m_server->task(id, bread).revision, 1u);
    QCOMPARE(m_server->task(id, bread).hashcode, breadHash);
    const FakeTask jam = m_server->taskByTitle(id, QStringLiteral("Jam"));
    QVERIFY(jam.id >= 1000);
    QCOMPARE(jam.revision, 2u);
    QCOMPARE(m_server->task(id, bread).children.size(), 1);
    QCOMPARE(m_server->taskByTitle(id, QStringLiteral("Butter")).revision, 1u); // kept as it was
    QCOMPARE(after.tasks.size(), 3); // Milk, Bread, Butter
}

void TstFakeServer::putListUnchangedKeepsRevision()
{
    const ProbeReply created = m_probe->post(QStringLiteral("/lists"), listBody(0, 0, "Groceries", taskXml("Milk")));
    const quint32 id = idIn(created, QStringLiteral("pd-list-id"));
    const FakeTask milk = m_server->list(id).tasks.value(0);
    // The same content sent back (with the server's id) changes nothing.
    QCOMPARE(m_probe->put(QStringLiteral("/lists/%1").arg(id), listBody(id, 1, "Groceries", taskXml("Milk", milk.id, 1))).status, 200);
    QCOMPARE(m_server->revision(id), 1u);
    QCOMPARE(m_probe->put(QStringLiteral("/lists/%1").arg(id), listBody(id, 1, "Shopping", taskXml("Milk", milk.id, 1))).status, 200);
    QCOMPARE(m_server->revision(id), 2u);
    QCOMPARE(m_server->list(id).name, QStringLiteral("Shopping"));
    QCOMPARE(m_server->task(id, milk.id).revision, 1u);
}

void TstFakeServer::listPermissions_data()
{
    QTest::addColumn<QString>("letters");
    QTest::addColumn<int>("putStatus");
    QTest::addColumn<int>("deleteStatus");
    QTest::newRow("read") << QStringLiteral("r") << 403 << 403;
    QTest::newRow("write") << QStringLiteral("rw") << 200 << 403;
    QTest::newRow("delete") << QStringLiteral("rwd") << 200 << 200;
}

void TstFakeServer::listPermissions()
{
    QFETCH(QString, letters);
    QFETCH(int, putStatus);
    QFETCH(int, deleteStatus);
    const quint32 id = m_server->addList(QStringLiteral("bob"), QStringLiteral("Plan"), {FakeTask::make(QStringLiteral("Agenda"))});
    m_server->share(id, QStringLiteral("alice"), letters);
    const QDomElement got = FakeXml::oneByClass(parseBody(m_probe->get(QStringLiteral("/lists/%1").arg(id)).body), QStringLiteral("pd-list"));
    const FakeFields f = fieldsOf(got, QStringLiteral("pd-list-fields"));
    QCOMPARE(FakeXml::value(f, "owned"), QStringLiteral("false"));
    QCOMPARE(FakeXml::value(f, "owner"), QStringLiteral("bob"));
    QCOMPARE(FakeXml::value(f, "permissions"), letters);
    const quint32 task = m_server->list(id).tasks[0].id;
    QByteArray body = listBody(id, 1, "Plan", taskXml("Agenda v2", task, 1));
    body.replace("<dt>owned</dt><dd>true</dd><dt>permissions</dt><dd>orwd</dd>",
                 "<dt>owned</dt><dd>false</dd><dt>owner</dt><dd>bob</dd><dt>permissions</dt><dd>" + letters.toUtf8() + "</dd>");
    QCOMPARE(m_probe->put(QStringLiteral("/lists/%1").arg(id), body).status, putStatus);
    QCOMPARE(m_server->revision(id), putStatus == 200 ? 2u : 1u);
    QCOMPARE(m_probe->del(QStringLiteral("/lists/%1").arg(id)).status, deleteStatus);
    QCOMPARE(m_server->list(id).isNull(), deleteStatus == 200);
    // Sharing belongs to the owner alone.
    const QByteArray sharing = clientDoc("permissions", "<ul class=\"pd-shared\"/>");
    if (deleteStatus != 200)
        QCOMPARE(m_probe->put(QStringLiteral("/lists/%1/sharingV3").arg(id), sharing).status, 403);
}

void TstFakeServer::goneStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::newRow("404") << 404;
    QTest::newRow("410") << 410;
}

void TstFakeServer::goneStatus()
{
    QFETCH(int, status);
    m_server->setGoneStatus(status);
    const quint32 hidden = m_server->addList(QStringLiteral("bob"), QStringLiteral("Hidden"));
    for (const QString &path : {QStringLiteral("/lists/999"), QStringLiteral("/lists/%1").arg(hidden),
                                QStringLiteral("/lists/999/sharingV3")}) {
        const ProbeReply r = m_probe->get(path);
        QCOMPARE(r.status, status);
        QCOMPARE(r.reason, status == 404 ? QByteArray("Not Found") : QByteArray("Gone"));
    }
    QCOMPARE(m_probe->del(QStringLiteral("/lists/999")).status, status);
    QCOMPARE(m_probe->get(QStringLiteral("/notepad-notes/999")).status, status);
}

void TstFakeServer::sharing()
{
    const quint32 id = m_server->addList(QStringLiteral("alice"), QStringLiteral("Groceries"));
    const QByteArray body = clientDoc("permissions",
        "<ul class=\"pd-shared\">" + sharedUser("bob", "rw") + sharedUser("carol", "r") + "</ul>");
    const ProbeReply put = m_probe->put(QStringLiteral("/lists/%1/sharingV3").arg(id), body);
    QCOMPARE(put.status, 201);
    const QDomElement fields = FakeXml::oneByClass(parseBody(put.body), QStringLiteral("shared-fields"));
    QCOMPARE(FakeXml::value(FakeXml::fields(fields), "shared_revision"), QStringLiteral("2"));
    QCOMPARE(m_server->list(id).sharedRevision, 2u);
    QCOMPARE(m_server->list(id).revision, 1u);
    QCOMPARE(m_server->sharing(id).value(QStringLiteral("bob")), QStringLiteral("rw"));

    const ProbeReply got = m_probe->get(QStringLiteral("/lists/%1/sharingV3").arg(id));
    QCOMPARE(got.status, 200);
    const QDomDocument doc = parseDoc(got.body);
    QCOMPARE(FakeXml::headTitle(doc), QStringLiteral("permissions"));
    const QList<QDomElement> users = FakeXml::descendantsByClass(doc.documentElement(), QStringLiteral("pd-shared-user"));
    QCOMPARE(users.size(), 2);
    QCOMPARE(FakeXml::value(fieldsOf(users[0], "pd-shared-user-fields"), "name"), QStringLiteral("bob"));
    m_server->setSharingIncludesOwner(true);
    const QList<QDomElement> withOwner = FakeXml::descendantsByClass(
        parseBody(m_probe->get(QStringLiteral("/lists/%1/sharingV3").arg(id)).body), QStringLiteral("pd-shared-user"));
    QCOMPARE(withOwner.size(), 3);
    QCOMPARE(FakeXml::value(fieldsOf(withOwner[0], "pd-shared-user-fields"), "name"), QStringLiteral("alice"));
    QCOMPARE(FakeXml::value(fieldsOf(withOwner[0], "pd-shared-user-fields"), "permissions"), QStringLiteral("orwd"));

    // Bob now sees it in his summaries, as shared, with his letters.
    m_probe->user = QStringLiteral("bob");
    m_probe->password = QStringLiteral("hunter2");
    const QDomElement info = FakeXml::oneByClass(parseBody(m_probe->get(QStringLiteral("/users/bob/lists-info")).body), QStringLiteral("pd-list-info"));
    QCOMPARE(FakeXml::value(fieldsOf(info, "pd-list-fields"), "shared_revision"), QStringLiteral("2"));
    QCOMPARE(FakeXml::value(fieldsOf(info, "pd-list-fields"), "permissions"), QStringLiteral("rw"));
}

void TstFakeServer::listOrder()
{
    const quint32 a = m_server->addList(QStringLiteral("alice"), QStringLiteral("A"));
    const quint32 b = m_server->addList(QStringLiteral("alice"), QStringLiteral("B"));
    const quint32 c = m_server->addList(QStringLiteral("alice"), QStringLiteral("C"));
    const QByteArray body = clientDoc("pd-list-refs",
        "<ol class=\"pd-list-refs\">" + refs("pd-list-ref", "pd-list-id", "lists", {c, a}) + "</ol>");
    QCOMPARE(m_probe->put(QStringLiteral("/users/alice/lists-display-order"), body).status, 204);
    QCOMPARE(m_server->storedListOrder(QStringLiteral("alice")), (QList<quint32>{c, a}));
    m_server->removeList(a);
    const ProbeReply got = m_probe->get(QStringLiteral("/users/alice/lists-display-order"));
    QCOMPARE(got.status, 200);
    QList<quint32> ids;
    for (const QDomElement &e : FakeXml::descendantsByClass(parseBody(got.body), QStringLiteral("pd-list-id"))) {
        QCOMPARE(e.attribute(QStringLiteral("href")), QStringLiteral("/plumdeck/lists/") + e.text());
        ids.append(e.text().toUInt());
    }
    QCOMPARE(ids, (QList<quint32>{c, b}));
    m_server->setListOrderPutStatus(200);
    QCOMPARE(m_probe->put(QStringLiteral("/users/alice/lists-display-order"), body).status, 200);
}

void TstFakeServer::groups()
{
    const quint32 a = m_server->addList(QStringLiteral("alice"), QStringLiteral("A"));
    const quint32 hidden = m_server->addList(QStringLiteral("bob"), QStringLiteral("Hidden"));
    // Initially a root only.
    const QDomElement initial = parseBody(m_probe->get(QStringLiteral("/users/alice/list-groups-display-order")).body);
    QCOMPARE(FakeXml::descendantsByClass(initial, QStringLiteral("pd-group")).size(), 1);

    const QByteArray body = clientDoc("list groups display order",
        "<ol class=\"pd-groups\"><li class=\"pd-group\"><dl class=\"pd-group-fields\"><dt>name</dt><dd>New Group</dd>"
        "<dt>expanded</dt><dd>true</dd></dl><ol class=\"pd-groups\">"
        "<li class=\"pd-group\"><dl class=\"pd-group-fields\"><dt>name</dt><dd>Home</dd><dt>id</dt><dd>12</dd><dt>expanded</dt><dd>false</dd></dl>"
        "<ol class=\"pd-group-lists\">" + refs("pd-group-list", "pd-list-id", "lists", {a, hidden}) + "</ol></li>"
        "<li class=\"pd-group\"><dl class=\"pd-group-fields\"><dt>name</dt><dd>Work</dd><dt>expanded</dt><dd>true</dd></dl></li>"
        "<li class=\"pd-group\"><dl class=\"pd-group-fields\"><dt>name</dt><dd>Old</dd><dt>id</dt><dd>9</dd></dl></li>"
        "</ol></li></ol>"
        "<ol class=\"pd-groups-deleted\"><li class=\"pd-group\"><dl class=\"pd-group-fields\"><dt>name</dt><dd>Old</dd><dt>id</dt><dd>9</dd></dl></li></ol>");
    // The 403 switch refuses without storing anything.
    m_server->setGroupsPutStatus(403);
    const ProbeReply refused = m_probe->put(QStringLiteral("/users/alice/list-groups-display-order"), body);
    QCOMPARE(refused.status, 403);
    QCOMPARE(refused.reason, QByteArray("Forbidden"));
    QVERIFY(m_server->groups(QStringLiteral("alice")).children.isEmpty());
    m_server->setGroupsPutStatus(200);
    QCOMPARE(m_probe->put(QStringLiteral("/users/alice/list-groups-display-order"), body).status, 200);
    const FakeGroup root = m_server->groups(QStringLiteral("alice"));
    QCOMPARE(root.children.size(), 2);
    QCOMPARE(root.children[0].id, 12u);
    QVERIFY(!root.children[0].expanded);
    QCOMPARE(root.children[0].lists, (QList<quint32>{a}));
    QVERIFY(root.children[1].id != 0);
    QVERIFY(root.children[1].id != 12);

    const ProbeReply got = m_probe->get(QStringLiteral("/users/alice/list-groups-display-order"));
    const QDomDocument doc = parseDoc(got.body);
    QCOMPARE(FakeXml::headTitle(doc), QStringLiteral("list groups display order"));
    const QDomElement b = doc.elementsByTagName(QStringLiteral("body")).at(0).toElement();
    QVERIFY(FakeXml::descendantsByClass(b, QStringLiteral("pd-groups-deleted")).isEmpty());
    QCOMPARE(FakeXml::descendantsByClass(b, QStringLiteral("pd-group")).size(), 3);
    QCOMPARE(FakeXml::descendantsByClass(b, QStringLiteral("pd-list-id")).size(), 1);
}

void TstFakeServer::notes()
{
    const QByteArray body = clientDoc("note",
        "<div class=\"pd-notepad-note\"><dl class=\"pd-notepad-note-fields\"><dt>title</dt><dd>Ideas</dd>"
        "<dt>text</dt><dd>Buy a kite\nPaint the fence</dd></dl></div>");
    const ProbeReply created = m_probe->post(QStringLiteral("/notepad-notes"), body);
    QCOMPARE(created.status, 201);
    const quint32 id = idIn(created, QStringLiteral("pd-notepad-note-id"));
    QVERIFY(id >= 500);
    QCOMPARE(m_server->note(id).text, QStringLiteral("Buy a kite\nPaint the fence"));

    QCOMPARE(fieldsOf(parseBody(m_probe->get(QStringLiteral("/users/alice/notepad-notes-info")).body),
                      QStringLiteral("pd-notepad-note-fields")), (FakeFields{{"id", QString::number(id)}, {"revision", "1"}, {"title", "Ideas"}}));

    const ProbeReply got = m_probe->get(QStringLiteral("/notepad-notes/%1").arg(id));
    const QDomDocument doc = parseDoc(got.body);
    QCOMPARE(FakeXml::headTitle(doc), QStringLiteral("note"));
    const FakeFields nf = fieldsOf(doc.documentElement(), QStringLiteral("pd-notepad-note-fields"));
    QCOMPARE(FakeXml::value(nf, "text"), QStringLiteral("Buy a kite\nPaint the fence"));
    QCOMPARE(FakeXml::value(nf, "revision"), QStringLiteral("1"));

    // Private to the owner.
    ProbeAs bob(*m_server, QStringLiteral("bob"), QStringLiteral("hunter2"));
    QCOMPARE(bob.get(QStringLiteral("/notepad-notes/%1").arg(id)).status, 404);
    QCOMPARE(bob.del(QStringLiteral("/notepad-notes/%1").arg(id)).status, 404);

    // The order must name each of the user's notes.
    const quint32 a = id;
    const quint32 b = m_server->addNote(QStringLiteral("alice"), QStringLiteral("B"), QString());
    auto order = [](const QList<quint32> &ids) {
        return clientDoc("notepads display order", "<ol class=\"pd-notepad-note-refs\">"
                         + refs("pd-notepad-note-ref", "pd-notepad-note-id", "notepad-notes", ids) + "</ol>");
    };
    QCOMPARE(m_probe->put(QStringLiteral("/users/alice/notepad-notes-display-order"), order({b})).status, 403);
    QCOMPARE(m_probe->put(QStringLiteral("/users/alice/notepad-notes-display-order"), order({b, a})).status, 204);
    QCOMPARE(m_server->noteOrder(QStringLiteral("alice")), (QList<quint32>{b, a}));
    const QList<QDomElement> ids = FakeXml::descendantsByClass(
        parseBody(m_probe->get(QStringLiteral("/users/alice/notepad-notes-display-order")).body), QStringLiteral("pd-notepad-note-id"));
    QCOMPARE(ids.size(), 2);
    QCOMPARE(ids[0].text(), QString::number(b));
    QCOMPARE(ids[0].attribute(QStringLiteral("href")), QStringLiteral("/plumdeck/notepad-notes/%1").arg(b));

    QCOMPARE(m_probe->del(QStringLiteral("/notepad-notes/%1").arg(id)).status, 200);
    QVERIFY(m_server->note(id).isNull());
}

void TstFakeServer::installer_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("ifMatch");
    QTest::addColumn<bool>("quoted");
    QTest::addColumn<bool>("forbidden");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("etag");
    QTest::newRow("head") << QByteArray("HEAD") << QByteArray() << false << false << 200 << QByteArray("3055");
    QTest::newRow("head quoted") << QByteArray("HEAD") << QByteArray() << true << false << 200 << QByteArray("\"3055\"");
    QTest::newRow("head forbidden") << QByteArray("HEAD") << QByteArray() << false << true << 403 << QByteArray();
    QTest::newRow("get matching") << QByteArray("GET") << QByteArray("3055") << false << false << 200 << QByteArray("3055");
    QTest::newRow("get quoted match") << QByteArray("GET") << QByteArray("\"3055\"") << false << false << 200 << QByteArray("3055");
    QTest::newRow("get stale") << QByteArray("GET") << QByteArray("3054") << false << false << 412 << QByteArray();
}

void TstFakeServer::installer()
{
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, ifMatch);
    QFETCH(bool, quoted);
    QFETCH(bool, forbidden);
    QFETCH(int, status);
    QFETCH(QByteArray, etag);
    const QByteArray bytes(100000, 'i');
    m_server->setInstaller(QStringLiteral("plumdeck-linux-x86_64"), bytes, 3055);
    m_server->setQuotedETag(quoted);
    m_server->setInstallerForbidden(forbidden);
    if (!ifMatch.isEmpty())
        m_probe->extraHeaders.append(qMakePair(QByteArray("If-Match"), QByteArray(ifMatch)));
    m_probe->extraHeaders.append(qMakePair(QByteArray("core_version"), QByteArray("451")));
    const ProbeReply r = m_probe->send(method, QStringLiteral("/clients/plumdeck-linux-x86_64"));
    QCOMPARE(r.status, status);
    if (!etag.isEmpty())
        QCOMPARE(r.header("ETag"), etag);
    if (status == 200) {
        QCOMPARE(r.header("Content-Length"), QByteArray::number(bytes.size()));
        QCOMPARE(r.rawBody, method == "GET" ? bytes : QByteArray());
    }
    if (status == 412)
        QCOMPARE(r.reason, QByteArray("Precondition Failed"));
    QCOMPARE(m_probe->get(QStringLiteral("/clients/plumdeck-other")).status, forbidden ? 403 : 404);
}

void TstFakeServer::teamEndpoints()
{
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
    m_server->setPresence(QStringLiteral("bob"), QStringLiteral("busy"), QStringLiteral("In a meeting"));
    m_server->setAvatar(QStringLiteral("bob"), QByteArray("\xff\xd8\xff\xe0 jpeg", 9));
    const QDomElement friends = parseBody(m_probe->get(QStringLiteral("/users/alice/friends")).body);
    const QDomElement item = FakeXml::oneByClass(friends, QStringLiteral("pd-user-presence"));
    QCOMPARE(FakeXml::oneByClass(item, QStringLiteral("pd-user-nick")).text(), QStringLiteral("bob"));
    QCOMPARE(FakeXml::oneByClass(item, QStringLiteral("pd-presence-state")).text(), QStringLiteral("busy"));
    QCOMPARE(FakeXml::oneByClass(item, QStringLiteral("pd-presence-message")).text(), QStringLiteral("In a meeting"));

    const QByteArray presence = clientDoc("pd-presence",
        "<div class=\"pd-presence\"><span class=\"pd-presence-state\">available</span></div>");
    QCOMPARE(m_probe->put(QStringLiteral("/users/alice/presence"), presence).status, 204);
    QCOMPARE(m_server->user(QStringLiteral("alice")).presence.state, QStringLiteral("available"));

    const QDomElement data = parseBody(m_probe->get(QStringLiteral("/users/bob")).body);
    const FakeFields f = fieldsOf(FakeXml::oneByClass(data, QStringLiteral("pd-user-data")), QStringLiteral("pd-user-fields"));
    QCOMPARE(f.value(0).first, QStringLiteral("user-nick"));
    QCOMPARE(FakeXml::value(f, "user-real-name"), QStringLiteral("Bob Smith"));
    m_server->setUserFields(QStringLiteral("bob"), {{QStringLiteral("user-country"), QStringLiteral("Norway")}});
    const FakeFields more = fieldsOf(parseBody(m_probe->get(QStringLiteral("/users/bob")).body), QStringLiteral("pd-user-fields"));
    QCOMPARE(FakeXml::value(more, "user-country"), QStringLiteral("Norway"));
    QCOMPARE(m_probe->get(QStringLiteral("/users/nobody")).status, 404);

    const QDomElement found = parseBody(m_probe->get(QStringLiteral("/user-search/%62ob%20smith")).body);
    QCOMPARE(FakeXml::descendantsByClass(found, QStringLiteral("pd-user-data")).size(), 1);
    QCOMPARE(m_server->requests().last().path, QStringLiteral("/user-search/bob smith"));

    const ProbeReply avatar = m_probe->get(QStringLiteral("/users/bob/avatar"));
    QCOMPARE(avatar.status, 200);
    QVERIFY(avatar.rawBody.startsWith("\xff\xd8"));
    QCOMPARE(m_probe->get(QStringLiteral("/users/alice/avatar")).status, 404);

    QCOMPARE(m_probe->del(QStringLiteral("/users/alice/friends/bob")).status, 204);
    QVERIFY(m_server->user(QStringLiteral("bob")).friends.isEmpty());
}

void TstFakeServer::friendRequestFlow()
{
    FakeServerProbe alice(*m_server);
    ProbeAs bob(*m_server, QStringLiteral("bob"), QStringLiteral("hunter2"));
    // Alice invites Bob; Bob accepts by answering with a request of his own.
    QCOMPARE(alice.post(QStringLiteral("/users/bob/friend-requests"), "dummy").status, 201);
    QCOMPARE(m_server->user(QStringLiteral("bob")).friendRequests, QStringList{QStringLiteral("alice")});
    const QDomElement pending = parseBody(bob.get(QStringLiteral("/users/bob/friend-requests")).body);
    QCOMPARE(FakeXml::oneByClass(pending, QStringLiteral("pd-user-nick")).text(), QStringLiteral("alice"));
    QCOMPARE(bob.post(QStringLiteral("/users/alice/friend-requests"), "dummy").status, 204);
    QCOMPARE(m_server->user(QStringLiteral("alice")).friends, QStringList{QStringLiteral("bob")});
    QVERIFY(m_server->user(QStringLiteral("bob")).friendRequests.isEmpty());
    // Inviting a friend again: 403 with the error name.
    const ProbeReply again = alice.post(QStringLiteral("/users/bob/friend-requests"), "dummy");
    QCOMPARE(again.status, 403);
    QCOMPARE(FakeXml::oneByClass(parseBody(again.body), QStringLiteral("pd-error-name")).text(), QStringLiteral("already-a-friend"));
    // Declining.
    m_server->addFriendRequest(QStringLiteral("carol"), QStringLiteral("alice"));
    QCOMPARE(alice.del(QStringLiteral("/users/alice/friend-requests/carol")).status, 204);
    QVERIFY(m_server->user(QStringLiteral("alice")).friendRequests.isEmpty());
}

void TstFakeServer::chats()
{
    FakeServerProbe alice(*m_server);
    const QByteArray chat = chatDoc("alice bob");
    const ProbeReply created = alice.post(QStringLiteral("/chats"), chat);
    QCOMPARE(created.status, 201);
    const quint32 id = idIn(created, QStringLiteral("pd-chat-id"));
    QCOMPARE(m_server->chat(id).participants, (QStringList{QStringLiteral("alice"), QStringLiteral("bob")}));
    QCOMPARE(alice.post(QStringLiteral("/chats/%1").arg(id),
                        clientDoc("pd-message", "<div class=\"pd-message\">Hello</div>")).status, 204);
    QCOMPARE(m_server->chat(id).messages.value(0).text, QStringLiteral("Hello"));
    QCOMPARE(alice.post(QStringLiteral("/chats/%1/activity").arg(id),
                        clientDoc("pd-chat-activity", "<div class=\"pd-chat-activity\">typing</div>")).status, 204);
    const QDomElement current = parseBody(alice.get(QStringLiteral("/users/alice/chats-current")).body);
    const QDomElement data = FakeXml::oneByClass(current, QStringLiteral("pd-chat-data"));
    QCOMPARE(FakeXml::oneByClass(data, QStringLiteral("pd-chat-id")).text(), QString::number(id));
    QVERIFY(FakeXml::isTime19(FakeXml::value(fieldsOf(data, "pd-chat-fields"), "modified-time")));
    // Carol is not in it.
    ProbeAs carol(*m_server, QStringLiteral("carol"), QStringLiteral("pw"));
    QCOMPARE(carol.post(QStringLiteral("/chats/%1").arg(id), clientDoc("pd-message", "<div class=\"pd-message\">x</div>")).status, 403);
    QCOMPARE(alice.put(QStringLiteral("/chats/%1").arg(id), chat).status, 204);
}

void TstFakeServer::checkedServerFailsOnViolations()
{
    {
        CheckedFakeServer quiet;
        QVERIFY(quiet.start());
        quiet.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
        FakeServerProbe probe(quiet);
        QCOMPARE(probe.post(QStringLiteral("/lists"), clientDoc("pd-list", "<div class=\"pd-list\"/>")).status, 201);
        quiet.expectViolation(QStringLiteral("^POST /lists: "));
    } // expected: no failure
    CheckedFakeServer *server = new CheckedFakeServer;
    QVERIFY(server->start());
    server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    FakeServerProbe probe(*server);
    QCOMPARE(probe.post(QStringLiteral("/lists"), clientDoc("list", "<div class=\"pd-list\"/>")).status, 201);
    QEXPECT_FAIL("", "a violation nobody expected fails the test", Continue);
    delete server;
}

namespace {

// Starts the standalone server; the address it prints once it listens, or
// an empty one when it did not say it in time.
QString startProgram(QProcess &process, const QStringList &args)
{
    process.start(QStringLiteral(FAKESERVER_PROGRAM), args);
    if (!process.waitForStarted(5000))
        return QString();
    QByteArray out;
    if (!QTest::qWaitFor([&] { return (out += process.readAllStandardOutput()).contains("event-port "); }, 10000))
        return QString();
    for (const QByteArray &line : out.split('\n'))
        if (line.startsWith("server-url "))
            return QString::fromUtf8(line.mid(11).trimmed());
    return QString();
}

} // namespace

void TstFakeServer::standaloneProgram_data()
{
    QTest::addColumn<bool>("tls");
    QTest::newRow("http") << false;
    QTest::newRow("https") << true;
}

void TstFakeServer::standaloneProgram()
{
    QFETCH(bool, tls);
    QProcess process;
    QStringList args;
    if (tls)
        args << QStringLiteral("--tls");
    const QString url = startProgram(process, args);
    QVERIFY(url.startsWith(tls ? QLatin1String("https://127.0.0.1:") : QLatin1String("http://127.0.0.1:")));

    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(url + QStringLiteral("/users/alice/lists-info")));
    request.setRawHeader("Authorization", "Basic " + QByteArray("alice:secret").toBase64());
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.addCaCertificate(FakeServer::testCertificate());
    request.setSslConfiguration(config);
    QNetworkReply *reply = manager.get(request);
    QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 10000);
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    const QByteArray body = reply->readAll();
    QVERIFY(body.contains("Groceries"));
    QVERIFY(body.contains("Team plan"));
    delete reply;
    process.kill();
    process.waitForFinished(5000);

    // A bad port is refused with a message.
    QProcess bad;
    bad.start(QStringLiteral(FAKESERVER_PROGRAM), {QStringLiteral("--port"), QStringLiteral("99999")});
    QVERIFY(bad.waitForFinished(5000));
    QCOMPARE(bad.exitCode(), 2);
    QVERIFY(bad.readAllStandardError().contains("ports must be numbers"));
}

void TstFakeServer::programControl_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("answer");
    // What the next GET of alice's lists-info gets; 0: not asked.
    QTest::addColumn<int>("status");
    const QByteArray info = "^/users/alice/lists-info$";
    QTest::newRow("fail, once") << "fail GET " + info + " 503" << "failing GET " + info + " 503" << 503;
    QTest::newRow("fail, a regex with a space")
        << QByteArray("fail GET ^/users/alice/lists(-| )info$ 404")
        << QByteArray("failing GET ^/users/alice/lists(-| )info$ 404") << 404;
    QTest::newRow("fail, highest status") << "fail GET " + info + " 599" << "failing GET " + info + " 599" << 599;
    QTest::newRow("fail, lowest status") << "fail GET " + info + " 100" << "failing GET " + info + " 100" << 0;
    QTest::newRow("fail, another method") << "fail POST " + info + " 503" << "failing POST " + info + " 503"
                                          << 200;
    QTest::newRow("fail without a path") << QByteArray("fail GET 503") << QByteArray("bad command fail GET 503")
                                         << 200;
    QTest::newRow("fail without a status") << "fail GET " + info << "bad command fail GET " + info << 200;
    QTest::newRow("fail, a status not a number")
        << "fail GET " + info + " 5x3" << "bad command fail GET " + info + " 5x3" << 200;
    QTest::newRow("fail, a status too low") << "fail GET " + info + " 99" << "bad command fail GET " + info + " 99"
                                            << 200;
    QTest::newRow("fail, a status too high")
        << "fail GET " + info + " 600" << "bad command fail GET " + info + " 600" << 200;
    QTest::newRow("fail, a bad regex") << QByteArray("fail GET ^/users/alice/lists-info($ 503")
                                       << QByteArray("bad command fail GET ^/users/alice/lists-info($ 503") << 200;
}

// The program's control input, as an end-to-end run drives it.
void TstFakeServer::programControl()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, answer);
    QFETCH(int, status);
    QProcess process;
    const QString url = startProgram(process, {QStringLiteral("--empty"), QStringLiteral("--control")});
    QVERIFY(!url.isEmpty());

    QByteArray out;
    process.write(command + '\n');
    QTRY_VERIFY_WITH_TIMEOUT((out += process.readAllStandardOutput()).contains('\n'), 10000);
    QCOMPARE(out.left(out.indexOf('\n')), answer);

    QNetworkAccessManager manager;
    const auto get = [&] {
        QNetworkRequest request(QUrl(url + QStringLiteral("/users/alice/lists-info")));
        request.setRawHeader("Authorization", "Basic " + QByteArray("alice:secret").toBase64());
        std::unique_ptr<QNetworkReply> reply(manager.get(request));
        if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 10000))
            return -1;
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    };
    if (status != 0) {
        QCOMPARE(get(), status);
        // One request only.
        QCOMPARE(get(), 200);
    }
    process.kill();
    process.waitForFinished(5000);
}

PLUMDECK_TEST_MAIN(TstFakeServer)
#include "tst_fakeserver.moc"
