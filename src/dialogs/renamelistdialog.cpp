#include "dialogs/renamelistdialog.h"

RenameListDialog::RenameListDialog(const QString &currentName, QWidget *parent)
    : StringEntryDialog(tr("Rename List"), tr("New List Name"), currentName, parent)
    , m_currentName(currentName)
{
    setTitleIcon(QStringLiteral(":/rename-list.png"));
}

QString RenameListDialog::newName() const
{
    const QString name = text().trimmed();
    if (name.isEmpty() || name == m_currentName)
        return QString();
    return name;
}
