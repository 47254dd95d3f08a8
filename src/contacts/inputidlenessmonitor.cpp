#include "contacts/inputidlenessmonitor.h"

#include <QCoreApplication>
#include <QEvent>

#include "core/clock.h"

InputIdlenessMonitor::InputIdlenessMonitor()
    : m_lastInputMs(Clock::currentMSecsSinceEpoch())
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

int InputIdlenessMonitor::idleSeconds() const
{
    const qint64 ms = Clock::currentMSecsSinceEpoch() - m_lastInputMs;
    return ms > 0 ? int(qMin<qint64>(ms / 1000, INT_MAX)) : 0;
}

bool InputIdlenessMonitor::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        m_lastInputMs = Clock::currentMSecsSinceEpoch();
        break;
    default:
        break;
    }
    return IdlenessMonitor::eventFilter(watched, event);
}
