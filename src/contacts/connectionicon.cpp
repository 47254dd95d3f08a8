#include "contacts/connectionicon.h"

#include <QPixmap>

#include "core/uisettings.h"
#include "sync/requests/eventconnection.h"

ConnectionIcon::ConnectionIcon(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("connectionicon"));
    connect(EventConnection::instance(), &EventConnection::connected, this, &ConnectionIcon::onConnected);
    connect(EventConnection::instance(), &EventConnection::disconnected, this, &ConnectionIcon::onDisconnected);
    updateIcon();
}

QString ConnectionIcon::imagePath(bool connected, bool blue)
{
    return QStringLiteral(":/chat/mainwindow-%1%2.png")
        .arg(connected ? QStringLiteral("connected") : QStringLiteral("disconnected"),
             blue ? QStringLiteral("-blue") : QString());
}

void ConnectionIcon::onConnected()
{
    updateIcon();
}

void ConnectionIcon::onDisconnected()
{
    updateIcon();
}

void ConnectionIcon::updateIcon()
{
    show();
    const bool connected = EventConnection::instance()->isConnected();
    setPixmap(QPixmap(imagePath(connected, UISettings::instance()->isBlueSkin())));
    // The picture alone tells assistive tools nothing.
    setAccessibleName(connected ? tr("Connected") : tr("Not connected"));
}
