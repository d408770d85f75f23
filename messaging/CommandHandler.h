#pragma once

#include "infra/Status.h"
#include "messaging/MsgBuffer.h"
#include "messaging/MsgConnectionContext.h"
#include "messaging/MsgHeader.h"
#include "messaging/MsgStream.h"

// Receives the messages of the commands it is registered for with the communicator.
class CCommandHandler {
public:
    CCommandHandler() = default;
    CCommandHandler(const CCommandHandler&) = delete;
    CCommandHandler& operator=(const CCommandHandler&) = delete;
    virtual ~CCommandHandler() = default;

    // The body stream stands just behind the header. The base knows no command.
    virtual Status HandleCommand(const SMsgConnectionContext& from, const CMsgHeader& header, CMsgStream& body);

    // Reads the header of a received message (ST_OUT_OF_SYNC when it is shorter than one) and
    // hands header and body to HandleCommand, whose status is returned.
    virtual Status Dispatch(CMsgBuffer& message, const SMsgConnectionContext& from);
};
