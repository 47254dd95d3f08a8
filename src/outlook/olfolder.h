#ifndef OLFOLDER_H
#define OLFOLDER_H

#include "outlook/olfolders.h"
#include "outlook/olitems.h"

// A folder of Outlook (MAPIFolder).
class OlFolder : public OlObject
{
public:
    enum { TasksFolderType = 13 }; // olFolderTasks

    virtual std::unique_ptr<OlFolders> folders() = 0;
    virtual std::unique_ptr<OlItems> items() = 0;
    virtual QString name() = 0;
    virtual QString entryId() = 0;
    // Outlook's Delete: the folder goes with its items.
    virtual void remove() = 0;
};

#endif
