#ifndef FORCEDRUNS_H
#define FORCEDRUNS_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class NotepadNotes;
class UserLists;

// What the user's lists and notes become before a forced run, which makes
// the server take this computer's copies or this computer take the server's.
class ForcedRuns
{
    Q_DECLARE_TR_FUNCTIONS(ForcedRuns)

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

    // What a forced remote run that stopped (cancelled, failed) once it had
    // looked at the server leaves to the next run, which finishes it only
    // where the server still holds what it saw, by name: lists still to go
    // up whole, lists only the server has still to be removed there, and
    // the same of notes.
    struct Left
    {
        QStringList lists, removedLists, notes, removedNotes;
    };
    static Left leftUndone(const UserLists *lists, const NotepadNotes *notes);
    // As told when it stops; empty when nothing is left.
    static QString leftUndoneText(const Left &left);
    // What a later run finished of it: lists sent whole, lists removed.
    static QString finishedText(const QStringList &sent, const QStringList &removed);

private:
    ForcedRuns() = delete;
};

#endif
