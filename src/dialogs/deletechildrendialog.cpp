#include "dialogs/deletechildrendialog.h"

#include "core/uisettings.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

DeleteChildrenDialog::DeleteChildrenDialog(QWidget *parent)
    : CustomDialog(tr("Remove subtasks?"), false, false, true, parent)
{
    setTitleIcon(QStringLiteral(":/remove-task.png"));
    setWindowModality(Qt::WindowModal);
    auto *layout = new QVBoxLayout;
    auto *label = new QLabel(tr("Remove also the subtask of the current one?"));
    label->setObjectName(QStringLiteral("textlabel"));
    layout->addWidget(label);
    m_rememberBox = new QCheckBox(QStringLiteral("Remember my decision"));
    m_rememberBox->setObjectName(QStringLiteral("rememberText"));
    layout->addWidget(m_rememberBox);
    setContentLayout(layout);
    addOkButton(tr("Yes"));
    addCancelButton(tr("No"));
    setCenterOnParent(true);
}

void DeleteChildrenDialog::accept()
{
    if (m_rememberBox->isChecked())
        UISettings::instance()->setRemoveChildrenOnDelete(UISettings::RemoveChildren);
    QDialog::accept();
}

void DeleteChildrenDialog::reject()
{
    if (m_rememberBox->isChecked())
        UISettings::instance()->setRemoveChildrenOnDelete(UISettings::KeepChildren);
    QDialog::reject();
}
