#pragma once
// Framing of the data messages between a downloading and an uploading peer: one u32 in
// little-endian order, (total length << 8) | type, the total counting the 4 header bytes.
// A message is 4 to 66564 bytes long; anything else means the stream has lost its
// boundaries. Messages are built in one block of the largest size: the body from byte 4,
// then the header with the length reached.

#include "infra/MessageBlock.h"
#include "infra/MessageHeaderTraits.h"
#include "infra/MessageReader.h"
#include "infra/Status.h"

#include <cstdint>

enum DataMessageType : std::uint32_t {
    DATA_MSG_DATA_BLOCK = 1,    // upload -> download
    DATA_MSG_RANGE_REQUEST = 2, // download -> upload
    DATA_MSG_FILE_REQUEST = 3,  // download -> upload
    DATA_MSG_FILE_INFO = 4,     // upload -> download
    DATA_MSG_RANGE_END = 5,     // upload -> download
    DATA_MSG_CLOSE = 6          // either way
};

constexpr std::uint32_t DATA_MESSAGE_HEADER_SIZE = 4;
constexpr std::uint32_t DATA_MESSAGE_MAX_LENGTH = sti::DATA_MESSAGE_CAPACITY; // 66564
constexpr std::uint32_t DATA_MESSAGE_MAX_BODY = DATA_MESSAGE_MAX_LENGTH - DATA_MESSAGE_HEADER_SIZE;

using DataMessageAllocator = sti::SimpleAllocator<sti::DATA_MESSAGE_CAPACITY>;
using DataMessageBlock = DataMessageAllocator::Block;

struct CTNDataMessageHeader {
    std::uint32_t Length = 0; // total, header included
    std::uint32_t Type = 0;
};

// The total length of a header value, or 0 when it is below 4 or above 66564.
std::uint32_t ValidateDataMessageHeader(std::uint32_t value);

// Writes the header at data[0..3] for a message of the given total length (an empty body
// is length 4). ST_OUT_OF_BOUNDS for a length below 4 or above 66564 or a type above 255.
Status WriteDataMessageHeader(std::uint8_t* data, std::uint32_t length, std::uint32_t type);

// Finishes a block whose body was written from byte 4: the header takes the block's used
// length (at least 4). ST_OUT_OF_BOUNDS when the body passed the block.
Status FinishDataMessage(DataMessageBlock& block, std::uint32_t type);

template <>
struct sti::MessageHeaderTraits<CTNDataMessageHeader> {
    static constexpr std::uint32_t HEADER_SIZE = DATA_MESSAGE_HEADER_SIZE;
    // SendCode carries a close reason.
    static constexpr std::uint32_t CODE_MESSAGE_TYPE = DATA_MSG_CLOSE;

    static std::uint32_t GetMessageLength(const std::uint8_t* header);
    static Status Decode(CMessageReader& reader, CTNDataMessageHeader& header);
    static Status WriteHeader(std::uint8_t* data, std::uint32_t length, std::uint32_t type)
    {
        return WriteDataMessageHeader(data, length, type);
    }
};
