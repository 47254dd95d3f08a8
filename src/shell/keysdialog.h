#ifndef KEYSDIALOG_H
#define KEYSDIALOG_H

#include "shell/customdialog.h"

// The "Shortcuts" help box. The main window creates one without parent and
// shows and raises it whenever the user asks for the shortcuts.
class KeysDialog : public CustomDialog
{
    Q_OBJECT
public:
    KeysDialog();
};

#endif
