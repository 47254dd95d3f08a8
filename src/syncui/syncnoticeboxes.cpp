#include "syncui/syncnoticeboxes.h"

#include "shell/messagedialog.h"

void SyncNoticeBoxes::inform(const QString &title, const QString &text)
{
    MessageDialog::information(title, text, nullptr);
}

bool SyncNoticeBoxes::confirm(const QString &title, const QString &text)
{
    return MessageDialog::questionDefaultingToCancel(title, text, nullptr);
}
