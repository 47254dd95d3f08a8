#ifndef NOTEPADNOTEINFO_H
#define NOTEPADNOTEINFO_H

#include <QObject>
#include <QString>

// The server's summary of one notepad note. Immutable; owned by whoever asked
// the reader for it.
class NotepadNoteInfo : public QObject
{
    Q_OBJECT
public:
    NotepadNoteInfo(quint32 id, quint32 revision, const QString &title);

    quint32 id() const { return m_id; }
    quint32 revision() const { return m_revision; }
    QString title() const { return m_title; }

private:
    const quint32 m_id;
    const quint32 m_revision;
    const QString m_title;
};

#endif
