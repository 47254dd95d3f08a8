#ifndef WEBENGINESTART_H
#define WEBENGINESTART_H

#include <QString>

// What the help and player windows' web views need to start. The web engine
// refuses its sandbox to the root user and then ends the whole program, and
// it ends it too when its helper program is missing; the windows ask first
// and show their pages another way when it cannot start.
class WebEngineStart
{
public:
    // For the root user (common in containers), turns the engine's sandbox
    // off unless the environment already does. Takes effect only before the
    // engine's first web view: main() calls it first thing, and the windows
    // again before making theirs.
    static void allowRunningAsRoot();

    // Empty when a web view can start here; else why not, for the user.
    static QString whyNot();
    static bool canStart() { return whyNot().isEmpty(); }
};

#endif
