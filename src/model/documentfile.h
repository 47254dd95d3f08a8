#ifndef DOCUMENTFILE_H
#define DOCUMENTFILE_H

#include "core/unreadrecord.h"

#include <QString>

#include <functional>

class QIODevice;

// Save and load safety of the local documents: a save replaces the file only
// once the new content is complete on disk, and a file that failed to load is
// never written over (it is kept aside first).
class DocumentFile
{
public:
    // Fills the device (not yet open); false with *error set on failure.
    using Writer = std::function<bool(QIODevice *device, QString *error)>;

    // Writes `path` (through links, to the file they end at) via a temporary
    // beside it, put in place by a rename once complete and on disk: on any
    // failure the previous file stays as it was. The folder is synced after
    // the rename, so that a power cut cannot bring back the previous file;
    // when that fails, the save fails too, saying that the new file is in
    // place. Refused for a path that failed to load and could not be kept
    // aside.
    static bool save(const QString &path, const Writer &writer, QString *error);

    // How keepAside keeps a file: moved away (nothing of it was read), or
    // copied (it was read in part: it stays in place until the next save
    // replaces it, so that a crash before that save finds it again).
    enum Keeping { MoveAside, CopyAside };

    // After a failed load: when the file exists, renames it (or else copies
    // it; with CopyAside the other way round) to
    // "<path>.unreadable-<UTC yyyyMMddHHmmss>" with a warning naming `what`,
    // and returns the new path. When neither works, later saves of `path`
    // are refused until it loads again, and the result is empty.
    static QString keepAside(const QString &path, const QString &what, Keeping keeping = MoveAside);

    // After a successful load: saves of `path` are allowed again.
    static void loaded(const QString &path);

    // After a load of `path` that read all but `unread` (records of a
    // `kind`, "list" or "note"): each left out is logged, the file is
    // copied aside as `what` (see keepAside), and only when that worked are
    // saves of `path` allowed again. Returns where the copy went.
    static QString loadedInPart(const QString &path, const QString &what, const QString &kind,
                                const UnreadRecords &unread);

    // Where keepAside last put `path` in this run; empty when it did not.
    static QString lastKeptAside(const QString &path);

    // A save cut short by a crash or a kill may leave its temporary beside
    // the document: "<name>.plumdeck-save-" and twelve random lower-case
    // letters or digits (the name cut to fit a long one), a name of this
    // program's own that nobody gives a file. A save notes it in
    // "<name>.interrupted-save" until it is done: first line
    // `interruptedSaveHeader`, written before the temporary exists, then the
    // temporary's name, written before the temporary is made. The note is a
    // file the save creates itself and keeps locked: when that name is
    // already taken (a file, a link), the save goes un-noted and the file
    // stays as it is.
    // Called before loading, removes the files such a note names that have
    // a temporary's name, then the note, and returns how many were removed.
    // Nothing else is touched: not a file the note names by another name
    // (an earlier version's "<name>." and six letters, which users give
    // files too, or a file by its inode), nor a note of a save still under
    // way, nor an empty file of the note's name (a note cut short or
    // anybody's); a link is never followed.
    static int removeSaveLeftovers(const QString &path);

    static const char interruptedSaveHeader[];
    static QString interruptedSaveNotePath(const QString &path);

private:
    DocumentFile() = delete;
};

#endif
