#include "model/notepadnoteinfo.h"

NotepadNoteInfo::NotepadNoteInfo(quint32 id, quint32 revision, const QString &title)
    : QObject(nullptr)
    , m_id(id)
    , m_revision(revision)
    , m_title(title)
{
}
