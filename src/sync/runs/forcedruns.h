#ifndef FORCEDRUNS_H
#define FORCEDRUNS_H

class NotepadNotes;
class UserLists;

// What the user's lists and notes become before a forced run, which makes
// the server take this computer's copies or this computer take the server's.
class ForcedRuns
{
public:
    // Makes what is here ready to replace the server's copies in a forced
    // remote run: each of the user's own lists is marked to go up whole
    // under its id, and the notes keep theirs (the run puts each over the
    // server's copy), so that a run cut short (killed, say) is finished by
    // the next one from what the documents hold.
    static void prepareForceRemote(UserLists *lists, NotepadNotes *notes);
    // Before a forced local run: every list and note here goes, the server's
    // replace them.
    static void prepareForceLocal(UserLists *lists, NotepadNotes *notes);

private:
    ForcedRuns() = delete;
};

#endif
