#include "model/notepadnote.h"

#include "model/notepadnotes.h"

#include <QDebug>

NotepadNote::NotepadNote(QObject *parent)
    : QObject(parent)
    , m_title(defaultTitle())
    , m_text(QLatin1String(""))
{
}

quint32 NotepadNote::serverId() const
{
    return m_syncStatus == New ? 0 : m_serverId;
}

quint32 NotepadNote::revision() const
{
    return m_syncStatus == New ? 0 : m_revision;
}

void NotepadNote::setServerId(quint32 id)
{
    if (id != 0 && m_serverId != 0 && id != m_serverId)
        qWarning() << "setting server id when we have one already";
    m_serverId = id;
}

void NotepadNote::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(this);
}

void NotepadNote::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    emit contentsChanged(this);
}

bool NotepadNote::editTitle(const QString &title)
{
    if (title == m_title)
        return false;
    m_title = title;
    markEdited();
    return true;
}

bool NotepadNote::editText(const QString &text)
{
    if (text == m_text)
        return false;
    m_text = text;
    markEdited();
    return true;
}

void NotepadNote::markEdited()
{
    if (m_syncStatus == Unedited)
        m_syncStatus = Edited;
    markNotepadChanged();
}

void NotepadNote::markNotepadChanged()
{
    // A note outside any notepad (a server copy, a note being read) has no
    // file to mark.
    if (NotepadNotes *notes = NotepadNotes::instance())
        notes->setChanged(true);
}

bool NotepadNote::isUntouched() const
{
    return m_syncStatus == New && m_pendingUpload.isEmpty() && m_text.isEmpty() && m_title == defaultTitle();
}

void NotepadNote::resetToNew()
{
    m_syncStatus = New;
    m_revision = 0;
    m_serverId = 0;
    m_pendingUpload.clear();
    m_agreed.reset();
}

void NotepadNote::agreeAsIs()
{
    m_agreed = Agreed{serverId(), revision(), m_title, m_text};
}

QString NotepadNote::defaultTitle()
{
    return tr("Note");
}
