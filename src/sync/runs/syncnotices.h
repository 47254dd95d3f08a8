#ifndef SYNCNOTICES_H
#define SYNCNOTICES_H

#include <QString>

// Tells the user what a synchronisation met that they must know. Each
// message waits until the user closed it, as the certificate question waits
// for its answer, so what runs say keeps its order. The window layer sets the
// teller at start-up; without one nobody is told and the run goes on.
class SyncNotices
{
public:
    virtual ~SyncNotices();

    // Shows the message; returns once the user closed it.
    virtual void inform(const QString &title, const QString &text) = 0;
    // Asks before something that cannot be undone; true for yes.
    virtual bool confirm(const QString &title, const QString &text) = 0;

    // Not owned; null for none.
    static void setTeller(SyncNotices *teller);
    static SyncNotices *teller();
    // Through the teller set, if any.
    static void tell(const QString &title, const QString &text);
    // Without a teller nobody said yes.
    static bool ask(const QString &title, const QString &text);
};

#endif
