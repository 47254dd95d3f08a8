#include "dialogs/syncnoticelabel.h"

#include <QCoreApplication>
#include <QLabel>

QLabel *newSyncNoticeLabel()
{
    auto *label = new QLabel(QCoreApplication::translate(
        "SyncNoticeLabel", "This list is being synchronised. Editing comes back when the synchronisation ends."));
    label->setObjectName(QStringLiteral("syncNoticeLabel"));
    label->setWordWrap(true);
    label->hide();
    return label;
}
