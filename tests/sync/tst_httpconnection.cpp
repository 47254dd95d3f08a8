#include <QNetworkReply>
#include <QtTest>

#include "core/clock.h"
#include "fakeservertest.h"
#include "synctest.h"
#include "sync/requests/httpconnection.h"
#include "sync/requests/request.h"
#include "sync/requests/serverhttpconnection.h"
#include "core/serversettings.h"
#include "sync/requests/xmlrequest.h"
#include "testenvironment.h"

#include <memory>

namespace {
const QByteArray smallDoc =
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
    "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>t</title></head>"
    "<body><span class=\"pd-x\">hello</span></body></html>";

ServerHttpConnection *connection()
{
    return ServerHttpConnection::instance();
}
}

class TstHttpConnection : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void wireForm_data();
    void wireForm();
    void statuses_data();
    void statuses();
    void transportError();
    void oneAtATimeInOrder();
    void cancelFailsOnlyThatRequest();
    void abortIsSilentAndIsolated();
    void deleteIsIsolated();
    void droppedAfterItsErrorArrived_data();
    void droppedAfterItsErrorArrived();
    void requestAddedFromFinishedSlot();
    void idleClose();
    void settingsChangeWhileRunning();
    void sessionPassword();
    void oversizedBody_data();
    void oversizedBody();
    void userPathIsEncoded();
    void progress();
    void stalledTransfer_data();
    void stalledTransfer();
    void ownStopIsNoStall_data();
    void ownStopIsNoStall();

private:
    std::unique_ptr<FakeServer> m_server;
};

// Runs before anything made the connection: it starts from the settings
// already there, so paths built before the first request name the user.
void TstHttpConnection::initTestCase()
{
    ServerSettings::instance()->setSettings(QStringLiteral("https://made.example:8443/pd"), QStringLiteral("early bird"),
                                            QStringLiteral("pw"));
    QCOMPARE(connection()->userName(), QStringLiteral("early bird"));
    QCOMPARE(connection()->userPath(), QStringLiteral("/users/early%20bird"));
    QCOMPARE(connection()->user(), QStringLiteral("early bird"));
    QCOMPARE(connection()->host(), QStringLiteral("made.example"));
    QCOMPARE(connection()->port(), quint16(8443));
    QVERIFY(connection()->isComplete());
}

void TstHttpConnection::init()
{
    Clock::reset();
    m_server = std::make_unique<FakeServer>();
    QVERIFY(m_server->start());
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    SyncTest::useServer(*m_server);
    connection()->setSessionPassword(QString());
}

void TstHttpConnection::cleanup()
{
    if (m_server)
        PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
    m_server.reset();
    Clock::reset();
    connection()->setStallTimeout(HttpConnection::defaultStallTimeoutMs);
}

void TstHttpConnection::wireForm_data()
{
    QTest::addColumn<QString>("kind");       // raw, zlib, plain
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");    // "doc": the small document
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<bool>("acceptZlib");
    QTest::addColumn<bool>("bodyZlib");
    QTest::addColumn<bool>("responseZlib");
    QTest::addColumn<int>("status");

    QTest::newRow("raw HEAD of the root") << "raw" << "HEAD" << "/" << QByteArray()
        << QByteArray("/plumdeck/") << false << false << false << 200;
    QTest::newRow("plain GET of the root") << "plain" << "GET" << "/" << QByteArray()
        << QByteArray("/plumdeck/") << false << false << false << 200;
    QTest::newRow("compressed GET") << "zlib" << "GET" << "/users/alice/lists-info" << QByteArray()
        << QByteArray("/plumdeck/users/alice/lists-info") << true << false << true << 200;
    QTest::newRow("compressed PUT") << "zlib" << "PUT" << "/test/doc" << QByteArray("doc")
        << QByteArray("/plumdeck/test/doc") << true << true << false << 204;
    QTest::newRow("plain PUT") << "plain" << "PUT" << "/test/doc" << QByteArray("doc")
        << QByteArray("/plumdeck/test/doc") << false << false << false << 204;
    QTest::newRow("plain POST of bytes") << "plain" << "POST" << "/test/dummy" << QByteArray("dummy")
        << QByteArray("/plumdeck/test/dummy") << false << false << false << 201;
    QTest::newRow("compressed DELETE") << "zlib" << "DELETE" << "/test/gone" << QByteArray()
        << QByteArray("/plumdeck/test/gone") << true << false << false << 204;
    // Any other verb goes out as it is, not as a DELETE.
    QTest::newRow("raw OPTIONS") << "raw" << "OPTIONS" << "/test/options" << QByteArray()
        << QByteArray("/plumdeck/test/options") << false << false << false << 204;
}

