#ifndef FORCEDRUNS_H
#define FORCEDRUNS_H

#include <QString>

class NotepadNotes;
class UserLists;

// What the user's lists and notes become before a forced run, which makes
// the server take this computer's copies or this computer take the server's.
class ForcedRuns
{
public:
    // Makes what is here ready to replace the server's copies in a forced
    // remote run: the user's own lists become new, each marked with the
    // server list it replaces, so that a run cut short (killed, say) is
    // completed by the next one instead of leaving both the old item and
    // its replacement there. A list's shares go up with it again. The notes
    // keep their ids: the run puts each over the server's copy.
    static void prepareForceRemote(UserLists *lists, NotepadNotes *notes);
    // Before a forced local run: every list and note here goes, the server's
    // replace them. Lists a forced remote run cut short posted in place of
    // server ones stay, with the records of the server ones to remove, so
    // that the run first finishes that replacement instead of bringing back
    // both.
    static void prepareForceLocal(UserLists *lists, NotepadNotes *notes);

    // Posted in place of a server item (new, `serverId` 0), or the record of
    // a server item so replaced, to be removed there (`serverId` its id).
    static bool finishesReplacement(quint32 serverId, const QString &pendingUpload);

private:
    ForcedRuns() = delete;
};

#endif
