#include "transport/ant/wire/AntHandshakeBodies.h"

#include "transport/ant/wire/AntSequence.h"

#include <new>

namespace {

Status WriteAddressList(CAntPacketWriter& writer, const std::vector<std::uint32_t>& addresses)
{
    if (addresses.size() > 0xFFFF) {
        return ST_OUT_OF_BOUNDS;
    }
    // A failed field sticks in the writer; GetStatus below covers the list.
    (void)writer.WriteU16(std::uint16_t(addresses.size()));
    for (std::uint32_t address : addresses) {
        // A failed field sticks in the writer; GetStatus below covers the list.
        (void)writer.WriteU32(address);
    }
    return writer.GetStatus();
}

// The count is checked against the bytes received before anything is allocated for it.
Status ReadAddressList(CAntPacketReader& reader, std::vector<std::uint32_t>& addresses)
{
    addresses.clear();
    std::uint16_t count = 0;
    Status status = reader.ReadU16(count);
    if (status != ST_SUCCESS) {
        return status;
    }
    if (std::uint32_t(count) * 4 > reader.GetRemaining()) {
        return reader.Skip(std::uint32_t(count) * 4);
    }
    try {
        addresses.reserve(count);
    } catch (const std::bad_alloc&) {
        return ST_NO_MEMORY;
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint32_t address = 0;
        // The count was checked against the bytes left; GetStatus below covers it anyway.
        (void)reader.ReadU32(address);
        addresses.push_back(address);
    }
    return reader.GetStatus();
}

} // namespace

Status WriteAntBody(CAntPacketWriter& writer, const SAntConnectRequestBody& body)
{
    // A failed field sticks in the writer; the last write's result covers the chain.
    (void)writer.WriteU32(body.OwnId);
    (void)writer.WriteU32(body.PeerId);
    (void)writer.WriteU64(body.Key);
    (void)writer.WriteU16(body.LocalPort);
    return WriteAddressList(writer, body.LocalAddresses);
}

Status ReadAntBody(CAntPacketReader& reader, SAntConnectRequestBody& body)
{
    // A failed field sticks in the reader; the last read's result covers the chain.
    (void)reader.ReadU32(body.OwnId);
    (void)reader.ReadU32(body.PeerId);
    (void)reader.ReadU64(body.Key);
    (void)reader.ReadU16(body.LocalPort);
    return ReadAddressList(reader, body.LocalAddresses);
}

Status WriteAntBody(CAntPacketWriter& writer, const SAntConnectRelayBody& body)
{
    // A failed field sticks in the writer; the last write's result covers the chain.
    (void)writer.WriteU32(body.Requester.Address);
    (void)writer.WriteU16(body.Requester.Port);
    (void)writer.WriteU16(body.Requester.Reserved);
    (void)writer.WriteU64(body.Key);
    (void)writer.WriteU16(body.LocalPort);
    return WriteAddressList(writer, body.LocalAddresses);
}

Status ReadAntBody(CAntPacketReader& reader, SAntConnectRelayBody& body)
{
    // A failed field sticks in the reader; the last read's result covers the chain.
    (void)reader.ReadU32(body.Requester.Address);
    (void)reader.ReadU16(body.Requester.Port);
    (void)reader.ReadU16(body.Requester.Reserved);
    (void)reader.ReadU64(body.Key);
    (void)reader.ReadU16(body.LocalPort);
    return ReadAddressList(reader, body.LocalAddresses);
}

Status WriteAntBody(CAntPacketWriter& writer, const SAntHelloBody& body)
{
    // A failed field sticks in the writer; the last write's result covers the chain.
    (void)writer.WriteU64(body.Key);
    (void)writer.WriteU16(body.Reserved);
    (void)writer.WriteU16(body.SessionId);
    (void)writer.WriteU32(body.InitialSequence);
    (void)writer.WriteU32(body.Window);
    (void)writer.WriteU32(body.SenderId);
    return writer.WriteU32(body.ReceiverId);
}

Status ReadAntBody(CAntPacketReader& reader, SAntHelloBody& body)
{
    // A failed field sticks in the reader; the last read's result covers the chain.
    (void)reader.ReadU64(body.Key);
    (void)reader.ReadU16(body.Reserved);
    (void)reader.ReadU16(body.SessionId);
    (void)reader.ReadU32(body.InitialSequence);
    (void)reader.ReadU32(body.Window);
    (void)reader.ReadU32(body.SenderId);
    const Status status = reader.ReadU32(body.ReceiverId);
    // A peer's window sizes our send queue and its sequence numbers our arithmetic.
    body.Window = ClampAntWindow(body.Window);
    body.InitialSequence &= ANT_SEQUENCE_MASK;
    return status;
}

Status WriteAntBody(CAntPacketWriter& writer, const SAntHelloConfirmBody& body)
{
    // A failed field sticks in the writer; the last write's result covers the chain.
    (void)writer.WriteU64(body.Key);
    (void)writer.WriteU32(body.SenderId);
    return writer.WriteU32(body.ReceiverId);
}

Status ReadAntBody(CAntPacketReader& reader, SAntHelloConfirmBody& body)
{
    // A failed field sticks in the reader; the last read's result covers the chain.
    (void)reader.ReadU64(body.Key);
    (void)reader.ReadU32(body.SenderId);
    return reader.ReadU32(body.ReceiverId);
}
