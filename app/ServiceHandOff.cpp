#include "app/ServiceHandOff.h"

// No messaging service is linked in, so nothing takes the texts: a report is dropped and a mail
// request refused, as the service itself does while it is not connected.

void HandReportToService(const CString& /*line*/)
{
}

bool HandMailRequestToService(const CString& /*request*/)
{
    return false;
}
