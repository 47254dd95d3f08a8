#include <QtTest>

#include "core/pdcompressor.h"
#include "sync/requests/request.h"
#include "sync/requests/xmlrequest.h"
#include "testenvironment.h"

namespace {
const QByteArray goodDoc =
    "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>t</title></head>"
    "<body><div class=\"pd-server\">x</div></body></html>";

HttpResponseHeader header(int status, const QByteArray &encoding = {})
{
    QList<QPair<QByteArray, QByteArray>> values;
    if (!encoding.isNull())
        values.append(qMakePair(QByteArray("Content-Encoding"), encoding));
    return HttpResponseHeader(status, QStringLiteral("Reason"), values);
}
}

class TstRequest : public QObject
{
    Q_OBJECT
private slots:
    void errorText_data();
    void errorText();
    void finishesOnce();
    void headerReplaced();
    void xmlRequestBody_data();
    void xmlRequestBody();
    void response_data();
    void response();
    void responseCap();
    void decompressionBomb();
    void pathSegment_data();
    void pathSegment();
};

void TstRequest::errorText_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("warns");
    QTest::newRow("text") << QStringLiteral("  broken pipe \n") << QStringLiteral("broken pipe") << false;
    QTest::newRow("blanks") << QStringLiteral(" \t ") << QStringLiteral("Unknown error") << true;
    QTest::newRow("empty") << QString() << QStringLiteral("Unknown error") << true;
}

void TstRequest::errorText()
{
    QFETCH(QString, given);
    QFETCH(QString, stored);
    QFETCH(bool, warns);
    Request request(QStringLiteral("GET"), QStringLiteral("/"));
    QSignalSpy finished(&request, &Request::finished);
    if (warns)
        QTest::ignoreMessage(QtWarningMsg, "Request: empty error");
    request.setError(given);
    QCOMPARE(finished.count(), 1);
    QVERIFY(request.hasError());
    QCOMPARE(request.errorString(), stored);
}

void TstRequest::finishesOnce()
{
    Request request(QStringLiteral("GET"), QStringLiteral("/"));
    QSignalSpy finished(&request, &Request::finished);
    request.onResponseReceived(header(200));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("finished twice"));
    request.setError(QStringLiteral("late"));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!request.hasError());
    QCOMPARE(request.responseHeader().statusCode(), 200);
}

void TstRequest::headerReplaced()
{
    Request request(QStringLiteral("GET"), QStringLiteral("/"));
    request.setHeader(QStringLiteral("If-Match"), QStringLiteral("1"));
    request.setHeader(QStringLiteral("if-match"), QStringLiteral("2"));
    QCOMPARE(request.headers().size(), 1);
    QCOMPARE(request.header(QStringLiteral("IF-MATCH")), QStringLiteral("2"));
}

void TstRequest::xmlRequestBody_data()
{
    QTest::addColumn<bool>("compressed");
    QTest::addColumn<bool>("withDocument");
    QTest::newRow("compressed") << true << true;
    QTest::newRow("plain") << false << true;
    QTest::newRow("compressed without document") << true << false;
}

void TstRequest::xmlRequestBody()
{
    QFETCH(bool, compressed);
    QFETCH(bool, withDocument);
    XMLRequest request(QStringLiteral("PUT"), QStringLiteral("/lists/4"), compressed);
    QCOMPARE(request.header(QStringLiteral("Accept-Encoding")),
             compressed ? QStringLiteral("zlib") : QString());
    QVERIFY(request.isXmlRequest());
    QVERIFY(!Request(QStringLiteral("GET"), QStringLiteral("/")).isXmlRequest());
    QDomDocument doc;
    QVERIFY(doc.setContent(goodDoc));
    if (withDocument)
        request.setRequestDocument(doc);
    if (!withDocument) {
        QVERIFY(request.body().isEmpty());
        return;
    }
    const QByteArray expected = doc.toByteArray(1);
    if (compressed) {
        QCOMPARE(request.body().left(2), QByteArray("\x78\x9c"));
        QCOMPARE(PDCompressor::uncompress(request.body()), expected);
    } else {
        QCOMPARE(request.body(), expected);
    }
    QVERIFY(request.header(QStringLiteral("Content-Encoding")).isNull());
}

