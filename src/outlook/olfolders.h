#ifndef OLFOLDERS_H
#define OLFOLDERS_H

#include "outlook/olobject.h"

#include <memory>

class OlFolder;

// The subfolders of a folder, numbered from 1, or walked from the first.
class OlFolders : public OlObject
{
public:
    virtual int count() = 0;
    virtual std::unique_ptr<OlFolder> item(int index) = 0;
    // Null after the last.
    virtual std::unique_ptr<OlFolder> getFirst() = 0;
    virtual std::unique_ptr<OlFolder> getNext() = 0;
    virtual std::unique_ptr<OlFolder> add(const QString &name, int type) = 0;
};

#endif
