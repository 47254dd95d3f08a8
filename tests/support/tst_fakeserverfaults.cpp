// The fake server's fault switches and its checks of request bodies.

#include "fakeservertests.h"
#include "fakexml.h"
#include "testenvironment.h"

#include <QElapsedTimer>

namespace {

const QByteArray GoodTaskFields =
    "<dt>title</dt><dd>Milk</dd><dt>done</dt><dd>false</dd><dt>hashcode</dt><dd/>"
    "<dt>creation-time</dt><dd>2009-06-01T08:30:00</dd><dt>modification-time</dt><dd>2009-06-01T08:30:00</dd>"
    "<dt>start-time</dt><dd>none</dd><dt>due-time</dt><dd>none</dd><dt>priority</dt><dd>none</dd>";

QByteArray newList(const QByteArray &listFields, const QByteArray &taskFields, const QByteArray &extra = {})
{
    return clientDoc("pd-list", "<div class=\"pd-list\"><dl class=\"pd-list-fields\">" + listFields
                                    + "</dl><ol class=\"pd-tasks\"><li class=\"pd-task\"><dl class=\"pd-task-fields\">"
                                    + taskFields + "</dl></li></ol>" + extra + "</div>");
}

const QByteArray GoodListFields =
    "<dt>name</dt><dd>Groceries</dd><dt>done</dt><dd>false</dd><dt>description</dt><dd/>"
    "<dt>owned</dt><dd>true</dd><dt>permissions</dt><dd>orwd</dd>";

} // namespace

class TstFakeServerFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cannedAnswers();
    void delayed();
    void stalled();
    void held();
    void heldForOneMethod();
    void answerLostAfterApplying();
    void dripped();
    void brokenAnswers_data();
    void brokenAnswers();
    void compressionFaults_data();
    void compressionFaults();
    void oversized();

    void validation_data();
    void validation();
    void violationsAreRecordedPerRequest();
    void strictCompression_data();
    void strictCompression();

private:
    FakeServer *m_server = nullptr;
    std::unique_ptr<FakeServerProbe> m_probe; // signed in as alice
};

void TstFakeServerFaults::init()
{
    m_server = new FakeServer(FakeServer::Plain, this);
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Groceries"), {FakeTask::make(QStringLiteral("Milk"))});
    m_probe.reset(new FakeServerProbe(*m_server));
}

void TstFakeServerFaults::cleanup()
{
    m_probe.reset();
    dropServer(m_server);
}

void TstFakeServerFaults::cannedAnswers()
{
    m_server->respondOnce("GET", QStringLiteral("^/users/alice/lists-info$"), 500, "oops", "Boom");
    const ProbeReply first = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(first.status, 500);
    QCOMPARE(first.reason, QByteArray("Boom"));
    QCOMPARE(first.rawBody, QByteArray("oops"));
    QCOMPARE(m_server->requests().last().status, 500);
    const ProbeReply second = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(second.status, 200);
    // The default reason phrase goes with the status.
    m_server->respondOnce({}, QStringLiteral("lists-info"), 503);
    QCOMPARE(m_probe->get(QStringLiteral("/users/alice/lists-info")).reason, QByteArray("Service Unavailable"));

    // Always, for one method only; canned answers change nothing.
    m_server->respondAlways("PUT", QStringLiteral("^/lists/\\d+$"), 403);
    const quint32 id = m_server->lists().first().id;
    for (int i = 0; i < 3; ++i)
        QCOMPARE(m_probe->put(QStringLiteral("/lists/%1").arg(id), newList("<dt>id</dt><dd>" + QByteArray::number(id)
                                 + "</dd><dt>revision</dt><dd>1</dd>" + GoodListFields, GoodTaskFields)).status, 403);
    QCOMPARE(m_server->revision(id), 1u);
    QCOMPARE(m_probe->get(QStringLiteral("/lists/%1").arg(id)).status, 200);
    m_server->clearFaults();
    m_server->respondAlways({}, QStringLiteral("^/lists/"), 410);
    QCOMPARE(m_probe->get(QStringLiteral("/lists/%1").arg(id)).status, 410);
    QCOMPARE(m_probe->get(QStringLiteral("/lists/%1").arg(id)).status, 410);
}

