#include "dialogs/renamelistdialog.h"

RenameListDialog::RenameListDialog(const QString &currentName, QWidget *parent)
    : StringEntryDialog(tr("Rename List"), tr("New List Name"), currentName, parent)
{
}
