#ifndef RENAMENOTEDIALOG_H
#define RENAMENOTEDIALOG_H

#include "shell/stringentrydialog.h"

// Asks for a note's new title.
class RenameNoteDialog : public StringEntryDialog
{
    Q_OBJECT
public:
    explicit RenameNoteDialog(const QString &title, QWidget *parent = nullptr);
};

#endif
