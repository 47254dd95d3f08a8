#include "sync/runs/syncnotices.h"

namespace {
SyncNotices *g_teller = nullptr;
}

SyncNotices::~SyncNotices()
{
    if (g_teller == this)
        g_teller = nullptr;
}

void SyncNotices::setTeller(SyncNotices *teller)
{
    g_teller = teller;
}

SyncNotices *SyncNotices::teller()
{
    return g_teller;
}

void SyncNotices::tell(const QString &title, const QString &text)
{
    if (g_teller)
        g_teller->inform(title, text);
}

bool SyncNotices::ask(const QString &title, const QString &text)
{
    return g_teller && g_teller->confirm(title, text);
}
