#include "model/notepadnotes.h"

#include "core/paths.h"
#include "model/documentfile.h"
#include "model/notepadreaderwriter.h"

#include <QDebug>
#include <QFile>

#include <algorithm>

NotepadNotes *NotepadNotes::s_instance = nullptr;

NotepadNotes::NotepadNotes(QObject *parent)
    : QObject(parent)
{
    s_instance = this;
}

NotepadNotes::~NotepadNotes()
{
    save();
    m_notes.clear();
    if (s_instance == this)
        s_instance = nullptr;
}

NotepadNotes *NotepadNotes::instance()
{
    return s_instance;
}

QString NotepadNotes::filePath()
{
    return userDataDir().filePath(QStringLiteral("notepad.xhtml"));
}

NotepadNote *NotepadNotes::appendNote(NotepadNote *note)
{
    if (!note)
        return nullptr;
    m_notes.append(note);
    // Changes to the set of notes reach the file at the next save tick, not
    // only when the notepad is destroyed.
    m_changed = true;
    return note;
}

void NotepadNotes::moveNote(NotepadNote *note, NotepadNote *target)
{
    const int from = m_notes.indexOf(note);
    const int to = m_notes.indexOf(target);
    if (from < 0 || to < 0)
        return;
    m_notes.move(from, to);
    if (from != to)
        m_changed = true;
}

int NotepadNotes::indexOfServerId(quint32 id) const
{
    for (int i = 0; i < m_notes.size(); ++i) {
        if (m_notes.at(i)->serverId() == id)
            return i;
    }
    return -1;
}

bool NotepadNotes::save(QString *errorString)
{
    if (m_savesHeld)
        return true;
    QString error;
    const bool ok = DocumentFile::save(
        filePath(),
        [this](QIODevice *device, QString *message) {
            NotepadReaderWriter writer(XMLReaderWriter::LocalDocument);
            if (writer.saveNotepad(this, device))
                return true;
            *message = writer.errorString();
            return false;
        },
        &error);
    if (!ok) {
        // Still marked, so the next tick of the save timer tries again.
        qWarning() << "error saving notepad" << error;
        if (errorString)
            *errorString = error;
        return false;
    }
    m_changed = false;
    return true;
}

bool NotepadNotes::saveIfChanged(QString *error)
{
    if (!m_changed)
        return true;
    return save(error);
}

bool NotepadNotes::load()
{
    const QString path = filePath();
    DocumentFile::removeSaveLeftovers(path);
    if (!QFile::exists(path))
        return true;
    QFile file(path);
    NotepadReaderWriter reader(XMLReaderWriter::LocalDocument);
    reader.setSkipsUnreadRecords(true);
    std::optional<QList<NotepadNote *>> notes = reader.loadNotepad(&file);
    file.close();
    if (!notes) {
        qWarning() << "error loading notepad" << reader.errorString();
        // The page starts with a default note and the destructor always
        // saves: without this the notes would be overwritten.
        m_keptAsidePath = DocumentFile::keepAside(path, QStringLiteral("notepad"));
        return false;
    }
    m_unreadNotes = reader.unreadRecords();
    if (m_unreadNotes.isEmpty()) {
        DocumentFile::loaded(path);
    } else {
        m_keptAsidePath = DocumentFile::loadedInPart(path, QStringLiteral("notepad"), QStringLiteral("note"),
                                                     m_unreadNotes);
        m_changed = true;
    }
    m_notes = *notes;
    return true;
}

void NotepadNotes::setAgreedDisplayOrder(const std::optional<NotepadNoteIdList> &ids)
{
    if (ids == m_agreedDisplayOrder)
        return;
    m_agreedDisplayOrder = ids;
    m_changed = true;
}

void NotepadNotes::setMovedInOrder(const std::optional<QSet<quint32>> &ids)
{
    if (ids == m_movedInOrder)
        return;
    m_movedInOrder = ids;
    m_changed = true;
}

void NotepadNotes::setArrivedInOrder(const QSet<quint32> &ids)
{
    if (ids == m_arrivedInOrder)
        return;
    m_arrivedInOrder = ids;
    m_changed = true;
}

void NotepadNotes::noteArrived(quint32 id)
{
    if (id != 0 && !m_arrivedInOrder.contains(id)) {
        m_arrivedInOrder.insert(id);
        m_changed = true;
    }
}

void NotepadNotes::noteMoved(const NotepadNote *note)
{
    if (m_movedInOrder && note->syncStatus() != NotepadNote::New && note->serverId() != 0)
        m_movedInOrder->insert(note->serverId());
}

void NotepadNotes::resetAllNotesToNew()
{
    for (NotepadNote *note : std::as_const(m_notes)) {
        // Removed by the user: kept only to be deleted on the server, never
        // posted as new.
        if (note->syncStatus() == NotepadNote::Deleted)
            continue;
        note->resetToNew();
        m_changed = true;
    }
}

void NotepadNotes::dropDeletedNotes()
{
    // The order the ids name is that server's too.
    setAgreedDisplayOrder(std::nullopt);
    setMovedInOrder(QSet<quint32>());
    setArrivedInOrder({});
    for (auto it = m_notes.begin(); it != m_notes.end();) {
        if ((*it)->syncStatus() != NotepadNote::Deleted) {
            ++it;
            continue;
        }
        delete *it;
        it = m_notes.erase(it);
        m_changed = true;
    }
}

void NotepadNotes::deleteAndPurgeEverything()
{
    emit deleteAndPurgeEverythingSignal();
}

NotepadNote *NotepadNotes::addNote(NotepadNote *note)
{
    if (!note)
        return nullptr;
    note->setSyncStatus(NotepadNote::Unedited);
    emit addNoteToModelAndView(note);
    return note;
}

void NotepadNotes::updateNote(NotepadNote *local, NotepadNote *fromServer)
{
    if (!local || !fromServer)
        return;
    local->setSyncStatus(NotepadNote::Unedited);
    local->setServerId(fromServer->serverId());
    local->setRevision(fromServer->revision());
    local->setPendingUpload(QString());
    local->setText(fromServer->text());
    local->setTitle(fromServer->title());
    local->agreeAsIs();
    local->markNotepadChanged();
    fromServer->deleteLater();
}

void NotepadNotes::removeNote(NotepadNote *note)
{
    if (!note)
        return;
    if (note->syncStatus() == NotepadNote::Deleted)
        purgeNote(note);
    else
        emit removeNoteFromView(note);
}

void NotepadNotes::purgeNote(NotepadNote *note)
{
    if (!note)
        return;
    if (m_notes.removeOne(note))
        m_changed = true;
    delete note;
}

void NotepadNotes::setDisplayOrder(const NotepadNoteIdList &ids)
{
    emit displayOrderChanged(ids);
}

void NotepadNotes::requestRemoveDefaultNotes()
{
    emit removeDefaultNotes();
}

NotepadNote *NotepadNotes::addDefaultNote()
{
    return addLocalNote(new NotepadNote);
}

NotepadNote *NotepadNotes::addLocalNote(NotepadNote *note)
{
    emit addNoteToModelAndView(note);
    return note;
}
