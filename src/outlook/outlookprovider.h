#ifndef OUTLOOKPROVIDER_H
#define OUTLOOKPROVIDER_H

#include <memory>

class OlApplication;

// Reaches the installed Outlook.
class OutlookProvider
{
public:
    virtual ~OutlookProvider();

    // Null when Outlook is not installed.
    virtual std::unique_ptr<OlApplication> createApplication() = 0;

    // This platform's way to Outlook.
    static OutlookProvider *platformProvider();
};

#endif
