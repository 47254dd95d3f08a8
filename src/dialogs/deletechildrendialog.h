#ifndef DELETECHILDRENDIALOG_H
#define DELETECHILDRENDIALOG_H

#include "shell/customdialog.h"

// Asks whether the subtasks of a removed task go with it: Yes accepts, No
// rejects. Kept to the question the task tree needs; remembering the answer
// comes with the rest of the list dialogs.
class DeleteChildrenDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit DeleteChildrenDialog(QWidget *parent = nullptr);
};

#endif
