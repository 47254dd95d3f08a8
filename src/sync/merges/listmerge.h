#ifndef LISTMERGE_H
#define LISTMERGE_H

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class Task;
class TaskList;

// What this computer changed in a list since it last agreed with the server,
// put onto what the server holds now: a three-way merge of the agreed copy
// (base), the list here (mine) and the server's copy (theirs). A pure
// function of the three: no requests, no models.
//
// Tasks are told apart by their server ids (a task without one is new here).
// A field, an assignment, a task's parent and its place among its siblings
// change only where one side changed them; where both changed one field
// differently, mine goes up (the later upload). A task removed on one side
// stays removed unless the other changed it or something below it: then it
// stays, with that change. A task only the server has, or that this computer
// left out without removing it (an undo across a run), comes down.
class ListMerge
{
public:
    // What uploads of this list in doubt carried (from its upload mark): a
    // version of the server's equal to one of them is this computer's own,
    // not another's change.
    struct Sent
    {
        QHash<quint32, QStringList> byId;       // task id: contents sent
        QHash<QString, QStringList> byIdentity; // task identity: contents sent without an id
        QSet<quint32> removed;                  // tasks they removed
        QStringList fields;                     // the list's own fields as sent
        bool arrived = false;                   // an upload in doubt is known to be there
    };

    struct Outcome
    {
        // Tasks the server no longer has that stay because they changed here
        // (they go up as new): by identity, the task as it was agreed.
        QList<const Task *> keptThoughRemovedThere;
        // Tasks removed here that stay because the server's copy changed.
        QStringList keptThoughRemovedHere;
        // Nothing of mine is left to send: the result is the server's copy.
        bool sameAsTheirs = false;
        // The result holds something of the server's that mine did not.
        bool tookTheirs = false;
    };

    // The merged list: mine's local state (local id, expanded flags, task
    // lineages), theirs' id, revision and the ids, revisions and hash codes
    // of the tasks it holds; removed tasks only where theirs still holds
    // them. The caller owns it and sets its agreed copy and mark.
    static TaskList *merge(const TaskList &base, const TaskList &mine, const TaskList &theirs, const Sent &sent,
                           Outcome *outcome = nullptr);

    // The parts of a task's content that merge one by one.
    static bool sameContent(const Task *a, const Task *b);
    // What mine changed in one task since base, put onto theirs' content in
    // `out` (which holds theirs'); where both changed a part, mine's.
    static void mergeTaskContent(const Task *base, const Task *mine, const Task *theirs, Task *out);
};

#endif