void TstHttpConnection::wireForm()
{
    QFETCH(QString, kind);
    QFETCH(QString, method);
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, target);
    QFETCH(bool, acceptZlib);
    QFETCH(bool, bodyZlib);
    QFETCH(bool, responseZlib);
    QFETCH(int, status);

    if (path.startsWith(QLatin1String("/test/")))
        m_server->respondOnce(method.toLatin1(), QStringLiteral("^/test/"), status);
    // A custom verb goes out with an announced empty body.
    if (!body.isEmpty() || method == QLatin1String("OPTIONS"))
        m_server->expectViolation(QStringLiteral("no request body expected here"));
    QDomDocument doc;
    QVERIFY(doc.setContent(smallDoc));

    std::unique_ptr<Request> request;
    if (kind == QLatin1String("raw")) {
        request = std::make_unique<Request>(method, path);
        request->setBody(body);
    } else {
        auto xml = std::make_unique<XMLRequest>(method, path, kind == QLatin1String("zlib"));
        if (body == "doc")
            xml->setRequestDocument(doc);
        else
            xml->setBody(body);
        request = std::move(xml);
    }
    QVERIFY(SyncTest::run(request.get()));
    QVERIFY2(!request->hasError(), qPrintable(request->errorString()));
    QCOMPARE(request->responseHeader().statusCode(), status);
    QVERIFY(!request->responseHeader().reasonPhrase().isEmpty());

    const QList<FakeRequest> seen = m_server->requests();
    QCOMPARE(seen.size(), 1);
    const FakeRequest &r = seen.first();
    QCOMPARE(r.method, method.toLatin1());
    QCOMPARE(r.target, target);
    QCOMPARE(r.acceptZlib, acceptZlib);
    QCOMPARE(r.bodyWasZlib, bodyZlib);
    QCOMPARE(r.responseZlib, responseZlib);
    // Credentials go with every request; the toolkit adds no encoding of its own.
    QCOMPARE(r.header("Authorization"), QByteArray("Basic YWxpY2U6c2VjcmV0"));
    QVERIFY(r.header("Content-Encoding").isEmpty());
    if (!acceptZlib)
        QCOMPARE(r.header("Accept-Encoding"), QByteArray("identity"));
    if (body == "doc") {
        QCOMPARE(r.body, doc.toByteArray(1));
        QCOMPARE(r.header("Content-Type"), QByteArray("application/xhtml+xml; charset=utf-8"));
    } else {
        QCOMPARE(r.body, body);
    }
    if (kind != QLatin1String("raw") && method == QLatin1String("GET")) {
        auto *xml = static_cast<XMLRequest *>(request.get());
        QVERIFY(!xml->responseDocument().isNull());
    }
}

void TstHttpConnection::statuses_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reason");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("error");
    QTest::addColumn<bool>("authFailed");
    QTest::addColumn<bool>("document");

    QTest::newRow("404 with a document") << 404 << QByteArray("Not Found") << smallDoc << false << false << true;
    QTest::newRow("500 without body") << 500 << QByteArray("Internal Server Error") << QByteArray() << false << false << false;
    QTest::newRow("403 with a text page") << 403 << QByteArray("Forbidden") << QByteArray("Forbidden!") << false << false << false;
    QTest::newRow("410 with an html page") << 410 << QByteArray("Gone") << QByteArray("<html><p>gone<br></html>") << false << false << false;
    QTest::newRow("412") << 412 << QByteArray("Precondition Failed") << QByteArray() << false << false << false;
    QTest::newRow("302 is not followed") << 302 << QByteArray("Found") << QByteArray() << false << false << false;
    QTest::newRow("401") << 401 << QByteArray("Unauthorized") << QByteArray() << true << true << false;
    QTest::newRow("200 with garbage") << 200 << QByteArray("OK") << QByteArray("<html><body>") << true << false << false;
}

