#ifndef OLNAMESPACE_H
#define OLNAMESPACE_H

#include "outlook/olfolder.h"

// The session's store of folders (NameSpace).
class OlNameSpace : public OlObject
{
public:
    virtual std::unique_ptr<OlFolder> getDefaultFolder(int type) = 0;
};

#endif
