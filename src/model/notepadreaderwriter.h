#ifndef NOTEPADREADERWRITER_H
#define NOTEPADREADERWRITER_H

#include "core/xmlreaderwriter.h"
#include "model/notepadnote.h"
#include "model/notepadnoteidlist.h"

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QMap>

#include <optional>

class NotepadNoteInfo;
class NotepadNotes;
class QIODevice;

// Reads and writes every document that carries notes: "notepad.xhtml" (kind
// 0) and the notepad's server documents (kind 1). Made on the stack for one
// exchange; after a failed read errorString() says why.
class NotepadReaderWriter : public XMLReaderWriter
{
public:
    explicit NotepadReaderWriter(int kind);
    ~NotepadReaderWriter() override;

    // The notepad document. A failed read returns nothing and keeps no note.
    // The note is the record a reader that skips unread records leaves out.
    bool saveNotepad(NotepadNotes *notes, QIODevice *device);
    std::optional<QList<NotepadNote *>> loadNotepad(QIODevice *device);
    QDomDocument writeNotepad(NotepadNotes *notes);
    std::optional<QList<NotepadNote *>> readNotepad(const QDomDocument &doc);
    void writeLocalFields(QDomElement &body, NotepadNotes *notes);
    void readLocalFields(const QDomElement &body);

    // One note element; readNote returns a new note without parent or null.
    void writeNote(QDomElement &parent, NotepadNote *note);
    NotepadNote *readNote(const QDomElement &element);

    QDomDocument writeNoteDocument(NotepadNote *note);
    NotepadNote *readNoteDocument(const QDomDocument &doc);

    // The display order. A failed read leaves `ids` as it was.
    QDomDocument writeNoteRefs(const NotepadNoteIdList &ids);
    void writeNoteRef(QDomElement &ol, quint32 id);
    bool readNoteRefs(const QDomDocument &doc, NotepadNoteIdList &ids);
    quint32 readNoteRef(const QDomElement &li);
    quint32 noteIdFromElement(const QDomElement &element);

    // The server's summaries, by note id; the caller owns them. A failed read
    // leaves `infos` as it was.
    bool readNoteInfos(const QDomDocument &doc, QMap<quint32, NotepadNoteInfo *> &infos);
    NotepadNoteInfo *readNoteInfo(const QDomElement &fields);

    // The id the server gave a new note; 0 when there is none.
    quint32 readNoteId(const QDomDocument &doc);

    static QString noteIdToString(quint32 id);
    static QString revisionToString(quint32 revision);
    quint32 noteIdFromString(const QString &text);
    quint32 revisionFromString(const QString &text);
    QString syncStatusToString(NotepadNote::SyncStatus status);
    NotepadNote::SyncStatus syncStatusFromString(const QString &text);

private:
    QDomElement findBody(const QDomDocument &doc);
    // What an edited note last agreed with the server; a part that does not
    // read costs that copy alone (the note then goes up as an older file's).
    void readAgreed(NotepadNote *note, const QDomElement &element);
    // What can be read of a note the rules refused.
    UnreadRecord unreadNote(const QDomElement &element, int position, const QString &reason);
};

#endif