void TstHttpConnection::statuses()
{
    QFETCH(int, status);
    QFETCH(QByteArray, reason);
    QFETCH(QByteArray, body);
    QFETCH(bool, error);
    QFETCH(bool, authFailed);
    QFETCH(bool, document);

    m_server->respondOnce("GET", QStringLiteral("^/test/status$"), status, body, reason);
    XMLRequest request(QStringLiteral("GET"), QStringLiteral("/test/status"), true);
    QVERIFY(SyncTest::run(&request));
    QCOMPARE(request.hasError(), error);
    QCOMPARE(request.authFailed(), authFailed);
    QCOMPARE(request.responseDocument().isNull(), !document);
    if (!error) {
        QCOMPARE(request.responseHeader().statusCode(), status);
        QCOMPARE(request.responseHeader().reasonPhrase().toLatin1(), reason);
    } else if (!authFailed) {
        QVERIFY(request.errorString().startsWith(QLatin1String("XML failed to parse: ")));
    }
    QCOMPARE(m_server->requests().size(), 1);
}

void TstHttpConnection::transportError()
{
    // Always: the toolkit resends once on a connection closed before any answer.
    m_server->closeConnectionOn(QStringLiteral("^/test/close$"), false);
    XMLRequest broken(QStringLiteral("GET"), QStringLiteral("/test/close"), true);
    XMLRequest next(QStringLiteral("GET"), QStringLiteral("/"), true);
    QSignalSpy nextDone(&next, &Request::finished);
    QVERIFY(SyncTest::run(&broken));
    QVERIFY(broken.hasError());
    QVERIFY(!broken.authFailed());
    QVERIFY(!broken.responseHeader().isValid());
    // The queue goes on.
    QVERIFY(SyncTest::run(&next));
    QVERIFY(!next.hasError());
}

void TstHttpConnection::oneAtATimeInOrder()
{
    m_server->delay(QStringLiteral("^/test/q0$"), 300, true);
    QList<Request *> requests;
    QStringList finishedOrder;
    for (int i = 0; i < 5; ++i) {
        auto *r = new Request(QStringLiteral("GET"), QStringLiteral("/test/q%1").arg(i), this);
        connect(r, &Request::finished, this, [r, &finishedOrder] { finishedOrder << r->path(); });
        requests << r;
        m_server->respondOnce("GET", QStringLiteral("^/test/q%1$").arg(i), 204);
    }
    for (Request *r : requests)
        connection()->addRequest(r);
    QCOMPARE(connection()->queuedCount(), 5);
    QTRY_COMPARE_WITH_TIMEOUT(finishedOrder.size(), 5, 10000);
    QCOMPARE(finishedOrder, QStringList({"/test/q0", "/test/q1", "/test/q2", "/test/q3", "/test/q4"}));
    const QList<FakeRequest> seen = m_server->requests();
    QCOMPARE(seen.size(), 5);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(seen.at(i).path, QStringLiteral("/test/q%1").arg(i));
    // The second was sent only after the first was answered.
    QVERIFY(seen.at(1).receivedMs >= seen.at(0).receivedMs + 300);
    QCOMPARE(seen.at(4).connection, seen.at(0).connection);
    qDeleteAll(requests);
}

