#ifndef NOTEPADNOTES_H
#define NOTEPADNOTES_H

#include "model/notepadnote.h"
#include "model/notepadnoteidlist.h"

#include <QList>
#include <QObject>

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
    void setChanged(bool changed) { m_changed = changed; }
    bool isChanged() const { return m_changed; }

    bool save();
    bool saveIfChanged();
    bool load();

    void resetAllNotesToNew();
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
    bool m_changed = false;

    static NotepadNotes *s_instance;
};

#endif
