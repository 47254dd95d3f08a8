#ifndef VERSION_H
#define VERSION_H

#include <QString>

// The build number: -internalversion when given (and not 0), else the
// release's own.
int buildNumber();
// "3.0.<build number>".
QString versionString();

#endif