void TstHttpConnection::cancelFailsOnlyThatRequest()
{
    m_server->stall(QStringLiteral("^/test/stalled$"), true);
    Request stalled(QStringLiteral("GET"), QStringLiteral("/test/stalled"));
    Request queued(QStringLiteral("HEAD"), QStringLiteral("/"));
    Request later(QStringLiteral("HEAD"), QStringLiteral("/"));
    QSignalSpy stalledDone(&stalled, &Request::finished);
    QSignalSpy queuedDone(&queued, &Request::finished);
    QSignalSpy laterDone(&later, &Request::finished);
    connection()->addRequest(&stalled);
    connection()->addRequest(&queued);
    connection()->addRequest(&later);
    QTRY_COMPARE(m_server->requests(QByteArray(), QStringLiteral("^/test/stalled$")).size(), 1);

    // Cancelling a waiting request, then the running one.
    connection()->cancelRequest(&queued);
    QCOMPARE(queuedDone.count(), 1);
    QCOMPARE(queued.errorString(), QStringLiteral("Request canceled"));
    QCOMPARE(connection()->findRequest(&queued), -1);
    connection()->cancelRequest(&stalled);
    QCOMPARE(stalledDone.count(), 1);
    QCOMPARE(stalled.errorString(), QStringLiteral("Request canceled"));

    QVERIFY(laterDone.wait(5000));
    QVERIFY2(!later.hasError(), qPrintable(later.errorString()));
    QCOMPARE(later.responseHeader().statusCode(), 200);

    QTest::ignoreMessage(QtWarningMsg,
                         "HttpConnection - cancelRequest which was never added or has finished.");
    connection()->cancelRequest(&later);
    QCOMPARE(laterDone.count(), 1);
}

void TstHttpConnection::abortIsSilentAndIsolated()
{
    m_server->stall(QStringLiteral("^/test/download$"), true);
    Request download(QStringLiteral("GET"), QStringLiteral("/test/download"));
    Request other(QStringLiteral("HEAD"), QStringLiteral("/"));
    QSignalSpy downloadDone(&download, &Request::finished);
    QSignalSpy otherDone(&other, &Request::finished);
    connection()->addRequest(&download);
    connection()->addRequest(&other);
    QTRY_COMPARE(m_server->requests(QByteArray(), QStringLiteral("^/test/download$")).size(), 1);
    connection()->abortRequest(&download);
    QVERIFY(otherDone.wait(5000));
    QVERIFY2(!other.hasError(), qPrintable(other.errorString()));
    QCOMPARE(downloadDone.count(), 0);
    QVERIFY(!download.hasError());

    // Aborting what is no longer queued changes nothing.
    QTest::ignoreMessage(QtWarningMsg,
                         "HttpConnection - cancelRequest which was never added or has finished.");
    connection()->abortRequest(&other);
    QCOMPARE(otherDone.count(), 1);
}

void TstHttpConnection::deleteIsIsolated()
{
    m_server->stall(QStringLiteral("^/test/stalled$"), true);
    auto *running = new Request(QStringLiteral("GET"), QStringLiteral("/test/stalled"));
    auto *waiting = new Request(QStringLiteral("HEAD"), QStringLiteral("/"));
    Request last(QStringLiteral("HEAD"), QStringLiteral("/"));
    QSignalSpy lastDone(&last, &Request::finished);
    connection()->addRequest(running);
    connection()->addRequest(waiting);
    connection()->addRequest(&last);
    QTRY_COMPARE(m_server->requests(QByteArray(), QStringLiteral("^/test/stalled$")).size(), 1);
    delete waiting;
    delete running;
    QCOMPARE(connection()->queuedCount(), 1);
    QVERIFY(lastDone.wait(5000));
    QVERIFY2(!last.hasError(), qPrintable(last.errorString()));
}

void TstHttpConnection::droppedAfterItsErrorArrived_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("deleted") << "delete";
    QTest::newRow("aborted") << "abort";
    QTest::newRow("cancelled") << "cancel";
}

