#ifndef NOTEPADNOTES_H
#define NOTEPADNOTES_H

#include "core/unreadrecord.h"
#include "model/notepadnote.h"
#include "model/notepadnoteidlist.h"

#include <QList>
#include <QObject>
#include <QSet>

#include <optional>

// The notepad: every note in display order, deleted ones included until the
// server has been told. The notepad page creates the one instance and carries
// out what the signals ask of the view; the synchronisers reach it through
// instance().
class NotepadNotes : public QObject
{
    Q_OBJECT
public:
    explicit NotepadNotes(QObject *parent = nullptr);
    // Saves (changed or not), then frees the list; the notes stay.
    ~NotepadNotes() override;

    static NotepadNotes *instance();

    // The page reads the list and empties it on a full reset.
    QList<NotepadNote *> &notes() { return m_notes; }
    const QList<NotepadNote *> &notes() const { return m_notes; }

    NotepadNote *appendNote(NotepadNote *note);
    void moveNote(NotepadNote *note, NotepadNote *target);
    int indexOfServerId(quint32 id) const;

    void setDisplayOrderChanged(bool changed) { m_displayOrderChanged = changed; }
    bool isDisplayOrderChanged() const { return m_displayOrderChanged; }
    // The display order (server ids) as this computer and the server last
    // agreed on it; unknown before the first, and once the removed notes
    // are dropped for another server.
    const std::optional<NotepadNoteIdList> &agreedDisplayOrder() const { return m_agreedDisplayOrder; }
    void setAgreedDisplayOrder(const std::optional<NotepadNoteIdList> &ids);
    // The notes (server ids) the user moved in the order since: only those
    // take their place here over the server's. Unknown when a file that
    // holds an agreed order does not tell.
    const std::optional<QSet<quint32>> &movedInOrder() const { return m_movedInOrder; }
    void setMovedInOrder(const std::optional<QSet<quint32>> &ids);
    // The notes a run took from the server since the order was agreed:
    // the server's order places them, also after a run that ended before
    // it merged the orders.
    const QSet<quint32> &arrivedInOrder() const { return m_arrivedInOrder; }
    void setArrivedInOrder(const QSet<quint32> &ids);
    void noteArrived(quint32 id);
    // The user moved the note (the page calls it).
    void noteMoved(const NotepadNote *note);
    void setChanged(bool changed) { m_changed = changed; }
    bool isChanged() const { return m_changed; }

    // False, with *error saying why, when the file could not be written.
    bool save(QString *error = nullptr);
    // While held, a save writes nothing and the changes stay to be written.
    void setSavesHeld(bool held) { m_savesHeld = held; }
    bool saveIfChanged(QString *error = nullptr);
    // Reads the notepad file; true when it is missing. A file that cannot
    // be read gives false and is kept aside (keptAsidePath(); empty when it
    // could not be, and then it is not saved over). A note the reader
    // refuses in a file sound otherwise costs only that note: the others
    // are read and marked changed, so that the next save writes them
    // without it, the refused ones are named in unreadNotes(), and a copy of
    // the file as it was is kept aside first.
    bool load();
    const UnreadRecords &unreadNotes() const { return m_unreadNotes; }
    QString keptAsidePath() const { return m_keptAsidePath; }

    // Every note the user has becomes new (no server id); removed notes
    // stay removed.
    void resetAllNotesToNew();
    // Forgets the removed notes still to be deleted on the server (the
    // server they came from is not the user's any more).
    void dropDeletedNotes();
    void deleteAndPurgeEverything();

    // For the synchronisers.
    NotepadNote *addNote(NotepadNote *note);
    void updateNote(NotepadNote *local, NotepadNote *fromServer);
    void removeNote(NotepadNote *note);
    void purgeNote(NotepadNote *note);
    void setDisplayOrder(const NotepadNoteIdList &ids);
    void requestRemoveDefaultNotes();
    // A fresh note of the user's (new, untitled), which the page takes in
    // and shows as it does every note.
    NotepadNote *addDefaultNote();
    // A note of the user's as it is (new), shown as every note.
    NotepadNote *addLocalNote(NotepadNote *note);

    static QString filePath();

signals:
    void removeNoteFromView(NotepadNote *note);
    void removeDefaultNotes();
    void addNoteToModelAndView(NotepadNote *note);
    void deleteAndPurgeEverythingSignal();
    void displayOrderChanged(const NotepadNoteIdList &ids);

private:
    QList<NotepadNote *> m_notes;
    bool m_displayOrderChanged = false;
    std::optional<NotepadNoteIdList> m_agreedDisplayOrder;
    std::optional<QSet<quint32>> m_movedInOrder = QSet<quint32>();
    QSet<quint32> m_arrivedInOrder;
    bool m_changed = false;
    UnreadRecords m_unreadNotes;
    QString m_keptAsidePath;

    static NotepadNotes *s_instance;
    bool m_savesHeld = false;
};

#endif
