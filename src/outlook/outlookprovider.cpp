#include "outlook/outlookprovider.h"

#include "outlook/nooutlookprovider.h"

OutlookProvider::~OutlookProvider() = default;

OutlookProvider *OutlookProvider::platformProvider()
{
    static NoOutlookProvider provider;
    return &provider;
}