// An error status reaches the reply before its end; a request dropped in
// between (a change of user does that) is failed once, and only by us.
void TstHttpConnection::droppedAfterItsErrorArrived()
{
    QFETCH(QString, how);
    QTest::failOnWarning(QRegularExpression("must only be called once"));
    auto *request = new Request(QStringLiteral("GET"), QStringLiteral("/chats/404"));
    QSignalSpy done(request, &Request::finished);
    connection()->addRequest(request);
    auto *reply = connection()->findChild<QNetworkReply *>();
    QVERIFY(reply);
    bool dropped = false;
    connect(reply, &QNetworkReply::errorOccurred, this, [&] {
        dropped = true;
        if (how == QLatin1String("delete"))
            delete request;
        else if (how == QLatin1String("abort"))
            connection()->abortRequest(request);
        else
            connection()->cancelRequest(request);
    });
    QTRY_VERIFY(dropped);
    if (how == QLatin1String("cancel")) {
        QCOMPARE(done.count(), 1);
        QCOMPARE(request->errorString(), QStringLiteral("Request canceled"));
    } else if (how == QLatin1String("abort")) {
        QCOMPARE(done.count(), 0);
    }
    Request next(QStringLiteral("HEAD"), QStringLiteral("/"));
    QVERIFY(SyncTest::run(&next));
    QVERIFY2(!next.hasError(), qPrintable(next.errorString()));
    QCOMPARE(done.count(), how == QLatin1String("cancel") ? 1 : 0);
    if (how != QLatin1String("delete"))
        delete request;
}

void TstHttpConnection::requestAddedFromFinishedSlot()
{
    Request first(QStringLiteral("HEAD"), QStringLiteral("/"));
    Request second(QStringLiteral("GET"), QStringLiteral("/users/alice"));
    QSignalSpy secondDone(&second, &Request::finished);
    connect(&first, &Request::finished, this, [&] { connection()->addRequest(&second); });
    connection()->addRequest(&first);
    QVERIFY(secondDone.wait(5000));
    QVERIFY(!second.hasError());
    QCOMPARE(second.responseHeader().statusCode(), 200);
}

void TstHttpConnection::idleClose()
{
    Request first(QStringLiteral("HEAD"), QStringLiteral("/"));
    Request second(QStringLiteral("HEAD"), QStringLiteral("/"));
    QVERIFY(SyncTest::run(&first));
    QVERIFY(SyncTest::run(&second));
    QVERIFY(connection()->hasClient());
    // Within the idle time the connection is reused.
    QCOMPARE(m_server->requests().at(1).connection, m_server->requests().at(0).connection);

    // 30 s scaled to 30 ms.
    Clock::setTimeScale(0.001);
    Request third(QStringLiteral("HEAD"), QStringLiteral("/"));
    QVERIFY(SyncTest::run(&third));
    QTRY_VERIFY_WITH_TIMEOUT(!connection()->hasClient(), 2000);
    Request fourth(QStringLiteral("HEAD"), QStringLiteral("/"));
    QVERIFY(SyncTest::run(&fourth));
    QVERIFY(!fourth.hasError());
    QVERIFY(m_server->requests().at(3).connection != m_server->requests().at(2).connection);
}

void TstHttpConnection::settingsChangeWhileRunning()
{
    FakeServer other;
    QVERIFY(other.start());
    other.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    m_server->hold(QStringLiteral("^/users/alice$"));

    Request running(QStringLiteral("GET"), QStringLiteral("/users/alice"));
    QSignalSpy runningDone(&running, &Request::finished);
    connection()->addRequest(&running);
    QTRY_COMPARE(m_server->requests().size(), 1);
    QCOMPARE(runningDone.count(), 0);
    SyncTest::useServer(other);
    QCOMPARE(m_server->releaseHeld(), 1);
    QVERIFY(runningDone.wait(5000));
    QVERIFY2(!running.hasError(), qPrintable(running.errorString()));
    QCOMPARE(running.responseHeader().statusCode(), 200);
    QCOMPARE(m_server->requests().size(), 1);

    Request next(QStringLiteral("GET"), QStringLiteral("/users/alice"));
    QVERIFY(SyncTest::run(&next));
    QVERIFY(!next.hasError());
    QCOMPARE(other.requests().size(), 1);
    QCOMPARE(m_server->requests().size(), 1);
    PLUMDECK_VERIFY_NO_VIOLATIONS(other);
}

