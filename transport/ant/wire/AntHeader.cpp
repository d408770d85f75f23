#include "transport/ant/wire/AntHeader.h"

SAntHeader SAntHeader::Control(int type, std::uint16_t value, std::uint16_t destination, std::uint8_t flags)
{
    SAntHeader header;
    header.Flags = flags;
    header.Destination = destination;
    header.Word = MakeAntControlWord(type, value);
    return header;
}

SAntHeader SAntHeader::Data(std::uint32_t sequence, std::uint16_t destination, std::uint8_t flags)
{
    SAntHeader header;
    header.Flags = flags;
    header.Destination = destination;
    header.Word = MakeAntDataWord(sequence);
    return header;
}

Status WriteAntHeader(CAntPacketWriter& writer, const SAntHeader& header)
{
    // A failed field sticks in the writer; the last write's result covers the chain.
    (void)writer.WriteU8(header.Version);
    (void)writer.WriteU8(header.Flags);
    (void)writer.WriteU16(header.Destination);
    return writer.WriteU32(header.Word);
}

Status ReadAntHeader(CAntPacketReader& reader, SAntHeader& header)
{
    // A failed field sticks in the reader; the last read's result covers the chain.
    (void)reader.ReadU8(header.Version);
    (void)reader.ReadU8(header.Flags);
    (void)reader.ReadU16(header.Destination);
    return reader.ReadU32(header.Word);
}
