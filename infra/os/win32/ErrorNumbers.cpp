#include "infra/os/ErrorTranslation.h"
#include "infra/os/PlatformErrors.h"

#include <winsock2.h>

namespace STI_OS {

int GetLastSocketError()
{
    return WSAGetLastError();
}

namespace internal {

// The table is Windows' own numbering.
bool ToTableNumber(int err, int& tableNumber)
{
    tableNumber = err;
    return true;
}

} // namespace internal
} // namespace STI_OS
