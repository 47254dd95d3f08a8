#include "notepad/notepadcommands.h"

#include "model/notepadnote.h"
#include "notepad/notepadtabwidget.h"
#include "notepad/notepadui.h"
#include "shell/messagedialog.h"

#include <QIcon>
#include <QPointer>

NotepadAction::NotepadAction(const QString &text, NotepadUI *notepad, QObject *parent)
    : Action(text, nullptr, parent)
    , m_notepad(notepad)
{
}

NotepadNote *NotepadAction::currentNote() const
{
    return m_notepad->currentNote();
}

AddNotepadNoteAction::AddNotepadNoteAction(NotepadUI *notepad)
    : NotepadAction(tr("Add note"), notepad)
{
    setIcon(QIcon(QStringLiteral(":/notepad_add.png")));
}

void AddNotepadNoteAction::execute()
{
    notepadUI()->addNewNote();
}

RenameNotepadNoteAction::RenameNotepadNoteAction(NotepadUI *notepad)
    : NotepadAction(tr("Rename note"), notepad)
{
}

QIcon RenameNotepadNoteAction::currentIcon()
{
    return QIcon(QStringLiteral(":/notepad_edit.png"));
}

bool RenameNotepadNoteAction::shouldBeEnabled()
{
    return currentNote() != nullptr;
}

void RenameNotepadNoteAction::execute()
{
    notepadUI()->editNoteName(m_targetNote ? m_targetNote : currentNote());
}

RemoveNotepadNoteAction::RemoveNotepadNoteAction(NotepadUI *notepad)
    : NotepadAction(tr("Remove note"), notepad)
{
}

QIcon RemoveNotepadNoteAction::currentIcon()
{
    return QIcon(QStringLiteral(":/notepad_delete.png"));
}

bool RemoveNotepadNoteAction::shouldBeEnabled()
{
    return currentNote() != nullptr;
}

void RemoveNotepadNoteAction::execute()
{
    const QPointer<NotepadNote> note = m_targetNote ? m_targetNote : currentNote();
    if (!note)
        return;
    const QPointer<RemoveNotepadNoteAction> alive(this);
    const QString question = tr("Are you sure you want to delete the note \"%1\"?").arg(note->title());
    // The question runs its own event loop: a synchronisation may have
    // removed the note meanwhile.
    if (MessageDialog::question(tr("Delete Note"), question, notepadUI()->tabWidget()) && alive && note
        && notepadUI()->editorForNote(note))
        notepadUI()->removeNote(note);
}

MoveNotepadNoteRightAction::MoveNotepadNoteRightAction(NotepadUI *notepad)
    : NotepadAction(tr("Move Note Right"), notepad)
{
}

QIcon MoveNotepadNoteRightAction::currentIcon()
{
    return QIcon(QStringLiteral(":/notepad_move_right.png"));
}

bool MoveNotepadNoteRightAction::shouldBeEnabled()
{
    return currentNote() && notepadUI()->currentIndex() != notepadUI()->lastIndex();
}

void MoveNotepadNoteRightAction::execute()
{
    notepadUI()->moveCurrentNoteRight();
}

MoveNotepadNoteLeftAction::MoveNotepadNoteLeftAction(NotepadUI *notepad)
    : NotepadAction(tr("Move Note Left"), notepad)
{
}

QIcon MoveNotepadNoteLeftAction::currentIcon()
{
    return QIcon(QStringLiteral(":/notepad_move_left.png"));
}

bool MoveNotepadNoteLeftAction::shouldBeEnabled()
{
    return currentNote() && notepadUI()->currentIndex() != 0;
}

void MoveNotepadNoteLeftAction::execute()
{
    notepadUI()->moveCurrentNoteLeft();
}
