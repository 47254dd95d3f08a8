#ifndef UPDATESDIALOG_H
#define UPDATESDIALOG_H

#include "shell/customdialog.h"

// The modal dialog through which the user sees and drives the self-updater.
// The main window runs one at a time, with itself as parent, after an update
// check the user asked for and when the updater has seen a new version.
class UpdatesDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit UpdatesDialog(QWidget *parent = nullptr);
};

#endif
