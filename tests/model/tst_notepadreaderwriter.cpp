#include "model/notepadnoteinfo.h"
#include "model/notepadnotes.h"
#include "model/notepadreaderwriter.h"
#include "failingdevice.h"
#include "testenvironment.h"

#include <QBuffer>
#include <QDomDocument>

namespace {

const char *const Head = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>t</title></head><body>";
const char *const Tail = "</body></html>";

QDomDocument parse(const QByteArray &bytes)
{
    QDomDocument doc;
    doc.setContent(bytes);
    return doc;
}

QDomDocument body(const QString &inner)
{
    return parse(QByteArray(Head) + inner.toUtf8() + Tail);
}

QString noteElement(const QString &fields)
{
    return QStringLiteral("<div class=\"pd-notepad-note\"><dl class=\"pd-notepad-note-fields\">%1</dl></div>")
        .arg(fields);
}

QString field(const QString &key, const QString &value)
{
    return QStringLiteral("<dt>%1</dt><dd>%2</dd>").arg(key, value);
}

QDomElement bodyOf(const QDomDocument &doc)
{
    return doc.documentElement().firstChildElement(QStringLiteral("body"));
}

// Keys of the dl below a note div, in document order.
QStringList keys(const QDomElement &noteDiv)
{
    QStringList out;
    const QDomElement dl = noteDiv.firstChildElement(QStringLiteral("dl"));
    for (QDomElement e = dl.firstChildElement(QStringLiteral("dt")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("dt")))
        out << e.text();
    return out;
}

NotepadNote *makeNote(NotepadNote::SyncStatus status, quint32 id, quint32 revision,
                      const QString &title, const QString &text)
{
    auto *note = new NotepadNote;
    note->setSyncStatus(status);
    note->setServerId(id);
    note->setRevision(revision);
    note->setTitle(title);
    note->setText(text);
    return note;
}

struct Notes {
    std::optional<QList<NotepadNote *>> list;
    ~Notes()
    {
        if (list)
            qDeleteAll(*list);
    }
};

} // namespace

class TstNotepadReaderWriter : public QObject
{
    Q_OBJECT
private:
    NotepadNotes *m_notes = nullptr;

private slots:
    void init() { m_notes = new NotepadNotes; }
    void cleanup()
    {
        qDeleteAll(m_notes->notes());
        m_notes->notes().clear();
        m_notes->setChanged(false);
        // The destructor saves into the test's own data directory.
        delete m_notes;
    }

