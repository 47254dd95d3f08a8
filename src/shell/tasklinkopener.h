#ifndef TASKLINKOPENER_H
#define TASKLINKOPENER_H

class QUrl;

// The one rule for the links and videos that tasks carry: they come from the
// lists of other users and from the server, so only web and mail addresses
// (http, https, ftp, mailto) reach the desktop or the player; a local file,
// a share or a script never runs from a click.
class TaskLinkOpener
{
public:
    // True for an address of one of those kinds.
    static bool isWebAddress(const QUrl &url);
    // As isWebAddress(), and says in the log why any other is refused.
    static bool allows(const QUrl &url);
    // Hands an allowed address to the desktop; false when refused or when
    // the desktop could not open it.
    static bool open(const QUrl &url);
};

#endif
