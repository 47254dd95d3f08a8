#include "model/notepadnoteinfo.h"
#include "model/notepadnotes.h"
#include "model/notepadreaderwriter.h"
#include "failingdevice.h"
#include "modeltest.h"
#include "testenvironment.h"

#include <QBuffer>

using namespace ModelTest;

namespace {

const int Local = XMLReaderWriter::LocalDocument;
const int Server = XMLReaderWriter::ServerDocument;

// `inner` inside a body, or as the whole document when it is one.
QDomDocument body(const QString &inner)
{
    if (inner.startsWith(QLatin1String("<html")))
        return parse(inner);
    return parse("<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>t</title></head><body>" + inner + "</body></html>");
}

QString noteElement(const QString &pairs)
{
    return QStringLiteral("<div class=\"pd-notepad-note\"><dl class=\"pd-notepad-note-fields\">%1</dl></div>").arg(fields(pairs));
}

QString fieldsOf(const NotepadNote *n)
{
    return QStringLiteral("%1 %2 %3 %4|%5").arg(n->syncStatus()).arg(n->serverId()).arg(n->revision()).arg(n->title(), n->text())
        + (n->isUntoldKeptCopy() ? QStringLiteral(" (a kept copy not told of)") : QString())
        + (n->untoldKept().isEmpty() ? QString() : QStringLiteral(" (kept, not told of: %1)").arg(n->untoldKept()));
}

struct Notes {
    std::optional<QList<NotepadNote *>> list;
    ~Notes()
    {
        if (list)
            qDeleteAll(*list);
    }
};

// The stored form, as another build of the program writes it.
const char *const Example =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" \"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n"
    " <head><title>pd-notepad</title><meta name=\"generator\" content=\"PlumDeck\"/><meta name=\"format-version\" content=\"2\"/></head>\n"
    " <body>\n"
    "  <dl class=\"notepad-local-fields\"><dt>display-order-changed</dt><dd>true</dd></dl>\n"
    "  <div class=\"pd-notepad-note\"><dl class=\"pd-notepad-note-fields\"><dt>sync-status</dt><dd>unedited</dd>\n"
    "   <dt>id</dt><dd>3</dd><dt>revision</dt><dd>2</dd><dt>title</dt><dd>Ideas</dd><dt>text</dt><dd>first line\n"
    "second line</dd></dl></div>\n"
    "  <div class=\"pd-notepad-note\"><dl class=\"pd-notepad-note-fields\"><dt>sync-status</dt><dd>new</dd>\n"
    "   <dt>title</dt><dd>Note</dd><dt>text</dt><dd/></dl></div>\n"
    " </body>\n"
    "</html>\n";

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
        delete m_notes; // saves into the test's own data folder
    }

    void storedForm_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("expected"); // empty: as the example
        QTest::newRow("local") << Local << "";
        QTest::newRow("server") << Server
            << "html\n head\n  title \"pd-notepad\"\n  meta generator=PlumDeck\n body\n  div.pd-notepad-note\n"
               "   dl.pd-notepad-note-fields: id revision title text\n  div.pd-notepad-note\n   dl.pd-notepad-note-fields: title text\n";
    }
    void storedForm()
    {
        QFETCH(int, kind);
        QFETCH(QString, expected);
        m_notes->appendNote(makeNote(QStringLiteral("Ideas"), NotepadNote::Unedited, 3, 2, QStringLiteral("first line\nsecond line")));
        m_notes->appendNote(makeNote(QStringLiteral("Note"), NotepadNote::New, 5, 5));
        m_notes->setDisplayOrderChanged(true);
        QBuffer buffer;
        QVERIFY(NotepadReaderWriter(kind).saveNotepad(m_notes, &buffer));
        const QDomElement written = parseBytes(buffer.data()).documentElement();
        if (kind == Server) {
            QCOMPARE(outline(written), expected);
            return;
        }
        QCOMPARE(outline(written, true), outline(parseBytes(Example).documentElement(), true));
        m_notes->setDisplayOrderChanged(false);
        QBuffer example;
        example.setData(Example);
        NotepadReaderWriter reader(Local);
        Notes read{reader.loadNotepad(&example)};
        QVERIFY2(read.list, qPrintable(reader.errorString()));
        QCOMPARE(read.list->size(), 2);
        QCOMPARE(fieldsOf(read.list->at(0)), fieldsOf(m_notes->notes().at(0)));
        QVERIFY(read.list->at(1)->isUntouched());
        QVERIFY(m_notes->isDisplayOrderChanged());
    }

    void roundTrip()
    {
        m_notes->appendNote(makeNote(QStringLiteral("Ideas"), NotepadNote::Unedited, 3, 2, QStringLiteral("first line\nsecond & <more>")));
        m_notes->appendNote(makeNote(QStringLiteral("Note"), NotepadNote::New));
        m_notes->appendNote(makeNote(QString(), NotepadNote::Edited, 7, 1, QStringLiteral("no title")));
        m_notes->appendNote(makeNote(QStringLiteral("Old ideas"), NotepadNote::Deleted, 4294967295u, 4, QStringLiteral("obsolete")));
        m_notes->setAgreedDisplayOrder(QList<quint32>{7, 3});
        // Taken from the server by a run that ended before the orders merged.
        m_notes->setArrivedInOrder({9});
        // A copy a run kept, not told of yet (the run cut short), posted or not.
        m_notes->appendNote(makeNote(QStringLiteral("Ideas (my changes)"), NotepadNote::New, 0, 0, QStringLiteral("kite")));
        m_notes->appendNote(makeNote(QStringLiteral("Plans (my changes)"), NotepadNote::Unedited, 9, 1, QStringLiteral("reel")));
        m_notes->notes().at(4)->setUntoldKeptCopy(true);
        m_notes->notes().at(5)->setUntoldKeptCopy(true);
        // Kept against a removal, not told of yet.
        m_notes->notes().at(0)->setUntoldKept(QStringLiteral("removed-here"));
        m_notes->notes().at(4)->setUntoldKept(QStringLiteral("removed-there"));
        QBuffer buffer;
        QVERIFY(NotepadReaderWriter(Local).saveNotepad(m_notes, &buffer));
        buffer.close();
        m_notes->setDisplayOrderChanged(true);
        m_notes->setAgreedDisplayOrder(std::nullopt);
        m_notes->setArrivedInOrder({});
        NotepadReaderWriter reader(Local);
        Notes read{reader.loadNotepad(&buffer)};
        QVERIFY2(read.list, qPrintable(reader.errorString()));
        QVERIFY(!m_notes->isDisplayOrderChanged()); // from the file
        QCOMPARE(m_notes->agreedDisplayOrder(), std::optional<QList<quint32>>(QList<quint32>{7, 3}));
        QCOMPARE(m_notes->arrivedInOrder(), QSet<quint32>{9});
        QCOMPARE(read.list->size(), 6);
        QVERIFY(read.list->at(4)->isUntoldKeptCopy() && read.list->at(5)->isUntoldKeptCopy());
        QCOMPARE(read.list->at(0)->untoldKept(), QStringLiteral("removed-here"));
        QCOMPARE(read.list->at(4)->untoldKept(), QStringLiteral("removed-there"));
        QVERIFY(read.list->at(1)->untoldKept().isEmpty());
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(fieldsOf(read.list->at(i)), fieldsOf(m_notes->notes().at(i)));
            QVERIFY(!read.list->at(i)->parent());
        }
        FailingDevice device(100);
        QVERIFY(!NotepadReaderWriter(Local).saveNotepad(m_notes, &device));
        // The server is never told.
        QBuffer sent;
        QVERIFY(NotepadReaderWriter(Server).saveNotepad(m_notes, &sent));
        QVERIFY(!sent.data().contains("kept-copy"));
    }

    void readNote_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("pairs");
        QTest::addColumn<QString>("expected"); // status and id; empty: refused
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("warning");
        const QString tt = QStringLiteral("|title=t|text=x");
        const QString idRev = QStringLiteral("|id=5|revision=2");
        const QString legacy = QStringLiteral("missing sync-status, legacy file?");
        QTest::newRow("new without ids") << Local << "sync-status=new" + tt << "1 0" << "" << "";
        QTest::newRow("edited") << Local << "sync-status=edited" + idRev + tt << "3 5" << "" << "";
        QTest::newRow("edited without id") << Local << "sync-status=edited" + tt << "" << "bad note id string " << "";
        QTest::newRow("deleted without revision") << Local << "sync-status=deleted|id=5" + tt << "" << "bad rev num string " << "";
        QTest::newRow("unknown status") << Local << "sync-status=Edited" + idRev + tt << "" << "unexpected sync status string Edited" << "";
        QTest::newRow("id zero") << Local << "sync-status=unedited|id=0|revision=2" + tt << "" << "" << "";
        QTest::newRow("revision zero") << Local << "sync-status=unedited|id=4|revision=0" + tt << "" << "" << "";
        QTest::newRow("id with sign") << Local << "sync-status=unedited|id=+4|revision=2" + tt << "" << "bad note id string +4" << "";
        QTest::newRow("legacy with ids") << Local << idRev.mid(1) + tt << "1 0" << "" << legacy;
        QTest::newRow("legacy empty status") << Local << "sync-status=" + idRev + tt << "1 0" << "" << legacy;
        // A legacy note that never reached the server has no id: it is kept
        // as new instead of failing the whole notepad.
        QTest::newRow("legacy without ids") << Local << tt.mid(1) << "1 0" << "" << legacy;
        QTest::newRow("legacy id without revision") << Local << "id=5" + tt << "" << "bad rev num string " << legacy;
        QTest::newRow("missing title") << Local << "sync-status=new|text=x" << "" << "" << "";
        QTest::newRow("missing text") << Local << "sync-status=new|title=x" << "" << "" << "";
        QTest::newRow("empty title and text") << Local << "sync-status=new|title=|text=" << "1 0" << "" << "";
        // A server note is new until the synchroniser sets its status.
        QTest::newRow("server") << Server << idRev.mid(1) + tt << "1 0" << "" << "";
        QTest::newRow("server ignores status") << Server << "sync-status=bogus" + idRev + tt << "1 0" << "" << "";
        QTest::newRow("server without id") << Server << tt.mid(1) << "" << "bad note id string " << "";
    }
    void readNote()
    {
        QFETCH(int, kind);
        QFETCH(QString, pairs);
        QFETCH(QString, expected);
        QFETCH(QString, error);
        QFETCH(QString, warning);
        const QDomDocument doc = body(noteElement(pairs));
        NotepadReaderWriter reader(kind);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        std::unique_ptr<NotepadNote> note(reader.readNote(bodyOf(doc).firstChildElement()));
        QCOMPARE(note ? QStringLiteral("%1 %2").arg(note->syncStatus()).arg(note->serverId()) : QString(), expected);
        QCOMPARE(reader.errorString(), error);
        if (note && kind == Server) {
            note->setSyncStatus(NotepadNote::Unedited);
            QCOMPARE(QStringLiteral("%1 %2").arg(note->serverId()).arg(note->revision()), QStringLiteral("5 2"));
        }
    }

    // What an edited note last agreed with the server, beside its own
    // fields; a part that does not read costs that copy alone.
    void agreedCopy_data()
    {
        QTest::addColumn<QString>("pairs");    // the note's own fields
        QTest::addColumn<QString>("agreed");   // what follows them in the note
        QTest::addColumn<QString>("expected"); // "id revision title|text", empty: none
        QTest::addColumn<bool>("warns");
        const QString edited = QStringLiteral("sync-status=edited|id=5|revision=2|title=Goals|text=kite and tail");
        const QString unedited = QStringLiteral("sync-status=unedited|id=5|revision=2|title=Goals|text=kite and tail");
        const QString part = QStringLiteral("<dl class=\"pd-agreed-note-fields\">%1</dl>");
        const QString kept = part.arg(fields("id=5|revision=2|title=Ideas|text=kite"));
        QTest::newRow("edited, kept") << edited << kept << "5 2 Ideas|kite" << false;
        QTest::newRow("edited, written before it was kept") << edited << "" << "" << false;
        QTest::newRow("edited, an empty title and text") << edited << part.arg(fields("id=5|revision=2|title=|text="))
                                                         << "5 2 |" << false;
        QTest::newRow("edited, another note's id") << edited << part.arg(fields("id=6|revision=2|title=Ideas|text=kite"))
                                                   << "" << true;
        QTest::newRow("edited, no id") << edited << part.arg(fields("revision=2|title=Ideas|text=kite")) << "" << true;
        QTest::newRow("edited, revision zero") << edited << part.arg(fields("id=5|revision=0|title=Ideas|text=kite"))
                                               << "" << true;
        QTest::newRow("edited, revision not a number")
            << edited << part.arg(fields("id=5|revision=two|title=Ideas|text=kite")) << "" << true;
        QTest::newRow("edited, no title") << edited << part.arg(fields("id=5|revision=2|text=kite")) << "" << true;
        QTest::newRow("edited, no text") << edited << part.arg(fields("id=5|revision=2|title=Ideas")) << "" << true;
        QTest::newRow("edited, two copies") << edited << kept + kept << "" << true;
        QTest::newRow("edited, an element in its text")
            << edited << part.arg(fields("id=5|revision=2|title=Ideas|text=<b>kite</b>")) << "" << true;
        QTest::newRow("unedited, itself") << unedited << "" << "5 2 Goals|kite and tail" << false;
        QTest::newRow("unedited, itself whatever is beside it") << unedited << kept << "5 2 Goals|kite and tail" << false;
        QTest::newRow("new, none") << "sync-status=new|title=Goals|text=kite" << kept << "" << false;
        // Its removal takes only what it agreed.
        QTest::newRow("removed, kept") << "sync-status=deleted|id=5|revision=2|title=Goals|text=kite" << kept
                                       << "5 2 Ideas|kite" << false;
        QTest::newRow("removed, written before it was kept")
            << "sync-status=deleted|id=5|revision=2|title=Goals|text=kite" << "" << "" << false;
    }
    void agreedCopy()
    {
        QFETCH(QString, pairs);
        QFETCH(QString, agreed);
        QFETCH(QString, expected);
        QFETCH(bool, warns);
        const QDomDocument doc = body(QStringLiteral("<div class=\"pd-notepad-note\"><dl class=\"pd-notepad-note-fields\">%1</dl>%2</div>")
                                          .arg(fields(pairs), agreed));
        if (warns)
            QTest::ignoreMessage(QtWarningMsg, "the agreed copy of note 5 does not read; the note goes up without it");
        NotepadReaderWriter reader(Local);
        std::unique_ptr<NotepadNote> note(reader.readNote(bodyOf(doc).firstChildElement()));
        QVERIFY(note);
        QCOMPARE(reader.errorString(), QString());
        const std::optional<NotepadNote::Agreed> &read = note->agreed();
        QCOMPARE(read ? QStringLiteral("%1 %2 %3|%4").arg(read->serverId).arg(read->revision).arg(read->title, read->text)
                      : QString(),
                 expected);
    }

    // Kept only for an edited note, beside the fields a reader that does not
    // know it reads as before; never sent to the server.
    void agreedCopyRoundTrip()
    {
        NotepadNote *edited = m_notes->appendNote(makeNote(QStringLiteral("Goals"), NotepadNote::Edited, 5, 2, QStringLiteral("kite")));
        edited->setAgreed(NotepadNote::Agreed{5, 2, QStringLiteral("Ideas"), QStringLiteral("kite & <string>\nsecond line")});
        m_notes->appendNote(makeNote(QStringLiteral("Older"), NotepadNote::Edited, 6, 1, QStringLiteral("x")));
        m_notes->appendNote(makeNote(QStringLiteral("Same"), NotepadNote::Unedited, 7, 3, QStringLiteral("y")))->agreeAsIs();
        QBuffer buffer;
        QVERIFY(NotepadReaderWriter(Local).saveNotepad(m_notes, &buffer));
        const QString notes = outline(bodyOf(parseBytes(buffer.data())), true).section(QLatin1Char('\n'), 2);
        const QString own = QStringLiteral("  dl.pd-notepad-note-fields: sync-status=%1 id=%2 revision=%3 title=%4 text=%5\n");
        QCOMPARE(notes, QStringLiteral(" div.pd-notepad-note\n") + own.arg("edited", "5", "2", "Goals", "kite")
                            + "  dl.pd-agreed-note-fields: id=5 revision=2 title=Ideas text=kite & <string>\nsecond line\n"
                            + " div.pd-notepad-note\n" + own.arg("edited", "6", "1", "Older", "x")
                            + " div.pd-notepad-note\n" + own.arg("unedited", "7", "3", "Same", "y"));
        buffer.close();
        NotepadReaderWriter reader(Local);
        Notes read{reader.loadNotepad(&buffer)};
        QVERIFY2(read.list, qPrintable(reader.errorString()));
        QCOMPARE(read.list->size(), 3);
        QCOMPARE(read.list->at(0)->agreed(), edited->agreed());
        QVERIFY(!read.list->at(1)->agreed());
        QCOMPARE(read.list->at(2)->agreed(),
                 std::make_optional(NotepadNote::Agreed{7, 3, QStringLiteral("Same"), QStringLiteral("y")}));
        QVERIFY(!NotepadReaderWriter(Server).writeNoteDocument(edited).toString().contains(QLatin1String("agreed")));
    }

    void noteDocumentWritesNoStatus_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("keys");
        QTest::newRow("new") << int(NotepadNote::New) << "title text";
        QTest::newRow("edited") << int(NotepadNote::Edited) << "id revision title text";
    }
    void noteDocumentWritesNoStatus()
    {
        QFETCH(int, status);
        QFETCH(QString, keys);
        std::unique_ptr<NotepadNote> note(makeNote(QStringLiteral("Ideas"), NotepadNote::SyncStatus(status), 3, 2, QStringLiteral("x")));
        QCOMPARE(outline(NotepadReaderWriter(Server).writeNoteDocument(note.get()).documentElement()),
                 "html\n head\n  title \"note\"\n  meta generator=PlumDeck\n body\n  div.pd-notepad-note\n"
                 "   dl.pd-notepad-note-fields: " + keys + '\n');
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
        const QString note = noteElement("sync-status=new|title=a|text=b");
        QTest::newRow("other elements skipped") << dl.arg("false") + "<p>stray</p>" + note + "<div class=\"other\"/>" + note
                                                << true << false << false << 2;
        QTest::newRow("one bad note fails the notepad") << note + "<div class=\"pd-notepad-note\"/>" << false << false << true << -1;
    }
    void readNotepad()
    {
        QFETCH(QString, inner);
        QFETCH(bool, before);
        QFETCH(bool, after);
        QFETCH(bool, warns);
        QFETCH(int, notes);
        m_notes->setDisplayOrderChanged(before);
        NotepadReaderWriter reader(Local);
        if (warns)
            QTest::ignoreMessage(QtWarningMsg, "notepad-local-fields not found while parsing, legacy version?");
        Notes read{reader.readNotepad(body(inner))};
        QCOMPARE(read.list ? int(read.list->size()) : -1, notes);
        QCOMPARE(m_notes->isDisplayOrderChanged(), after);
    }

    // An agreed order that does not read is unknown, and costs nothing else.
    void agreedDisplayOrderUnreadable()
    {
        m_notes->setAgreedDisplayOrder(QList<quint32>{1});
        QTest::ignoreMessage(QtWarningMsg, "the agreed display order of the notes does not read; it is left out");
        NotepadReaderWriter reader(Local);
        Notes read{reader.readNotepad(body(QStringLiteral("<dl class=\"notepad-local-fields\"><dt>display-order-changed</dt>"
                                                          "<dd>true</dd><dt>agreed-display-order</dt><dd>4 x</dd></dl>")))};
        QVERIFY(read.list);
        QVERIFY(m_notes->isDisplayOrderChanged());
        QCOMPARE(m_notes->agreedDisplayOrder(), std::nullopt);
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error"); // start of the error text; null: loads
        QTest::newRow("head not examined")
            << QByteArray("<html><head><title>x</title><meta name=\"generator\" content=\"Other\"/>"
                          "<meta name=\"format-version\" content=\"7\"/></head><body>"
                          "<dl class=\"notepad-local-fields\"><dt>display-order-changed</dt><dd>false</dd></dl></body></html>")
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
        NotepadReaderWriter reader(Local);
        Notes read{reader.loadNotepad(&buffer)};
        QCOMPARE(bool(read.list), error.isNull());
        QVERIFY2(reader.errorString().startsWith(error), qPrintable(reader.errorString()));
    }

    void noteRefsWrite()
    {
        NotepadReaderWriter writer(Server);
        const QDomDocument doc = writer.writeNoteRefs(NotepadNoteIdList{3, 0});
        QCOMPARE(outline(doc.documentElement()),
                 "html\n head\n  title \"notepads display order\"\n  meta generator=PlumDeck\n body\n  ol.pd-notepad-note-refs\n"
                 "   li.pd-notepad-note-ref\n    a.pd-notepad-note-id href=/plumdeck/notepad-notes/3 \"3\"\n"
                 "   li.pd-notepad-note-ref\n    a.pd-notepad-note-id href=/plumdeck/notepad-notes/0 \"0\"\n");
        // Written as given, 0 included; the reader refuses the 0.
        NotepadReaderWriter reader(Server);
        NotepadNoteIdList ids;
        QVERIFY(!reader.readNoteRefs(doc, ids));
        QVERIFY(reader.readNoteRefs(writer.writeNoteRefs(NotepadNoteIdList{3, 9}), ids));
        QCOMPARE(ids, (NotepadNoteIdList{3, 9}));
    }

    // The server's small documents, each reader against damaged and
    // unexpected input. A failed read leaves what it was given untouched.
    void serverDocuments_data()
    {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QString>("inner");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("error"); // or the debug line
        const QString ref = QStringLiteral("<li class=\"pd-notepad-note-ref\"><a class=\"pd-notepad-note-id\" "
                                           "href=\"/plumdeck/notepad-notes/1\">%1</a></li>");
        const QString refs = QStringLiteral("<ol class=\"pd-notepad-note-refs\">%1</ol>");
        QTest::newRow("refs: ids from text, not href") << "refs" << refs.arg(ref.arg(3) + ref.arg(9)) << "1 3 9" << "";
        QTest::newRow("refs: no list") << "refs" << "<p/>" << "1 42" << "";
        QTest::newRow("refs: empty list") << "refs" << refs.arg("") << "1" << "";
        QTest::newRow("refs: other items skipped") << "refs" << refs.arg("<li class=\"x\">5</li>" + ref.arg(4)) << "1 4" << "";
        QTest::newRow("refs: zero") << "refs" << refs.arg(ref.arg(3) + ref.arg(0)) << "0 42" << "";
        QTest::newRow("refs: not a number") << "refs" << refs.arg(ref.arg("x1")) << "0 42" << "expected note id 'x1' to be a number";
        QTest::newRow("refs: negative") << "refs" << refs.arg(ref.arg("-1")) << "0 42" << "expected note id '-1' to be a number";
        // Without a body nothing was read: no empty list, summary or id 0 taken as an answer.
        const QString noBody = QStringLiteral("<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>t</title></head></html>");
        const QString noBodyError = QStringLiteral("failed to find mandatory element body under html");
        QTest::newRow("refs: no body") << "refs" << noBody << "0 42" << noBodyError;
        QTest::newRow("refs: no id element") << "refs" << refs.arg("<li class=\"pd-notepad-note-ref\"/>") << "0 42"
                                             << "failed to find mandatory element with class pd-notepad-note-id under li";

        auto info = [](const QString &pairs) {
            return QStringLiteral("<li class=\"pd-notepad-note-info\"><dl class=\"pd-notepad-note-fields\">%1</dl></li>").arg(fields(pairs));
        };
        const QString infos = QStringLiteral("<ul class=\"pd-notepad-note-info-list\">%1</ul>");
        QTest::newRow("infos: two, sorted") << "infos" << infos.arg(info("id=9|revision=1|title=b") + info("id=3|revision=5|title=Ideas"))
                                            << "1 3:5:Ideas 9:1:b" << "";
        QTest::newRow("infos: repeated id replaces") << "infos"
            << infos.arg(info("id=3|revision=1|title=old") + info("id=3|revision=2|title=new")) << "1 3:2:new" << "";
        QTest::newRow("infos: no list") << "infos" << "<p/>" << "1 42:42:marker" << "";
        QTest::newRow("infos: two lists") << "infos" << infos.arg("") + infos.arg("")
                                          << "1 42:42:marker (duplicate element with class pd-notepad-note-info-list under body)" << "";
        QTest::newRow("infos: other class") << "infos" << infos.arg(info("id=3|revision=1|title=a") + "<li class=\"x\"/>")
            << "0 42:42:marker" << "Error parsing notepad notes info: unexpected element with class \"x\"";
        QTest::newRow("infos: no fields") << "infos" << infos.arg("<li class=\"pd-notepad-note-info\"/>") << "0 42:42:marker"
            << "Error parsing notepad notes info: pd-notepad-note-info found but pd-notepad-note-fields not found";
        QTest::newRow("infos: missing title") << "infos" << infos.arg(info("id=3|revision=1")) << "0 42:42:marker"
            << "Error parsing notes info: pd-notepad-note-fields found but one of the info fields is NULL";
        QTest::newRow("infos: bad id") << "infos" << infos.arg(info("id=x|revision=1|title=a")) << "0 42:42:marker"
                                       << "Error parsing notepad note info: invalid id number";
        QTest::newRow("infos: bad revision") << "infos" << infos.arg(info("id=3|revision=1.5|title=a")) << "0 42:42:marker"
                                             << "Error parsing notepad note info: invalid revision number";
        QTest::newRow("infos: no body") << "infos" << noBody << "0 42:42:marker (" + noBodyError + ')' << "";
        QTest::newRow("infos: id zero") << "infos" << infos.arg(info("id=0|revision=1|title=a")) << "0 42:42:marker" << "";

        QTest::newRow("id") << "id" << "<span class=\"pd-notepad-note-id\">12</span>" << "12" << "";
        QTest::newRow("id: missing") << "id" << "<span/>" << "0" << "failed to find mandatory element with class pd-notepad-note-id under body";
        QTest::newRow("id: doubled") << "id" << "<span class=\"pd-notepad-note-id\">12</span><p class=\"pd-notepad-note-id\">13</p>"
                                     << "0" << "duplicate element with class pd-notepad-note-id under body";
        QTest::newRow("id: not a number") << "id" << "<span class=\"pd-notepad-note-id\">twelve</span>" << "0"
                                          << "expected note id 'twelve' to be a number";
        QTest::newRow("id: no body") << "id" << noBody << "0" << noBodyError;
        QTest::newRow("id: empty") << "id" << "<span class=\"pd-notepad-note-id\"/>" << "0" << "expected note id '' to be a number";

        const QString note = noteElement("id=3|revision=2|title=t|text=x");
        QTest::newRow("note") << "note" << note << "1 0 0 t|x" << "";
        QTest::newRow("note: none") << "note" << "<p/>" << "" << "failed to find mandatory element with class pd-notepad-note under body";
        QTest::newRow("note: no body") << "note" << noBody << "" << noBodyError;
        QTest::newRow("note: two") << "note" << note + note << "" << "duplicate element with class pd-notepad-note under body";
    }
    void serverDocuments()
    {
        QFETCH(QString, reader);
        QFETCH(QString, inner);
        QFETCH(QString, expected);
        QFETCH(QString, error);
        NotepadReaderWriter rw(Server);
        QString result;
        if (reader == QLatin1String("refs")) {
            NotepadNoteIdList ids{42};
            result = QString::number(rw.readNoteRefs(body(inner), ids));
            for (quint32 id : ids)
                result += QLatin1Char(' ') + QString::number(id);
        } else if (reader == QLatin1String("infos")) {
            NotepadNoteInfo marker(42, 42, QStringLiteral("marker"));
            QMap<quint32, NotepadNoteInfo *> infos{{42u, &marker}};
            if (!error.isEmpty())
                QTest::ignoreMessage(QtDebugMsg, qPrintable(error));
            result = QString::number(rw.readNoteInfos(body(inner), infos));
            for (auto it = infos.cbegin(); it != infos.cend(); ++it) {
                QCOMPARE(it.key(), it.value()->id());
                result += QStringLiteral(" %1:%2:%3").arg(it.value()->id()).arg(it.value()->revision()).arg(it.value()->title());
            }
            infos.remove(42);
            qDeleteAll(infos);
            // The error column held the debug line; an error text shows in the result.
            error = rw.errorString();
            if (!error.isEmpty())
                result += " (" + error + ')';
        } else if (reader == QLatin1String("id")) {
            result = QString::number(rw.readNoteId(body(inner)));
        } else {
            std::unique_ptr<NotepadNote> note(rw.readNoteDocument(body(inner)));
            result = note ? fieldsOf(note.get()) : QString();
        }
        QCOMPARE(result, expected);
        QCOMPARE(rw.errorString(), error);
    }

    void syncStatusText()
    {
        const QStringList texts{"new", "unedited", "edited", "deleted"};
        NotepadReaderWriter rw(Local);
        for (int status = NotepadNote::New; status <= NotepadNote::Deleted; ++status) {
            QCOMPARE(rw.syncStatusToString(NotepadNote::SyncStatus(status)), texts.at(status - 1));
            QCOMPARE(int(rw.syncStatusFromString(texts.at(status - 1))), status);
        }
        QVERIFY(rw.errorString().isEmpty());
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
