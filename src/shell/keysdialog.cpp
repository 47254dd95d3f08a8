#include "shell/keysdialog.h"

KeysDialog::KeysDialog()
    : CustomDialog(tr("Shortcuts"), true, false, true, nullptr)
{
    setObjectName(QStringLiteral("appdialog"));
    setOkButtonText(tr("Close"));
}
