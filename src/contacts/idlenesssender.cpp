#include "contacts/idlenesssender.h"

#include <QTimer>

#include "contacts/idlenessmonitor.h"
#include "core/clock.h"
#include "core/serversettings.h"
#include "core/xmlreaderwriter.h"
#include "sync/requests/eventconnection.h"

IdlenessSender *IdlenessSender::s_instance = nullptr;

IdlenessSender::IdlenessSender()
    : m_timer(new QTimer(this))
{
    m_timer->setInterval(Clock::interval(intervalMs));
    connect(m_timer, &QTimer::timeout, this, &IdlenessSender::onTimeout);
    EventConnection *events = EventConnection::instance();
    connect(events, &EventConnection::connected, this, &IdlenessSender::onConnected);
    connect(events, &EventConnection::disconnected, this, &IdlenessSender::onDisconnected);
    if (events->isConnected())
        m_timer->start();
}

IdlenessSender::~IdlenessSender()
{
    disconnect(EventConnection::instance(), nullptr, this, nullptr);
    if (s_instance == this)
        s_instance = nullptr;
}

void IdlenessSender::createInstance()
{
    delete s_instance;
    s_instance = new IdlenessSender;
}

IdlenessSender *IdlenessSender::instance()
{
    return s_instance;
}

QByteArray IdlenessSender::idlenessEvent(const QString &userName, bool idle)
{
    // Escaped and UTF-8: a quote or "<" in a name must not break the stream.
    return QByteArrayLiteral("<event resource=\"/users/") + XMLReaderWriter::stripInvalidXmlChars(userName).toHtmlEscaped().toUtf8()
        + QByteArrayLiteral("/idleness\" type=\"add\"><span class=\"pd-idleness\">")
        + (idle ? QByteArrayLiteral("idle") : QByteArrayLiteral("active"))
        + QByteArrayLiteral("</span></event>\n");
}

void IdlenessSender::onConnected()
{
    m_timer->setInterval(Clock::interval(intervalMs));
    m_timer->start();
}

void IdlenessSender::onDisconnected()
{
    m_timer->stop();
}

void IdlenessSender::onTimeout()
{
    const IdlenessMonitor *monitor = IdlenessMonitor::instance();
    EventConnection::instance()->sendEvent(
        idlenessEvent(ServerSettings::instance()->userName(), monitor && monitor->isIdle()));
}
