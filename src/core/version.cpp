#include "core/version.h"

#include "core/options.h"

namespace {
// From the project's version in the top CMakeLists.txt.
const char versionPrefix[] = PLUMDECK_VERSION_PREFIX;
const int defaultBuildNumber = PLUMDECK_BUILD_NUMBER;
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
