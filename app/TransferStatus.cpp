#include "app/TransferStatus.h"

unsigned FileStatusStringId(std::int32_t status)
{
    // 0-12 are consecutive; the three statuses added later have texts of their own.
    static const unsigned ids[FILE_STATUS_COUNT] = {111, 112, 113, 114, 115, 116, 117, 118,
                                                    119, 120, 121, 122, 123, 181, 183, 182};
    return status >= 0 && status < FILE_STATUS_COUNT ? ids[status] : 0;
}

const char* SessionStatusName(std::int32_t status)
{
    static const char* const names[] = {"WAITING", "PEER_OFFLINE", "CONNECTING", "INITIATING", "CONNECTED", "RUNNING"};
    return status >= 0 && status <= 5 ? names[status] : "Invalid";
}