void TstFakeServerFaults::delayed()
{
    m_server->delay(QStringLiteral("lists-info"), 200, true);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(m_probe->get(QStringLiteral("/users/alice/lists-info")).status, 200);
    QVERIFY2(timer.elapsed() >= 180, qPrintable(QString::number(timer.elapsed())));
    timer.restart();
    QCOMPARE(m_probe->get(QStringLiteral("/users/alice/lists-info")).status, 200);
    QVERIFY(timer.elapsed() < 180);
}

void TstFakeServerFaults::held()
{
    m_server->hold(QStringLiteral("^/users/alice/lists-info$"));
    QCOMPARE(m_server->releaseHeld(), 0);
    // Released as soon as the server has it: the answer comes then, and not before.
    int released = -1;
    connect(m_server, &FakeServer::requestReceived, this, [this, &released] {
        QTimer::singleShot(0, this, [this, &released] { released = m_server->releaseHeld(); });
    });
    const ProbeReply r = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(released, 1);
    QVERIFY(!r.timedOut);
    QCOMPARE(r.status, 200);
    QVERIFY(r.body.contains("pd-list-infos"));
    // Once only.
    const ProbeReply next = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(next.status, 200);
    QTRY_COMPARE(released, 0);
}

// A hold for one method lets the others through; the held request is
// carried out when it comes, only its answer waits.
void TstFakeServerFaults::heldForOneMethod()
{
    const quint32 id = m_server->lists().first().id;
    const QString path = QStringLiteral("/lists/%1").arg(id);
    m_server->hold("DELETE", QStringLiteral("^/lists/\\d+$"));
    QCOMPARE(m_probe->get(path).status, 200);
    int released = -1;
    bool goneWhenHeld = false;
    connect(m_server, &FakeServer::requestReceived, this, [this, &released, &goneWhenHeld] {
        QTimer::singleShot(0, this, [this, &released, &goneWhenHeld] {
            goneWhenHeld = m_server->lists().isEmpty();
            released = m_server->releaseHeld();
        });
    });
    const ProbeReply r = m_probe->del(path);
    QCOMPARE(released, 1);
    QVERIFY(goneWhenHeld);
    QCOMPARE(r.status, 200);
}

// The request is carried out, then its answer is cut or failed: the client
// cannot tell that the list exists.
void TstFakeServerFaults::answerLostAfterApplying()
{
    const QByteArray body = newList(GoodListFields, GoodTaskFields);
    const int fired = m_server->faultsFired();
    m_server->dropAnswerAfterApplying("POST", QStringLiteral("^/lists$"));
    const ProbeReply cut = m_probe->post(QStringLiteral("/lists"), body);
    QVERIFY(!cut.body.contains("pd-list-id"));
    QCOMPARE(m_server->lists().size(), 2);
    QCOMPARE(m_server->faultsFired(), fired + 1);

    m_server->respondAfterApplying("POST", QStringLiteral("^/lists$"), 500);
    const ProbeReply failed = m_probe->post(QStringLiteral("/lists"), body);
    QCOMPARE(failed.status, 500);
    QVERIFY(failed.body.isEmpty());
    QCOMPARE(m_server->lists().size(), 3);

    // Once each: the next one is answered.
    QCOMPARE(m_probe->post(QStringLiteral("/lists"), body).status, 201);
    QCOMPARE(m_server->lists().size(), 4);
    QCOMPARE(m_server->faultsFired(), fired + 2);
}

