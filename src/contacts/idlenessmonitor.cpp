#include "contacts/idlenessmonitor.h"

#include "contacts/inputidlenessmonitor.h"
#include "contacts/screensaveridlenessmonitor.h"

IdlenessMonitor *IdlenessMonitor::s_instance = nullptr;

IdlenessMonitor::~IdlenessMonitor()
{
    if (s_instance == this)
        s_instance = nullptr;
}

void IdlenessMonitor::createInstance()
{
    IdlenessMonitor *monitor = ScreenSaverIdlenessMonitor::create();
    if (!monitor)
        monitor = new InputIdlenessMonitor;
    setInstance(monitor);
}

IdlenessMonitor *IdlenessMonitor::instance()
{
    return s_instance;
}

void IdlenessMonitor::setInstance(IdlenessMonitor *monitor)
{
    if (s_instance == monitor)
        return;
    delete s_instance;
    s_instance = monitor;
}

int IdlenessMonitor::idleSeconds() const
{
    return 0;
}
