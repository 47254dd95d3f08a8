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

const QString kUnexpectedChild = QStringLiteral("unexpected dom child inside dd");

// Raw markup: a task of the given done text, a task sequence, a new list
// holding the given parts after its fields.
QString task(const QString &done)
{
    return QStringLiteral("<li class=\"pd-task\"><dl class=\"pd-task-fields\"><dt>done</dt><dd>%1</dd></dl></li>").arg(done);
}

QString tasks(const QString &items)
{
    return QStringLiteral("<ol class=\"pd-tasks\">%1</ol>").arg(items);
}

QString listOf(const QString &parts, const QString &moreFields = QString())
{
    return QStringLiteral("<div class=\"pd-list\"><dl class=\"pd-list-fields\"><dt>sync-status</dt><dd>new</dd>%1</dl>%2</div>")
        .arg(moreFields, parts);
}

// A new list with one task of the given title and done texts.
QString list(QStringView title = u"t", QStringView done = u"false")
{
    return listOf(tasks(task(done.toString()).replace(QStringLiteral("<dt>done</dt>"),
                                                      QStringLiteral("<dt>title</dt><dd>%1</dd><dt>done</dt>").arg(title))));
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
        QTest::addColumn<QString>("error"); // empty: the lists load
        const QString failingTask = task(QStringLiteral("no"));
        const QString softTask = task(QStringLiteral("true</dd><dt>id</dt><dd>q"));
        const QString badStatus = QStringLiteral("<dl class=\"pd-list-fields\"><dt>sync-status</dt><dd>bad</dd></dl>");
        const QString malformed = QStringLiteral("failed to parse xml");

        QTest::newRow("sample") << sample() << QString();
        // Text as the DOM keeps it: runs of text and CDATA, blank data dropped
        // (CDATA aside), any other first child an error.
        QTest::newRow("cdata runs") << doc(list(u"a<![CDATA[b]]>  <![CDATA[c]]>d", u"<![CDATA[fa]]>lse")) << QString();
        QTest::newRow("blank cdata") << doc(list(u"<![CDATA[ ]]>")) << QString();
        QTest::newRow("no-break space only") << doc(list(u"&#160;")) << QString();
        QTest::newRow("comment first") << doc(list(u"<!--c-->t")) << kUnexpectedChild;
        QTest::newRow("comment ends run") << doc(list(u"t<!--c-->u")) << QString();
        QTest::newRow("instruction first") << doc(list(u"<?p x?>t")) << kUnexpectedChild;
        QTest::newRow("unknown entity") << doc(list(u"t", u"&nbsp;false"), kXhtmlDoctype)
                                        << QStringLiteral("bad value for done: ");
        QTest::newRow("entity of markup")
            << doc(QStringLiteral("&l;"), QStringLiteral("<!DOCTYPE html [<!ENTITY l '%1'>]>").arg(list())) << QString();
        QTest::newRow("blank entity") << doc(list(u"a&s;b"), QStringLiteral("<!DOCTYPE html [<!ENTITY s \" \">]>"))
                                      << QString();
        QTest::newRow("default class")
            << doc(listOf(QStringLiteral("<ol class=\"pd-tasks\"><li><dl class=\"pd-task-fields\"><dt>done</dt><dd>true</dd>"
                                         "</dl></li></ol>")),
                   QStringLiteral("<!DOCTYPE html [<!ATTLIST li class CDATA \"pd-task\">]>"))
            << QString();
        // Parts out of the writer's order: the tree's reading order decides.
        QTest::newRow("fields after failing tasks")
            << doc(QStringLiteral("<div class=\"pd-list\">%1%2</div>").arg(tasks(failingTask), badStatus))
            << QStringLiteral("unexpected sync status string bad");
        QTest::newRow("failing tasks twice") << doc(listOf(tasks(failingTask) + tasks(failingTask)))
                                             << QStringLiteral("duplicate element with class pd-tasks under div");
        QTest::newRow("bad shared user before failing tasks")
            << doc(listOf(QStringLiteral("<ul class=\"pd-shared\"><li class=\"pd-shared-user\"/></ul>") + tasks(failingTask)))
            << QStringLiteral("bad value for done: no");
        // The stream reads each top-level task ahead; the rules take it, and
        // its errors, when they reach it, and only then.
        QTest::newRow("soft error, then failing task") << doc(listOf(tasks(softTask + failingTask)))
                                                       << QStringLiteral("bad value for done: no");
        QTest::newRow("failing task, then soft error") << doc(listOf(tasks(failingTask + softTask)))
                                                       << QStringLiteral("bad value for done: no");
        QTest::newRow("removed tasks before tasks")
            << doc(listOf(QStringLiteral("<ul class=\"pd-removed-tasks\">%1</ul>").arg(task(QStringLiteral("first")))
                          + tasks(task(QStringLiteral("second")))))
            << QStringLiteral("bad value for done: second");
        QTest::newRow("list error after its task's")
            << doc(listOf(tasks(softTask)) + listOf(tasks(task(QStringLiteral("true"))), QStringLiteral("<dt>name</dt><dd><b/></dd>")))
            << kUnexpectedChild;
        QTest::newRow("list inside a task") << doc(list(u"t</dd><dt>x</dt><dd><div class=\"pd-list\"/>")) << QString();
        // The local fields are read first, whatever their place.
        QTest::newRow("local fields after lists")
            << doc(list() + QStringLiteral("<dl class=\"pd-local-fields\"><dt>display-order-changed</dt><dd>true</dd></dl>"))
            << QString();
        QTest::newRow("local fields error under list error")
            << doc(list(u"<b/>") + QStringLiteral("<dl class=\"pd-local-fields\"><dt><i/></dt></dl>")) << kUnexpectedChild;
        QTest::newRow("local fields twice")
            << doc(QStringLiteral("<dl class=\"pd-local-fields\"/>") + list() + QStringLiteral("<dl class=\"pd-local-fields\"/>"))
            << QStringLiteral("duplicate element with class pd-local-fields under body");
        // Head and body found anywhere, once; their faults come before a list's.
        QTest::newRow("head in body") << QStringLiteral("<html><body>%1%2</body></html>").arg(kHead, list()).toUtf8()
                                      << QString();
        QTest::newRow("body in head")
            << (QStringLiteral("<html>") + QString(kHead).replace(QStringLiteral("</head>"), QStringLiteral("<body>%1</body></head>"))
                + QStringLiteral("</html>")).arg(list()).toUtf8()
            << QString();
        QTest::newRow("no head, failing list") << QStringLiteral("<html><body>%1</body></html>").arg(list(u"t", u"no")).toUtf8()
                                               << QStringLiteral("failed to find mandatory element head under html");
        QTest::newRow("two heads, failing list") << doc(list(u"t", u"no"), QString(), kHead + kHead)
                                                 << QStringLiteral("duplicate elements head under html");
        QTest::newRow("late second body") << doc(list() + QStringLiteral("<p><body/></p>"))
                                          << QStringLiteral("duplicate elements body under html");
        QTest::newRow("prefixed body")
            << QStringLiteral("<html xmlns:h=\"urn:x\">%1<h:body>%2</h:body></html>").arg(kHead, list()).toUtf8()
            << QStringLiteral("failed to find mandatory element body under html");
        // Refused as a whole, whatever was read before.
        QTest::newRow("malformed after failing list") << doc(list(u"t", u"no") + QStringLiteral("<p>")) << malformed;
        QTest::newRow("too deep after failing list")
            << doc(list(u"t", u"no") + QStringLiteral("<p>").repeated(600) + QStringLiteral("</p>").repeated(600))
            << QStringLiteral("failed to parse xml: elements nested deeper than 512 levels");
        QTest::newRow("second root") << doc(list()) + "<x/>" << malformed;
        QTest::newRow("doctype in root") << QStringLiteral("<html>%1%2<body/></html>").arg(kXhtmlDoctype, kHead).toUtf8()
                                         << malformed;
        QTest::newRow("two doctypes") << doc(list(), kXhtmlDoctype + kXhtmlDoctype) << malformed;
        QTest::newRow("utf-16") << utf16(doc(list())) << QString();
        // A prefix nobody declared is no fault without namespace processing,
        // whichever pass looks at the bytes first.
        QTest::newRow("prefix, other encoding")
            << doc(QStringLiteral("<x:p/>") + list(), QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"))
            << QString();
        // Both refuse, each with the fault it met first.
        QTest::newRow("malformed, then too deep")
            << doc(QStringLiteral("<p>&bogus;") + QStringLiteral("<p>").repeated(600) + QStringLiteral("</p>").repeated(601))
            << malformed;
    }

    void sameOutcome()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const ListsDifferential::Outcome stream = ListsDifferential::streamed(bytes);
        QCOMPARE(ListsDifferential::difference(stream, ListsDifferential::throughTree(bytes)), QString());
        QCOMPARE(stream.loaded, error.isEmpty());
        if (!error.isEmpty())
            QCOMPARE(stream.result, error);
    }

    // Leaving the refused lists out, both ways leave out the same ones, for
    // the same reasons, and read the same others.
    void sameOutcomeWhenSkipping_data()
    {
        sameOutcome_data();
        const QString failingTask = task(QStringLiteral("no"));
        QTest::newRow("failing list between good ones")
            << doc(list(u"a") + listOf(tasks(failingTask)) + list(u"b")) << QString();
        QTest::newRow("soft error in one list, failing task in the next")
            << doc(listOf(tasks(task(QStringLiteral("true</dd><dt>id</dt><dd>q")))) + listOf(tasks(failingTask)) + list())
            << QString();
        QTest::newRow("removed list with an id and revision 0")
            << doc(list() + listOf(QString(), QStringLiteral("<dt>id</dt><dd>4</dd><dt>revision</dt><dd>0</dd>"))
                              .replace(QStringLiteral("<dd>new</dd>"), QStringLiteral("<dd>deleted</dd>")))
            << QString();
    }
    void sameOutcomeWhenSkipping()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(ListsDifferential::difference(bytes, true), QString());
    }

    void sampleWithEachLineDroppedOrDoubled()
    {
        const QList<QByteArray> lines = sample().split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            QList<QByteArray> dropped = lines;
            dropped.removeAt(i);
            QList<QByteArray> doubled = lines;
            doubled.insert(i, lines.at(i));
            for (const QByteArray &bytes : {dropped.join('\n'), doubled.join('\n')}) {
                for (const bool skipping : {false, true})
                    QVERIFY2(ListsDifferential::difference(bytes, skipping).isEmpty(), qPrintable(QString::fromUtf8(lines.at(i))));
            }
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
