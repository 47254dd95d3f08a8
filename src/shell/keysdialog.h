#ifndef KEYSDIALOG_H
#define KEYSDIALOG_H

#include "shell/customdialog.h"

class QVBoxLayout;

// The "Shortcuts" help box: the program's keyboard shortcuts in titled
// sections over three columns. The main window creates one without parent and
// shows and raises it whenever the user asks for the shortcuts; closing only
// hides it.
class KeysDialog : public CustomDialog
{
    Q_OBJECT
public:
    KeysDialog();

private:
    // A null second key adds no second label.
    void addShortcutRow(QVBoxLayout *section, const QString &description, const QString &iconPath,
                        const QString &firstKey, const QString &secondKey = QString());
};

#endif
