#ifndef OLITEMS_H
#define OLITEMS_H

#include "outlook/oltaskitem.h"

// The items of a folder, numbered from 1.
class OlItems : public OlObject
{
public:
    virtual int count() = 0;
    virtual std::unique_ptr<OlTaskItem> item(int index) = 0;
};

#endif
