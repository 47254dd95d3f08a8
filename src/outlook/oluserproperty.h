#ifndef OLUSERPROPERTY_H
#define OLUSERPROPERTY_H

#include "outlook/olobject.h"

#include <QVariant>

// One user-defined field of an item.
class OlUserProperty : public OlObject
{
public:
    virtual QVariant value() = 0;
    virtual void setValue(const QVariant &value) = 0;
};

#endif
