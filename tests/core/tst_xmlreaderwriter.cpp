#include "core/xmlreaderwriter.h"
#include "failingdevice.h"
#include "testenvironment.h"

#include <QBuffer>
#include <QSaveFile>
#include <QTemporaryDir>

namespace {

QDomDocument parse(const QString &xml)
{
    QDomDocument doc;
    if (!doc.setContent(xml, false))
        qFatal("bad test document");
    return doc;
}

QString headXml(const QString &metas)
{
    return QStringLiteral("<html><head><title>t</title>%1</head><body/></html>").arg(metas);
}

// Writes `doc` with `writer` and reads it back with a fresh reader of the
// same kind; a null document when either step fails.
QDomDocument writeAndReadBack(XMLReaderWriter &writer, const QDomDocument &doc, XMLReaderWriter &reader,
                              QByteArray *written = nullptr)
{
    QBuffer buffer;
    if (!writer.writeDocument(doc, &buffer))
        return QDomDocument();
    if (written)
        *written = buffer.data();
    buffer.close();
    return reader.readDocument(&buffer);
}

QDomDocument readBytes(XMLReaderWriter &rw, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    return rw.readDocument(&buffer);
}

QByteArray nested(int depth)
{
    QByteArray xml;
    for (int i = 0; i < depth; ++i)
        xml += "<div>";
    for (int i = 0; i < depth; ++i)
        xml += "</div>";
    return xml;
}

// Hands its bytes out a few at a time, as a network reply does.
class TrickleDevice : public QIODevice
{
public:
    explicit TrickleDevice(const QByteArray &bytes) : m_bytes(bytes) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_bytes.size() - m_pos + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = qMin<qint64>(qMin<qint64>(maxSize, 7), m_bytes.size() - m_pos);
        memcpy(data, m_bytes.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_pos = 0;
};

// Claims a size past the bound; reading it would take for ever.
class HugeDevice : public QIODevice
{
public:
    qint64 size() const override { return qint64(1) << 40; }
    qint64 reads = 0;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        ++reads;
        memset(data, ' ', size_t(maxSize));
        return maxSize;
    }
    qint64 writeData(const char *, qint64) override { return -1; }
};

} // namespace

