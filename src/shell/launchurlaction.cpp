#include "shell/launchurlaction.h"

#include <QDebug>
#include <QDesktopServices>

LaunchUrlAction::LaunchUrlAction(const QString &text, const QString &url, QObject *parent)
    : Action(text, nullptr, parent), m_url(url)
{
}

void LaunchUrlAction::execute()
{
    if (!QDesktopServices::openUrl(m_url))
        qWarning() << "LaunchUrlAction failed to launch" << m_url;
}
