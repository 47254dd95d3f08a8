#include "contacts/screensaveridlenessmonitor.h"

#include <QDebug>
#include <QGuiApplication>

#ifdef PLUMDECK_HAVE_XSS
// After Qt: the X headers define macros (None, Bool, Status) Qt's headers use.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#endif

ScreenSaverIdlenessMonitor::ScreenSaverIdlenessMonitor(void *display)
    : m_display(display)
{
}

ScreenSaverIdlenessMonitor *ScreenSaverIdlenessMonitor::create()
{
#ifdef PLUMDECK_HAVE_XSS
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return nullptr;
    int eventBase = 0;
    int errorBase = 0;
    if (!XScreenSaverQueryExtension(display, &eventBase, &errorBase)) {
        qWarning("ScreenSaverIdlenessMonitor: the X server has no screen-saver extension");
        return nullptr;
    }
    return new ScreenSaverIdlenessMonitor(display);
#else
    return nullptr;
#endif
}

int ScreenSaverIdlenessMonitor::idleSeconds() const
{
#ifdef PLUMDECK_HAVE_XSS
    auto *display = static_cast<Display *>(m_display);
    XScreenSaverInfo *info = XScreenSaverAllocInfo();
    if (!info || !XScreenSaverQueryInfo(display, DefaultRootWindow(display), info)) {
        qWarning("ScreenSaverIdlenessMonitor: failed to query the idle time");
        if (info)
            XFree(info);
        return 0;
    }
    const unsigned long idleMs = info->idle;
    XFree(info);
    return int(qMin<unsigned long>(idleMs / 1000, INT_MAX));
#else
    return 0;
#endif
}
