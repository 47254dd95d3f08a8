#include "outlook/nooutlookprovider.h"

#include "outlook/olapplication.h"

std::unique_ptr<OlApplication> NoOutlookProvider::createApplication()
{
    return nullptr;
}
