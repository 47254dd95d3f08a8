#ifndef TASKDIALOGOPENER_H
#define TASKDIALOGOPENER_H

class ListModel;
class TaskList;

// The dialogs of the current task that another dialog (Task info) may open
// in its place, and the page's lists; the page holding the task tree
// answers.
class TaskDialogOpener
{
public:
    virtual ~TaskDialogOpener() = default;

    virtual void showAlarmDialog() = 0;
    virtual void showTimeManagementDialog() = 0;
    // The page's list holding `list` now, or null: Task info follows a task
    // a run moved there.
    virtual ListModel *listHolding(const TaskList *) const { return nullptr; }
};

#endif
