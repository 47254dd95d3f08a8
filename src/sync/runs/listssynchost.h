#ifndef LISTSSYNCHOST_H
#define LISTSSYNCHOST_H

#include <QString>
#include <QtGlobal>

class ListModel;
class ListsGroups;
class QWidget;
class SaveFailure;

// What the synchronisations of lists need of the page that shows them: its
// list groups, and a window to ask the user over. The lists page implements
// it; tests give a small one of their own.
class ListsSyncHost
{
public:
    virtual ~ListsSyncHost() = default;

    // The page's current groups; never null.
    virtual ListsGroups *listsGroups() const = 0;
    // Takes the groups over and deletes the previous ones.
    virtual void setListsGroups(ListsGroups *groups) = 0;
    // The window over which questions and messages of a run appear; may be null.
    virtual QWidget *dialogParent() const = 0;
    // A single-list run began on the model: the page shows it as syncing.
    virtual void singleListSyncStarted(ListModel *model) = 0;
    // A single-list run of the model ended: the page shows it as before.
    virtual void singleListSyncEnded(ListModel *model) { Q_UNUSED(model); }
    // A single-list run of the model failed (before singleListSyncEnded):
    // the page tells the user why.
    virtual void singleListSyncFailed(ListModel *model, const QString &message)
    {
        Q_UNUSED(model);
        Q_UNUSED(message);
    }
    // A single-list run of the model sent nothing: the list waits for the
    // next full synchronisation, for the reason given (before
    // singleListSyncEnded).
    virtual void singleListSyncWaits(ListModel *model, const QString &message)
    {
        Q_UNUSED(model);
        Q_UNUSED(message);
    }
    // Writes the lists file now when anything changed; false when the write
    // failed, with *failure naming the file and the reason (the caller tells
    // the user then). A run calls it before an upload whose answer may be
    // lost.
    virtual bool saveLists(SaveFailure *failure = nullptr)
    {
        Q_UNUSED(failure);
        return true;
    }
    // The same for the list groups file.
    virtual bool saveListsGroups(SaveFailure *failure = nullptr)
    {
        Q_UNUSED(failure);
        return true;
    }
};

#endif