void TstHttpConnection::sessionPassword()
{
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("stale"));
    QVERIFY(connection()->isComplete());
    connection()->setSessionPassword(QStringLiteral("secret"));
    QCOMPARE(connection()->password(), QStringLiteral("secret"));
    Request withSession(QStringLiteral("GET"), QStringLiteral("/users/alice"));
    QVERIFY(SyncTest::run(&withSession));
    QVERIFY(!withSession.hasError());

    connection()->setSessionPassword(QString());
    QCOMPARE(connection()->password(), QStringLiteral("stale"));
    Request withStored(QStringLiteral("GET"), QStringLiteral("/users/alice"));
    QVERIFY(SyncTest::run(&withStored));
    QVERIFY(withStored.authFailed());
    QVERIFY(withStored.hasError());
    // A refused password is not tried a second time.
    QCOMPARE(m_server->requests().size(), 2);
    QCOMPARE(m_server->requests().last().status, 401);

    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QString());
    QVERIFY(!connection()->isComplete());
}

void TstHttpConnection::oversizedBody_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("body past the bound") << "oversized";
    QTest::newRow("decompression bomb") << "bomb";
    // Only a bound checked while the body streams in can end this one.
    QTest::newRow("bound passed by a body that never ends") << "unfinished";
}

void TstHttpConnection::oversizedBody()
{
    QFETCH(QString, fault);
    if (fault == QLatin1String("bomb")) {
        m_server->setCompressionFault(QStringLiteral("^/users/alice/lists-info$"),
                                      FakeServer::DecompressionBomb, true);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("larger than"));
    } else if (fault == QLatin1String("unfinished")) {
        m_server->unfinishedBody(QStringLiteral("^/users/alice/lists-info$"),
                                 XMLRequest::maxDocumentResponseSize + 1024 * 1024);
    } else {
        m_server->oversizedBody(QStringLiteral("^/users/alice/lists-info$"),
                                XMLRequest::maxDocumentResponseSize + 1024 * 1024);
    }
    XMLRequest big(QStringLiteral("GET"), QStringLiteral("/users/alice/lists-info"), true);
    QVERIFY(SyncTest::run(&big, 20000));
    QCOMPARE(big.errorString(), QStringLiteral("Response too large"));
    QVERIFY(big.responseDocument().isNull());
    XMLRequest next(QStringLiteral("GET"), QStringLiteral("/"), false);
    QVERIFY(SyncTest::run(&next));
    QVERIFY(!next.hasError());
}

void TstHttpConnection::userPathIsEncoded()
{
    m_server->addUser(QStringLiteral("a b/c?d"), QStringLiteral("pw"));
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("a b/c?d"), QStringLiteral("pw"));
    QCOMPARE(connection()->userPath(), QStringLiteral("/users/a%20b%2Fc%3Fd"));
    m_server->respondOnce("GET", QString(), 204);
    Request request(QStringLiteral("GET"), connection()->userPath() + QStringLiteral("/friends"));
    QVERIFY(SyncTest::run(&request));
    QVERIFY(!request.hasError());
    QCOMPARE(m_server->requests().first().target, QByteArray("/plumdeck/users/a%20b%2Fc%3Fd/friends"));
}

void TstHttpConnection::progress()
{
    for (int i = 0; i < 50; ++i)
        m_server->addList(QStringLiteral("alice"), QStringLiteral("List %1").arg(i));
    QSignalSpy progress(connection(), &HttpConnection::readProgress);
    XMLRequest request(QStringLiteral("GET"), QStringLiteral("/users/alice/lists-info"), false);
    QVERIFY(SyncTest::run(&request));
    QVERIFY(!request.hasError());
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last().at(0).toInt(), int(request.responseSize()));
}

void TstHttpConnection::stalledTransfer_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("stallMs");
    QTest::addColumn<bool>("fails");

    QTest::newRow("no answer at all") << "hold" << 300 << true;
    QTest::newRow("answer stops midway") << "unfinished" << 300 << true;
    // 100 bytes every 50 ms: the whole answer takes longer than the limit.
    QTest::newRow("slow answer that keeps flowing") << "drip" << 1000 << false;
    QTest::newRow("slow answer without a limit") << "drip" << 0 << false;
}

