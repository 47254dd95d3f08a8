#ifndef MESSAGEDIALOG_H
#define MESSAGEDIALOG_H

#include "shell/customdialog.h"

// One text with Ok, or Ok and Cancel, in the program's own frame. Commands
// ask and report through the two static helpers.
class MessageDialog : public CustomDialog
{
    Q_OBJECT
public:
    MessageDialog(const QString &title, const QString &text, bool withCancel, QWidget *parent = nullptr);

    // True exactly when the user accepted (Ok or Return); Cancel, Escape and
    // the close button give false.
    static bool question(const QString &title, const QString &text, QWidget *parent = nullptr);
    static void information(const QString &title, const QString &text, QWidget *parent = nullptr);
};

#endif
