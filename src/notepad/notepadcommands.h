#ifndef NOTEPADCOMMANDS_H
#define NOTEPADCOMMANDS_H

#include "shell/action.h"

class NotepadNote;
class NotepadUI;

// The note commands of the notepad page's tab menu. None has a shortcut.
class NotepadAction : public Action
{
    Q_OBJECT
public:
    NotepadAction(const QString &text, NotepadUI *notepad, QObject *parent = nullptr);

    NotepadUI *notepadUI() const { return m_notepad; }
    NotepadNote *currentNote() const;

private:
    NotepadUI *m_notepad;
};

// "Add note": a new note at the end; the current tab stays.
class AddNotepadNoteAction : public NotepadAction
{
    Q_OBJECT
public:
    explicit AddNotepadNoteAction(NotepadUI *notepad);
    bool shouldBeEnabled() override { return true; }
    void execute() override;
};

// "Rename note": the rename prompt for the current note.
class RenameNotepadNoteAction : public NotepadAction
{
    Q_OBJECT
public:
    explicit RenameNotepadNoteAction(NotepadUI *notepad);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

private:
    NotepadNote *m_targetNote = nullptr;
};

// "Remove note": asks, then removes the current note.
class RemoveNotepadNoteAction : public NotepadAction
{
    Q_OBJECT
public:
    explicit RemoveNotepadNoteAction(NotepadUI *notepad);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

private:
    NotepadNote *m_targetNote = nullptr;
};

// "Move Note Right": unless the current tab is the last.
class MoveNotepadNoteRightAction : public NotepadAction
{
    Q_OBJECT
public:
    explicit MoveNotepadNoteRightAction(NotepadUI *notepad);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Move Note Left": unless the current tab is the first.
class MoveNotepadNoteLeftAction : public NotepadAction
{
    Q_OBJECT
public:
    explicit MoveNotepadNoteLeftAction(NotepadUI *notepad);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

#endif