void TstFakeServerFaults::dripped()
{
    const ProbeReply plain = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(plain.status, 200);
    m_server->drip(QStringLiteral("^/users/alice/lists-info$"), 40, 10);
    QElapsedTimer timer;
    timer.start();
    const ProbeReply slow = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QVERIFY(!slow.timedOut);
    QCOMPARE(slow.status, 200);
    QVERIFY(slow.rawBody.size() > 40);
    // One pause before each piece (a timer never fires early by much).
    const qint64 pieces = (slow.rawBody.size() + 39) / 40;
    QVERIFY2(timer.elapsed() >= pieces * 10 * 9 / 10, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(slow.body, plain.body);
    // Once only; the connection serves the next request afterwards.
    const ProbeReply next = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(next.body, plain.body);
    QCOMPARE(m_server->requests().size(), 3);
    QCOMPARE(m_server->requests().at(2).connection, m_server->requests().at(1).connection);
}

void TstFakeServerFaults::stalled()
{
    m_server->stall(QStringLiteral("^/users/alice/lists-info$"), true);
    m_probe->timeoutMs = 300;
    const ProbeReply r = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QVERIFY(r.timedOut);
    QCOMPARE(r.status, 0);
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(m_server->requests().first().status, 0);
    // Other connections are served meanwhile.
    FakeServerProbe other(*m_server);
    QCOMPARE(other.get(QStringLiteral("/")).status, 200);
}

void TstFakeServerFaults::brokenAnswers_data()
{
    QTest::addColumn<QByteArray>("raw"); // empty: the connection is closed unanswered
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("error");
    QTest::newRow("no reason phrase") << QByteArray("HTTP/1.1 200\r\nContent-Length: 2\r\n\r\nok") << 200 << QByteArray("ok")
                                      << int(QNetworkReply::NoError);
    QTest::newRow("zlib label on plain bytes")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Encoding: zlib\r\nContent-Length: 5\r\n\r\nhello") << 200 << QByteArray("hello")
        << int(QNetworkReply::NoError);
    QTest::newRow("garbage") << QByteArray("NONSENSE\r\n\r\n") << 0 << QByteArray() << int(QNetworkReply::RemoteHostClosedError);
    QTest::newRow("closed") << QByteArray() << 0 << QByteArray() << int(QNetworkReply::RemoteHostClosedError);
}

void TstFakeServerFaults::brokenAnswers()
{
    QFETCH(QByteArray, raw);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, error);
    // Qt resends a GET once when the connection closes unanswered, so "always".
    if (raw.isEmpty())
        m_server->closeConnectionOn(QStringLiteral("lists-info"), false);
    else
        m_server->respondRaw("GET", QStringLiteral("lists-info"), raw, false);
    const ProbeReply r = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(r.status, status);
    QCOMPARE(r.rawBody, body);
    QCOMPARE(int(r.error), error);
    QVERIFY(!m_server->requests().isEmpty());
    if (raw.isEmpty()) {
        for (const FakeRequest &request : m_server->requests())
            QCOMPARE(request.status, 0);
    }
    m_server->clearFaults();
    QCOMPARE(m_probe->get(QStringLiteral("/users/alice/lists-info")).status, 200);
}

void TstFakeServerFaults::compressionFaults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<bool>("inflates");
    QTest::newRow("plain although asked") << int(FakeServer::PlainAlthoughAsked) << QByteArray() << false;
    QTest::newRow("labelled gzip") << int(FakeServer::LabelledGzip) << QByteArray("gzip") << true;
    QTest::newRow("truncated") << int(FakeServer::TruncatedZlib) << QByteArray("zlib") << false;
    QTest::newRow("bomb") << int(FakeServer::DecompressionBomb) << QByteArray("zlib") << false;
}

void TstFakeServerFaults::compressionFaults()
{
    QFETCH(int, fault);
    QFETCH(QByteArray, label);
    QFETCH(bool, inflates);
    m_server->setCompressionFault(QStringLiteral("lists-info"), FakeServer::CompressionFault(fault), true);
    m_probe->acceptZlib = true;
    const ProbeReply r = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(r.status, 200);
    QCOMPARE(r.header("Content-Encoding"), label);
    QByteArray out;
    if (fault == FakeServer::PlainAlthoughAsked) {
        QVERIFY(r.rawBody.startsWith("<!DOCTYPE"));
    } else {
        QCOMPARE(FakeXml::inflate(r.rawBody, &out, 8 << 20), inflates);
    }
    if (fault == FakeServer::DecompressionBomb) {
        QVERIFY(r.rawBody.size() < 200 * 1024);
        QVERIFY(FakeXml::inflate(r.rawBody, &out, qint64(200) << 20));
        QCOMPARE(out.size(), qsizetype(100) << 20);
    }
    // Only once: the next answer is sound.
    const ProbeReply next = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(next.header("Content-Encoding"), QByteArray("zlib"));
    QVERIFY(next.body.contains("pd-list-infos"));
}

