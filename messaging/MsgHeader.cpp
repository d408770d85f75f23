#include "messaging/MsgHeader.h"

#include "messaging/MsgStream.h"

Status CMsgHeader::Write(CMsgStream& stream) const
{
    Status status = stream.WriteU16(MessageLength);
    if (status == ST_SUCCESS)
        status = stream.WriteU32(Checksum);
    if (status == ST_SUCCESS)
        status = stream.WriteU32(SourceAddr);
    if (status == ST_SUCCESS)
        status = stream.WriteU32(DestinationAddr);
    if (status == ST_SUCCESS)
        status = stream.WriteU16(Command);
    if (status == ST_SUCCESS)
        status = stream.WriteU32(SeqNumber);
    if (status == ST_SUCCESS)
        status = stream.WriteU32(SourceClient);
    return status;
}

Status CMsgHeader::Read(CMsgStream& stream)
{
    // Into a copy, so that a short message leaves this header as it was.
    CMsgHeader header;
    Status status = stream.ReadU16(header.MessageLength);
    if (status == ST_SUCCESS)
        status = stream.ReadU32(header.Checksum);
    if (status == ST_SUCCESS)
        status = stream.ReadU32(header.SourceAddr);
    if (status == ST_SUCCESS)
        status = stream.ReadU32(header.DestinationAddr);
    if (status == ST_SUCCESS)
        status = stream.ReadU16(header.Command);
    if (status == ST_SUCCESS)
        status = stream.ReadU32(header.SeqNumber);
    if (status == ST_SUCCESS)
        status = stream.ReadU32(header.SourceClient);
    if (status == ST_SUCCESS)
        *this = header;
    return status;
}
