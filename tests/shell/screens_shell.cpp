// Screens of the shell's own dialogs.

#include "screens.h"
#include "shell/stringentrydialog.h"

#include <QTest>

PLUMDECK_SCREEN(stringEntry)
{
    StringEntryDialog entry(QStringLiteral("Rename list"), QStringLiteral("New name:"), QStringLiteral("Groceries"));
    QVERIFY(!shoot(&entry, QStringLiteral("string-entry")).isNull());
}