void TstFakeServerFaults::oversized()
{
    m_server->oversizedBody(QStringLiteral("lists-info"), 5 << 20);
    m_server->setMaxRequestBody(1000);
    const ProbeReply r = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QCOMPARE(r.status, 200);
    QCOMPARE(r.rawBody.size(), qsizetype(5) << 20);
    QCOMPARE(m_probe->put(QStringLiteral("/users/alice/presence"), QByteArray(5000, 'x')).status, 413);

    // Half of the announced body, then nothing: the reply never completes.
    m_server->unfinishedBody(QStringLiteral("lists-info"), 1000);
    m_probe->timeoutMs = 500;
    const ProbeReply held = m_probe->get(QStringLiteral("/users/alice/lists-info"));
    QVERIFY(held.timedOut);
    QCOMPARE(held.status, 200);
    QCOMPARE(m_server->requests().last().status, 200);
}

void TstFakeServerFaults::validation_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("problem"); // empty: none expected
    auto row = [](const char *name, const QByteArray &method, const QString &path, const QByteArray &body,
                  const QString &problem) { QTest::newRow(name) << method << path << body << problem; };
    auto post = [&row](const char *name, const QByteArray &body, const QString &problem) {
        row(name, "POST", QStringLiteral("/lists"), body, problem);
    };
    auto task = [](const QByteArray &from, const QByteArray &to) {
        return newList(GoodListFields, QByteArray(GoodTaskFields).replace(from, to));
    };
    const QByteArray good = newList(GoodListFields, GoodTaskFields);
    const QByteArray put100 = "<dt>id</dt><dd>100</dd><dt>revision</dt><dd>1</dd>";
    const QByteArray groups = "list groups display order";

    post("good new list", good, QString());
    post("wrong title", QByteArray(good).replace("<title>pd-list<", "<title>list<"),
         QStringLiteral("head title \"list\", expected \"pd-list\""));
    post("other generator", QByteArray(good).replace("PlumDeck", "Other"), QStringLiteral("meta generator"));
    post("not xml", "<html><body>", QStringLiteral("not well-formed"));
    post("new list with id", newList("<dt>id</dt><dd>4</dd>" + GoodListFields, GoodTaskFields),
         QStringLiteral("new list carries the key \"id\""));
    post("local key in list", newList(GoodListFields + "<dt>sync-status</dt><dd>new</dd>", GoodTaskFields),
         QStringLiteral("carries the key \"sync-status\""));
    post("column flag", newList(GoodListFields + "<dt>show-due</dt><dd>true</dd>", GoodTaskFields),
         QStringLiteral("local key \"show-due\""));
    post("pd-shared in list", newList(GoodListFields, GoodTaskFields, "<ul class=\"pd-shared\"/>"),
         QStringLiteral("list body carries pd-shared"));
    post("task without hashcode", task("<dt>hashcode</dt><dd/>", ""), QStringLiteral("lacks the key \"hashcode\""));
    post("short hashcode", task("<dt>hashcode</dt><dd/>", "<dt>hashcode</dt><dd>abc</dd>"),
         QStringLiteral("hashcode of 3 characters"));
    post("time with zone", task("<dd>2009-06-01T08:30:00</dd><dt>start", "<dd>2009-06-01T08:30:00Z</dd><dt>start"),
         QStringLiteral("modification-time\" is \"2009-06-01T08:30:00Z\""));
    post("task id not decimal", newList(GoodListFields, GoodTaskFields + "<dt>id</dt><dd>0x12</dd><dt>revision</dt><dd>1</dd>"),
         QStringLiteral("key \"id\" is \"0x12\""));
    post("deep nesting", clientDoc("pd-list", QByteArray("<div>").repeated(600) + QByteArray("</div>").repeated(600)),
         QStringLiteral("nesting deeper than 512"));
    row("removed without time", "PUT", QStringLiteral("/lists/100"),
        newList(put100 + GoodListFields, GoodTaskFields,
                "<ul class=\"pd-removed-tasks\"><li class=\"pd-task\"><dl class=\"pd-task-fields\">" + GoodTaskFields
                    + "<dt>id</dt><dd>5</dd><dt>revision</dt><dd>1</dd></dl></li></ul>"),
        QStringLiteral("removed without a deletion-time"));
    row("put id differs", "PUT", QStringLiteral("/lists/100"),
        newList(QByteArray(put100).replace("100", "101") + GoodListFields, GoodTaskFields),
        QStringLiteral("list id 101 differs from the path's 100"));
    row("sharing order", "PUT", QStringLiteral("/lists/100/sharingV3"),
        clientDoc("permissions", "<ul class=\"pd-shared\">" + sharedUser("carol", "r") + sharedUser("bob", "rw") + "</ul>"),
        QStringLiteral("not in ascending order"));
    row("sharing letters", "PUT", QStringLiteral("/lists/100/sharingV3"),
        clientDoc("permissions", "<ul class=\"pd-shared\">" + sharedUser("bob", "write") + "</ul>"),
        QStringLiteral("permissions \"write\""));
    row("list ref zero", "PUT", QStringLiteral("/users/alice/lists-display-order"),
        clientDoc("pd-list-refs", "<ol class=\"pd-list-refs\"><li class=\"pd-list-ref\">"
                                  "<a class=\"pd-list-id\" href=\"/plumdeck/lists/0\">0</a></li></ol>"),
        QStringLiteral("pd-list-id \"0\" is not a non-zero decimal"));
    row("groups local fields", "PUT", QStringLiteral("/users/alice/list-groups-display-order"),
        clientDoc(groups, "<ol class=\"pd-groups\"><li class=\"pd-group\"><dl class=\"pd-group-fields\"/>"
                          "<dl class=\"pd-groups-local-fields\"/></li></ol>"),
        QStringLiteral("pd-groups-local-fields"));
    row("group without name", "PUT", QStringLiteral("/users/alice/list-groups-display-order"),
        clientDoc(groups, "<ol class=\"pd-groups\"><li class=\"pd-group\"><dl class=\"pd-group-fields\"/><ol class=\"pd-groups\">"
                          "<li class=\"pd-group\"><dl class=\"pd-group-fields\"><dt>id</dt><dd>3</dd></dl></li></ol></li></ol>"),
        QStringLiteral("group lacks the key \"name\""));
    row("note put without revision", "PUT", QStringLiteral("/notepad-notes/500"),
        clientDoc("note", "<div class=\"pd-notepad-note\"><dl class=\"pd-notepad-note-fields\"><dt>id</dt><dd>500</dd>"
                          "<dt>title</dt><dd>a</dd><dt>text</dt><dd/></dl></div>"),
        QStringLiteral("note lacks the key \"revision\""));
    row("note order title", "PUT", QStringLiteral("/users/alice/notepad-notes-display-order"),
        clientDoc("notes order", "<ol class=\"pd-notepad-note-refs\"/>"), QStringLiteral("expected \"notepads display order\""));
    row("presence word", "PUT", QStringLiteral("/users/alice/presence"),
        clientDoc("pd-presence", "<div class=\"pd-presence\"><span class=\"pd-presence-state\">away</span></div>"),
        QStringLiteral("pd-presence-state \"away\""));
    row("activity word", "POST", QStringLiteral("/chats/7/activity"),
        clientDoc("pd-chat-activity", "<div class=\"pd-chat-activity\">writing</div>"), QStringLiteral("pd-chat-activity \"writing\""));
    row("friend request body", "POST", QStringLiteral("/users/bob/friend-requests"), "hello", QStringLiteral("not \"dummy\""));
    row("get with body", "GET", QStringLiteral("/lists/100"), "x", QStringLiteral("GET with a body"));
}

