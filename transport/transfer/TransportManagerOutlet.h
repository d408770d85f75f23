#pragma once
// The messaging service as the transport manager sees it: the two server commands a
// download session sends. Both only queue a message for the service thread and may be
// called from the transport-manager thread.

#include "transport/transfer/TransferEntry.h"

#include <cstdint>

class ITransportManagerOutlet {
public:
    virtual ~ITransportManagerOutlet() = default;

    // Server command 29: where is the peer that offers this file? False when it cannot leave.
    virtual bool SendSessionRequest(const std::uint8_t peerId[TRANSFER_ID_SIZE],
                                    const std::uint8_t fileId[TRANSFER_ID_SIZE]) = 0;
    // Server command 4 to the ticket (the uploader's messaging address) for the session.
    virtual bool SendConnectRequest(std::uint32_t ticket, std::uint32_t sessionHandle) = 0;
};
