#ifndef SCREENSAVERIDLENESSMONITOR_H
#define SCREENSAVERIDLENESSMONITOR_H

#include "contacts/idlenessmonitor.h"

// The idle time the X server keeps for the whole desktop, through its
// screen-saver extension: input to other programs counts too.
class ScreenSaverIdlenessMonitor : public IdlenessMonitor
{
    Q_OBJECT
public:
    // Null unless the program runs on X11 and the server has the extension.
    static ScreenSaverIdlenessMonitor *create();

    int idleSeconds() const override;

private:
    explicit ScreenSaverIdlenessMonitor(void *display);

    void *m_display;
};

#endif
