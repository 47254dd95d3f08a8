#ifndef NOTEMERGE_H
#define NOTEMERGE_H

#include <QString>

// What this computer changed in a note since it last agreed with the server,
// put onto what the server holds now: a three-way merge of the agreed copy
// (base), the note here (mine) and the server's copy (theirs). A pure
// function of the three: no requests, no notepad.
//
// The title and the text are fields: only a side that changed one changes
// it. A title both changed differently takes mine (the later upload). A text
// both changed differently is typed work either way: the note takes theirs,
// and mine is kept beside it as a new note.
class NoteMerge
{
public:
    struct Version
    {
        QString title;
        QString text;
    };

    struct Outcome
    {
        QString title;
        QString text;
        // Mine's text gave way to theirs: it goes beside the note.
        bool keepsMineBeside = false;
        // Nothing of mine is left to send: the result is the server's copy.
        bool sameAsTheirs = false;
    };

    static Outcome merge(const Version &base, const Version &mine, const Version &theirs);
};

#endif
