#include "core/xmlreaderwriter.h"
#include "failingdevice.h"
#include "testenvironment.h"

#include <QBuffer>
#include <QSaveFile>
#include <QTemporaryDir>

namespace {

using RW = XMLReaderWriter;

QDomDocument parse(const QString &xml)
{
    QDomDocument doc;
    if (!doc.setContent(xml, false))
        qFatal("bad test document");
    return doc;
}

// A new document of `rw`'s kind; its body is returned through `body`.
QDomDocument newDocument(RW &rw, QDomElement *body, const QString &title = QStringLiteral("t"))
{
    QDomDocument doc = rw.createDocument();
    *body = rw.appendHeadAndBody(doc, title);
    return doc;
}

// Writes `doc` with `writer` and reads it back with `reader`; a null
// document when either step fails.
QDomDocument writeAndReadBack(RW &writer, const QDomDocument &doc, RW &reader, QByteArray *written = nullptr)
{
    QBuffer buffer;
    if (!writer.writeDocument(doc, &buffer))
        return QDomDocument();
    if (written)
        *written = buffer.data();
    buffer.close();
    return reader.readDocument(&buffer);
}

QDomDocument readBytes(RW &rw, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    return rw.readDocument(&buffer);
}

QByteArray nested(int depth)
{
    return QByteArray("<div>").repeated(depth) + QByteArray("</div>").repeated(depth);
}

// Hands its bytes out a few at a time, as a network reply does; or, without
// bytes, claims a size past the bound and counts the reads.
class TestDevice : public QIODevice
{
public:
    explicit TestDevice(const QByteArray &bytes = QByteArray()) : m_bytes(bytes) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return !m_bytes.isEmpty(); }
    qint64 size() const override { return m_bytes.isEmpty() ? qint64(1) << 40 : m_bytes.size(); }
    qint64 bytesAvailable() const override { return m_bytes.size() - m_pos + QIODevice::bytesAvailable(); }
    qint64 reads = 0;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        ++reads;
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

} // namespace

