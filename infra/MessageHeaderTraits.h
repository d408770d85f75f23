#pragma once
// How a framed stream finds its message boundaries. Each header type that is framed by
// CMessageSocketHandler specialises MessageHeaderTraits with:
//
//   static constexpr std::uint32_t HEADER_SIZE;               // bytes of the header
//   static std::uint32_t GetMessageLength(const std::uint8_t* header);
//       // total length, header included, from a complete received header; 0 when the
//       // length is impossible (the stream has lost its boundaries)
//   static Status Decode(CMessageReader& reader, THeader& header);
//       // reads the header, leaving the reader just behind it
//
// and, where the stream sends one-code messages (SendCode), CODE_MESSAGE_TYPE and
// static Status WriteHeader(std::uint8_t* data, std::uint32_t length, std::uint32_t type).

namespace sti {

template <class THeader>
struct MessageHeaderTraits;

} // namespace sti
