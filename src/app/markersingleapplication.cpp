#include "app/markersingleapplication.h"

#include "core/singleinstancemarker.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

MarkerSingleApplication::MarkerSingleApplication(int &argc, char **argv)
    : SingleApplication(argc, argv)
{
}

QString MarkerSingleApplication::markerTitle()
{
    return QStringLiteral("SingleApplication:%1:%2")
        .arg(QCoreApplication::organizationName(), QCoreApplication::applicationName());
}

QString MarkerSingleApplication::markerName()
{
    // The socket lives in a folder all users share: the name carries the user.
#ifdef Q_OS_UNIX
    const QString user = QString::number(::getuid());
#else
    const QString user = qEnvironmentVariable("USERNAME");
#endif
    return markerTitle() + QLatin1Char(':') + user;
}

bool MarkerSingleApplication::isAnotherInstanceRunning()
{
    if (organizationName().isEmpty() || applicationName().isEmpty())
        qFatal("SingleApplication requires organizationName and applicationName to be set");
    if (!m_marker) {
        m_marker = new SingleInstanceMarker(markerName(), this);
        connect(m_marker, &SingleInstanceMarker::bringForwardRequested, this,
                &SingleApplication::activateMainWindow);
    }
    return m_marker->isAnotherInstanceRunning();
}
