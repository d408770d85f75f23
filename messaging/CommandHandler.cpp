#include "messaging/CommandHandler.h"

#include "messaging/MsgFraming.h"

Status CCommandHandler::HandleCommand(const SMsgConnectionContext&, const CMsgHeader&, CMsgStream&)
{
    return ST_NOT_IMPLEMENTED;
}

Status CCommandHandler::Dispatch(CMsgBuffer& message, const SMsgConnectionContext& from)
{
    CMsgHeader header;
    const Status status = ReadReceivedHeader(message, header);
    if (status != ST_SUCCESS)
        return status;
    CMsgStream body(&message, CMsgStream::MODE_READ);
    return HandleCommand(from, header, body);
}