void TstFakeServerFaults::validation()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    QFETCH(QString, problem);
    const QStringList problems = m_server->validate(method, path, body);
    if (problem.isEmpty()) {
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        return;
    }
    bool found = false;
    for (const QString &p : problems)
        found |= p.contains(problem);
    QVERIFY2(found, qPrintable(QStringLiteral("wanted \"%1\" in:\n%2").arg(problem, problems.join(QLatin1Char('\n')))));
}

void TstFakeServerFaults::violationsAreRecordedPerRequest()
{
    const QByteArray bad = newList(GoodListFields + "<dt>outlook-id</dt><dd>x</dd>", GoodTaskFields);
    QCOMPARE(m_probe->post(QStringLiteral("/lists"), bad).status, 201);
    QCOMPARE(m_server->violations().size(), 1);
    QVERIFY(m_server->violations().first().startsWith(QLatin1String("POST /lists: ")));
    QCOMPARE(m_server->unexpectedViolations().size(), 1);
    m_server->expectViolation(QStringLiteral("outlook-id"));
    QVERIFY(m_server->unexpectedViolations().isEmpty());
    QCOMPARE(m_probe->post(QStringLiteral("/lists"), newList(GoodListFields, GoodTaskFields)).status, 201);
    QCOMPARE(m_server->violations().size(), 1);
    // Benchmarks may switch checks and records off.
    m_server->setValidation(false);
    m_server->setRecording(false);
    const int recorded = m_server->requests().size();
    QCOMPARE(m_probe->post(QStringLiteral("/lists"), bad).status, 201);
    QCOMPARE(m_server->violations().size(), 1);
    QCOMPARE(m_server->requests().size(), recorded);
}

