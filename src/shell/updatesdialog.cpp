#include "shell/updatesdialog.h"

UpdatesDialog::UpdatesDialog(QWidget *parent)
    : CustomDialog(tr("Plumdeck update"), false, true, parent)
{
    setObjectName(QStringLiteral("updatesdialog"));
    setCenterOnParent(true);
}
