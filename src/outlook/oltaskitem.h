#ifndef OLTASKITEM_H
#define OLTASKITEM_H

#include "outlook/oluserproperties.h"

#include <QDateTime>

#include <memory>

class OlFolder;

// One Outlook task.
class OlTaskItem : public OlObject
{
public:
    virtual QString subject() = 0;
    virtual void setSubject(const QString &subject) = 0;
    virtual bool complete() = 0;
    virtual void setComplete(bool complete) = 0;
    // A null date-time: no due date.
    virtual void setDueDate(const QDateTime &date) = 0;
    virtual QString entryId() = 0;
    // In local time.
    virtual QDateTime lastModificationTime() = 0;
    virtual std::unique_ptr<OlUserProperties> userProperties() = 0;
    virtual void save() = 0;
    // Outlook's Delete.
    virtual void remove() = 0;
    // The item as it is in the destination folder; keep its EntryID.
    virtual std::unique_ptr<OlTaskItem> move(OlFolder *destination) = 0;
};

#endif
