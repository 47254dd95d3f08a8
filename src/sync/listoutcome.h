#ifndef LISTOUTCOME_H
#define LISTOUTCOME_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class ListModel;
class ListsGroups;
class ListsSyncHost;
class TaskList;
class UserLists;

// Applies what a list step brought back to the user's lists: shared by the
// full and the single-list synchronisations.
class ListOutcome
{
    Q_DECLARE_TR_FUNCTIONS(ListOutcome)

public:
    // Replaces the model's list with the fetched one (the caller gives up
    // `fetched`): the list's group entry takes the fetched server id and the
    // fetched tasks keep the expanded flags the user had. When the old list
    // was created on the server but never fetched back and the user changed
    // it since, the user's version is kept beside the fetched list as a new
    // list; its model is returned (null otherwise). When the server's copy is
    // still exactly what was posted, the user's version takes its place
    // instead (see takeOverPostedCopy) and *uploadAgain is set: the list
    // is to be uploaded.
    static ListModel *applyFetchedExisting(UserLists *lists, ListsGroups *groups, ListModel *model,
                                           TaskList *fetched, bool *uploadAgain = nullptr);

    // Before a list's POST leaves: records what is sent on the list and
    // saves the lists, so that whatever becomes of the answer the next run
    // can recognise the server's copy. `highestKnownId` is the highest list
    // id the run knows of on the server.
    static void markUpload(ListModel *model, quint32 highestKnownId, ListsSyncHost *host);
    // Before an Edited list's PUT leaves with tasks the server has no id
    // for: marks the list and saves the lists, so that the next run first
    // looks for copies of those tasks the PUT may have made.
    static void markUploadOfNewTasks(ListModel *model, ListsSyncHost *host);

    // The server's copy of a list holds what was posted, the local list what
    // the user made of it since: the local list becomes that server list
    // (its id and revision), Edited, with every task of the server's copy
    // among its removed tasks, so that its next upload leaves the server
    // with exactly the user's version and no task twice. Takes `fetched`.
    static void takeOverPostedCopy(ListsGroups *groups, ListModel *model, TaskList *fetched);

    // Gives each fetched task whose server id the old list had the expanded
    // flag it had there.
    static void keepExpandedStates(const TaskList *oldList, TaskList *fetched);

    // After a step whose POST was accepted but that failed afterwards: the
    // list is marked to be fetched by the next run, and the mark is saved.
    static void recordAssignedId(ListModel *model, quint32 id);

    // The name of the copy kept of the user's version of a list.
    static QString keptCopyName(const QString &name);
    // Tells the user, in one box, which lists were kept as copies.
    static void tellAboutKeptCopies(const QStringList &names);
};

#endif
