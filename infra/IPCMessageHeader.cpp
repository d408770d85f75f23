#include "infra/IPCMessageHeader.h"

#include "infra/MessageWriter.h"

namespace sti {

Status WriteIPCMessageHeader(IPCMessageBlock& block, std::uint32_t type)
{
    if (block.Used > IPCMessageBlock::CAPACITY) {
        return ST_OUT_OF_BOUNDS;
    }
    if (block.Used < IPCMessageHeader::SIZE) {
        block.Used = IPCMessageHeader::SIZE;
    }
    CMessageWriter writer(block);
    // A failed write sticks in the writer, checked once below.
    (void)writer.WriteU32(block.Used);
    (void)writer.WriteU32(type);
    return writer.HasError() ? ST_OUT_OF_BOUNDS : ST_SUCCESS;
}

} // namespace sti
