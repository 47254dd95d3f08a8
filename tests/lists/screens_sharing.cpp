// The dialog that asks with which permissions a list is shared.

#include "lists/sharelistdialog.h"
#include "screens.h"

#include <QTest>

PLUMDECK_SCREEN(shareListDialog)
{
    ShareListDialog dialog(QStringLiteral("Marta"));
    dialog.setupTitleAndButtons();
    QVERIFY(!shoot(&dialog, QStringLiteral("share-list")).isNull());
}
