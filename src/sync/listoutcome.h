#ifndef LISTOUTCOME_H
#define LISTOUTCOME_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class ListModel;
class ListsGroups;
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
    // list; its model is returned (null otherwise).
    static ListModel *applyFetchedExisting(UserLists *lists, ListsGroups *groups, ListModel *model,
                                           TaskList *fetched);

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
