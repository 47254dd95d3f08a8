#ifndef OLAPPLICATION_H
#define OLAPPLICATION_H

#include "outlook/olnamespace.h"

// A running Outlook.
class OlApplication : public OlObject
{
public:
    enum { TaskItemType = 3 }; // olTaskItem

    // Dotted, the major version first.
    virtual QString version() = 0;
    virtual std::unique_ptr<OlNameSpace> session() = 0;
    // A new, unsaved task; saving it puts it in the default tasks folder.
    virtual std::unique_ptr<OlTaskItem> createItem(int type) = 0;
};

#endif
