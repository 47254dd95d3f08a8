#ifndef RENAMELISTDIALOG_H
#define RENAMELISTDIALOG_H

#include "shell/stringentrydialog.h"

// Asks for a new list name, preset with the current one; the entered name is
// StringEntryDialog::text. Kept to what the lists page needs for now.
class RenameListDialog : public StringEntryDialog
{
    Q_OBJECT
public:
    explicit RenameListDialog(const QString &currentName, QWidget *parent = nullptr);
};

#endif
