#include "model/notepadnote.h"
#include "model/notepadnotes.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>

#include <memory>

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
        connect(notes, &NotepadNotes::deleteAndPurgeEverythingSignal, this,
                &NotepadListener::deleteAndPurgeEverything);
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

NotepadNote *makeNote(const QString &title, NotepadNote::SyncStatus status = NotepadNote::New,
                      quint32 id = 0, quint32 revision = 0, const QString &text = QString())
{
    auto *note = new NotepadNote;
    note->setSyncStatus(status);
    note->setServerId(id);
    note->setRevision(revision);
    note->setTitle(title);
    note->setText(text);
    return note;
}

QStringList titles(const QList<NotepadNote *> &notes)
{
    QStringList out;
    for (const NotepadNote *n : notes)
        out << n->title();
    return out;
}

void deleteNotes(NotepadNotes &notes)
{
    qDeleteAll(notes.notes());
    notes.notes().clear();
}

} // namespace

class TstNotepadNotes : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QFile::remove(NotepadNotes::filePath());
        QDir dir(QFileInfo(NotepadNotes::filePath()).path());
        for (const QString &name : dir.entryList({QStringLiteral("notepad.xhtml*")}, QDir::AllEntries)) {
            QFileInfo fi(dir.filePath(name));
            if (fi.isDir())
                QDir(fi.filePath()).removeRecursively();
            else
                QFile::remove(fi.filePath());
        }
    }

    void newNote()
    {
        NotepadNote note;
        QCOMPARE(note.syncStatus(), NotepadNote::New);
        QCOMPARE(note.title(), QStringLiteral("Note"));
        QVERIFY(note.text().isEmpty());
        QCOMPARE(note.serverId(), 0u);
        QCOMPARE(note.revision(), 0u);
        QVERIFY(note.isUntouched());
        QVERIFY(!note.parent());
    }

    void idsReadZeroWhileNew_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<quint32>("id");
        QTest::addColumn<quint32>("revision");
        QTest::newRow("new") << int(NotepadNote::New) << 0u << 0u;
        QTest::newRow("unedited") << int(NotepadNote::Unedited) << 7u << 3u;
        QTest::newRow("edited") << int(NotepadNote::Edited) << 7u << 3u;
        QTest::newRow("deleted") << int(NotepadNote::Deleted) << 7u << 3u;
        QTest::newRow("unknown") << int(NotepadNote::LocallyUnknown) << 7u << 3u;
    }
    void idsReadZeroWhileNew()
    {
        QFETCH(int, status);
        QFETCH(quint32, id);
        QFETCH(quint32, revision);
        NotepadNote note;
        note.setServerId(7);
        note.setRevision(3);
        note.setSyncStatus(NotepadNote::SyncStatus(status));
        QCOMPARE(note.serverId(), id);
        QCOMPARE(note.revision(), revision);
    }

    void setServerId_data()
    {
        QTest::addColumn<quint32>("stored");
        QTest::addColumn<quint32>("given");
        QTest::addColumn<bool>("warns");
        QTest::newRow("replace") << 7u << 5u << true;
        QTest::newRow("clear") << 7u << 0u << false;
        QTest::newRow("first") << 0u << 5u << false;
        QTest::newRow("same") << 7u << 7u << false;
    }
    void setServerId()
    {
        QFETCH(quint32, stored);
        QFETCH(quint32, given);
        QFETCH(bool, warns);
        NotepadNote note;
        note.setSyncStatus(NotepadNote::Unedited);
        note.setServerId(stored);
        if (warns)
            QTest::ignoreMessage(QtWarningMsg, "setting server id when we have one already");
        else
            QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        note.setServerId(given);
        QCOMPARE(note.serverId(), given);
    }

    void setTitleAndTextOnlySignal()
    {
        NotepadNotes notes;
        NotepadNote note;
        note.setSyncStatus(NotepadNote::Unedited);
        QSignalSpy titleSpy(&note, &NotepadNote::titleChanged);
        QSignalSpy textSpy(&note, &NotepadNote::contentsChanged);
        note.setTitle(QStringLiteral("Note"));
        note.setText(QString());
        QCOMPARE(titleSpy.count(), 0);
        QCOMPARE(textSpy.count(), 0);
        note.setTitle(QStringLiteral("Ideas"));
        note.setText(QStringLiteral("first"));
        QCOMPARE(titleSpy.count(), 1);
        QCOMPARE(titleSpy.at(0).at(0).value<NotepadNote *>(), &note);
        QCOMPARE(textSpy.count(), 1);
        QCOMPARE(textSpy.at(0).at(0).value<NotepadNote *>(), &note);
        QCOMPARE(note.syncStatus(), NotepadNote::Unedited);
        QVERIFY(!notes.isChanged());
    }

    void userEdits_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("title");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("statusAfter");
        QTest::addColumn<bool>("changed");
        QTest::newRow("title unedited") << int(NotepadNote::Unedited) << true << "Ideas" << true
                                        << int(NotepadNote::Edited) << true;
        QTest::newRow("title same") << int(NotepadNote::Unedited) << true << "Note" << false
                                    << int(NotepadNote::Unedited) << false;
        QTest::newRow("text new") << int(NotepadNote::New) << false << "x" << true
                                  << int(NotepadNote::New) << true;
        QTest::newRow("text same") << int(NotepadNote::Unedited) << false << "" << false
                                   << int(NotepadNote::Unedited) << false;
        QTest::newRow("text deleted") << int(NotepadNote::Deleted) << false << "x" << true
                                      << int(NotepadNote::Deleted) << true;
        QTest::newRow("text edited") << int(NotepadNote::Edited) << false << "x" << true
                                     << int(NotepadNote::Edited) << true;
    }
    void userEdits()
    {
        QFETCH(int, status);
        QFETCH(bool, title);
        QFETCH(QString, value);
        QFETCH(bool, result);
        QFETCH(int, statusAfter);
        QFETCH(bool, changed);
        NotepadNotes notes;
        NotepadNote note;
        note.setSyncStatus(NotepadNote::SyncStatus(status));
        QSignalSpy titleSpy(&note, &NotepadNote::titleChanged);
        QSignalSpy textSpy(&note, &NotepadNote::contentsChanged);
        QCOMPARE(title ? note.editTitle(value) : note.editText(value), result);
        QCOMPARE(title ? note.title() : note.text(), title && !result ? QStringLiteral("Note") : value);
        QCOMPARE(int(note.syncStatus()), statusAfter);
        QCOMPARE(notes.isChanged(), changed);
        QCOMPARE(titleSpy.count() + textSpy.count(), 0);
    }

    void untouched_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("untouched");
        QTest::newRow("fresh") << int(NotepadNote::New) << "Note" << "" << true;
        QTest::newRow("renamed") << int(NotepadNote::New) << "Ideas" << "" << false;
        QTest::newRow("written") << int(NotepadNote::New) << "Note" << "x" << false;
        QTest::newRow("from server") << int(NotepadNote::Unedited) << "Note" << "" << false;
    }
    void untouched()
    {
        QFETCH(int, status);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(bool, untouched);
        NotepadNote note;
        note.setSyncStatus(NotepadNote::SyncStatus(status));
        note.setTitle(title);
        note.setText(text);
        QCOMPARE(note.isUntouched(), untouched);
    }

    void resetToNew()
    {
        NotepadNotes notes;
        notes.appendNote(makeNote(QStringLiteral("a"), NotepadNote::Edited, 4, 9));
        notes.appendNote(makeNote(QStringLiteral("b"), NotepadNote::Deleted, 5, 2));
        notes.setChanged(false);
        notes.resetAllNotesToNew();
        for (NotepadNote *note : notes.notes()) {
            QCOMPARE(note->syncStatus(), NotepadNote::New);
            note->setSyncStatus(NotepadNote::Unedited);
            QCOMPARE(note->serverId(), 0u);
            QCOMPARE(note->revision(), 0u);
        }
        // The reset must reach the file: the old account's ids are gone.
        QVERIFY(notes.isChanged());
        deleteNotes(notes);
    }

    void moveNote_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("changed");
        QTest::newRow("first onto last") << 0 << 2 << QStringList{"B", "C", "A"} << true;
        QTest::newRow("last onto first") << 2 << 0 << QStringList{"C", "A", "B"} << true;
        QTest::newRow("middle onto first") << 1 << 0 << QStringList{"B", "A", "C"} << true;
        QTest::newRow("onto itself") << 1 << 1 << QStringList{"A", "B", "C"} << false;
        QTest::newRow("note not in list") << -1 << 0 << QStringList{"A", "B", "C"} << false;
        QTest::newRow("target not in list") << 0 << -1 << QStringList{"A", "B", "C"} << false;
    }
    void moveNote()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QStringList, expected);
        QFETCH(bool, changed);
        NotepadNotes notes;
        for (const char *t : {"A", "B", "C"})
            notes.appendNote(makeNote(QLatin1String(t)));
        notes.setChanged(false);
        NotepadNote outside;
        NotepadNote *note = from < 0 ? &outside : notes.notes().at(from);
        NotepadNote *target = to < 0 ? &outside : notes.notes().at(to);
        notes.moveNote(note, target);
        QCOMPARE(titles(notes.notes()), expected);
        QCOMPARE(notes.isChanged(), changed);
        QVERIFY(!notes.isDisplayOrderChanged());
        deleteNotes(notes);
    }

    void indexOfServerId()
    {
        NotepadNotes notes;
        notes.appendNote(makeNote(QStringLiteral("a"), NotepadNote::Unedited, 4, 1));
        notes.appendNote(makeNote(QStringLiteral("b"), NotepadNote::New, 9, 1));
        notes.appendNote(makeNote(QStringLiteral("c"), NotepadNote::Unedited, 9, 1));
        QCOMPARE(notes.indexOfServerId(4), 0);
        // A new note's id reads 0 whatever is stored.
        QCOMPARE(notes.indexOfServerId(0), 1);
        QCOMPARE(notes.indexOfServerId(9), 2);
        QCOMPARE(notes.indexOfServerId(77), -1);
        deleteNotes(notes);
    }

    void appendMarksChanged()
    {
        NotepadNotes notes;
        QVERIFY(!notes.isChanged());
        NotepadNote *note = makeNote(QStringLiteral("a"));
        QCOMPARE(notes.appendNote(note), note);
        // Without the mark a note added (or fetched) would reach the file
        // only when the notepad is destroyed; a crash before loses it.
        QVERIFY(notes.isChanged());
        QVERIFY(notes.saveIfChanged());
        QVERIFY(QFile::exists(NotepadNotes::filePath()));
        QVERIFY(!notes.isChanged());
        deleteNotes(notes);
    }

    void addNoteGoesThroughTheView()
    {
        NotepadNotes notes;
        QSignalSpy spy(&notes, &NotepadNotes::addNoteToModelAndView);
        NotepadNote *note = makeNote(QStringLiteral("from server"));
        QCOMPARE(notes.addNote(note), note);
        QCOMPARE(note->syncStatus(), NotepadNote::Unedited);
        QCOMPARE(spy.count(), 1);
        QVERIFY(notes.notes().isEmpty()); // only the view appends it
        NotepadListener page(&notes);
        NotepadNote *second = makeNote(QStringLiteral("second"));
        notes.addNote(second);
        QCOMPARE(notes.notes(), QList<NotepadNote *>{second});
        QCOMPARE(page.shown, QList<NotepadNote *>{second});
        delete note;
        deleteNotes(notes);
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
        NotepadNotes notes;
        NotepadNote *local = notes.appendNote(
            makeNote(QStringLiteral("Ideas"), NotepadNote::Edited, 3, 2, QStringLiteral("body")));
        notes.setChanged(false);
        QPointer<NotepadNote> server = makeNote(title, NotepadNote::Unedited, 3, 5, text);
        QSignalSpy titleSpy(local, &NotepadNote::titleChanged);
        QSignalSpy textSpy(local, &NotepadNote::contentsChanged);
        notes.updateNote(local, server);
        QCOMPARE(local->syncStatus(), NotepadNote::Unedited);
        QCOMPARE(local->serverId(), 3u);
        QCOMPARE(local->revision(), 5u);
        QCOMPARE(local->title(), title);
        QCOMPARE(local->text(), text);
        QCOMPARE(titleSpy.count(), titleSignals);
        QCOMPARE(textSpy.count(), textSignals);
        QVERIFY(notes.isChanged());
        QVERIFY(server);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!server);
        deleteNotes(notes);
    }

    void removeNote_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("signalCount");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<int>("statusAfter");
        QTest::newRow("deleted purged at once") << int(NotepadNote::Deleted) << 0 << false << 0;
        QTest::newRow("new purged by the view") << int(NotepadNote::New) << 1 << false << 0;
        QTest::newRow("unedited kept as deleted")
            << int(NotepadNote::Unedited) << 1 << true << int(NotepadNote::Deleted);
        QTest::newRow("edited kept as deleted")
            << int(NotepadNote::Edited) << 1 << true << int(NotepadNote::Deleted);
    }
    void removeNote()
    {
        QFETCH(int, status);
        QFETCH(int, signalCount);
        QFETCH(bool, kept);
        QFETCH(int, statusAfter);
        NotepadNotes notes;
        NotepadListener page(&notes);
        QPointer<NotepadNote> note = notes.appendNote(
            makeNote(QStringLiteral("a"), NotepadNote::SyncStatus(status), 6, 1));
        notes.appendNote(makeNote(QStringLiteral("b")));
        QSignalSpy spy(&notes, &NotepadNotes::removeNoteFromView);
        notes.removeNote(note);
        QCOMPARE(spy.count(), signalCount);
        QCOMPARE(bool(note), kept);
        QCOMPARE(notes.notes().size(), kept ? 2 : 1);
        if (kept)
            QCOMPARE(int(note->syncStatus()), statusAfter);
        deleteNotes(notes);
    }

    void purgeNote()
    {
        NotepadNotes notes;
        QPointer<NotepadNote> a = notes.appendNote(makeNote(QStringLiteral("a")));
        notes.setChanged(false);
        notes.purgeNote(nullptr);
        QVERIFY(!notes.isChanged());
        QPointer<NotepadNote> outside = makeNote(QStringLiteral("outside"));
        notes.purgeNote(outside);
        QVERIFY(!outside);
        QVERIFY(!notes.isChanged());
        notes.purgeNote(a);
        QVERIFY(!a);
        QVERIFY(notes.notes().isEmpty());
        QVERIFY(notes.isChanged());
    }

    void removeDefaultNotes()
    {
        NotepadNotes notes;
        NotepadListener page(&notes);
        notes.appendNote(makeNote(NotepadNote::defaultTitle()));
        notes.appendNote(makeNote(QStringLiteral("kept")));
        notes.appendNote(makeNote(NotepadNote::defaultTitle(), NotepadNote::New, 0, 0, QStringLiteral("x")));
        notes.appendNote(makeNote(NotepadNote::defaultTitle()));
        notes.requestRemoveDefaultNotes();
        QCOMPARE(titles(notes.notes()), (QStringList{"kept", "Note"}));
        deleteNotes(notes);
    }

    void deleteAndPurgeEverything()
    {
        NotepadNotes notes;
        notes.appendNote(makeNote(QStringLiteral("a")));
        QSignalSpy spy(&notes, &NotepadNotes::deleteAndPurgeEverythingSignal);
        notes.deleteAndPurgeEverything();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(notes.notes().size(), 1); // the view empties it
        NotepadListener page(&notes);
        notes.deleteAndPurgeEverything();
        QVERIFY(notes.notes().isEmpty());
    }

    void displayOrder_data()
    {
        QTest::addColumn<NotepadNoteIdList>("ids");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("unknown");
        QTest::newRow("reversed") << NotepadNoteIdList{30, 20, 10} << QStringList{"c", "b", "a"} << 0;
        QTest::newRow("partial") << NotepadNoteIdList{20} << QStringList{"b", "a", "c"} << 0;
        // An unknown id is skipped; the rest of the server's order still applies.
        QTest::newRow("unknown first") << NotepadNoteIdList{99, 30, 10} << QStringList{"c", "b", "a"} << 1;
        QTest::newRow("unknown middle") << NotepadNoteIdList{30, 99, 10} << QStringList{"c", "b", "a"} << 1;
    }
    void displayOrder()
    {
        QFETCH(NotepadNoteIdList, ids);
        QFETCH(QStringList, expected);
        QFETCH(int, unknown);
        NotepadNotes notes;
        NotepadListener page(&notes);
        notes.appendNote(makeNote(QStringLiteral("a"), NotepadNote::Unedited, 10, 1));
        notes.appendNote(makeNote(QStringLiteral("b"), NotepadNote::Unedited, 20, 1));
        notes.appendNote(makeNote(QStringLiteral("c"), NotepadNote::Unedited, 30, 1));
        QSignalSpy spy(&notes, &NotepadNotes::displayOrderChanged);
        for (int i = 0; i < unknown; ++i)
            QTest::ignoreMessage(QtWarningMsg, "onDisplayOrderChanged error, the id dont exists locally");
        notes.setDisplayOrder(ids);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<NotepadNoteIdList>(), ids);
        QCOMPARE(titles(notes.notes()), expected);
        deleteNotes(notes);
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

    void saveAndLoad()
    {
        QList<NotepadNote *> written;
        {
            NotepadNotes notes;
            notes.appendNote(makeNote(QStringLiteral("Ideas"), NotepadNote::Unedited, 3, 2,
                                      QStringLiteral("first line\nsecond line")));
            notes.appendNote(makeNote(NotepadNote::defaultTitle()));
            notes.appendNote(makeNote(QStringLiteral("Old"), NotepadNote::Deleted, 9, 4, QStringLiteral("gone")));
            notes.setDisplayOrderChanged(true);
            QVERIFY(notes.save());
            QVERIFY(!notes.isChanged());
            QVERIFY(notes.isDisplayOrderChanged());
            written = notes.notes();
        } // the destructor saves the same once more
        qDeleteAll(written);
        NotepadNotes loaded;
        QVERIFY(loaded.load());
        QCOMPARE(titles(loaded.notes()), (QStringList{"Ideas", "Note", "Old"}));
        const QList<NotepadNote *> &n = loaded.notes();
        QCOMPARE(n.at(0)->syncStatus(), NotepadNote::Unedited);
        QCOMPARE(n.at(0)->serverId(), 3u);
        QCOMPARE(n.at(0)->revision(), 2u);
        QCOMPARE(n.at(0)->text(), QStringLiteral("first line\nsecond line"));
        QCOMPARE(n.at(1)->syncStatus(), NotepadNote::New);
        QVERIFY(n.at(1)->isUntouched());
        QCOMPARE(n.at(2)->syncStatus(), NotepadNote::Deleted);
        QCOMPARE(n.at(2)->serverId(), 9u);
        QVERIFY(loaded.isDisplayOrderChanged());
        QVERIFY(!loaded.isChanged());
        deleteNotes(loaded);
    }

    void loadWithoutFileKeepsList()
    {
        NotepadNotes notes;
        NotepadNote *a = notes.appendNote(makeNote(QStringLiteral("a")));
        QVERIFY(!QFile::exists(NotepadNotes::filePath()));
        QVERIFY(notes.load());
        QCOMPARE(notes.notes(), QList<NotepadNote *>{a});
        deleteNotes(notes);
        notes.setChanged(false);
    }

    void saveIfChanged()
    {
        NotepadNotes notes;
        QVERIFY(notes.saveIfChanged());
        QVERIFY(!QFile::exists(NotepadNotes::filePath()));
        notes.setChanged(true);
        QVERIFY(notes.saveIfChanged());
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
        NotepadNotes loaded;
        QVERIFY(loaded.load());
        QCOMPARE(titles(loaded.notes()), QStringList{"kept by the destructor"});
        deleteNotes(loaded);
    }

    void failedSaveKeepsChanged()
    {
        // A directory in the file's place makes every write fail, for root too.
        const QString path = NotepadNotes::filePath();
        QVERIFY(QDir().mkpath(path));
        {
            NotepadNotes notes;
            notes.appendNote(makeNote(QStringLiteral("new")));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error saving notepad ")));
            QVERIFY(!notes.save());
            // Kept, so the next tick of the save timer tries again.
            QVERIFY(notes.isChanged());
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error saving notepad ")));
            QVERIFY(!notes.saveIfChanged());
            QVERIFY(notes.isChanged());
            deleteNotes(notes);
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error saving notepad ")));
        }
        QVERIFY(QDir(path).removeRecursively());
    }

    void unreadableFileKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("truncated") << QByteArray("<?xml version=\"1.0\"?><html><body><div class=\"pd-notepad-note\">");
        QTest::newRow("bad note")
            << QByteArray("<html><head/><body><div class=\"pd-notepad-note\"><dl class=\"pd-notepad-note-fields\">"
                          "<dt>sync-status</dt><dd>edited</dd><dt>title</dt><dd>t</dd><dt>text</dt><dd/>"
                          "</dl></div></body></html>");
    }
    void unreadableFileKeptAside()
    {
        QFETCH(QByteArray, content);
        const QString path = NotepadNotes::filePath();
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        {
            NotepadNotes notes;
            NotepadNote *existing = notes.appendNote(makeNote(QStringLiteral("current")));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error loading notepad ")));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("notepad.xhtml.unreadable-")));
            QVERIFY(!notes.load());
            QCOMPARE(notes.notes(), QList<NotepadNote *>{existing});
            deleteNotes(notes);
        } // the destructor's save writes a fresh file
        const QStringList aside = QDir(QFileInfo(path).path())
                                      .entryList({QStringLiteral("notepad.xhtml.unreadable-*")}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QFile kept(QFileInfo(path).path() + QLatin1Char('/') + aside.first());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), content);
    }
};

PLUMDECK_TEST_MAIN(TstNotepadNotes)
#include "tst_notepadnotes.moc"
