#include "messaging/MsgFraming.h"

#include "messaging/MsgStream.h"

Status CheckMessageLength(std::uint32_t length)
{
    return (length <= 2 || length > MSG_MAX_LENGTH) ? ST_OUT_OF_SYNC : ST_SUCCESS;
}

std::uint16_t PeekMessageLength(const CMsgBuffer& buffer)
{
    if (buffer.Used < 2)
        return 0;
    return static_cast<std::uint16_t>(buffer.Data[0] | (buffer.Data[1] << 8));
}

std::uint16_t OutgoingMessageLength(const CMsgBuffer& buffer)
{
    if (buffer.Used < MSG_HEADER_SIZE)
        return MSG_HEADER_SIZE;
    if (buffer.Used > MSG_MAX_LENGTH)
        return MSG_MAX_LENGTH;
    return static_cast<std::uint16_t>(buffer.Used);
}

Status WriteMessageHeader(CMsgBuffer& buffer, const CMsgHeader& header)
{
    CMsgStream stream(&buffer, CMsgStream::MODE_WRITE, 0);
    return header.Write(stream);
}

Status ReadReceivedHeader(CMsgBuffer& buffer, CMsgHeader& header)
{
    CMsgStream stream(&buffer, CMsgStream::MODE_READ, 0);
    return header.Read(stream) == ST_SUCCESS ? ST_SUCCESS : ST_OUT_OF_SYNC;
}
