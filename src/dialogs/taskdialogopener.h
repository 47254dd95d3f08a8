#ifndef TASKDIALOGOPENER_H
#define TASKDIALOGOPENER_H

// The dialogs of the current task that another dialog (Task info) may open
// in its place; the page holding the task tree answers.
class TaskDialogOpener
{
public:
    virtual ~TaskDialogOpener() = default;

    virtual void showAlarmDialog() = 0;
    virtual void showTimeManagementDialog() = 0;
};

#endif
