#include <QBuffer>
#include <QtTest>

#include "sync/requests/xmlstreamreceiver.h"
#include "testenvironment.h"

namespace {
const QByteArray stream =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><pd-event-stream>"
    "<event type=\"add\" resource=\"/users/alice/friends\"><body>"
    "<li class=\"pd-user-presence\"><span class=\"pd-user-nick\">  carol \n</span></li></body></event>\n"
    "<event type=\"keep-alive\" resource=\"/\"/>"
    "<x:event xmlns:x=\"urn:x\" x:type=\"add\" resource=\"/chats/7\"><div>J\xc3\xb6rg &amp; co</div></x:event>";

struct Collector
{
    explicit Collector(XMLStreamReceiver *receiver)
    {
        QObject::connect(receiver, &XMLStreamReceiver::fragmentReceived,
                         [this](const QDomDocument &doc) { fragments << doc; });
        QObject::connect(receiver, &XMLStreamReceiver::parseError,
                         [this](const QString &message) { errors << message; });
    }
    QList<QDomDocument> fragments;
    QStringList errors;
};

void feed(XMLStreamReceiver &receiver, const QByteArray &bytes, int chunk)
{
    for (int i = 0; i < bytes.size(); i += chunk)
        receiver.addData(bytes.mid(i, chunk));
}
}

class TstXmlStreamReceiver : public QObject
{
    Q_OBJECT
private slots:
    void fragments_data();
    void fragments();
    void mixedTextIsDropped();
    void errorsStopForGood_data();
    void errorsStopForGood();
    void longStreamOfSmallEvents();
};

void TstXmlStreamReceiver::fragments_data()
{
    QTest::addColumn<int>("chunk"); // 0: read from a device
    QTest::newRow("from a device") << 0;
    QTest::newRow("whole") << int(stream.size());
    QTest::newRow("byte by byte") << 1;
    QTest::newRow("3 bytes") << 3;
    QTest::newRow("7 bytes") << 7;
    QTest::newRow("64 bytes") << 64;
}

void TstXmlStreamReceiver::fragments()
{
    QFETCH(int, chunk);
    QByteArray data = stream;
    QBuffer buffer(&data);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    XMLStreamReceiver receiver(chunk ? nullptr : &buffer);
    Collector c(&receiver);
    if (chunk)
        feed(receiver, stream, chunk);
    else
        receiver.parseMore();
    QVERIFY(c.errors.isEmpty());
    QCOMPARE(c.fragments.size(), 3);

    const QDomDocument first = c.fragments.at(0);
    QCOMPARE(first.doctype().name(), QStringLiteral("http://www.w3.org/1999/xhtml"));
    const QDomElement event = first.documentElement();
    QCOMPARE(event.tagName(), QStringLiteral("event"));
    QCOMPARE(event.attribute("type"), QStringLiteral("add"));
    QCOMPARE(event.attribute("resource"), QStringLiteral("/users/alice/friends"));
    const QDomElement span = event.firstChildElement("body").firstChildElement("li").firstChildElement("span");
    QCOMPARE(span.attribute("class"), QStringLiteral("pd-user-nick"));
    QCOMPARE(span.text(), QStringLiteral("carol"));

    QCOMPARE(c.fragments.at(1).documentElement().attribute("type"), QStringLiteral("keep-alive"));
    // Rebuilt by local names.
    const QDomElement third = c.fragments.at(2).documentElement();
    QCOMPARE(third.tagName(), QStringLiteral("event"));
    QCOMPARE(third.attribute("type"), QStringLiteral("add"));
    QCOMPARE(third.firstChildElement("div").text(), QStringLiteral("J\u00f6rg & co"));
}

void TstXmlStreamReceiver::mixedTextIsDropped()
{
    XMLStreamReceiver receiver(nullptr);
    Collector c(&receiver);
    QTest::ignoreMessage(QtWarningMsg, "element has both text and children");
    receiver.addData("<s><event type=\"add\" resource=\"/r\"> stray <span> kept </span></event>");
    QCOMPARE(c.fragments.size(), 1);
    const QDomElement event = c.fragments.first().documentElement();
    QCOMPARE(event.childNodes().size(), 1);
    QCOMPARE(event.firstChildElement("span").text(), QStringLiteral("kept"));
}

void TstXmlStreamReceiver::errorsStopForGood_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<QString>("message");

    QTest::newRow("mismatched tag") << QByteArray("<s><event></evnt>") << 4 << QString();
    QTest::newRow("undeclared prefix") << QByteArray("<s><a:event/>") << 100 << QString();
    QTest::newRow("bad character") << QByteArray("<s><event>\x01</event>") << 100 << QString();
    QByteArray deep = "<s>";
    for (int i = 0; i < 600; ++i)
        deep += "<e>";
    QTest::newRow("nested too deep") << deep << 1000 << QStringLiteral("elements nested deeper than 512 levels");
    const QByteArray endless = "<s><event type=\"add\" resource=\"/r\"><div>" + QByteArray(1100 * 1024, 'x');
    QTest::newRow("endless event") << endless << 65536 << QStringLiteral("event larger than 1048576 bytes");
    const QByteArray endlessTag = "<s><event type=\"" + QByteArray(1100 * 1024, 'a');
    QTest::newRow("endless attribute") << endlessTag << 65536 << QStringLiteral("event larger than 1048576 bytes");
}

void TstXmlStreamReceiver::errorsStopForGood()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, chunk);
    QFETCH(QString, message);
    XMLStreamReceiver receiver(nullptr);
    Collector c(&receiver);
    feed(receiver, bytes, chunk);
    QCOMPARE(c.errors.size(), 1);
    QVERIFY(receiver.hasFailed());
    if (!message.isEmpty())
        QCOMPARE(c.errors.first(), message);
    // Nothing more comes out of this stream.
    receiver.addData("<event type=\"add\" resource=\"/r\"/>");
    QCOMPARE(c.fragments.size(), 0);
    QCOMPARE(c.errors.size(), 1);
}

void TstXmlStreamReceiver::longStreamOfSmallEvents()
{
    XMLStreamReceiver receiver(nullptr);
    Collector c(&receiver);
    receiver.addData("<pd-event-stream>");
    const QByteArray event = "<event type=\"add\" resource=\"/r\"><span>" + QByteArray(200, 'y') + "</span></event>";
    QByteArray chunk;
    for (int i = 0; i < 100; ++i)
        chunk += event;
    // About 2.5 MiB in all, well past the bound of one event.
    for (int i = 0; i < 100; ++i)
        receiver.addData(chunk);
    QVERIFY(c.errors.isEmpty());
    QCOMPARE(c.fragments.size(), 10000);
}

PLUMDECK_TEST_MAIN(TstXmlStreamReceiver)
#include "tst_xmlstreamreceiver.moc"
