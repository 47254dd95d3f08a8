#include "interruptedsave.h"
#include "model/notepadnotes.h"
#include "model/notepadreaderwriter.h"
#include "modeltest.h"
#include "testenvironment.h"

#include <QPointer>
#include <QSignalSpy>

using namespace ModelTest;

// Does what the notepad page promises the notepad (its five slots), with the
// tabs reduced to a list of the notes on show.
class NotepadListener : public QObject
{
    Q_OBJECT
public:
    explicit NotepadListener(NotepadNotes *notes)
        : m_notes(notes)
    {
        connect(notes, &NotepadNotes::removeNoteFromView, this, &NotepadListener::removeNote);
        connect(notes, &NotepadNotes::removeDefaultNotes, this, &NotepadListener::onRemoveDefaultNotes);
        connect(notes, &NotepadNotes::addNoteToModelAndView, this, &NotepadListener::addNoteToModelAndView);
        connect(notes, &NotepadNotes::deleteAndPurgeEverythingSignal, this, &NotepadListener::deleteAndPurgeEverything);
        connect(notes, &NotepadNotes::displayOrderChanged, this, &NotepadListener::onDisplayOrderChanged);
    }

    QList<NotepadNote *> shown;

public slots:
    void addNoteToModelAndView(NotepadNote *note)
    {
        m_notes->appendNote(note);
        shown.append(note);
    }
    void removeNote(NotepadNote *note)
    {
        shown.removeOne(note);
        if (note->syncStatus() == NotepadNote::New)
            m_notes->purgeNote(note);
        else
            note->setSyncStatus(NotepadNote::Deleted);
    }
    void onRemoveDefaultNotes()
    {
        const QList<NotepadNote *> notes = m_notes->notes();
        for (NotepadNote *note : notes) {
            if (note->isUntouched()) {
                shown.removeOne(note);
                m_notes->purgeNote(note);
            }
        }
    }
    void deleteAndPurgeEverything()
    {
        shown.clear();
        qDeleteAll(m_notes->notes());
        m_notes->notes().clear();
    }
    void onDisplayOrderChanged(const NotepadNoteIdList &ids)
    {
        for (int i = 0; i < ids.size(); ++i) {
            const int from = m_notes->indexOfServerId(ids.at(i));
            if (from < 0) {
                qWarning() << "onDisplayOrderChanged error, the id dont exists locally";
                continue;
            }
            if (i < m_notes->notes().size()) {
                m_notes->moveNote(m_notes->notes().at(from), m_notes->notes().at(i));
                m_notes->setDisplayOrderChanged(true);
            }
        }
    }

private:
    NotepadNotes *m_notes;
};

namespace {

QString titles(const QList<NotepadNote *> &notes)
{
    QStringList out;
    for (const NotepadNote *n : notes)
        out << n->title();
    return out.join(' ');
}

QString noteXml(const QString &pairs)
{
    return QStringLiteral("<div class=\"pd-notepad-note\"><dl class=\"pd-notepad-note-fields\">%1</dl></div>").arg(fields(pairs));
}

// A notepad, with the page's listener when asked, that frees its notes.
struct Notepad {
    NotepadNotes notes;
    std::unique_ptr<NotepadListener> page;
    explicit Notepad(bool withPage = true, const QStringList &titles = {})
        : page(withPage ? new NotepadListener(&notes) : nullptr)
    {
        for (const QString &title : titles)
            notes.appendNote(makeNote(title));
        notes.setChanged(false);
    }
    ~Notepad()
    {
        page.reset();
        qDeleteAll(notes.notes());
        notes.notes().clear();
    }
    NotepadNote *at(int i) const { return notes.notes().at(i); }
};

} // namespace

