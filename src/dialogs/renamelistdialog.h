#ifndef RENAMELISTDIALOG_H
#define RENAMELISTDIALOG_H

#include "shell/stringentrydialog.h"

// Asks for a new list name, preset with the current one.
class RenameListDialog : public StringEntryDialog
{
    Q_OBJECT
public:
    explicit RenameListDialog(const QString &currentName, QWidget *parent = nullptr);

    // The entered name, trimmed; null when it is blank or the current name,
    // so that no list is renamed to nothing or to itself.
    QString newName() const;

private:
    QString m_currentName;
};

#endif
