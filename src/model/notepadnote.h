#ifndef NOTEPADNOTE_H
#define NOTEPADNOTE_H

#include <QObject>
#include <QString>

#include <optional>

// One note of the notepad: a title and a plain text with its synchronisation
// state. setTitle/setText are for changes from outside the editor (they
// signal the view); editTitle/editText are the user's edits (they mark the
// note and the notepad).
class NotepadNote : public QObject
{
    Q_OBJECT
public:
    enum SyncStatus {
        LocallyUnknown = 0,
        New = 1,
        Unedited = 2,
        Edited = 3,
        Deleted = 4
    };
    Q_ENUM(SyncStatus)

    explicit NotepadNote(QObject *parent = nullptr);

    SyncStatus syncStatus() const { return m_syncStatus; }
    void setSyncStatus(SyncStatus status) { m_syncStatus = status; }

    QString title() const { return m_title; }
    QString text() const { return m_text; }

    // Both read 0 while the note is new, whatever is stored.
    quint32 serverId() const;
    quint32 revision() const;
    void setServerId(quint32 id);
    void setRevision(quint32 revision) { m_revision = revision; }
    // What an upload whose outcome is not known yet carried (empty when
    // none is in doubt); kept in the notepad file.
    QString pendingUpload() const { return m_pendingUpload; }
    void setPendingUpload(const QString &mark) { m_pendingUpload = mark; }
    // Not New, or posted without a known outcome: removing it must reach
    // the server.
    bool mayBeOnServer() const { return m_syncStatus != New || !m_pendingUpload.isEmpty(); }
    // The user's version of a note whose text gave way to the server's, kept
    // beside it by a run, which the user was not told of yet; kept in the
    // notepad file, so that a run cut short leaves the telling to the next.
    bool isUntoldKeptCopy() const { return m_untoldKeptCopy; }
    void setUntoldKeptCopy(bool untold) { m_untoldKeptCopy = untold; }
    // Why a run kept this note against a removal while the user was not told
    // yet ("removed-there": removed on another computer and changed here;
    // "removed-here": removed here and changed there); empty once told. Kept
    // in the notepad file as the copy's mark is.
    QString untoldKept() const { return m_untoldKept; }
    void setUntoldKept(const QString &why) { m_untoldKept = why; }

    void setTitle(const QString &title);
    void setText(const QString &text);

    bool editTitle(const QString &title);
    bool editText(const QString &text);

    void markEdited();
    void markNotepadChanged();

    bool isUntouched() const;
    // Not on the server any more as this note: what it agreed goes too.
    void resetToNew();

    // The note as this computer and the server last agreed on it: what the
    // last fetch, or the server's copy an upload was merged onto, left.
    // Unknown for a new note, and for an edited one read from a file written
    // before it was kept.
    struct Agreed
    {
        quint32 serverId = 0;
        quint32 revision = 0;
        QString title;
        QString text;
        bool operator==(const Agreed &other) const
        {
            return serverId == other.serverId && revision == other.revision && title == other.title
                   && text == other.text;
        }
    };
    const std::optional<Agreed> &agreed() const { return m_agreed; }
    void setAgreed(const std::optional<Agreed> &agreed) { m_agreed = agreed; }
    // What the note holds now is what the server holds.
    void agreeAsIs();

    static QString defaultTitle();

signals:
    void contentsChanged(NotepadNote *note);
    void titleChanged(NotepadNote *note);

private:
    SyncStatus m_syncStatus = New;
    QString m_title;
    QString m_text;
    quint32 m_serverId = 0;
    quint32 m_revision = 0;
    QString m_pendingUpload;
    bool m_untoldKeptCopy = false;
    QString m_untoldKept;
    std::optional<Agreed> m_agreed;
};

#endif
