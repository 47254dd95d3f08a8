#ifndef NOOUTLOOKPROVIDER_H
#define NOOUTLOOKPROVIDER_H

#include "outlook/outlookprovider.h"

// Outlook exists only on another platform: here it is never found.
class NoOutlookProvider : public OutlookProvider
{
public:
    std::unique_ptr<OlApplication> createApplication() override;
};

#endif
