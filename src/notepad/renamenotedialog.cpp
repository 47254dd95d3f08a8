#include "notepad/renamenotedialog.h"

RenameNoteDialog::RenameNoteDialog(const QString &title, QWidget *parent)
    : StringEntryDialog(tr("Rename Note"), tr("New Note Title"), title, parent)
{
    setCenterOnParent(true);
}
