// The lists file streamed and the same bytes read through a DOM must give
// the same lists or the same error (see listsdifferential.h).
#include "listsdifferential.h"
#include "testenvironment.h"

#include <QFile>

namespace {

const QString kHead = QStringLiteral("<head><meta name=\"generator\" content=\"PlumDeck\"/>"
                                     "<meta name=\"format-version\" content=\"2\"/></head>");
const QString kXhtmlDoctype = QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
                                             "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">");

// A new list with one task of the given title and done texts (raw markup).
QString list(const QString &title = QStringLiteral("t"), const QString &done = QStringLiteral("false"))
{
    return QStringLiteral("<div class=\"pd-list\"><dl class=\"pd-list-fields\"><dt>sync-status</dt><dd>new</dd></dl>"
                          "<ol class=\"pd-tasks\"><li class=\"pd-task\"><dl class=\"pd-task-fields\"><dt>title</dt>"
                          "<dd>%1</dd><dt>done</dt><dd>%2</dd></dl></li></ol></div>")
        .arg(title, done);
}

QByteArray doc(const QString &body, const QString &prolog = QString(), const QString &head = kHead)
{
    return (prolog + QStringLiteral("<html>%1<body>%2</body></html>").arg(head, body)).toUtf8();
}

// The same document in UTF-16, with its byte order mark.
QByteArray utf16(const QByteArray &utf8)
{
    QByteArray out("\xff\xfe");
    for (const QChar c : QString::fromUtf8(utf8))
        out.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
    return out;
}

QByteArray sample()
{
    QFile file(QStringLiteral(PLUMDECK_TEST_DATA_DIR "/../../fuzz/corpus/listsdocument/sample.xhtml"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no sample document");
    return file.readAll();
}

// A device that hands its bytes out a few at a time, as a pipe would.
class Trickle : public QIODevice
{
public:
    explicit Trickle(const QByteArray &bytes)
        : m_bytes(bytes)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = qMin<qint64>(qMin<qint64>(maxSize, 7), m_bytes.size() - m_pos);
        memcpy(data, m_bytes.constData() + m_pos, size_t(qMax<qint64>(n, 0)));
        m_pos += qMax<qint64>(n, 0);
        return n > 0 ? n : -1;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_pos = 0;
};

} // namespace

class TstListsDifferential : public QObject
{
    Q_OBJECT
private slots:
    void sameOutcome_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("loads");
        const QString fields = QStringLiteral("<dl class=\"pd-list-fields\"><dt>sync-status</dt><dd>%1</dd></dl>");
        const QString failingTasks = QStringLiteral("<ol class=\"pd-tasks\"><li class=\"pd-task\"><dl class=\"pd-task-fields\">"
                                                    "<dt>done</dt><dd>no</dd></dl></li></ol>");

        QTest::newRow("sample") << sample() << true;
        // Text as the DOM keeps it: runs of text and CDATA, blank data dropped
        // (CDATA aside), any other first child an error.
        QTest::newRow("cdata runs") << doc(list(QStringLiteral("a<![CDATA[b]]>  <![CDATA[c]]>d"),
                                                QStringLiteral("<![CDATA[fa]]>lse"))) << true;
        QTest::newRow("blank cdata") << doc(list(QStringLiteral("<![CDATA[ ]]>"))) << true;
        QTest::newRow("no-break space only") << doc(list(QStringLiteral("&#160;"))) << true;
        QTest::newRow("comment first") << doc(list(QStringLiteral("<!--c-->t"))) << false;
        QTest::newRow("comment ends run") << doc(list(QStringLiteral("t<!--c-->u"))) << true;
        QTest::newRow("instruction first") << doc(list(QStringLiteral("<?p x?>t"))) << false;
        QTest::newRow("unknown entity") << doc(list(QStringLiteral("t"), QStringLiteral("&nbsp;false")), kXhtmlDoctype) << false;
        QTest::newRow("entity of markup") << doc(QStringLiteral("&l;"), QStringLiteral("<!DOCTYPE html [<!ENTITY l '%1'>]>").arg(list())) << true;
        QTest::newRow("blank entity") << doc(list(QStringLiteral("a&s;b")), QStringLiteral("<!DOCTYPE html [<!ENTITY s \" \">]>")) << true;
        QTest::newRow("default class") << doc(QStringLiteral("<div class=\"pd-list\">%1<ol class=\"pd-tasks\"><li><dl class=\"pd-task-fields\">"
                                                             "<dt>done</dt><dd>true</dd></dl></li></ol></div>").arg(fields.arg(QStringLiteral("new"))),
                                              QStringLiteral("<!DOCTYPE html [<!ATTLIST li class CDATA \"pd-task\">]>")) << true;
        // Parts out of the writer's order: the tree's reading order decides.
        QTest::newRow("fields after failing tasks") << doc(QStringLiteral("<div class=\"pd-list\">%1%2</div>").arg(failingTasks, fields.arg(QStringLiteral("bad")))) << false;
        QTest::newRow("failing tasks twice") << doc(QStringLiteral("<div class=\"pd-list\">%1%2%2</div>").arg(fields.arg(QStringLiteral("new")), failingTasks)) << false;
        // The stream reads each top-level task ahead; the rules take it,
        // and its errors, when they reach it, and only then.
        const QString softTask = QStringLiteral("<li class=\"pd-task\"><dl class=\"pd-task-fields\"><dt>done</dt><dd>true</dd>"
                                                "<dt>id</dt><dd>q</dd></dl></li>");
        const QString failingTask = QStringLiteral("<li class=\"pd-task\"><dl class=\"pd-task-fields\"><dt>done</dt><dd>%1</dd></dl></li>");
        QTest::newRow("soft error, then failing task") << doc(QStringLiteral("<div class=\"pd-list\">%1<ol class=\"pd-tasks\">%2%3</ol></div>")
                                                                  .arg(fields.arg(QStringLiteral("new")), softTask, failingTask.arg(QStringLiteral("no")))) << false;
        QTest::newRow("failing task, then soft error") << doc(QStringLiteral("<div class=\"pd-list\">%1<ol class=\"pd-tasks\">%3%2</ol></div>")
                                                                  .arg(fields.arg(QStringLiteral("new")), softTask, failingTask.arg(QStringLiteral("no")))) << false;
        QTest::newRow("removed tasks before tasks") << doc(QStringLiteral("<div class=\"pd-list\">%1<ul class=\"pd-removed-tasks\">%2</ul><ol class=\"pd-tasks\">%3</ol></div>")
                                                               .arg(fields.arg(QStringLiteral("new")), failingTask.arg(QStringLiteral("first")),
                                                                    failingTask.arg(QStringLiteral("second")))) << false;
        QTest::newRow("bad shared user before failing tasks") << doc(QStringLiteral("<div class=\"pd-list\">%1<ul class=\"pd-shared\"><li class=\"pd-shared-user\"/></ul>%2</div>")
                                                                         .arg(fields.arg(QStringLiteral("new")), failingTasks)) << false;
        QTest::newRow("local fields after lists") << doc(list() + QStringLiteral("<dl class=\"pd-local-fields\"><dt>display-order-changed</dt><dd>true</dd></dl>")) << true;
        QTest::newRow("local fields error under list error") << doc(list(QStringLiteral("<b/>")) + QStringLiteral("<dl class=\"pd-local-fields\"><dt><i/></dt></dl>")) << false;
        QTest::newRow("local fields twice") << doc(QStringLiteral("<dl class=\"pd-local-fields\"/>") + list() + QStringLiteral("<dl class=\"pd-local-fields\"/>")) << false;
        // Head and body found anywhere, once; their faults come before a list's.
        QTest::newRow("head in body") << QStringLiteral("<html><body>%1%2</body></html>").arg(kHead, list()).toUtf8() << true;
        QTest::newRow("body in head") << QStringLiteral("<html><head><meta name=\"generator\" content=\"PlumDeck\"/>"
                                                        "<meta name=\"format-version\" content=\"2\"/><body>%1</body></head></html>").arg(list()).toUtf8() << true;
        QTest::newRow("no head, failing list") << QStringLiteral("<html><body>%1</body></html>").arg(list(QStringLiteral("t"), QStringLiteral("no"))).toUtf8() << false;
        QTest::newRow("two heads, failing list") << doc(list(QStringLiteral("t"), QStringLiteral("no")), QString(), kHead + kHead) << false;
        QTest::newRow("late second body") << doc(list() + QStringLiteral("<p><body/></p>")) << false;
        QTest::newRow("prefixed body") << QStringLiteral("<html xmlns:h=\"urn:x\">%1<h:body>%2</h:body></html>").arg(kHead, list()).toUtf8() << false;
        // Refused as a whole, whatever was read before.
        QTest::newRow("malformed after failing list") << doc(list(QStringLiteral("t"), QStringLiteral("no")) + QStringLiteral("<p>")) << false;
        QTest::newRow("too deep after failing list") << doc(list(QStringLiteral("t"), QStringLiteral("no")) + QStringLiteral("<p>").repeated(600)
                                                            + QStringLiteral("</p>").repeated(600)) << false;
        QTest::newRow("second root") << doc(list()) + "<x/>" << false;
        QTest::newRow("doctype in root") << QStringLiteral("<html>%1%2<body/></html>").arg(kXhtmlDoctype, kHead).toUtf8() << false;
        QTest::newRow("two doctypes") << doc(list(), kXhtmlDoctype + kXhtmlDoctype) << false;
        QTest::newRow("utf-16") << utf16(doc(list())) << true;
        // A prefix nobody declared is no fault without namespace processing,
        // whichever pass looks at the bytes first.
        QTest::newRow("prefix, other encoding") << doc(QStringLiteral("<x:p/>") + list(), QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>")) << true;
        // Both refuse, each with the fault it met first.
        QTest::newRow("malformed, then too deep") << doc(QStringLiteral("<p>&bogus;") + QStringLiteral("<p>").repeated(600)
                                                         + QStringLiteral("</p>").repeated(601)) << false;
    }

    void sameOutcome()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, loads);
        const ListsDifferential::Outcome stream = ListsDifferential::streamed(bytes);
        QCOMPARE(ListsDifferential::difference(stream, ListsDifferential::throughTree(bytes)), QString());
        QCOMPARE(stream.loaded, loads);
    }

    void sampleWithEachLineDroppedOrDoubled()
    {
        const QList<QByteArray> lines = sample().split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            QList<QByteArray> dropped = lines;
            dropped.removeAt(i);
            QList<QByteArray> doubled = lines;
            doubled.insert(i, lines.at(i));
            for (const QByteArray &bytes : {dropped.join('\n'), doubled.join('\n')})
                QVERIFY2(ListsDifferential::difference(bytes).isEmpty(), qPrintable(QString::fromUtf8(lines.at(i))));
        }
    }

    void sequentialDeviceReadsTheSame()
    {
        const QByteArray bytes = sample();
        Trickle device(bytes);
        const ListsDifferential::Outcome stream = ListsDifferential::streamed(&device);
        QVERIFY(stream.loaded);
        QCOMPARE(stream.result, ListsDifferential::throughTree(bytes).result);
    }
};

PLUMDECK_TEST_MAIN(TstListsDifferential)
#include "tst_listsdifferential.moc"
