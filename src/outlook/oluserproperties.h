#ifndef OLUSERPROPERTIES_H
#define OLUSERPROPERTIES_H

#include "outlook/oluserproperty.h"

#include <memory>

// The user-defined fields of an item.
class OlUserProperties : public OlObject
{
public:
    enum { YesNoType = 6 }; // olYesNo

    virtual std::unique_ptr<OlUserProperty> add(const QString &name, int type, bool addToFolderFields) = 0;
    // Null when the item has no such field.
    virtual std::unique_ptr<OlUserProperty> find(const QString &name, bool custom) = 0;
};

#endif
