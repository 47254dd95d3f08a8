#include "dialogs/deletechildrendialog.h"

#include <QLabel>
#include <QVBoxLayout>

DeleteChildrenDialog::DeleteChildrenDialog(QWidget *parent)
    : CustomDialog(tr("Remove subtasks?"), false, false, true, parent)
{
    auto *layout = new QVBoxLayout;
    auto *label = new QLabel(tr("Remove also the subtask of the current one?"));
    label->setObjectName(QStringLiteral("textlabel"));
    layout->addWidget(label);
    setContentLayout(layout);
    addOkButton(tr("Yes"));
    addCancelButton(tr("No"));
    setCenterOnParent(true);
}