class TstNotepadNotes : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QDir dir(QFileInfo(NotepadNotes::filePath()).path());
        for (const QFileInfo &fi : dir.entryInfoList({QStringLiteral("notepad.xhtml*")}, QDir::AllEntries))
            fi.isDir() ? void(QDir(fi.filePath()).removeRecursively()) : void(QFile::remove(fi.filePath()));
    }

    void note()
    {
        NotepadNote fresh;
        QCOMPARE(fresh.title(), QStringLiteral("Note"));
        QVERIFY(fresh.isUntouched() && fresh.text().isEmpty() && !fresh.parent());
        // Ids read 0 only while the note is new.
        for (int status = NotepadNote::LocallyUnknown; status <= NotepadNote::Deleted; ++status) {
            NotepadNote n;
            n.setServerId(7);
            n.setRevision(3);
            n.setSyncStatus(NotepadNote::SyncStatus(status));
            QCOMPARE(n.serverId() + n.revision(), status == NotepadNote::New ? 0u : 10u);
            QCOMPARE(n.isUntouched(), status == NotepadNote::New);
        }
        NotepadNote written, renamed;
        written.setText("x");
        renamed.setTitle("Ideas");
        QVERIFY(!written.isUntouched() && !renamed.isUntouched());
        // Replacing a server id warns; setting the first, the same or none
        // does not.
        NotepadNote n;
        n.setSyncStatus(NotepadNote::Unedited);
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        for (quint32 id : {5u, 5u, 0u, 7u}) // 0 -> 5 -> 5 -> 0 -> 7
            n.setServerId(id);
        QTest::ignoreMessage(QtWarningMsg, "setting server id when we have one already");
        n.setServerId(5);
        QCOMPARE(n.serverId(), 5u);
    }

    // A user's edit marks the note edited and the notepad changed, without a
    // signal (the page made it); a plain set, as a synchroniser does, only
    // signals.
    void edits_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected"); // done, status after, notepad changed, signals
        QTest::newRow("edit title") << int(NotepadNote::Unedited) << "edit title" << "Ideas" << "1 3 1 0";
        QTest::newRow("edit same title") << int(NotepadNote::Unedited) << "edit title" << "Note" << "0 2 0 0";
        QTest::newRow("edit text, new") << int(NotepadNote::New) << "edit text" << "x" << "1 1 1 0";
        QTest::newRow("edit same text") << int(NotepadNote::Unedited) << "edit text" << "" << "0 2 0 0";
        QTest::newRow("edit text, deleted") << int(NotepadNote::Deleted) << "edit text" << "x" << "1 4 1 0";
        QTest::newRow("edit text, edited") << int(NotepadNote::Edited) << "edit text" << "x" << "1 3 1 0";
        QTest::newRow("set title") << int(NotepadNote::Unedited) << "set title" << "Ideas" << "1 2 0 1";
        QTest::newRow("set same title") << int(NotepadNote::Unedited) << "set title" << "Note" << "0 2 0 0";
        QTest::newRow("set text") << int(NotepadNote::Unedited) << "set text" << "x" << "1 2 0 1";
        QTest::newRow("set same text") << int(NotepadNote::Unedited) << "set text" << "" << "0 2 0 0";
    }
    void edits()
    {
        QFETCH(int, status);
        QFETCH(QString, op);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        Notepad pad;
        NotepadNote note;
        note.setSyncStatus(NotepadNote::SyncStatus(status));
        QSignalSpy titleSpy(&note, &NotepadNote::titleChanged);
        QSignalSpy textSpy(&note, &NotepadNote::contentsChanged);
        bool done = false;
        if (op == "edit title")
            done = note.editTitle(value);
        else if (op == "edit text")
            done = note.editText(value);
        else if (op == "set title")
            note.setTitle(value);
        else
            note.setText(value);
        const int signalCount = int(titleSpy.count() + textSpy.count());
        QCOMPARE(op.endsWith("title") ? note.title() : note.text(), value);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(int(done || signalCount)).arg(note.syncStatus())
                     .arg(int(pad.notes.isChanged())).arg(signalCount),
                 expected);
        if (signalCount)
            QCOMPARE((titleSpy.count() ? titleSpy : textSpy).at(0).at(0).value<NotepadNote *>(), &note);
    }

    void instance()
    {
        QVERIFY(!NotepadNotes::instance());
        {
            NotepadNotes notes;
            QCOMPARE(NotepadNotes::instance(), &notes);
        }
        // Gone with the notepad: a later note edit must not reach freed memory.
        QVERIFY(!NotepadNotes::instance());
        NotepadNote note;
        QVERIFY(note.editText(QStringLiteral("x")));
    }

    // Without the change mark a note added, moved or removed would reach the
    // file only when the notepad is destroyed; a crash before loses it.
    void setChanges()
    {
        Notepad pad(false);
        NotepadNote *a = makeNote(QStringLiteral("a"), NotepadNote::Edited, 4, 9);
        QCOMPARE(pad.notes.appendNote(a), a);
        QVERIFY(pad.notes.isChanged());
        QVERIFY(pad.notes.saveIfChanged());
        QVERIFY(!pad.notes.isChanged());
        pad.notes.appendNote(makeNote(QStringLiteral("b"), NotepadNote::Edited, 5, 2))->agreeAsIs();
        QPointer<NotepadNote> removed = pad.notes.appendNote(makeNote(QStringLiteral("gone"), NotepadNote::Deleted, 6, 1));
        pad.notes.setChanged(false);
        // A reset must reach the file: the old account's ids are gone. A
        // note the user removed is never posted again as a new one: it stays
        // removed, or goes with the account it came from.
        pad.notes.resetAllNotesToNew();
        QVERIFY(pad.notes.isChanged());
        QVERIFY(removed);
        QCOMPARE(removed->syncStatus(), NotepadNote::Deleted);
        QCOMPARE(removed->serverId(), 6u);
        pad.notes.dropDeletedNotes();
        QVERIFY(!removed);
        QCOMPARE(titles(pad.notes.notes()), QStringLiteral("a b"));
        for (NotepadNote *note : pad.notes.notes()) {
            QCOMPARE(note->syncStatus(), NotepadNote::New);
            // Nothing agreed with a server either: a later upload merges
            // onto nothing.
            QVERIFY(!note->agreed());
            note->setSyncStatus(NotepadNote::Unedited);
            QCOMPARE(note->serverId() + note->revision(), 0u);
        }
        // Purging: nothing, a note outside (deleted all the same), one inside.
        pad.notes.setChanged(false);
        pad.notes.purgeNote(nullptr);
        QPointer<NotepadNote> outside = makeNote(QStringLiteral("outside"));
        pad.notes.purgeNote(outside);
        QVERIFY(!outside);
        QVERIFY(!pad.notes.isChanged());
        QPointer<NotepadNote> first = a;
        pad.notes.purgeNote(a);
        QVERIFY(!first);
        QCOMPARE(titles(pad.notes.notes()), QStringLiteral("b"));
        QVERIFY(pad.notes.isChanged());
    }

    void moveNote_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first onto last") << 0 << 2 << "B C A";
        QTest::newRow("last onto first") << 2 << 0 << "C A B";
        QTest::newRow("middle onto first") << 1 << 0 << "B A C";
        QTest::newRow("onto itself") << 1 << 1 << "A B C";
        QTest::newRow("note not in list") << -1 << 0 << "A B C";
        QTest::newRow("target not in list") << 0 << -1 << "A B C";
    }
    void moveNote()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, expected);
        Notepad pad(false, {"A", "B", "C"});
        NotepadNote outside;
        pad.notes.moveNote(from < 0 ? &outside : pad.at(from), to < 0 ? &outside : pad.at(to));
        QCOMPARE(titles(pad.notes.notes()), expected);
        QCOMPARE(pad.notes.isChanged(), expected != QLatin1String("A B C"));
        QVERIFY(!pad.notes.isDisplayOrderChanged());
    }

    void indexOfServerId()
    {
        Notepad pad(false);
        pad.notes.appendNote(makeNote(QStringLiteral("a"), NotepadNote::Unedited, 4, 1));
        pad.notes.appendNote(makeNote(QStringLiteral("b"), NotepadNote::New, 9, 1));
        pad.notes.appendNote(makeNote(QStringLiteral("c"), NotepadNote::Unedited, 9, 1));
        // A new note's id reads 0 whatever is stored.
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(pad.notes.indexOfServerId(4)).arg(pad.notes.indexOfServerId(0))
                     .arg(pad.notes.indexOfServerId(9)).arg(pad.notes.indexOfServerId(77)),
                 QStringLiteral("0 1 2 -1"));
    }

    void addNoteGoesThroughTheView()
    {
        Notepad pad(false);
        QSignalSpy spy(&pad.notes, &NotepadNotes::addNoteToModelAndView);
        std::unique_ptr<NotepadNote> note(makeNote(QStringLiteral("from server")));
        QCOMPARE(pad.notes.addNote(note.get()), note.get());
        QCOMPARE(note->syncStatus(), NotepadNote::Unedited);
        QCOMPARE(spy.count(), 1);
        QVERIFY(pad.notes.notes().isEmpty()); // only the view appends it
        pad.page.reset(new NotepadListener(&pad.notes));
        NotepadNote *second = makeNote(QStringLiteral("second"));
        pad.notes.addNote(second);
        QCOMPARE(pad.notes.notes(), QList<NotepadNote *>{second});
        QCOMPARE(pad.page->shown, QList<NotepadNote *>{second});
    }

    void updateNote_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("titleSignals");
        QTest::addColumn<int>("textSignals");
        QTest::newRow("same") << "Ideas" << "body" << 0 << 0;
        QTest::newRow("new text") << "Ideas" << "changed" << 0 << 1;
        QTest::newRow("new title") << "Plans" << "body" << 1 << 0;
        QTest::newRow("both") << "Plans" << "changed" << 1 << 1;
    }
    void updateNote()
    {
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(int, titleSignals);
        QFETCH(int, textSignals);
        Notepad pad;
        NotepadNote *local = pad.notes.appendNote(makeNote(QStringLiteral("Ideas"), NotepadNote::Edited, 3, 2, QStringLiteral("body")));
        pad.notes.setChanged(false);
        QPointer<NotepadNote> server = makeNote(title, NotepadNote::Unedited, 3, 5, text);
        QSignalSpy titleSpy(local, &NotepadNote::titleChanged);
        QSignalSpy textSpy(local, &NotepadNote::contentsChanged);
        pad.notes.updateNote(local, server);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5").arg(local->syncStatus()).arg(local->serverId()).arg(local->revision())
                     .arg(local->title(), local->text()),
                 QStringLiteral("2 3 5 %1 %2").arg(title, text));
        // What it agreed with the server is the server's copy.
        QCOMPARE(local->agreed(), std::make_optional(NotepadNote::Agreed{3, 5, title, text}));
        QCOMPARE(titleSpy.count(), titleSignals);
        QCOMPARE(textSpy.count(), textSignals);
        QVERIFY(pad.notes.isChanged());
        QVERIFY(server);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!server);
    }

    void removeNote_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("signalCount");
        QTest::addColumn<bool>("kept"); // as deleted
        QTest::newRow("deleted purged at once") << int(NotepadNote::Deleted) << 0 << false;
        QTest::newRow("new purged by the view") << int(NotepadNote::New) << 1 << false;
        QTest::newRow("unedited kept as deleted") << int(NotepadNote::Unedited) << 1 << true;
        QTest::newRow("edited kept as deleted") << int(NotepadNote::Edited) << 1 << true;
    }
    void removeNote()
    {
        QFETCH(int, status);
        QFETCH(int, signalCount);
        QFETCH(bool, kept);
        Notepad pad;
        QPointer<NotepadNote> note = pad.notes.appendNote(makeNote(QStringLiteral("a"), NotepadNote::SyncStatus(status), 6, 1));
        pad.notes.appendNote(makeNote(QStringLiteral("b")));
        QSignalSpy spy(&pad.notes, &NotepadNotes::removeNoteFromView);
        pad.notes.removeNote(note);
        pad.notes.removeNote(nullptr);
        QCOMPARE(spy.count(), signalCount);
        QCOMPARE(bool(note), kept);
        QCOMPARE(pad.notes.notes().size(), kept ? 2 : 1);
        if (kept)
            QCOMPARE(note->syncStatus(), NotepadNote::Deleted);
    }

    void removeDefaultNotes()
    {
        Notepad pad(true, {NotepadNote::defaultTitle(), QStringLiteral("kept"), NotepadNote::defaultTitle()});
        pad.notes.notes().insert(2, makeNote(NotepadNote::defaultTitle(), NotepadNote::New, 0, 0, QStringLiteral("x")));
        pad.notes.requestRemoveDefaultNotes();
        QCOMPARE(titles(pad.notes.notes()), QStringLiteral("kept Note"));
    }

    void deleteAndPurgeEverything()
    {
        Notepad pad(false, {"a"});
        QSignalSpy spy(&pad.notes, &NotepadNotes::deleteAndPurgeEverythingSignal);
        pad.notes.deleteAndPurgeEverything();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(pad.notes.notes().size(), 1); // the view empties it
        pad.page.reset(new NotepadListener(&pad.notes));
        pad.notes.deleteAndPurgeEverything();
        QVERIFY(pad.notes.notes().isEmpty());
    }

    void displayOrder_data()
    {
        QTest::addColumn<NotepadNoteIdList>("ids");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("unknown");
        QTest::newRow("reversed") << NotepadNoteIdList{30, 20, 10} << "c b a" << 0;
        QTest::newRow("partial") << NotepadNoteIdList{20} << "b a c" << 0;
        // An unknown id is skipped; the rest of the server's order still applies.
        QTest::newRow("unknown first") << NotepadNoteIdList{99, 30, 10} << "c b a" << 1;
        QTest::newRow("unknown middle") << NotepadNoteIdList{30, 99, 10} << "c b a" << 1;
    }
    void displayOrder()
    {
        QFETCH(NotepadNoteIdList, ids);
        QFETCH(QString, expected);
        QFETCH(int, unknown);
        Notepad pad;
        for (quint32 id : {10u, 20u, 30u})
            pad.notes.appendNote(makeNote(QString(QChar('a' + id / 10 - 1)), NotepadNote::Unedited, id, 1));
        QSignalSpy spy(&pad.notes, &NotepadNotes::displayOrderChanged);
        for (int i = 0; i < unknown; ++i)
            QTest::ignoreMessage(QtWarningMsg, "onDisplayOrderChanged error, the id dont exists locally");
        pad.notes.setDisplayOrder(ids);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<NotepadNoteIdList>(), ids);
        QCOMPARE(titles(pad.notes.notes()), expected);
    }

    // ------------------------------------------------------------ the file

    void saveAndLoad()
    {
        QList<NotepadNote *> written;
        {
            NotepadNotes notes;
            notes.appendNote(makeNote(QStringLiteral("Ideas"), NotepadNote::Unedited, 3, 2, QStringLiteral("first line\nsecond line")));
            notes.appendNote(makeNote(NotepadNote::defaultTitle()));
            notes.appendNote(makeNote(QStringLiteral("Old"), NotepadNote::Deleted, 9, 4, QStringLiteral("gone")));
            notes.setDisplayOrderChanged(true);
            QVERIFY(notes.saveIfChanged());
            QVERIFY(!notes.isChanged());
            QVERIFY(notes.saveIfChanged()); // nothing to do
            written = notes.notes();
        } // the destructor saves the same once more
        qDeleteAll(written);
        Notepad loaded(false);
        QVERIFY(loaded.notes.load());
        QCOMPARE(titles(loaded.notes.notes()), QStringLiteral("Ideas Note Old"));
        auto fieldsOf = [](const NotepadNote *n) {
            return QStringLiteral("%1 %2 %3 %4").arg(n->syncStatus()).arg(n->serverId()).arg(n->revision()).arg(n->text());
        };
        QCOMPARE(fieldsOf(loaded.at(0)), QStringLiteral("2 3 2 first line\nsecond line"));
        QCOMPARE(fieldsOf(loaded.at(1)), QStringLiteral("1 0 0 "));
        QCOMPARE(fieldsOf(loaded.at(2)), QStringLiteral("4 9 4 gone"));
        QVERIFY(loaded.notes.isDisplayOrderChanged());
        QVERIFY(!loaded.notes.isChanged());
    }

    // The temporary of a save cut short in an earlier run goes; the user's
    // own files beside the notes stay, even one of the same form.
    void loadRemovesInterruptedSaves()
    {
        const QString leftover = NotepadNotes::filePath() + QStringLiteral(".plumdeck-save-xy12ab34cd56");
        const QStringList kept = {NotepadNotes::filePath() + QStringLiteral(".before"),
                                  NotepadNotes::filePath() + QStringLiteral(".abc123")};
        QVERIFY(InterruptedSave::plantFile(leftover, "", InterruptedSave::beforeTheStart()));
        QVERIFY(InterruptedSave::plantNote(NotepadNotes::filePath(), QFileInfo(leftover).fileName()));
        for (const QString &path : kept)
            QVERIFY(InterruptedSave::plantFile(path, "mine", InterruptedSave::beforeTheStart()));
        Notepad pad(false, {"a"});
        QVERIFY(pad.notes.load());
        QVERIFY(!QFile::exists(leftover));
        for (const QString &path : kept) {
            QVERIFY2(QFile::exists(path), qPrintable(path));
            QFile::remove(path);
        }
    }

    // A save of the notes killed before its temporary had a name left an
    // earlier version's note naming the freed inode; the user's copy that
    // took it ("cp -p", keeping its times) stays.
    void loadKeepsTheUsersCopies_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("backup") << ".backup";
        QTest::newRow("before") << ".before";
        QTest::newRow("old001") << ".old001";
    }

    void loadKeepsTheUsersCopies()
    {
        QFETCH(QString, suffix);
        const QString copy = NotepadNotes::filePath() + suffix;
        QVERIFY(InterruptedSave::plantFile(copy, "mine", InterruptedSave::beforeTheStart().addSecs(-3600)));
        QVERIFY(InterruptedSave::plantNoteByInode(NotepadNotes::filePath(), copy));
        Notepad pad(false, {"a"});
        QVERIFY(pad.notes.load());
        QVERIFY(!QFile::exists(NotepadNotes::filePath() + QStringLiteral(".interrupted-save")));
        QVERIFY(QFile::exists(copy));
        QVERIFY(QFile::remove(copy));
    }

    void loadWithoutFileKeepsList()
    {
        Notepad pad(false, {"a"});
        QVERIFY(!QFile::exists(NotepadNotes::filePath()));
        QVERIFY(pad.notes.load());
        QCOMPARE(titles(pad.notes.notes()), QStringLiteral("a"));
        pad.notes.setChanged(true);
        QVERIFY(pad.notes.saveIfChanged());
        QVERIFY(QFile::exists(NotepadNotes::filePath()));
    }

    void destructorSaves()
    {
        // The destructor frees the list but not the notes in it.
        std::unique_ptr<NotepadNote> note(makeNote(QStringLiteral("kept by the destructor")));
        {
            NotepadNotes notes;
            notes.notes().append(note.get());
            QVERIFY(!notes.isChanged());
        }
        Notepad loaded(false);
        QVERIFY(loaded.notes.load());
        QCOMPARE(titles(loaded.notes.notes()), QStringLiteral("kept by the destructor"));
    }

    void failedSaveKeepsChanged()
    {
        // A directory in the file's place makes every write fail, for root too.
        QVERIFY(QDir().mkpath(NotepadNotes::filePath()));
        {
            Notepad pad(false);
            pad.notes.appendNote(makeNote(QStringLiteral("new")));
            for (int i = 0; i < 3; ++i) // save, saveIfChanged, the destructor's save
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error saving notepad ")));
            QVERIFY(!pad.notes.save());
            // Kept, so the next tick of the save timer tries again.
            QVERIFY(pad.notes.isChanged());
            QVERIFY(!pad.notes.saveIfChanged());
            QVERIFY(pad.notes.isChanged());
        }
    }

    void unreadableFileKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("truncated") << QByteArray("<?xml version=\"1.0\"?><html><body><div class=\"pd-notepad-note\">");
        QTest::newRow("no body") << QByteArray("<html><head/></html>");
        QTest::newRow("bad note, two bodies")
            << QByteArray("<html><head/><body><div class=\"pd-notepad-note\"><dl class=\"pd-notepad-note-fields\">"
                          "<dt>sync-status</dt><dd>edited</dd><dt>title</dt><dd>t</dd><dt>text</dt><dd/>"
                          "</dl></div></body><body/></html>");
    }
    void unreadableFileKeptAside()
    {
        QFETCH(QByteArray, content);
        writeFile(NotepadNotes::filePath(), content);
        {
            Notepad pad(false, {"current"});
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error loading notepad ")));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("notepad.xhtml.unreadable-")));
            QVERIFY(!pad.notes.load());
            QCOMPARE(titles(pad.notes.notes()), QStringLiteral("current"));
        } // the destructor's save writes a fresh file
        QCOMPARE(keptAsideBytes(NotepadNotes::filePath()), content);
    }

    // One note the reader refuses costs that note only: the others load,
    // the file is kept aside as it was, and the next save writes the others.
    void unreadNoteLeftOut_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("titles");
        QTest::addColumn<QString>("unread"); // position|title|server id|reason
        const QString fallback = QStringLiteral("note refused: no title or text, or an id or revision of 0");
        const QString before = noteXml("sync-status=unedited|id=3|revision=2|title=Ideas|text=one");
        const QString after = noteXml("sync-status=new|title=Plan|text=two");
        QTest::newRow("removed note with an id and revision 0")
            << before + noteXml("sync-status=deleted|id=7|revision=0|title=Gone|text=x") + after << "Ideas Plan"
            << "2|Gone|7|" + fallback;
        QTest::newRow("id not a number") << before + noteXml("sync-status=edited|id=x|revision=1|title=Odd|text=") + after
                                         << "Ideas Plan" << "2|Odd|0|bad note id string x";
        QTest::newRow("sync status in capitals") << before + noteXml("sync-status=Edited|title=Caps|text=") + after
                                                 << "Ideas Plan" << "2|Caps|0|unexpected sync status string Edited";
        QTest::newRow("no text, known by id") << before + after + noteXml("sync-status=edited|id=9|revision=1")
                                              << "Ideas Plan" << "3||9|" + fallback;
        QTest::newRow("the only note") << noteXml("sync-status=edited|title=t|text=") << "" << "1|t|0|bad note id string ";
    }
    void unreadNoteLeftOut()
    {
        QFETCH(QString, body);
        QFETCH(QString, titles);
        QFETCH(QString, unread);
        const QByteArray content = QStringLiteral("<html><head/><body>%1</body></html>").arg(body).toUtf8();
        const QString path = NotepadNotes::filePath();
        writeFile(path, content);
        {
            Notepad pad(false);
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^left out note ")));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^kept the unreadable notepad file as ")));
            QVERIFY(pad.notes.load());
            QCOMPARE(::titles(pad.notes.notes()), titles);
            QCOMPARE(pad.notes.unreadNotes().size(), 1);
            const UnreadRecord &r = pad.notes.unreadNotes().first();
            QCOMPARE(QStringLiteral("%1|%2|%3|%4").arg(r.position).arg(r.name).arg(r.serverId).arg(r.reason), unread);
            // A copy: the file stays in place until the next save.
            QVERIFY2(pad.notes.keptAsidePath().startsWith(path + QStringLiteral(".unreadable-")),
                     qPrintable(pad.notes.keptAsidePath()));
            QCOMPARE(readFile(pad.notes.keptAsidePath()), content);
            QCOMPARE(readFile(path), content);
            QVERIFY(pad.notes.isChanged());
            // The next save writes the others, whole, and keeps the copy.
            QVERIFY(pad.notes.save());
            QFile file(path);
            NotepadReaderWriter reader(XMLReaderWriter::LocalDocument);
            std::optional<QList<NotepadNote *>> saved = reader.loadNotepad(&file);
            QVERIFY(saved);
            QCOMPARE(::titles(*saved), titles);
            qDeleteAll(*saved);
            QCOMPARE(keptAsideBytes(path), content);
        }
        QCOMPARE(keptAsideBytes(path), content);
    }
};

PLUMDECK_TEST_MAIN(TstNotepadNotes)
#include "tst_notepadnotes.moc"