// A server that stops sending fails the running request like any network
// failure, and the requests queued behind it go out.
void TstHttpConnection::stalledTransfer()
{
    QFETCH(QString, fault);
    QFETCH(int, stallMs);
    QFETCH(bool, fails);

    const QString path = QStringLiteral("/test/slow");
    const QByteArray body(3000, 'x');
    m_server->respondOnce("GET", QStringLiteral("^/test/slow$"), 200, body);
    if (fault == QLatin1String("hold"))
        m_server->hold(QStringLiteral("^/test/slow$"));
    else if (fault == QLatin1String("unfinished"))
        m_server->unfinishedBody(QStringLiteral("^/test/slow$"), 1000);
    else
        m_server->drip(QStringLiteral("^/test/slow$"), 100, 50);
    connection()->setStallTimeout(stallMs);

    Request slow(QStringLiteral("GET"), path);
    Request next(QStringLiteral("HEAD"), QStringLiteral("/"));
    QSignalSpy slowDone(&slow, &Request::finished);
    QSignalSpy nextDone(&next, &Request::finished);
    // The next one need not race the short limit.
    connect(&slow, &Request::finished, this,
            [] { connection()->setStallTimeout(HttpConnection::defaultStallTimeoutMs); });
    QElapsedTimer elapsed;
    elapsed.start();
    connection()->addRequest(&slow);
    connection()->addRequest(&next);

    QVERIFY(slowDone.wait(20000));
    QVERIFY(!slow.authFailed());
    if (fails) {
        QCOMPARE(slow.errorString(), QStringLiteral("The server stopped responding (timed out)"));
    } else {
        QVERIFY2(!slow.hasError(), qPrintable(slow.errorString()));
        // Longer than the limit in all, yet never silent for that long.
        QVERIFY2(elapsed.elapsed() > stallMs, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(slow.responseHeader().statusCode(), 200);
        QCOMPARE(slow.responseSize(), qint64(body.size()));
    }
    QCOMPARE(slowDone.count(), 1);

    QVERIFY(nextDone.count() == 1 || nextDone.wait(10000));
    QVERIFY2(!next.hasError(), qPrintable(next.errorString()));
    QCOMPARE(next.responseHeader().statusCode(), 200);
    QCOMPARE(slowDone.count(), 1);
    QCOMPARE(connection()->queuedCount(), 0);
    QCOMPARE(m_server->requests().size(), 2);
    QCOMPARE(m_server->requests().at(1).path, QStringLiteral("/"));
}

void TstHttpConnection::ownStopIsNoStall_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cancelled") << "cancel";
    QTest::newRow("aborted") << "abort";
    QTest::newRow("deleted") << "delete";
}

// A request the program stops itself keeps its own outcome, however long its
// answer had been kept back; only the next one, held too, runs into the limit.
void TstHttpConnection::ownStopIsNoStall()
{
    QFETCH(QString, how);
    m_server->hold(QStringLiteral("^/users/alice$"));
    m_server->hold(QStringLiteral("^/users/alice$"));
    connection()->setStallTimeout(300);

    auto *stopped = new Request(QStringLiteral("GET"), QStringLiteral("/users/alice"));
    Request next(QStringLiteral("GET"), QStringLiteral("/users/alice"));
    QSignalSpy stoppedDone(stopped, &Request::finished);
    QSignalSpy nextDone(&next, &Request::finished);
    connection()->addRequest(stopped);
    connection()->addRequest(&next);
    QTRY_COMPARE(m_server->requests().size(), 1);

    if (how == QLatin1String("cancel"))
        connection()->cancelRequest(stopped);
    else if (how == QLatin1String("abort"))
        connection()->abortRequest(stopped);
    else
        delete stopped;

    QVERIFY(nextDone.wait(20000));
    QCOMPARE(next.errorString(), QStringLiteral("The server stopped responding (timed out)"));
    QCOMPARE(m_server->requests().size(), 2);
    if (how == QLatin1String("cancel")) {
        QCOMPARE(stoppedDone.count(), 1);
        QCOMPARE(stopped->errorString(), QStringLiteral("Request canceled"));
    } else if (how == QLatin1String("abort")) {
        QCOMPARE(stoppedDone.count(), 0);
        QVERIFY(!stopped->hasError());
    }
    if (how != QLatin1String("delete"))
        delete stopped;
}

PLUMDECK_TEST_MAIN(TstHttpConnection)
#include "tst_httpconnection.moc"
