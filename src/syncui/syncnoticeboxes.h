#ifndef SYNCNOTICEBOXES_H
#define SYNCNOTICEBOXES_H

#include "sync/runs/syncnotices.h"

// Tells what a synchronisation met in a message box, and waits for it. Its
// questions ask before what cannot be undone: Cancel is their default.
class SyncNoticeBoxes : public SyncNotices
{
public:
    void inform(const QString &title, const QString &text) override;
    bool confirm(const QString &title, const QString &text) override;
};

#endif