class TstXMLReaderWriter : public QObject
{
    Q_OBJECT
private slots:
    void skeletonAsWritten_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("hasFormatVersion");
        QTest::newRow("local") << int(XMLReaderWriter::LocalDocument) << true;
        QTest::newRow("server") << int(XMLReaderWriter::ServerDocument) << false;
    }

    void skeletonAsWritten()
    {
        QFETCH(int, kind);
        QFETCH(bool, hasFormatVersion);
        XMLReaderWriter rw(kind);
        XMLReaderWriter reader(kind);
        QDomDocument doc = rw.createDocument();
        QDomElement body = rw.appendHeadAndBody(doc, QStringLiteral("pd-local-lists"));
        rw.appendTextElement(body, QStringLiteral("div"), QStringLiteral("x"), QStringLiteral("pd-x"));
        QByteArray bytes;
        const QDomDocument back = writeAndReadBack(rw, doc, reader, &bytes);
        QVERIFY(!back.isNull());
        QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html PUBLIC "));
        QVERIFY(bytes.contains("<html xmlns=\"http://www.w3.org/1999/xhtml\">"));
        QVERIFY(!bytes.contains("xmlns=\"\""));
        QVERIFY(bytes.contains("\n <head>\n  <title>pd-local-lists</title>"));
        QCOMPARE(back.doctype().name(), QStringLiteral("html"));
        QCOMPARE(back.doctype().publicId(), QStringLiteral("-//W3C//DTD XHTML 1.0 Strict//EN"));
        QCOMPARE(back.doctype().systemId(),
                 QStringLiteral("http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd"));
        const QDomElement root = back.documentElement();
        QCOMPARE(root.tagName(), QStringLiteral("html"));
        const QDomElement head = root.firstChildElement();
        QCOMPARE(head.tagName(), QStringLiteral("head"));
        QCOMPARE(head.nextSiblingElement().tagName(), QStringLiteral("body"));
        QStringList headTags;
        for (QDomElement e = head.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
            headTags << e.tagName();
        QCOMPARE(headTags, hasFormatVersion
                               ? QStringList({"title", "meta", "meta"})
                               : QStringList({"title", "meta"}));
        QCOMPARE(reader.metaContent(head, "generator"), QStringLiteral("PlumDeck"));
        QCOMPARE(reader.metaContent(head, "format-version"),
                 hasFormatVersion ? QStringLiteral("2") : QString());
        QCOMPARE(reader.checkHead(head), hasFormatVersion);
        QCOMPARE(reader.errorString(), hasFormatVersion ? QString()
                                                        : QStringLiteral("don't understand doc format version"));
    }

    void checkHead_data()
    {
        QTest::addColumn<QString>("metas");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("error");
        const QString gen = QStringLiteral("<meta name=\"generator\" content=\"PlumDeck\"/>");
        auto ver = [](const QString &v) {
            return QStringLiteral("<meta name=\"format-version\" content=\"%1\"/>").arg(v);
        };
        QTest::newRow("version 2") << gen + ver("2") << true << QString();
        QTest::newRow("version 1") << gen + ver("1") << true << QString();
        QTest::newRow("version 0") << gen + ver("0") << true << QString();
        QTest::newRow("negative") << gen + ver("-4") << true << QString();
        QTest::newRow("version 3") << gen + ver("3") << false
                                   << QStringLiteral("document format 3 is newer than our version 2");
        QTest::newRow("text") << gen + ver("two") << false
                              << QStringLiteral("don't understand doc format version");
        QTest::newRow("blank around") << gen + ver(" 2") << false
                                      << QStringLiteral("don't understand doc format version");
        QTest::newRow("no version") << gen << false
                                    << QStringLiteral("don't understand doc format version");
        QTest::newRow("other generator")
            << QStringLiteral("<meta name=\"generator\" content=\"Other\"/>") + ver("2") << false
            << QStringLiteral("generator has different name");
        QTest::newRow("no generator") << ver("2") << false
                                      << QStringLiteral("generator has different name");
        QTest::newRow("two generators") << gen + gen + ver("2") << false
                                        << QStringLiteral("generator has different name");
    }

    void checkHead()
    {
        QFETCH(QString, metas);
        QFETCH(bool, ok);
        QFETCH(QString, error);
        const QDomDocument doc = parse(headXml(metas));
        XMLReaderWriter rw(XMLReaderWriter::LocalDocument);
        QCOMPARE(rw.checkHead(doc.documentElement().firstChildElement("head")), ok);
        QCOMPARE(rw.errorString(), error);
    }

    void duplicateMeta()
    {
        const QDomDocument doc = parse(headXml(
            "<meta name=\"generator\" content=\"PlumDeck\"/><meta name=\"generator\" content=\"X\"/>"));
        XMLReaderWriter rw(XMLReaderWriter::LocalDocument);
        const QString value = rw.metaContent(doc.documentElement().firstChildElement("head"), "generator");
        QVERIFY(value.isNull());
        QCOMPARE(rw.errorString(), QStringLiteral("duplicate meta tag with namegenerator"));
    }

    void elementText_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("no child") << "<p/>" << "" << QString();
        QTest::newRow("element first") << "<p><b>x</b>y</p>" << "" << "unexpected dom child inside p";
        QTest::newRow("text then element") << "<p>text<b/>more</p>" << "text" << QString();
        QTest::newRow("entity") << "<p>Tom &amp; Jerry</p>" << "Tom & Jerry" << QString();
        QTest::newRow("character references") << "<p>&#x3c;&#60;&gt;</p>" << "<<>" << QString();
        QTest::newRow("cdata") << "<p><![CDATA[a<b]]></p>" << "a<b" << QString();
        QTest::newRow("text and cdata") << "<p>a<![CDATA[<b>]]>c</p>" << "a<b>c" << QString();
        QTest::newRow("comment first") << "<p><!--c-->x</p>" << "" << "unexpected dom child inside p";
        QTest::newRow("non-ascii") << QString::fromUtf8("<p>Caf\u00e9 \u65e5\u672c \U0001F600</p>")
                                   << QString::fromUtf8("Caf\u00e9 \u65e5\u672c \U0001F600") << QString();
    }

    void elementText()
    {
        QFETCH(QString, xml);
        QFETCH(QString, text);
        QFETCH(QString, error);
        const QDomDocument doc = parse(xml);
        XMLReaderWriter rw(XMLReaderWriter::ServerDocument);
        const QString got = rw.elementText(doc.documentElement());
        QCOMPARE(got, text);
        QVERIFY(!got.isNull());
        QCOMPARE(rw.errorString(), error);
    }

    void definitionValue_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("isNull");
        QTest::newRow("present") << "title" << "Shopping" << false;
        QTest::newRow("empty dd") << "empty" << "" << false;
        QTest::newRow("missing") << "nothing" << "" << true;
        QTest::newRow("dt followed by dt") << "lonely" << "" << true;
        QTest::newRow("dt followed by p") << "odd" << "" << true;
        QTest::newRow("last dt") << "last" << "" << true;
        QTest::newRow("first of two") << "twice" << "1" << false;
    }

    void definitionValue()
    {
        QFETCH(QString, term);
        QFETCH(QString, value);
        QFETCH(bool, isNull);
        const QDomDocument doc = parse(QStringLiteral(
            "<dl><dt>title</dt><dd>Shopping</dd><dt>empty</dt><dd/><dt>lonely</dt>"
            "<dt>odd</dt><p>x</p><dt>twice</dt><dd>1</dd><dt>twice</dt><dd>2</dd><dt>last</dt></dl>"));
        XMLReaderWriter rw(XMLReaderWriter::ServerDocument);
        const QString got = rw.definitionValue(doc.documentElement(), term);
        QCOMPARE(got.isNull(), isNull);
        QCOMPARE(got, value);
    }

    void readDefinitionList()
    {
        const QDomDocument doc = parse(QStringLiteral(
            "<dl><dt>a</dt><dd>1</dd><dt/><dd>skipped</dd><dt>b</dt><dt>c</dt><dd></dd>"
            "<dd>stray</dd><dt>a</dt><dd>3</dd><p>x</p><dt>d</dt></dl>"));
        XMLReaderWriter rw(XMLReaderWriter::ServerDocument);
        const QMap<QString, QString> map = rw.readDefinitionList(doc.documentElement());
        QCOMPARE(map.keys(), QStringList({"a", "b", "c", "d"}));
        QCOMPARE(map.value("a"), QStringLiteral("3"));
        QVERIFY(map.value("b").isNull());
        QVERIFY(!map.value("c").isNull());
        QVERIFY(map.value("c").isEmpty());
        QVERIFY(map.value("d").isNull());
    }

    // Lookups under the root: by class among the children (optional or
    // mandatory) and by tag name at any depth. `found` is "tag:text".
    void lookups_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<int>("how"); // 0: class, 1: mandatory class, 2: mandatory tag
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found");
        QTest::addColumn<QString>("error");
        const QString body = QStringLiteral(
            "<body><span class=\"pd-one\">1</span><div class=\"pd-two\"/><p class=\"pd-two\"/>"
            "<div><p class=\"pd-deep\"/></div><p class=\"pd-a pd-b\"/></body>");
        QTest::newRow("optional found, any tag") << body << 0 << "pd-one" << "span:1" << QString();
        QTest::newRow("mandatory found") << body << 1 << "pd-one" << "span:1" << QString();
        QTest::newRow("optional missing") << body << 0 << "pd-none" << QString() << QString();
        QTest::newRow("mandatory missing") << body << 1 << "pd-none" << QString()
                                           << "failed to find mandatory element with class pd-none under body";
        QTest::newRow("optional duplicate") << body << 0 << "pd-two" << QString()
                                            << "duplicate element with class pd-two under body";
        QTest::newRow("mandatory duplicate") << body << 1 << "pd-two" << QString()
                                             << "duplicate element with class pd-two under body";
        QTest::newRow("grandchild not seen") << body << 0 << "pd-deep" << QString() << QString();
        QTest::newRow("class list is not a match") << body << 0 << "pd-a" << QString() << QString();
        QTest::newRow("tag child") << "<html><head>h</head><body/></html>" << 2 << "head" << "head:h" << QString();
        QTest::newRow("tag deep") << "<html><a><b><c><title>t</title></c></b></a></html>" << 2 << "title"
                                  << "title:t" << QString();
        QTest::newRow("tag after a deep sibling") << "<html><a><b/></a><a><title>t</title></a></html>" << 2
                                                  << "title" << "title:t" << QString();
        QTest::newRow("tag none") << "<html><a/></html>" << 2 << "title" << QString()
                                  << "failed to find mandatory element title under html";
        QTest::newRow("tags at different depths")
            << "<html><title>1</title><a><title>2</title></a></html>" << 2 << "title" << QString()
            << "duplicate elements title under html";
        QTest::newRow("tag of the root itself not counted") << "<title><x/></title>" << 2 << "title" << QString()
                                                            << "failed to find mandatory element title under title";
    }

    void lookups()
    {
        QFETCH(QString, xml);
        QFETCH(int, how);
        QFETCH(QString, name);
        const QDomDocument doc = parse(xml);
        XMLReaderWriter rw(XMLReaderWriter::ServerDocument);
        const QDomElement root = doc.documentElement();
        const QDomElement e = how == 0   ? rw.childElementByClass(root, name)
                              : how == 1 ? rw.mandatoryChildElementByClass(root, name)
                                         : rw.mandatoryElementByTagName(root, name);
        QTEST(e.isNull() ? QString() : e.tagName() + QLatin1Char(':') + e.text(), "found");
        QTEST(rw.errorString(), "error");
    }

    void parseDateTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        QTest::addColumn<bool>("warns");
        const QDateTime t(QDate(2009, 6, 1), QTime(8, 30, 0), Qt::UTC);
        QTest::newRow("utc text") << "2009-06-01T08:30:00" << t << false;
        QTest::newRow("trailing Z") << "2009-06-01T08:30:00Z" << QDateTime() << true;
        QTest::newRow("date only") << "2009-06-01" << QDateTime() << true;
        QTest::newRow("with offset") << "2009-06-01T08:30:00+02:00" << QDateTime() << true;
        QTest::newRow("empty") << "" << QDateTime() << false;
        QTest::newRow("19 chars, bad month") << "2009-13-01T08:30:00" << QDateTime() << false;
        QTest::newRow("19 chars, not a date") << "abcdefghijklmnopqrs" << QDateTime() << false;
        QTest::newRow("leap day") << "2024-02-29T23:59:59"
                                  << QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59), Qt::UTC) << false;
    }

    void parseDateTime()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        QFETCH(bool, warns);
        if (warns)
            QTest::ignoreMessage(QtWarningMsg, "datetime string too long - trying to use a timezone?");
        const QDateTime got = XMLReaderWriter::parseDateTime(text);
        QCOMPARE(got.isValid(), expected.isValid());
        if (expected.isValid()) {
            QCOMPARE(got, expected);
            QCOMPARE(got.timeSpec(), Qt::UTC);
        }
    }

    void dateTimeToString_data()
    {
        QTest::addColumn<QDateTime>("dateTime");
        QTest::addColumn<QString>("text");
        QTest::newRow("utc") << QDateTime(QDate(2009, 6, 1), QTime(8, 30, 0), Qt::UTC)
                             << "2009-06-01T08:30:00";
        QTest::newRow("milliseconds dropped") << QDateTime(QDate(2009, 6, 1), QTime(8, 30, 5, 999), Qt::UTC)
                                              << "2009-06-01T08:30:05";
        QTest::newRow("offset converted to utc")
            << QDateTime(QDate(2009, 6, 1), QTime(10, 30, 0), Qt::OffsetFromUTC, 7200)
            << "2009-06-01T08:30:00";
        QTest::newRow("early year padded") << QDateTime(QDate(812, 1, 2), QTime(3, 4, 5), Qt::UTC)
                                           << "0812-01-02T03:04:05";
        QTest::newRow("invalid") << QDateTime() << "";
        QTest::newRow("five-digit year") << QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC) << "";
    }

    void dateTimeToString()
    {
        QFETCH(QDateTime, dateTime);
        QFETCH(QString, text);
        const QString got = XMLReaderWriter::dateTimeToString(dateTime);
        QCOMPARE(got, text);
        if (!text.isEmpty()) {
            QCOMPARE(got.size(), 19);
            QCOMPARE(XMLReaderWriter::parseDateTime(got), dateTime.toUTC().addMSecs(-dateTime.time().msec()));
        }
    }

    void localTimeRoundTrip()
    {
        // A local time must be stored as its UTC instant, not relabelled.
        const QDateTime local = QDateTime(QDate(2021, 7, 15), QTime(12, 0), Qt::LocalTime);
        const QDateTime back = XMLReaderWriter::parseDateTime(XMLReaderWriter::dateTimeToString(local));
        QCOMPARE(back.toMSecsSinceEpoch(), local.toMSecsSinceEpoch());
    }

    void writeFailures_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::newRow("nothing fits") << qint64(0);
        QTest::newRow("fails half-way") << qint64(100);
    }

    void writeFailures()
    {
        QFETCH(qint64, limit);
        XMLReaderWriter rw(XMLReaderWriter::LocalDocument);
        QDomDocument doc = rw.createDocument();
        rw.appendHeadAndBody(doc, QStringLiteral("t"));
        FailingDevice device(limit);
        QVERIFY(device.open(QIODevice::WriteOnly));
        QVERIFY(!rw.writeDocument(doc, &device));
        QVERIFY(rw.errorString().startsWith(QStringLiteral("couldn't write document")));
    }

    void unopenableDevices()
    {
        QTemporaryDir dir;
        QFile missing(dir.filePath(QStringLiteral("no/such/dir/file.xhtml")));
        XMLReaderWriter writer(XMLReaderWriter::LocalDocument);
        QDomDocument doc = writer.createDocument();
        writer.appendHeadAndBody(doc, QStringLiteral("t"));
        QVERIFY(!writer.writeDocument(doc, &missing));
        QCOMPARE(writer.errorString(), QStringLiteral("couldn't open device for writing"));
        QVERIFY(!QFile::exists(missing.fileName()));

        XMLReaderWriter reader(XMLReaderWriter::LocalDocument);
        QVERIFY(reader.readDocument(&missing).isNull());
        QVERIFY(reader.errorString().startsWith(QStringLiteral("Couldn't open device.")));
        QVERIFY(reader.errorString().size() > int(strlen("Couldn't open device.")));
    }

    void saveFileKeepsOldFileOnFailure()
    {
        // The writer reports failure, so a QSaveFile caller never commits.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lists.xhtml"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        XMLReaderWriter rw(XMLReaderWriter::LocalDocument);
        QDomDocument doc = rw.createDocument();
        rw.appendHeadAndBody(doc, QStringLiteral("t"));
        QSaveFile save(path);
        QVERIFY(rw.writeDocument(doc, &save));
        QVERIFY(save.commit());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().startsWith("<?xml"));
    }

    void readFailures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QString parseError = QStringLiteral("failed to parse xml");
        QTest::newRow("empty") << QByteArray() << parseError;
        QTest::newRow("not xml") << QByteArray("hello") << parseError;
        QTest::newRow("unclosed") << QByteArray("<html><body>") << parseError;
        QTest::newRow("two roots") << QByteArray("<a/><b/>") << parseError;
        QTest::newRow("control character") << QByteArray("<a>\x01</a>") << parseError;
        QTest::newRow("bad utf-8") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xff\xfe</a>")
                                   << parseError;
        QTest::newRow("too deep") << nested(XMLReaderWriter::maxElementDepth + 1)
                                  << "failed to parse xml: elements nested deeper than 512 levels";
        QTest::newRow("very deep") << nested(100000)
                                   << "failed to parse xml: elements nested deeper than 512 levels";
        QTest::newRow("entity expansion bomb")
            << QByteArray("<!DOCTYPE a [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
                          "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                          "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                          "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
                          "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
                          "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">]>"
                          "<a>&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;</a>")
            << parseError;
    }

    void readFailures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        XMLReaderWriter rw(XMLReaderWriter::ServerDocument);
        QVERIFY(readBytes(rw, bytes).isNull());
        QCOMPARE(rw.errorString(), error);
    }

    void scanElementDepth_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("depth"); // -1: the scan leaves it to the exact pass
        QTest::newRow("flat") << QByteArray("<a/>") << 1;
        QTest::newRow("nested") << QByteArray("<a><b><c/></b><b/></a>") << 3;
        QTest::newRow("empty element counts") << QByteArray("<a><b/></a>") << 2;
        QTest::newRow("declaration and bom") << QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a><b/></a>") << 2;
        QTest::newRow("comment with markup") << QByteArray("<a><!-- <b><c><d> --></a>") << 1;
        QTest::newRow("cdata with markup") << QByteArray("<a><![CDATA[<b><c></c>]]></a>") << 1;
        QTest::newRow("quoted > and />") << QByteArray("<a x=\"1>2\" y='/>'><b z=\">\"/></a>") << 2;
        QTest::newRow("processing instruction") << QByteArray("<a><?pi <b> ?><b/></a>") << 2;
        QTest::newRow("doctype without subset")
            << QByteArray("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" \"x>y\"><html><p/></html>") << 2;
        QTest::newRow("internal subset") << QByteArray("<!DOCTYPE a [<!ENTITY e \"<b/>\">]><a>&e;</a>") << -1;
        QTest::newRow("other encoding") << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>") << -1;
        QTest::newRow("utf-16") << QByteArray("\xFF\xFE<\0a\0/\0>\0", 10) << -1;
        QTest::newRow("text first") << QByteArray("x<a/>") << -1;
        QTest::newRow("unclosed") << QByteArray("<a><b>") << -1;
        QTest::newRow("stray end tag") << QByteArray("</a><a>") << -1;
        QTest::newRow("unterminated tag") << QByteArray("<a x=\"1>") << -1;
        QTest::newRow("unterminated comment") << QByteArray("<a><!-- </a>") << -1;
        QTest::newRow("lone <") << QByteArray("<a><") << -1;
        QTest::newRow("at the limit") << nested(XMLReaderWriter::maxElementDepth) << XMLReaderWriter::maxElementDepth;
        QTest::newRow("over the limit") << nested(XMLReaderWriter::maxElementDepth + 1)
                                        << XMLReaderWriter::maxElementDepth + 1;
        QTest::newRow("empty over the limit")
            << nested(XMLReaderWriter::maxElementDepth).replace("<div></div>", "<div/>")
            << XMLReaderWriter::maxElementDepth;
    }

    void scanElementDepth()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, depth);
        QCOMPARE(XMLReaderWriter::scanElementDepth(bytes, XMLReaderWriter::maxElementDepth), depth);
        // Wherever the scan answers for a well-formed document, the exact
        // pass agrees.
        if (depth >= 0 && depth <= XMLReaderWriter::maxElementDepth) {
            QVERIFY(XMLReaderWriter::checkWellFormedAndDepth(bytes, depth));
            bool tooDeep = false;
            QVERIFY(!XMLReaderWriter::checkWellFormedAndDepth(bytes, depth - 1, &tooDeep));
            QVERIFY(tooDeep);
        }
    }

    void depthLimitIsInclusive()
    {
        XMLReaderWriter rw(XMLReaderWriter::ServerDocument);
        QVERIFY(!readBytes(rw, nested(XMLReaderWriter::maxElementDepth)).isNull());
        QVERIFY(rw.errorString().isEmpty());
    }

    void readsSequentialDevice()
    {
        TrickleDevice device("<html><head><title>t</title></head><body><p class=\"x\">y</p></body></html>");
        XMLReaderWriter rw(XMLReaderWriter::ServerDocument);
        const QDomDocument doc = rw.readDocument(&device);
        QVERIFY(!doc.isNull());
        QCOMPARE(rw.elementText(rw.mandatoryElementByTagName(doc.documentElement(), "p")), QStringLiteral("y"));
    }

    void refusesOversizedDocument()
    {
        HugeDevice device;
        XMLReaderWriter rw(XMLReaderWriter::ServerDocument);
        QVERIFY(rw.readDocument(&device).isNull());
        QCOMPARE(rw.errorString(), QStringLiteral("failed to parse xml: document larger than 268435456 bytes"));
        QCOMPARE(device.reads, 0);
    }

    void ownDeclarationReplacesReadOne()
    {
        // A tree read back keeps its declaration as a node; writing it again
        // must not give a document with two declarations.
        XMLReaderWriter rw(XMLReaderWriter::ServerDocument);
        const QDomDocument doc = readBytes(rw, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html><body/></html>");
        QVERIFY(!doc.isNull());
        QByteArray written;
        QVERIFY(!writeAndReadBack(rw, doc, rw, &written).isNull());
        QCOMPARE(written.count("<?xml"), 1);
    }

    void readsAlreadyOpenDevice()
    {
        QByteArray bytes("<html><head/><body/></html>");
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        XMLReaderWriter rw(XMLReaderWriter::ServerDocument);
        QVERIFY(!rw.readDocument(&buffer).isNull());
    }

    void invalidCharactersNeverWritten()
    {
        // One pasted control character must not make the file unreadable.
        XMLReaderWriter rw(XMLReaderWriter::LocalDocument);
        QDomDocument doc = rw.createDocument();
        QDomElement body = rw.appendHeadAndBody(doc, QStringLiteral("ti\x01tle"));
        const QString dirty = QStringLiteral("a\x02""b\x0b""c") + QChar(0xFFFF) + QChar(0xD800)
                              + QStringLiteral("d\te\nf") + QString::fromUtf8("\U0001F600");
        rw.appendTextElement(body, QStringLiteral("p"), dirty, QStringLiteral("pd-x"));
        // Written straight into the tree, bypassing appendTextElement.
        QDomElement raw = doc.createElement(QStringLiteral("p"));
        raw.setAttribute(QStringLiteral("class"), QStringLiteral("pd-raw\x03"));
        raw.appendChild(doc.createTextNode(QStringLiteral("r\x04s")));
        body.appendChild(raw);
        XMLReaderWriter reader(XMLReaderWriter::LocalDocument);
        const QDomDocument back = writeAndReadBack(rw, doc, reader);
        QVERIFY2(!back.isNull(), qPrintable(reader.errorString()));
        const QDomElement backBody = reader.mandatoryElementByTagName(back.documentElement(), "body");
        QCOMPARE(reader.elementText(reader.childElementByClass(backBody, "pd-x")),
                 QStringLiteral("abcd\te\nf") + QString::fromUtf8("\U0001F600"));
        QCOMPARE(reader.elementText(reader.childElementByClass(backBody, "pd-raw")), QStringLiteral("rs"));
        QCOMPARE(reader.elementText(reader.mandatoryElementByTagName(back.documentElement(), "title")),
                 QStringLiteral("title"));
    }

    void stripInvalidXmlChars_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("clean") << "plain text" << "plain text";
        QTest::newRow("allowed controls") << "a\tb\nc\rd" << "a\tb\nc\rd";
        QTest::newRow("nul and bell") << QString(QChar(0)) + "a\x07" << "a";
        QTest::newRow("surrogate pair kept") << QString::fromUtf8("\U00010000") << QString::fromUtf8("\U00010000");
        QTest::newRow("lone low surrogate") << QString(QChar(0xDC00)) + "x" << "x";
        QTest::newRow("lone high at end") << "x" + QString(QChar(0xDBFF)) << "x";
        QTest::newRow("fffe") << QString(QChar(0xFFFE)) + "y" << "y";
    }

    void stripInvalidXmlChars()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(XMLReaderWriter::stripInvalidXmlChars(in), out);
    }

    void definitionsRoundTrip()
    {
        XMLReaderWriter rw(XMLReaderWriter::LocalDocument);
        QDomDocument doc = rw.createDocument();
        QDomElement body = rw.appendHeadAndBody(doc, QStringLiteral("t"));
        QDomElement dl = rw.appendElementWithClass(body, QStringLiteral("dl"), QStringLiteral("pd-fields"));
        rw.appendDefinition(dl, QStringLiteral("title"), QStringLiteral("a < b & \"c\""));
        rw.appendDefinition(dl, QStringLiteral("empty"), QString());
        const QDomElement bare = rw.appendTextElement(body, QStringLiteral("dd"), QString());
        QVERIFY(!bare.hasChildNodes());
        QVERIFY(!bare.hasAttribute(QStringLiteral("class")));
        rw.appendDefinition(dl, QStringLiteral("time"),
                            XMLReaderWriter::dateTimeToString(QDateTime(QDate(2009, 6, 1), QTime(8, 30), Qt::UTC)));
        XMLReaderWriter reader(XMLReaderWriter::LocalDocument);
        const QDomDocument back = writeAndReadBack(rw, doc, reader);
        const QDomElement backBody = reader.mandatoryElementByTagName(back.documentElement(), "body");
        const QDomElement backDl = reader.mandatoryChildElementByClass(backBody, "pd-fields");
        QCOMPARE(reader.definitionValue(backDl, "title"), QStringLiteral("a < b & \"c\""));
        const QString empty = reader.definitionValue(backDl, "empty");
        QVERIFY(!empty.isNull() && empty.isEmpty());
        QCOMPARE(reader.parseDateTime(reader.definitionValue(backDl, "time")),
                 QDateTime(QDate(2009, 6, 1), QTime(8, 30), Qt::UTC));
        QVERIFY(reader.checkHead(reader.mandatoryElementByTagName(back.documentElement(), "head")));
        QVERIFY(reader.errorString().isEmpty());
    }

    void whitespaceOnlyTextReadsBackEmpty()
    {
        // The DOM builder drops whitespace-only text nodes: a text of blanks
        // reads back empty (known and accepted), surrounded text is kept.
        XMLReaderWriter rw(XMLReaderWriter::LocalDocument);
        QDomDocument doc = rw.createDocument();
        QDomElement body = rw.appendHeadAndBody(doc, QStringLiteral("t"));
        rw.appendTextElement(body, QStringLiteral("p"), QStringLiteral("  \n "), QStringLiteral("pd-blank"));
        rw.appendTextElement(body, QStringLiteral("p"), QStringLiteral(" a \n"), QStringLiteral("pd-text"));
        const QDomDocument back = writeAndReadBack(rw, doc, rw);
        const QDomElement b = rw.mandatoryElementByTagName(back.documentElement(), "body");
        QCOMPARE(rw.elementText(rw.childElementByClass(b, "pd-blank")), QString());
        QCOMPARE(rw.elementText(rw.childElementByClass(b, "pd-text")), QStringLiteral(" a \n"));
    }

    void errorsGoToDebugStream()
    {
        XMLReaderWriter rw(XMLReaderWriter::ServerDocument);
        QTest::ignoreMessage(QtDebugMsg, "\"some error\"");
        rw.setError(QStringLiteral("some error"));
        QCOMPARE(rw.errorString(), QStringLiteral("some error"));
    }
};

PLUMDECK_TEST_MAIN(TstXMLReaderWriter)
#include "tst_xmlreaderwriter.moc"
