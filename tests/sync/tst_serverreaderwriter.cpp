#include <QtTest>

#include "sync/requests/serverreaderwriter.h"
#include "testenvironment.h"

namespace {
QDomDocument serverInfo(const QString &fields, const QString &bodyExtra = {})
{
    const QString text = QStringLiteral(
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
        "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">"
        "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>server-info</title></head>"
        "<body><div class=\"pd-server\"><dl class=\"pd-server-fields\">%1</dl></div>%2</body></html>")
        .arg(fields, bodyExtra);
    QDomDocument doc;
    doc.setContent(text);
    return doc;
}

QString field(const QString &term, const QString &value)
{
    return QStringLiteral("<dt>%1</dt><dd>%2</dd>").arg(term, value);
}
}

class TstServerReaderWriter : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
};

void TstServerReaderWriter::read_data()
{
    QTest::addColumn<QDomDocument>("doc");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("minVersion");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("error");

    const QString v9 = field("protocol-version", "9") + field("min-supported-protocol-version", "8");
    QTest::newRow("complete") << serverInfo(v9 + field("event-port", "8081")) << true << 9 << 8 << 8081 << QString();
    QTest::newRow("no event port") << serverInfo(v9) << true << 9 << 8 << 0 << QString();
    QTest::newRow("empty event port") << serverInfo(v9 + field("event-port", "")) << true << 9 << 8 << 0 << QString();
    QTest::newRow("port 65535") << serverInfo(v9 + field("event-port", "65535")) << true << 9 << 8 << 65535 << QString();
    // Kept in 16 bits it would silently become another port.
    QTest::newRow("port above 16 bits") << serverInfo(v9 + field("event-port", "70000")) << false << 0 << 0 << 0
                                        << QStringLiteral("couldn't parse event port from 70000");
    QTest::newRow("port negative") << serverInfo(v9 + field("event-port", "-1")) << false << 0 << 0 << 0
                                   << QStringLiteral("couldn't parse event port from -1");
    QTest::newRow("port text") << serverInfo(v9 + field("event-port", "eighty")) << false << 0 << 0 << 0
                               << QStringLiteral("couldn't parse event port from eighty");
    QTest::newRow("letter after version") << serverInfo(field("protocol-version", "9x") + field("min-supported-protocol-version", "8"))
                                          << false << 0 << 0 << 0 << QStringLiteral("couldn't parse 9x as int");
    QTest::newRow("blank around version") << serverInfo(field("protocol-version", " 9 ") + field("min-supported-protocol-version", "8"))
                                          << false << 0 << 0 << 0 << QStringLiteral("couldn't parse  9  as int");
    QTest::newRow("missing version") << serverInfo(field("min-supported-protocol-version", "8"))
                                     << false << 0 << 0 << 0 << QStringLiteral("couldn't parse  as int");
    QTest::newRow("bad min version") << serverInfo(field("protocol-version", "9") + field("min-supported-protocol-version", "x"))
                                     << false << 0 << 0 << 0 << QStringLiteral("couldn't parse x as int");
    QTest::newRow("doubled server block") << serverInfo(v9, QStringLiteral("<div class=\"pd-server\"/>"))
                                          << false << 0 << 0 << 0
                                          << QStringLiteral("duplicate element with class pd-server under body");
    QDomDocument noBody;
    noBody.setContent(QStringLiteral("<html><head/></html>"));
    QTest::newRow("no body") << noBody << false << 0 << 0 << 0
                             << QStringLiteral("failed to find mandatory element body under html");
    QTest::newRow("null document") << QDomDocument() << false << 0 << 0 << 0 << QString();
}

void TstServerReaderWriter::read()
{
    QFETCH(QDomDocument, doc);
    QFETCH(bool, ok);
    QFETCH(int, version);
    QFETCH(int, minVersion);
    QFETCH(int, port);
    QFETCH(QString, error);

    ServerReaderWriter reader;
    int readVersion = -7;
    int readMin = -7;
    quint16 readPort = 7;
    QCOMPARE(reader.readServerInfo(doc, &readVersion, &readMin, &readPort), ok);
    if (ok) {
        QCOMPARE(readVersion, version);
        QCOMPARE(readMin, minVersion);
        QCOMPARE(int(readPort), port);
        QVERIFY(reader.errorString().isEmpty());
    } else {
        // Nothing is written on failure.
        QCOMPARE(readVersion, -7);
        QCOMPARE(readMin, -7);
        QCOMPARE(int(readPort), 7);
        if (!error.isEmpty())
            QCOMPARE(reader.errorString(), error);
        else
            QVERIFY(!reader.errorString().isEmpty());
    }
}

PLUMDECK_TEST_MAIN(TstServerReaderWriter)
#include "tst_serverreaderwriter.moc"
