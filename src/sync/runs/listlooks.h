#ifndef LISTLOOKS_H
#define LISTLOOKS_H

class ListInfo;
class TaskList;

// Before anything goes up, a full run that may meet a change made here
// fetches the server's copy of each list that moved on there, so that moves
// between lists and merges are settled with every list in. Which list here
// is looked at so, and what then becomes of it: a pure function of the list
// and the server's summary.
class ListLooks
{
public:
    enum class Look {
        None,
        // Unchanged here: the server's copy replaces it.
        Take,
        // Changed here: merged onto the server's copy, its step then only
        // uploads it.
        Merge
    };
    // `info` is the server's summary of the list (null: none), `onServer`
    // whether the run still has it to deal with. A list carrying an import
    // is merged whatever the server's revision. A list to be fetched whole
    // (its creation's copy not fetched yet), or changed here without an
    // agreed copy that fits, is left to its step.
    static Look forList(const TaskList *list, const ListInfo *info, bool onServer);

private:
    ListLooks() = delete;
};

#endif
