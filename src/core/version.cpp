#include "core/version.h"

#include "core/options.h"

namespace {
const char versionPrefix[] = "3.0";
const int defaultBuildNumber = 3054;
}

int buildNumber()
{
    const int internal = Options::internalversion.value();
    return internal != 0 ? internal : defaultBuildNumber;
}

QString versionString()
{
    return QStringLiteral("%1.%2").arg(QLatin1String(versionPrefix)).arg(buildNumber());
}