void TstFakeServerFaults::strictCompression_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("acceptZlib");
    QTest::addColumn<bool>("zlibBody");
    QTest::addColumn<QString>("problem");
    QTest::newRow("Z plain") << QByteArray("GET") << QStringLiteral("/users/alice/lists-info") << false << false
                             << QStringLiteral("without Accept-Encoding: zlib");
    QTest::newRow("Z good") << QByteArray("GET") << QStringLiteral("/users/alice/lists-info") << true << false << QString();
    QTest::newRow("Z plain body") << QByteArray("POST") << QStringLiteral("/lists") << true << false
                                  << QStringLiteral("compressed request with a plain body");
    QTest::newRow("Z zlib body") << QByteArray("POST") << QStringLiteral("/lists") << true << true << QString();
    QTest::newRow("P asks zlib") << QByteArray("GET") << QStringLiteral("/users/alice/friends") << true << false
                                 << QStringLiteral("plain request with Accept-Encoding: zlib");
    QTest::newRow("R good") << QByteArray("HEAD") << QStringLiteral("/users/alice") << false << false << QString();
    QTest::newRow("root either") << QByteArray("GET") << QStringLiteral("/") << true << false << QString();
}

void TstFakeServerFaults::strictCompression()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(bool, acceptZlib);
    QFETCH(bool, zlibBody);
    QFETCH(QString, problem);
    m_server->setStrictCompression(true);
    m_probe->acceptZlib = acceptZlib;
    m_probe->compressBody = zlibBody;
    const QByteArray body = method == "POST" ? newList(GoodListFields, GoodTaskFields) : QByteArray();
    QVERIFY(m_probe->send(method, path, body).status != 0);
    if (problem.isEmpty())
        QVERIFY2(m_server->violations().isEmpty(), qPrintable(m_server->violations().join(QLatin1Char('\n'))));
    else
        takeOneViolation(*m_server, problem);
}

PLUMDECK_TEST_MAIN(TstFakeServerFaults)
#include "tst_fakeserverfaults.moc"