    void writeNotepadStructure_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("firstKeys");
        QTest::addColumn<QStringList>("secondKeys");
        QTest::newRow("local") << int(XMLReaderWriter::LocalDocument)
                               << QStringList{"sync-status", "id", "revision", "title", "text"}
                               << QStringList{"sync-status", "title", "text"};
        QTest::newRow("server") << int(XMLReaderWriter::ServerDocument)
                                << QStringList{"id", "revision", "title", "text"} << QStringList{"title", "text"};
    }
    void writeNotepadStructure()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, firstKeys);
        QFETCH(QStringList, secondKeys);
        m_notes->appendNote(makeNote(NotepadNote::Edited, 3, 2, QStringLiteral("Ideas"), QStringLiteral("x")));
        m_notes->appendNote(makeNote(NotepadNote::New, 5, 5, QStringLiteral("Note"), QString()));
        m_notes->setDisplayOrderChanged(true);
        NotepadReaderWriter writer(kind);
        const QDomDocument doc = writer.writeNotepad(m_notes);
        QCOMPARE(doc.documentElement().firstChildElement(QStringLiteral("head"))
                     .firstChildElement(QStringLiteral("title")).text(),
                 QStringLiteral("pd-notepad"));
        QDomElement e = bodyOf(doc).firstChildElement();
        if (kind == XMLReaderWriter::LocalDocument) {
            QCOMPARE(e.attribute(QStringLiteral("class")), QStringLiteral("notepad-local-fields"));
            QCOMPARE(e.firstChildElement(QStringLiteral("dt")).text(), QStringLiteral("display-order-changed"));
            QCOMPARE(e.firstChildElement(QStringLiteral("dd")).text(), QStringLiteral("true"));
            e = e.nextSiblingElement();
        }
        QCOMPARE(e.attribute(QStringLiteral("class")), QStringLiteral("pd-notepad-note"));
        QCOMPARE(e.firstChildElement().attribute(QStringLiteral("class")), QStringLiteral("pd-notepad-note-fields"));
        QCOMPARE(keys(e), firstKeys);
        e = e.nextSiblingElement();
        QCOMPARE(keys(e), secondKeys);
        QVERIFY(e.nextSiblingElement().isNull());
    }

    void roundTrip()
    {
        m_notes->appendNote(makeNote(NotepadNote::Unedited, 3, 2, QStringLiteral("Ideas"),
                                     QStringLiteral("first line\nsecond line & <more>")));
        m_notes->appendNote(makeNote(NotepadNote::New, 0, 0, QStringLiteral("Note"), QString()));
        m_notes->appendNote(makeNote(NotepadNote::Edited, 7, 1, QString(), QStringLiteral("no title")));
        m_notes->appendNote(makeNote(NotepadNote::Deleted, 9, 4, QStringLiteral("Old ideas"), QStringLiteral("obsolete")));
        QBuffer buffer;
        NotepadReaderWriter writer(XMLReaderWriter::LocalDocument);
        QVERIFY(writer.saveNotepad(m_notes, &buffer));
        buffer.close();
        m_notes->setDisplayOrderChanged(true);

        NotepadReaderWriter reader(XMLReaderWriter::LocalDocument);
        Notes read{reader.loadNotepad(&buffer)};
        QVERIFY2(read.list, qPrintable(reader.errorString()));
        QCOMPARE(read.list->size(), 4);
        QVERIFY(!m_notes->isDisplayOrderChanged()); // from the file
        for (int i = 0; i < 4; ++i) {
            const NotepadNote *a = m_notes->notes().at(i);
            const NotepadNote *b = read.list->at(i);
            QCOMPARE(b->syncStatus(), a->syncStatus());
            QCOMPARE(b->serverId(), a->serverId());
            QCOMPARE(b->revision(), a->revision());
            QCOMPARE(b->title(), a->title());
            QCOMPARE(b->text(), a->text());
            QVERIFY(!b->parent());
        }
    }

    void exampleDocument()
    {
        // The stored form, as another build of the program writes it.
        const QByteArray bytes =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
            "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">\n"
            "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n"
            " <head>\n  <title>pd-notepad</title>\n  <meta name=\"generator\" content=\"PlumDeck\"/>\n"
            "  <meta name=\"format-version\" content=\"2\"/>\n </head>\n <body>\n"
            "  <dl class=\"notepad-local-fields\">\n   <dt>display-order-changed</dt>\n   <dd>true</dd>\n  </dl>\n"
            "  <div class=\"pd-notepad-note\">\n   <dl class=\"pd-notepad-note-fields\">\n"
            "    <dt>sync-status</dt>\n    <dd>unedited</dd>\n    <dt>id</dt>\n    <dd>3</dd>\n"
            "    <dt>revision</dt>\n    <dd>2</dd>\n    <dt>title</dt>\n    <dd>Ideas</dd>\n"
            "    <dt>text</dt>\n    <dd>first line\nsecond line</dd>\n   </dl>\n  </div>\n"
            "  <div class=\"pd-notepad-note\">\n   <dl class=\"pd-notepad-note-fields\">\n"
            "    <dt>sync-status</dt>\n    <dd>new</dd>\n    <dt>title</dt>\n    <dd>Note</dd>\n"
            "    <dt>text</dt>\n    <dd/>\n   </dl>\n  </div>\n"
            " </body>\n</html>\n";
        QBuffer buffer;
        buffer.setData(bytes);
        NotepadReaderWriter reader(XMLReaderWriter::LocalDocument);
        Notes read{reader.loadNotepad(&buffer)};
        QVERIFY2(read.list, qPrintable(reader.errorString()));
        QCOMPARE(read.list->size(), 2);
        QCOMPARE(read.list->at(0)->text(), QStringLiteral("first line\nsecond line"));
        QCOMPARE(read.list->at(0)->serverId(), 3u);
        QVERIFY(read.list->at(1)->isUntouched());
        QVERIFY(m_notes->isDisplayOrderChanged());
    }

    void readNote_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("status");
        QTest::addColumn<quint32>("id");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("warning");
        const int local = XMLReaderWriter::LocalDocument;
        const int server = XMLReaderWriter::ServerDocument;
        const QString tt = field("title", "t") + field("text", "x");
        const QString idRev = field("id", "5") + field("revision", "2");
        QTest::newRow("new without ids") << local << field("sync-status", "new") + tt << true
                                         << int(NotepadNote::New) << 0u << "" << "";
        QTest::newRow("edited") << local << field("sync-status", "edited") + idRev + tt << true
                                << int(NotepadNote::Edited) << 5u << "" << "";
        QTest::newRow("edited without id") << local << field("sync-status", "edited") + tt << false << 0 << 0u
                                           << "bad note id string " << "";
        QTest::newRow("deleted without revision")
            << local << field("sync-status", "deleted") + field("id", "5") + tt << false << 0 << 0u
            << "bad rev num string " << "";
        QTest::newRow("unknown status") << local << field("sync-status", "Edited") + idRev + tt << false << 0 << 0u
                                        << "unexpected sync status string Edited" << "";
        QTest::newRow("id zero") << local << field("sync-status", "unedited") + field("id", "0") + field("revision", "2") + tt
                                 << false << 0 << 0u << "" << "";
        QTest::newRow("revision zero") << local << field("sync-status", "unedited") + field("id", "4") + field("revision", "0") + tt
                                       << false << 0 << 0u << "" << "";
        QTest::newRow("id with sign") << local << field("sync-status", "unedited") + field("id", "+4") + field("revision", "2") + tt
                                      << false << 0 << 0u << "bad note id string +4" << "";
        QTest::newRow("id with blank") << local << field("sync-status", "unedited") + field("id", "4 ") + field("revision", "2") + tt
                                       << false << 0 << 0u << "bad note id string 4 " << "";
        QTest::newRow("id too big") << local << field("sync-status", "unedited") + field("id", "4294967296") + field("revision", "2") + tt
                                    << false << 0 << 0u << "bad note id string 4294967296" << "";
        QTest::newRow("id largest") << local << field("sync-status", "unedited") + field("id", "4294967295") + field("revision", "2") + tt
                                    << true << int(NotepadNote::Unedited) << 4294967295u << "" << "";
        QTest::newRow("legacy with ids") << local << idRev + tt << true << int(NotepadNote::New) << 0u << ""
                                         << "missing sync-status, legacy file?";
        QTest::newRow("legacy empty status") << local << field("sync-status", "") + idRev + tt << true
                                             << int(NotepadNote::New) << 0u << "" << "missing sync-status, legacy file?";
        // A legacy note that never reached the server has no id: it is kept
        // as new instead of failing the whole notepad.
        QTest::newRow("legacy without ids") << local << tt << true << int(NotepadNote::New) << 0u << ""
                                            << "missing sync-status, legacy file?";
        QTest::newRow("legacy id without revision") << local << field("id", "5") + tt << false << 0 << 0u
                                                    << "bad rev num string " << "missing sync-status, legacy file?";
        QTest::newRow("missing title") << local << field("sync-status", "new") + field("text", "x") << false << 0 << 0u
                                       << "" << "";
        QTest::newRow("missing text") << local << field("sync-status", "new") + field("title", "x") << false << 0 << 0u
                                      << "" << "";
        QTest::newRow("empty title and text") << local << field("sync-status", "new") + "<dt>title</dt><dd/><dt>text</dt><dd/>"
                                              << true << int(NotepadNote::New) << 0u << "" << "";
        QTest::newRow("server") << server << idRev + tt << true << int(NotepadNote::New) << 0u << "" << "";
        QTest::newRow("server ignores status") << server << field("sync-status", "bogus") + idRev + tt << true
                                               << int(NotepadNote::New) << 0u << "" << "";
        QTest::newRow("server without id") << server << tt << false << 0 << 0u << "bad note id string " << "";
    }
    void readNote()
    {
        QFETCH(int, kind);
        QFETCH(QString, fields);
        QFETCH(bool, ok);
        QFETCH(int, status);
        QFETCH(quint32, id);
        QFETCH(QString, error);
        QFETCH(QString, warning);
        const QDomDocument doc = body(noteElement(fields));
        NotepadReaderWriter reader(kind);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        std::unique_ptr<NotepadNote> note(reader.readNote(bodyOf(doc).firstChildElement()));
        QCOMPARE(bool(note), ok);
        QCOMPARE(reader.errorString(), error);
        if (note) {
            QCOMPARE(int(note->syncStatus()), status);
            QCOMPARE(note->serverId(), id);
        }
    }

    void serverNoteReadsIdOnceStatusIsSet()
    {
        const QDomDocument doc =
            body(noteElement(field("id", "3") + field("revision", "2") + field("title", "Ideas") + field("text", "x")));
        NotepadReaderWriter reader(XMLReaderWriter::ServerDocument);
        std::unique_ptr<NotepadNote> note(reader.readNoteDocument(doc));
        QVERIFY(note);
        QCOMPARE(note->serverId(), 0u);
        note->setSyncStatus(NotepadNote::Unedited);
        QCOMPARE(note->serverId(), 3u);
        QCOMPARE(note->revision(), 2u);
    }

    void noteDocument_data()
    {
        QTest::addColumn<QString>("inner");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("error");
        const QString note = noteElement(field("id", "3") + field("revision", "2") + field("title", "t") + field("text", "x"));
        QTest::newRow("one") << note << true << "";
        QTest::newRow("none") << "<p/>" << false << "failed to find mandatory element with class pd-notepad-note under body";
        QTest::newRow("two") << note + note << false << "duplicate element with class pd-notepad-note under body";
    }
    void noteDocument()
    {
        QFETCH(QString, inner);
        QFETCH(bool, ok);
        QFETCH(QString, error);
        NotepadReaderWriter reader(XMLReaderWriter::ServerDocument);
        std::unique_ptr<NotepadNote> note(reader.readNoteDocument(body(inner)));
        QCOMPARE(bool(note), ok);
        QCOMPARE(reader.errorString(), error);
    }

    void noteDocumentWritesNoStatus_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("new") << int(NotepadNote::New) << QStringList{"title", "text"};
        QTest::newRow("edited") << int(NotepadNote::Edited) << QStringList{"id", "revision", "title", "text"};
    }
    void noteDocumentWritesNoStatus()
    {
        QFETCH(int, status);
        QFETCH(QStringList, expected);
        std::unique_ptr<NotepadNote> note(
            makeNote(NotepadNote::SyncStatus(status), 3, 2, QStringLiteral("Ideas"), QStringLiteral("x")));
        NotepadReaderWriter writer(XMLReaderWriter::ServerDocument);
        const QDomDocument doc = writer.writeNoteDocument(note.get());
        const QDomElement root = doc.documentElement();
        QCOMPARE(root.firstChildElement(QStringLiteral("head")).firstChildElement(QStringLiteral("title")).text(),
                 QStringLiteral("note"));
        QVERIFY(root.firstChildElement(QStringLiteral("head")).toElement().elementsByTagName(QStringLiteral("meta")).size() == 1);
        const QDomElement div = bodyOf(doc).firstChildElement();
        QCOMPARE(keys(div), expected);
        QVERIFY(div.nextSiblingElement().isNull());
    }

    void readNotepad_data()
    {
        QTest::addColumn<QString>("inner");
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("after");
        QTest::addColumn<bool>("warns");
        QTest::addColumn<int>("notes"); // -1: the read fails
        const QString dl = QStringLiteral("<dl class=\"notepad-local-fields\"><dt>display-order-changed</dt><dd>%1</dd></dl>");
        QTest::newRow("true") << dl.arg("true") << false << true << false << 0;
        QTest::newRow("false") << dl.arg("false") << true << false << false << 0;
        QTest::newRow("upper case") << dl.arg("TRUE") << true << false << false << 0;
        QTest::newRow("empty") << dl.arg("") << true << false << false << 0;
        QTest::newRow("absent keeps true") << QString() << true << true << true << 0;
        QTest::newRow("absent keeps false") << QString() << false << false << true << 0;
        const QString note = noteElement(field("sync-status", "new") + field("title", "a") + field("text", "b"));
        QTest::newRow("other elements skipped")
            << dl.arg("false") + "<p>stray</p>" + note + "<div class=\"other\"/>" + note << true << false << false << 2;
        QTest::newRow("one bad note fails the notepad")
            << note + "<div class=\"pd-notepad-note\"/>" << false << false << true << -1;
    }
    void readNotepad()
    {
        QFETCH(QString, inner);
        QFETCH(bool, before);
        QFETCH(bool, after);
        QFETCH(bool, warns);
        QFETCH(int, notes);
        m_notes->setDisplayOrderChanged(before);
        NotepadReaderWriter reader(XMLReaderWriter::LocalDocument);
        if (warns)
            QTest::ignoreMessage(QtWarningMsg, "notepad-local-fields not found while parsing, legacy version?");
        Notes read{reader.readNotepad(body(inner))};
        QCOMPARE(read.list ? int(read.list->size()) : -1, notes);
        QCOMPARE(m_notes->isDisplayOrderChanged(), after);
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error"); // start of the error text; null: loads
        QTest::newRow("head not examined")
            << QByteArray("<html><head><title>x</title><meta name=\"generator\" content=\"Other\"/>"
                          "<meta name=\"format-version\" content=\"7\"/></head><body>"
                          "<dl class=\"notepad-local-fields\"><dt>display-order-changed</dt><dd>false</dd></dl>"
                          "</body></html>")
            << QString();
        QTest::newRow("not xml") << QByteArray("<html><body>") << "failed to parse xml";
        QTest::newRow("no body") << QByteArray("<html><head/></html>") << "failed to find mandatory element body under html";
        QTest::newRow("two bodies") << QByteArray("<html><body/><body/></html>") << "duplicate elements body under html";
    }
    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QBuffer buffer;
        buffer.setData(bytes);
        NotepadReaderWriter reader(XMLReaderWriter::LocalDocument);
        Notes read{reader.loadNotepad(&buffer)};
        QCOMPARE(bool(read.list), error.isNull());
        QVERIFY2(reader.errorString().startsWith(error), qPrintable(reader.errorString()));
    }

    void saveToFailingDevice()
    {
        m_notes->appendNote(makeNote(NotepadNote::New, 0, 0, QStringLiteral("a"), QString(2000, QLatin1Char('x'))));
        FailingDevice device(100);
        NotepadReaderWriter writer(XMLReaderWriter::LocalDocument);
        QVERIFY(!writer.saveNotepad(m_notes, &device));
    }

    void noteRefsWrite()
    {
        NotepadReaderWriter writer(XMLReaderWriter::ServerDocument);
        const QDomDocument doc = writer.writeNoteRefs(NotepadNoteIdList{3, 9, 0});
        QCOMPARE(doc.documentElement().firstChildElement(QStringLiteral("head"))
                     .firstChildElement(QStringLiteral("title")).text(),
                 QStringLiteral("notepads display order"));
        const QDomElement ol = bodyOf(doc).firstChildElement();
        QCOMPARE(ol.tagName(), QStringLiteral("ol"));
        QCOMPARE(ol.attribute(QStringLiteral("class")), QStringLiteral("pd-notepad-note-refs"));
        QStringList texts, hrefs;
        for (QDomElement li = ol.firstChildElement(); !li.isNull(); li = li.nextSiblingElement()) {
            QCOMPARE(li.tagName(), QStringLiteral("li"));
            QCOMPARE(li.attribute(QStringLiteral("class")), QStringLiteral("pd-notepad-note-ref"));
            const QDomElement a = li.firstChildElement();
            QCOMPARE(a.tagName(), QStringLiteral("a"));
            QCOMPARE(a.attribute(QStringLiteral("class")), QStringLiteral("pd-notepad-note-id"));
            texts << a.text();
            hrefs << a.attribute(QStringLiteral("href"));
        }
        QCOMPARE(texts, (QStringList{"3", "9", "0"}));
        QCOMPARE(hrefs, (QStringList{"/plumdeck/notepad-notes/3", "/plumdeck/notepad-notes/9",
                                     "/plumdeck/notepad-notes/0"}));

        NotepadReaderWriter reader(XMLReaderWriter::ServerDocument);
        NotepadNoteIdList ids;
        // Written as given, 0 included; the reader refuses the 0.
        QVERIFY(!reader.readNoteRefs(doc, ids));
        QVERIFY(reader.readNoteRefs(writer.writeNoteRefs(NotepadNoteIdList{3, 9}), ids));
        QCOMPARE(ids, (NotepadNoteIdList{3, 9}));
    }

    void noteRefsRead_data()
    {
        QTest::addColumn<QString>("inner");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<NotepadNoteIdList>("ids");
        QTest::addColumn<QString>("error");
        const NotepadNoteIdList untouched{42};
        auto ref = [](const QString &text) {
            return QStringLiteral("<li class=\"pd-notepad-note-ref\"><a class=\"pd-notepad-note-id\" "
                                  "href=\"/plumdeck/notepad-notes/1\">%1</a></li>").arg(text);
        };
        auto refs = [](const QString &items) {
            return QStringLiteral("<ol class=\"pd-notepad-note-refs\">%1</ol>").arg(items);
        };
        QTest::newRow("ids from text, not href") << refs(ref("3") + ref("9")) << true << NotepadNoteIdList{3, 9} << "";
        QTest::newRow("no list") << "<p/>" << true << untouched << "";
        QTest::newRow("empty list") << refs("") << true << NotepadNoteIdList{} << "";
        QTest::newRow("other items skipped") << refs("<li class=\"x\">5</li>" + ref("4")) << true << NotepadNoteIdList{4} << "";
        QTest::newRow("zero") << refs(ref("3") + ref("0")) << false << untouched << "";
        QTest::newRow("not a number") << refs(ref("x1")) << false << untouched << "expected note id 'x1' to be a number";
        QTest::newRow("negative") << refs(ref("-1")) << false << untouched << "expected note id '-1' to be a number";
        QTest::newRow("no id element") << refs("<li class=\"pd-notepad-note-ref\"/>") << false << untouched
                                       << "failed to find mandatory element with class pd-notepad-note-id under li";
    }
    void noteRefsRead()
    {
        QFETCH(QString, inner);
        QFETCH(bool, ok);
        QFETCH(NotepadNoteIdList, ids);
        QFETCH(QString, error);
        NotepadReaderWriter reader(XMLReaderWriter::ServerDocument);
        NotepadNoteIdList read{42};
        QCOMPARE(reader.readNoteRefs(body(inner), read), ok);
        QCOMPARE(read, ids);
        QCOMPARE(reader.errorString(), error);
    }

    void noteInfos_data()
    {
        QTest::addColumn<QString>("inner");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("expected"); // id:revision:title, ascending ids
        QTest::addColumn<QString>("debug");
        auto info = [](const QString &fields) {
            return QStringLiteral("<li class=\"pd-notepad-note-info\"><dl class=\"pd-notepad-note-fields\">%1</dl></li>")
                .arg(fields);
        };
        auto list = [](const QString &items) {
            return QStringLiteral("<ul class=\"pd-notepad-note-info-list\">%1</ul>").arg(items);
        };
        auto f = [](const QString &id, const QString &rev, const QString &title) {
            return field("id", id) + field("revision", rev) + field("title", title);
        };
        QTest::newRow("two, sorted") << list(info(f("9", "1", "b")) + info(f("3", "5", "Ideas"))) << true
                                     << "3:5:Ideas 9:1:b" << "";
        QTest::newRow("repeated id replaces") << list(info(f("3", "1", "old")) + info(f("3", "2", "new"))) << true
                                              << "3:2:new" << "";
        QTest::newRow("no list") << "<p/>" << true << "untouched" << "";
        QTest::newRow("two lists") << list("") + list("") << true << "untouched" << "";
        QTest::newRow("other class") << list(info(f("3", "1", "a")) + "<li class=\"x\"/>") << false << "untouched"
                                     << "Error parsing notepad notes info: unexpected element with class \"x\"";
        QTest::newRow("no fields") << list("<li class=\"pd-notepad-note-info\"/>") << false << "untouched"
                                   << "Error parsing notepad notes info: pd-notepad-note-info found but pd-notepad-note-fields not found";
        QTest::newRow("missing title") << list(info(field("id", "3") + field("revision", "1"))) << false << "untouched"
                                       << "Error parsing notes info: pd-notepad-note-fields found but one of the info fields is NULL";
        QTest::newRow("bad id") << list(info(f("x", "1", "a"))) << false << "untouched"
                                << "Error parsing notepad note info: invalid id number";
        QTest::newRow("bad revision") << list(info(f("3", "1.5", "a"))) << false << "untouched"
                                      << "Error parsing notepad note info: invalid revision number";
        QTest::newRow("id zero") << list(info(f("0", "1", "a"))) << false << "untouched" << "";
    }
    void noteInfos()
    {
        QFETCH(QString, inner);
        QFETCH(bool, ok);
        QFETCH(QString, expected);
        QFETCH(QString, debug);
        NotepadReaderWriter reader(XMLReaderWriter::ServerDocument);
        NotepadNoteInfo marker(42, 42, QStringLiteral("marker"));
        QMap<quint32, NotepadNoteInfo *> infos{{42u, &marker}};
        if (!debug.isEmpty())
            QTest::ignoreMessage(QtDebugMsg, qPrintable(debug));
        QCOMPARE(reader.readNoteInfos(body(inner), infos), ok);
        if (expected == QLatin1String("untouched")) {
            QCOMPARE(infos.size(), 1);
            QCOMPARE(infos.value(42), &marker);
            return;
        }
        QStringList got;
        for (auto it = infos.cbegin(); it != infos.cend(); ++it) {
            QCOMPARE(it.key(), it.value()->id());
            got << QStringLiteral("%1:%2:%3").arg(it.value()->id()).arg(it.value()->revision()).arg(it.value()->title());
        }
        qDeleteAll(infos);
        QCOMPARE(got.join(QLatin1Char(' ')), expected);
    }

    void noteId_data()
    {
        QTest::addColumn<QString>("inner");
        QTest::addColumn<quint32>("id");
        QTest::newRow("id") << "<span class=\"pd-notepad-note-id\">12</span>" << 12u;
        QTest::newRow("missing") << "<span/>" << 0u;
        QTest::newRow("doubled") << "<span class=\"pd-notepad-note-id\">12</span><p class=\"pd-notepad-note-id\">13</p>" << 0u;
        QTest::newRow("not a number") << "<span class=\"pd-notepad-note-id\">twelve</span>" << 0u;
        QTest::newRow("empty") << "<span class=\"pd-notepad-note-id\"/>" << 0u;
    }
    void noteId()
    {
        QFETCH(QString, inner);
        QFETCH(quint32, id);
        NotepadReaderWriter reader(XMLReaderWriter::ServerDocument);
        QCOMPARE(reader.readNoteId(body(inner)), id);
        QCOMPARE(reader.errorString().isEmpty(), id != 0);
    }

    void syncStatusText_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("new") << int(NotepadNote::New) << "new";
        QTest::newRow("unedited") << int(NotepadNote::Unedited) << "unedited";
        QTest::newRow("edited") << int(NotepadNote::Edited) << "edited";
        QTest::newRow("deleted") << int(NotepadNote::Deleted) << "deleted";
    }
    void syncStatusText()
    {
        QFETCH(int, status);
        QFETCH(QString, text);
        NotepadReaderWriter rw(XMLReaderWriter::LocalDocument);
        QCOMPARE(rw.syncStatusToString(NotepadNote::SyncStatus(status)), text);
        QCOMPARE(int(rw.syncStatusFromString(text)), status);
        QVERIFY(rw.errorString().isEmpty());
    }

    void syncStatusWithoutText()
    {
        NotepadReaderWriter rw(XMLReaderWriter::LocalDocument);
        QTest::ignoreMessage(QtWarningMsg, "attempt to serialize LocallyUnknown");
        QVERIFY(rw.syncStatusToString(NotepadNote::LocallyUnknown).isEmpty());
        QTest::ignoreMessage(QtWarningMsg, "unknown SyncStatus");
        // 5 is past the last status yet a value the enum can hold (9 would not be).
        QVERIFY(rw.syncStatusToString(NotepadNote::SyncStatus(5)).isEmpty());
        QCOMPARE(rw.syncStatusFromString(QStringLiteral("New")), NotepadNote::LocallyUnknown);
        QCOMPARE(rw.errorString(), QStringLiteral("unexpected sync status string New"));
    }
};

PLUMDECK_TEST_MAIN(TstNotepadReaderWriter)
#include "tst_notepadreaderwriter.moc"
