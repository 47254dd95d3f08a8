#ifndef TASKTREEOWNER_H
#define TASKTREEOWNER_H

#include "dialogs/taskdialogopener.h"

#include <QString>

class ListModel;
class QPoint;

// What a task tree asks of the page that holds it: whether a full
// synchronisation runs, the dialogs its icon cells open, its context menu,
// and cancelling the synchronisation of its list. The lists page implements
// it; the tree never needs more of the page.
class TaskTreeOwner : public TaskDialogOpener
{
public:
    ~TaskTreeOwner() override = default;

    virtual bool isSyncing() const = 0;

    // Each acts on the current task of the current tree.
    virtual void showNoteDialog() = 0;
    virtual void openTaskLink() = 0;
    virtual void playTaskVideo() = 0;

    virtual void showTaskContextMenu(const QPoint &globalPos) = 0;
    virtual void onCancelSingleListSync(ListModel *list) = 0;

    // Why a step the user asked for was refused.
    virtual void tellUser(const QString &text) { Q_UNUSED(text) }
};

#endif
