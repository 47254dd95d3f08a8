#ifndef MESSAGEDIALOG_H
#define MESSAGEDIALOG_H

#include "core/unreadrecord.h"
#include "shell/customdialog.h"

#include <functional>

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
    // As question(), for what cannot be undone and may come when the user
    // does not expect it: Cancel is the default and has the focus, so a
    // Return or a Space meant for something else refuses.
    static bool questionDefaultingToCancel(const QString &title, const QString &text, QWidget *parent = nullptr);
    void makeCancelTheDefault();
    static void information(const QString &title, const QString &text, QWidget *parent = nullptr);
    // Without waiting: a page may tell this while it is still being built,
    // and what runs underneath (a save timer) must go on. Shown once the
    // event loop runs, unless `context` is gone, over the window `parent`
    // gives by then, without taking the keyboard from the window in use.
    static void tellLater(QObject *context, const QString &title, const QString &text,
                          const std::function<QWidget *()> &parent);

    // Items a reader left out of a document, for a message: each by its
    // name in quotes, else as `unnamed` calls it (by its server id or its
    // place); at most ten, then how many more.
    static QString unreadItems(const UnreadRecords &records,
                               const std::function<QString(const UnreadRecord &)> &unnamed);
};

#endif