void TstRequest::response_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("error");
    QTest::addColumn<bool>("document");
    QTest::addColumn<QString>("errorPrefix");

    const QByteArray zlibDoc = PDCompressor::compress(goodDoc, 6);
    QTest::newRow("empty body") << QByteArray() << QByteArray() << 200 << false << false << QString();
    QTest::newRow("document") << goodDoc << QByteArray() << 200 << false << true << QString();
    QTest::newRow("zlib document") << zlibDoc << QByteArray("zlib") << 200 << false << true << QString();
    QTest::newRow("zlib labelled gzip") << zlibDoc << QByteArray("gzip") << 200 << true << false
                                        << QStringLiteral("XML failed to parse: ");
    QTest::newRow("zlib case differs") << zlibDoc << QByteArray("ZLIB") << 200 << true << false
                                       << QStringLiteral("XML failed to parse: ");
    QTest::newRow("truncated zlib") << zlibDoc.left(zlibDoc.size() / 2) << QByteArray("zlib") << 200
                                    << true << false << QStringLiteral("XML failed to parse: ");
    QTest::newRow("bad 2xx body") << QByteArray("<html><body>") << QByteArray() << 200 << true << false
                                  << QStringLiteral("XML failed to parse: ");
    QTest::newRow("404 with document") << goodDoc << QByteArray() << 404 << false << true << QString();
    // An error page must not hide the status ("gone" must still read as gone).
    QTest::newRow("404 with html page") << QByteArray("<html><p>Not found<br></p></html>") << QByteArray()
                                        << 404 << false << false << QString();
    QTest::newRow("410 with text") << QByteArray("Gone") << QByteArray() << 410 << false << false << QString();
    QTest::newRow("403 with truncated zlib") << zlibDoc.left(5) << QByteArray("zlib") << 403 << false
                                             << false << QString();
    QByteArray deep;
    for (int i = 0; i < 600; ++i)
        deep += "<a>";
    for (int i = 0; i < 600; ++i)
        deep += "</a>";
    QTest::newRow("nested too deep") << deep << QByteArray() << 200 << true << false
                                     << QStringLiteral("XML failed to parse: elements nested deeper than 512 levels");
}

void TstRequest::response()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, encoding);
    QFETCH(int, status);
    QFETCH(bool, error);
    QFETCH(bool, document);
    QFETCH(QString, errorPrefix);

    XMLRequest request(QStringLiteral("GET"), QStringLiteral("/"), true);
    QSignalSpy finished(&request, &Request::finished);
    QVERIFY(request.writeResponseData(body).isEmpty());
    request.onResponseReceived(header(status, encoding));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(request.hasError(), error);
    QCOMPARE(request.responseDocument().isNull(), !document);
    if (error) {
        QVERIFY2(request.errorString().startsWith(errorPrefix), qPrintable(request.errorString()));
        QVERIFY(request.errorString().contains(QRegularExpression(" at line \\d+$")));
        QVERIFY(!request.responseHeader().isValid());
    } else {
        QCOMPARE(request.responseHeader().statusCode(), status);
    }
    if (document) {
        QCOMPARE(request.responseDocument().documentElement().firstChildElement("body")
                     .firstChildElement().text(), QStringLiteral("x"));
    }
}

void TstRequest::responseCap()
{
    XMLRequest request(QStringLiteral("GET"), QStringLiteral("/"), false);
    QCOMPARE(request.maxResponseSize(), XMLRequest::maxDocumentResponseSize);
    request.setMaxResponseSize(10);
    QVERIFY(request.writeResponseData("12345").isEmpty());
    QCOMPARE(request.writeResponseData("123456"), QStringLiteral("Response too large"));
    QCOMPARE(request.responseSize(), 5);
    QCOMPARE(request.responseBody(), QByteArray("12345"));
}

void TstRequest::decompressionBomb()
{
    // A few hundred KiB inflating past the bound.
    const QByteArray bomb = PDCompressor::compress(QByteArray(PDCompressor::maxUncompressedSize + 4096, '\0'), 9);
    QVERIFY(bomb.size() < 1024 * 1024);
    XMLRequest request(QStringLiteral("GET"), QStringLiteral("/"), true);
    QSignalSpy finished(&request, &Request::finished);
    QVERIFY(request.writeResponseData(bomb).isEmpty());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("larger than"));
    request.onResponseReceived(header(200, "zlib"));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(request.errorString(), QStringLiteral("Response too large"));
}

void TstRequest::pathSegment_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("segment");
    QTest::newRow("plain") << QStringLiteral("alice") << QStringLiteral("alice");
    QTest::newRow("slash and blank") << QStringLiteral("a b/c") << QStringLiteral("a%20b%2Fc");
    QTest::newRow("query and fragment") << QStringLiteral("x?y#z") << QStringLiteral("x%3Fy%23z");
    QTest::newRow("dot dot") << QStringLiteral("..") << QStringLiteral("..");
    QTest::newRow("non-ascii") << QStringLiteral("j\u00f6rg") << QStringLiteral("j%C3%B6rg");
}

void TstRequest::pathSegment()
{
    QFETCH(QString, text);
    QFETCH(QString, segment);
    QCOMPARE(Request::pathSegment(text), segment);
}

PLUMDECK_TEST_MAIN(TstRequest)
#include "tst_request.moc"
