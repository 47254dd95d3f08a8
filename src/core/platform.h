#ifndef PLATFORM_H
#define PLATFORM_H

#include <QString>

class QWidget;

// The few services the program needs from the operating system; nothing else
// in the program calls it directly.

// Starts the file (made executable first). False when it could not be
// started.
bool runElevated(const QString &path);
// Gives a frameless top-level window the system menu, minimise and maximise
// behaviour of a framed one, where the system needs help for that.
void addNativeFrameStyles(QWidget *widget);
// Loads the optional crash-logger library; warns when it is missing on
// Windows, the only system it exists for.
void loadCrashLogger();
bool isCrashLoggerLoaded();

#endif