class TstXMLReaderWriter : public QObject
{
    Q_OBJECT
private slots:
    void skeletonAsWritten_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("local") << int(RW::LocalDocument);
        QTest::newRow("server") << int(RW::ServerDocument);
    }

    void skeletonAsWritten()
    {
        QFETCH(int, kind);
        const bool local = kind == RW::LocalDocument;
        RW rw(kind), reader(kind);
        QDomElement body;
        QDomDocument doc = newDocument(rw, &body, QStringLiteral("pd-local-lists"));
        QByteArray bytes;
        const QDomDocument back = writeAndReadBack(rw, doc, reader, &bytes);
        QVERIFY(!back.isNull());
        QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html PUBLIC "));
        QVERIFY(bytes.contains("<html xmlns=\"http://www.w3.org/1999/xhtml\">"));
        QVERIFY(!bytes.contains("xmlns=\"\""));
        QVERIFY(bytes.contains("\n <head>\n  <title>pd-local-lists</title>"));
        QCOMPARE(back.doctype().publicId(), QStringLiteral("-//W3C//DTD XHTML 1.0 Strict//EN"));
        QCOMPARE(back.doctype().systemId(), QStringLiteral("http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd"));
        const QDomElement head = back.documentElement().firstChildElement();
        QCOMPARE(head.tagName() + head.nextSiblingElement().tagName(), QStringLiteral("headbody"));
        QCOMPARE(reader.metaContent(head, "generator"), QStringLiteral("PlumDeck"));
        QCOMPARE(reader.metaContent(head, "format-version"), local ? QStringLiteral("2") : QString());
        QCOMPARE(reader.checkHead(head), local);
    }

    void checkHead_data()
    {
        QTest::addColumn<QString>("metas");
        QTest::addColumn<QString>("error"); // empty: accepted
        const QString gen = QStringLiteral("<meta name=\"generator\" content=\"PlumDeck\"/>");
        auto ver = [](const char *v) { return QStringLiteral("<meta name=\"format-version\" content=\"%1\"/>").arg(v); };
        const QString badVersion = QStringLiteral("don't understand doc format version");
        const QString badGenerator = QStringLiteral("generator has different name");
        QTest::newRow("version 2") << gen + ver("2") << "";
        QTest::newRow("older versions") << gen + ver("1") << "";
        QTest::newRow("negative") << gen + ver("-4") << "";
        QTest::newRow("version 3") << gen + ver("3") << "document format 3 is newer than our version 2";
        QTest::newRow("text") << gen + ver("two") << badVersion;
        QTest::newRow("blank around") << gen + ver(" 2") << badVersion;
        QTest::newRow("lone minus") << gen + ver("-") << badVersion;
        QTest::newRow("no version") << gen << badVersion;
        QTest::newRow("other generator") << "<meta name=\"generator\" content=\"Other\"/>" + ver("2") << badGenerator;
        QTest::newRow("no generator") << ver("2") << badGenerator;
        QTest::newRow("two generators") << gen + gen + ver("2") << badGenerator;
    }

    void checkHead()
    {
        QFETCH(QString, metas);
        QFETCH(QString, error);
        const QDomDocument doc = parse(QStringLiteral("<html><head><title>t</title>%1</head><body/></html>").arg(metas));
        RW rw(RW::LocalDocument);
        QCOMPARE(rw.checkHead(doc.documentElement().firstChildElement("head")), error.isEmpty());
        QCOMPARE(rw.errorString(), error);
        if (metas.count(QStringLiteral("generator")) == 2) {
            QVERIFY(rw.metaContent(doc.documentElement().firstChildElement("head"), "generator").isNull());
            QCOMPARE(rw.errorString(), QStringLiteral("duplicate meta tag with namegenerator"));
        }
    }

    void elementText_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        const QString unexpected = QStringLiteral("unexpected dom child inside p");
        QTest::newRow("no child") << "<p/>" << "" << QString();
        QTest::newRow("element first") << "<p><b>x</b>y</p>" << "" << unexpected;
        QTest::newRow("comment first") << "<p><!--c-->x</p>" << "" << unexpected;
        QTest::newRow("text then element") << "<p>text<b/>more</p>" << "text" << QString();
        QTest::newRow("references") << "<p>Tom &amp; &#x3c;&#60;&gt;</p>" << "Tom & <<>" << QString();
        QTest::newRow("text and cdata") << "<p>a<![CDATA[<b>]]>c</p>" << "a<b>c" << QString();
    }

    void elementText()
    {
        QFETCH(QString, xml);
        RW rw(RW::ServerDocument);
        const QString got = rw.elementText(parse(xml).documentElement());
        QTEST(got, "text");
        QVERIFY(!got.isNull());
        QTEST(rw.errorString(), "error");
    }

    // definitionValue takes the first value of a term, readDefinitionList
    // the last; a term without its dd has a null value ("<null>").
    void definitions_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("listed");
        QTest::newRow("present") << "title" << "Shopping" << "Shopping";
        QTest::newRow("empty dd") << "empty" << "" << "";
        QTest::newRow("missing") << "nothing" << "<null>" << "<null>";
        QTest::newRow("dt followed by dt") << "lonely" << "<null>" << "<null>";
        QTest::newRow("dt followed by p") << "odd" << "<null>" << "<null>";
        QTest::newRow("last dt") << "last" << "<null>" << "<null>";
        QTest::newRow("twice") << "twice" << "1" << "2";
    }

    void definitions()
    {
        QFETCH(QString, term);
        const QDomDocument doc = parse(QStringLiteral(
            "<dl><dt>title</dt><dd>Shopping</dd><dt>empty</dt><dd/><dt>lonely</dt><dt>odd</dt><p>x</p>"
            "<dt>twice</dt><dd>1</dd><dt/><dd>skipped</dd><dd>stray</dd><dt>twice</dt><dd>2</dd><dt>last</dt></dl>"));
        RW rw(RW::ServerDocument);
        const QString got = rw.definitionValue(doc.documentElement(), term);
        QTEST(got.isNull() ? QStringLiteral("<null>") : got, "value");
        const QMap<QString, QString> map = rw.readDefinitionList(doc.documentElement());
        QCOMPARE(map.keys(), QStringList({"empty", "last", "lonely", "odd", "title", "twice"}));
        QTEST(map.contains(term) && !map.value(term).isNull() ? map.value(term) : QStringLiteral("<null>"), "listed");
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
        const QString duplicate = QStringLiteral("duplicate element with class pd-two under body");
        QTest::newRow("optional found, any tag") << body << 0 << "pd-one" << "span:1" << QString();
        QTest::newRow("mandatory found") << body << 1 << "pd-one" << "span:1" << QString();
        QTest::newRow("optional missing") << body << 0 << "pd-none" << QString() << QString();
        QTest::newRow("mandatory missing") << body << 1 << "pd-none" << QString()
                                           << "failed to find mandatory element with class pd-none under body";
        QTest::newRow("optional duplicate") << body << 0 << "pd-two" << QString() << duplicate;
        QTest::newRow("mandatory duplicate") << body << 1 << "pd-two" << QString() << duplicate;
        QTest::newRow("grandchild not seen") << body << 0 << "pd-deep" << QString() << QString();
        QTest::newRow("class list is not a match") << body << 0 << "pd-a" << QString() << QString();
        QTest::newRow("tag deep") << "<html><a><b><c><title>t</title></c></b></a></html>" << 2 << "title"
                                  << "title:t" << QString();
        QTest::newRow("tag after a deep sibling") << "<html><a><b/></a><a><title>t</title></a></html>" << 2
                                                  << "title" << "title:t" << QString();
        QTest::newRow("tag none") << "<html><a/></html>" << 2 << "title" << QString()
                                  << "failed to find mandatory element title under html";
        QTest::newRow("tags at different depths") << "<html><title>1</title><a><title>2</title></a></html>" << 2
                                                  << "title" << QString() << "duplicate elements title under html";
        QTest::newRow("tag of the root itself not counted") << "<title><x/></title>" << 2 << "title" << QString()
                                                            << "failed to find mandatory element title under title";
    }

    void lookups()
    {
        QFETCH(QString, xml);
        QFETCH(int, how);
        QFETCH(QString, name);
        const QDomDocument doc = parse(xml);
        RW rw(RW::ServerDocument);
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
        QTest::newRow("utc text") << "2009-06-01T08:30:00" << QDateTime(QDate(2009, 6, 1), QTime(8, 30), Qt::UTC)
                                  << false;
        QTest::newRow("leap day") << "2024-02-29T23:59:59"
                                  << QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59), Qt::UTC) << false;
        QTest::newRow("trailing Z") << "2009-06-01T08:30:00Z" << QDateTime() << true;
        QTest::newRow("with offset") << "2009-06-01T08:30:00+02:00" << QDateTime() << true;
        QTest::newRow("empty") << "" << QDateTime() << false;
        QTest::newRow("19 chars, bad month") << "2009-13-01T08:30:00" << QDateTime() << false;
        QTest::newRow("19 chars, not a date") << "abcdefghijklmnopqrs" << QDateTime() << false;
        QTest::newRow("19 chars, letter in the minutes") << "2009-06-01T08:3x:00" << QDateTime() << false;
    }

    void parseDateTime()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        QFETCH(bool, warns);
        if (warns)
            QTest::ignoreMessage(QtWarningMsg, "datetime string too long - trying to use a timezone?");
        const QDateTime got = RW::parseDateTime(text);
        QCOMPARE(got, expected);
        if (expected.isValid())
            QCOMPARE(got.timeSpec(), Qt::UTC);
    }

    void dateTimeToString_data()
    {
        QTest::addColumn<QDateTime>("dateTime");
        QTest::addColumn<QString>("text");
        QTest::newRow("milliseconds dropped") << QDateTime(QDate(2009, 6, 1), QTime(8, 30, 5, 999), Qt::UTC)
                                              << "2009-06-01T08:30:05";
        QTest::newRow("offset converted to utc")
            << QDateTime(QDate(2009, 6, 1), QTime(10, 30), Qt::OffsetFromUTC, 7200) << "2009-06-01T08:30:00";
        QTest::newRow("early year padded") << QDateTime(QDate(812, 1, 2), QTime(3, 4, 5), Qt::UTC)
                                           << "0812-01-02T03:04:05";
        QTest::newRow("invalid") << QDateTime() << "";
        QTest::newRow("five-digit year") << QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC) << "";
    }

    void dateTimeToString()
    {
        QFETCH(QDateTime, dateTime);
        QFETCH(QString, text);
        const QString got = RW::dateTimeToString(dateTime);
        QCOMPARE(got, text);
        if (!text.isEmpty())
            QCOMPARE(RW::parseDateTime(got), dateTime.toUTC().addMSecs(-dateTime.time().msec()));
    }

    void localTimeRoundTrip()
    {
        // A local time must be stored as its UTC instant, not relabelled.
        const QDateTime local(QDate(2021, 7, 15), QTime(12, 0), Qt::LocalTime);
        QCOMPARE(RW::parseDateTime(RW::dateTimeToString(local)), local);
    }

    // A full disk at once or half-way, and a file that cannot be opened.
    void writeFailures_data()
    {
        QTest::addColumn<qint64>("limit"); // -1: an unopenable file
        QTest::newRow("nothing fits") << qint64(0);
        QTest::newRow("fails half-way") << qint64(100);
        QTest::newRow("unopenable") << qint64(-1);
    }

    void writeFailures()
    {
        QFETCH(qint64, limit);
        RW rw(RW::LocalDocument);
        QDomElement body;
        const QDomDocument doc = newDocument(rw, &body);
        QTemporaryDir dir;
        QFile missing(dir.filePath(QStringLiteral("no/such/dir/file.xhtml")));
        FailingDevice device(limit);
        if (limit >= 0)
            QVERIFY(device.open(QIODevice::WriteOnly));
        QVERIFY(!rw.writeDocument(doc, limit < 0 ? static_cast<QIODevice *>(&missing) : &device));
        QVERIFY(rw.errorString().startsWith(limit < 0 ? "couldn't open device for writing" : "couldn't write document"));
        if (limit < 0) {
            QVERIFY(!missing.exists());
            QVERIFY(rw.readDocument(&missing).isNull());
            QVERIFY(rw.errorString().startsWith(QStringLiteral("Couldn't open device.")));
            QVERIFY(rw.errorString().size() > int(strlen("Couldn't open device.")));
        }
    }

    void saveFileKeepsOldFileOnFailure()
    {
        // The writer opens a QSaveFile but leaves the commit, which a failed
        // write never reaches, to its caller.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lists.xhtml"));
        auto contents = [&path] {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        RW rw(RW::LocalDocument);
        QDomElement body;
        QSaveFile save(path);
        QVERIFY(rw.writeDocument(newDocument(rw, &body), &save));
        QCOMPARE(contents(), QByteArray("old"));
        QVERIFY(save.commit());
        QVERIFY(contents().startsWith("<?xml"));
    }

    void readFailures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QString parseError = QStringLiteral("failed to parse xml");
        const QString tooDeep = QStringLiteral("failed to parse xml: elements nested deeper than 512 levels");
        QTest::newRow("empty") << QByteArray() << parseError;
        QTest::newRow("not xml") << QByteArray("hello") << parseError;
        QTest::newRow("unclosed") << QByteArray("<html><body>") << parseError;
        QTest::newRow("two roots") << QByteArray("<a/><b/>") << parseError;
        QTest::newRow("control character") << QByteArray("<a>\x01</a>") << parseError;
        QTest::newRow("bad utf-8") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xff\xfe</a>")
                                   << parseError;
        QTest::newRow("too deep") << nested(RW::maxElementDepth + 1) << tooDeep;
        QTest::newRow("very deep") << nested(100000) << tooDeep;
        QByteArray bomb("<!DOCTYPE a [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">");
        for (char c = 'b'; c <= 'f'; ++c)
            bomb += "<!ENTITY " + QByteArray(1, c) + " \"" + ("&" + QByteArray(1, char(c - 1)) + ";").repeated(16)
                    + "\">";
        QTest::newRow("entity expansion bomb") << bomb + "]><a>" + QByteArray("&f;").repeated(16) + "</a>"
                                               << parseError;
    }

    void readFailures()
    {
        QFETCH(QByteArray, bytes);
        RW rw(RW::ServerDocument);
        QVERIFY(readBytes(rw, bytes).isNull());
        QTEST(rw.errorString(), "error");
    }

    void scanElementDepth_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("depth"); // -1: the scan leaves it to the exact pass
        const int max = RW::maxElementDepth;
        QTest::newRow("flat") << QByteArray("<a/>") << 1;
        QTest::newRow("nested") << QByteArray("<a><b><c/></b><b/></a>") << 3;
        QTest::newRow("declaration and bom")
            << QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a><b/></a>") << 2;
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
        QTest::newRow("at the limit") << nested(max) << max;
        QTest::newRow("over the limit") << nested(max + 1) << max + 1;
        QTest::newRow("empty over the limit") << nested(max).replace("<div></div>", "<div/>") << max;
    }

    void scanElementDepth()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, depth);
        QCOMPARE(RW::scanElementDepth(bytes, RW::maxElementDepth), depth);
        // Wherever the scan answers for a well-formed document, the exact
        // pass agrees, and the reader takes it up to the limit inclusive.
        if (depth >= 0 && depth <= RW::maxElementDepth) {
            QVERIFY(RW::checkWellFormedAndDepth(bytes, depth));
            bool tooDeep = false;
            QVERIFY(!RW::checkWellFormedAndDepth(bytes, depth - 1, &tooDeep));
            QVERIFY(tooDeep);
            RW rw(RW::ServerDocument);
            QVERIFY2(!readBytes(rw, bytes).isNull(), qPrintable(rw.errorString()));
        }
    }

    // Sequential devices are read in chunks; devices already open are read
    // as they are; larger devices are refused unread.
    void devices()
    {
        TestDevice trickle("<html><head><title>t</title></head><body><p class=\"x\">y</p></body></html>");
        RW rw(RW::ServerDocument);
        const QDomDocument doc = rw.readDocument(&trickle);
        QCOMPARE(rw.elementText(rw.mandatoryElementByTagName(doc.documentElement(), "p")), QStringLiteral("y"));

        TestDevice huge;
        QVERIFY(rw.readDocument(&huge).isNull());
        QCOMPARE(rw.errorString(), QStringLiteral("failed to parse xml: document larger than 268435456 bytes"));
        QCOMPARE(huge.reads, 0);

        QByteArray bytes("<html><head/><body/></html>");
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QVERIFY(!rw.readDocument(&buffer).isNull());
    }

    void ownDeclarationReplacesReadOne()
    {
        // A tree read back keeps its declaration as a node; writing it again
        // must not give a document with two declarations.
        RW rw(RW::ServerDocument);
        const QDomDocument doc = readBytes(rw, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html><body/></html>");
        QByteArray written;
        QVERIFY(!writeAndReadBack(rw, doc, rw, &written).isNull());
        QCOMPARE(written.count("<?xml"), 1);
    }

    void invalidCharactersNeverWritten()
    {
        // One pasted control character must not make the file unreadable.
        RW rw(RW::LocalDocument), reader(RW::LocalDocument);
        QDomElement body;
        QDomDocument doc = newDocument(rw, &body, QStringLiteral("ti\x01tle"));
        const QString dirty = QStringLiteral("a\x02""b\x0b""c") + QChar(0xFFFF) + QChar(0xD800)
                              + QStringLiteral("d\te\nf") + QString::fromUtf8("\U0001F600");
        rw.appendTextElement(body, QStringLiteral("p"), dirty, QStringLiteral("pd-x"));
        // Written straight into the tree, bypassing appendTextElement.
        QDomElement raw = doc.createElement(QStringLiteral("p"));
        raw.setAttribute(QStringLiteral("class"), QStringLiteral("pd-raw\x03"));
        raw.appendChild(doc.createTextNode(QStringLiteral("r\x04s")));
        body.appendChild(raw);
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
        QTEST(RW::stripInvalidXmlChars(in), "out");
    }

    void definitionsRoundTrip()
    {
        // Blank-only text reads back empty (the DOM builder drops it); text
        // with blanks around is kept as written.
        RW rw(RW::LocalDocument), reader(RW::LocalDocument);
        QDomElement body;
        QDomDocument doc = newDocument(rw, &body);
        QDomElement dl = rw.appendElementWithClass(body, QStringLiteral("dl"), QStringLiteral("pd-fields"));
        rw.appendDefinition(dl, QStringLiteral("title"), QStringLiteral(" a < b & \"c\"\n"));
        rw.appendDefinition(dl, QStringLiteral("empty"), QString());
        const QDomElement bare = rw.appendTextElement(body, QStringLiteral("dd"), QString());
        QVERIFY(!bare.hasChildNodes() && !bare.hasAttribute(QStringLiteral("class")));
        const QDateTime time(QDate(2009, 6, 1), QTime(8, 30), Qt::UTC);
        rw.appendDefinition(dl, QStringLiteral("time"), RW::dateTimeToString(time));
        const QDomDocument back = writeAndReadBack(rw, doc, reader);
        const QDomElement backBody = reader.mandatoryElementByTagName(back.documentElement(), "body");
        const QDomElement backDl = reader.mandatoryChildElementByClass(backBody, "pd-fields");
        QCOMPARE(reader.definitionValue(backDl, "title"), QStringLiteral(" a < b & \"c\"\n"));
        const QString empty = reader.definitionValue(backDl, "empty");
        QVERIFY(!empty.isNull() && empty.isEmpty());
        QCOMPARE(reader.parseDateTime(reader.definitionValue(backDl, "time")), time);
        QVERIFY(reader.checkHead(reader.mandatoryElementByTagName(back.documentElement(), "head")));
        QVERIFY(reader.errorString().isEmpty());
    }
};

PLUMDECK_TEST_MAIN(TstXMLReaderWriter)
#include "tst_xmlreaderwriter.moc"
