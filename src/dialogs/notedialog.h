#ifndef NOTEDIALOG_H
#define NOTEDIALOG_H

#include "model/tasknote.h"
#include "shell/customdialog.h"

class QTextEdit;
class QVBoxLayout;

// Edits one task's note, a value the caller owns: written only by Save (a
// blank text removes the note; a new note is stamped with the current UTC
// time, an existing one keeps its first time) or Delete.
class NoteDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit NoteDialog(TaskNote *note, QWidget *parent = nullptr);

    void setupButtons(bool editable);
    virtual void deleteValue();
    virtual bool hasValue() const;
    virtual QString title() const;

    QTextEdit *editor() const { return m_editor; }

public slots:
    void accept() override;
    void onDeleteClicked();

private:
    QVBoxLayout *m_contentLayout;
    QTextEdit *m_editor;
    TaskNote *m_note;
};

#endif
