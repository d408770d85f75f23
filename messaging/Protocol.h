#pragma once

// The messaging protocol as both ends speak it: the client and the stand-in server include this
// one header, so every value that the two must agree on is decided here once.
//
// Every body field is little-endian (see CMsgStream). Field kinds used below:
//   byte, bool (1 byte), u16, u32, id16 (16 raw bytes), string (u16 n = length + 1, text, NUL),
//   block (u16 n, n bytes), address list (u16 n, n x {u32 address, u16 port}).

#include <cstddef>
#include <cstdint>

namespace KV2Protocol {

// The server's host is configuration (see ServerConfig.h); a machine without one talks to a
// server on itself. TCP for the messaging connection and UDP for the rendezvous share the port.
inline constexpr const char* DEFAULT_SERVER_HOST = "127.0.0.1";
inline constexpr std::uint16_t SERVER_PORT = 1864;

// Service addresses ((0x8000 | high) << 16 | low, see CMsgAddress).
inline constexpr std::uint32_t ADDR_GREETING_SERVICE = 0x8007FFFC; // main server, command 9
inline constexpr std::uint32_t ADDR_LOGIN_SERVICE = 0x8004FFFC;    // redirect server, command 1
inline constexpr std::uint32_t ADDR_CLIENT_SERVICE = 0x8002FFFC;   // every other client command
inline constexpr std::uint16_t ADDR_LOW_GATED_SERVICE = 0xFFFB;    // with bit 31: a gated service

// Command codes (low 15 bits of the header's Command; bit 15 is a flag masked off for dispatch).
enum Command : std::uint16_t {
    // client -> server: id16 client id, u16 VERSION_MAJOR, u16 VERSION_MINOR, u16 LOGIN_REVISION
    CMD_LOGIN = 1,
    // server -> client: u32 own address, u16 keep-alive interval (s, 0 = none), u16 refused,
    // u16 keyed, block key material (KEY_BLOCK_SIZE bytes when keyed), u32 0, u16 0 (both unused)
    CMD_LOGIN_REPLY = 2,
    // both ways: u32 addressee (the ticket), id16 requester's client id, u32 requester address,
    // u32 session handle
    CMD_CONNECT_REQUEST = 4,
    // both ways: u32 answerer, u32 requester, u32 session handle, u32 0, byte CONNECT_ACCEPT/REFUSE
    CMD_CONNECT_ANSWER = 5,
    // client -> server: no body (MessageLength 24)
    CMD_KEEP_ALIVE = 6,
    // server -> client: u32 value
    CMD_KEEP_ALIVE_REPLY = 7,
    // client -> server: u16 VERSION_MAJOR, u16 VERSION_MINOR
    CMD_GREETING = 9,
    // server -> client: bool notice flag, byte notice type, address list of log-in servers,
    // u16 0 (unused), u16 retry spread (s; 0 is taken as 1)
    CMD_REDIRECT = 10,
    // server -> client: u32 peer address (ticket), u32 session handle, u32 key low, u32 key high,
    // bool download
    CMD_SESSION_SETUP = 28,
    // client -> server: id16 peer's user id, id16 file id
    CMD_SESSION_REQUEST = 29,
    // server -> client: id16 peer's user id (echoed from the request), id16 file id,
    // u32 ticket (the uploader's address, 0 = not found)
    CMD_SESSION_ANSWER = 30,
    // server -> client: any body, ignored
    CMD_IGNORED = 33,
    // client -> server: u32 MAIL_KIND_XML, string XML text ("FLEmail" or "TNInvite")
    CMD_MAIL_REQUEST = 34,
    // server -> client: u32 value, bool flag (passed to the application, which ignores it)
    CMD_SERVER_VALUE = 35,
    // client -> server: string one-line transfer report
    CMD_REPORT = 36,
};

inline constexpr std::uint16_t COMMAND_CODE_MASK = 0x7FFF;
inline constexpr std::uint16_t COMMAND_FLAG_BIT = 0x8000;
inline constexpr std::size_t COMMAND_TABLE_SIZE = 512;

// Greeting and log-in carry the protocol version 0.8.
inline constexpr std::uint16_t VERSION_MAJOR = 0;
inline constexpr std::uint16_t VERSION_MINOR = 8;
// Third u16 of the log-in: the client's revision of this protocol. The server accepts any value;
// it is there so that a later server can tell clients apart.
inline constexpr std::uint16_t LOGIN_REVISION = 1;

// Connect answer status byte.
inline constexpr std::uint8_t CONNECT_ACCEPT = 0;
inline constexpr std::uint8_t CONNECT_REFUSE = 2;

// Mail request kind: the only kind is an XML mail ("FLEmail" link mail or "TNInvite").
inline constexpr std::uint32_t MAIL_KIND_XML = 0;

// Notice types of command 10. The client hands every type to the application unchanged and acts
// itself only on NOTICE_UPGRADE_REQUIRED; the values match the application's version state.
enum NoticeType : std::uint8_t {
    NOTICE_NONE = 0,
    NOTICE_NEWER_VERSION = 1,    // a newer version exists: tell the user quietly
    NOTICE_UPDATE_OFFERED = 2,   // a newer version exists: offer the update dialog
    NOTICE_UPGRADE_REQUIRED = 3, // this version is refused: stop connecting
};

// Address records. Both ends store an IPv4 address as a u32 in host order (127.0.0.1 is
// 0x7F000001) and write every field little-endian, so the address's bytes on the wire run from
// its last octet to its first: 127.0.0.1 port 1864 (0x0748) is
//   command 10, one address list entry (6 bytes):   01 00 00 7F  48 07
//   AntConnectRelay, requester's record (8 bytes):  01 00 00 7F  48 07  00 00
// - command 10: u16 count, then per entry u32 address, u16 TCP port; no padding between entries.
// - AntConnectRelay (the rendezvous answer, a transport datagram; see AntHandshakeBodies.h):
//   the requesting side as the server saw it, u32 address, u16 UDP port, u16 zero, right behind
//   the 8-byte datagram header. Its local addresses later in the body are bare u32 values in
//   the same order.
inline constexpr std::size_t ADDRESS_ENTRY_SIZE = 6;

// Key material of a keyed log-in reply. The block is XORed with KEY_MASK at a fixed offset per
// group; the keys themselves never travel. The groups are named from the client's side: the
// server enciphers with the client's decoder keys and deciphers with its encoder keys.
inline constexpr std::size_t KEY_BLOCK_SIZE = 40;
inline constexpr std::size_t CIPHER_KEY_SIZE = 16;
inline constexpr std::size_t CHECKSUM_KEY_SIZE = 4;

inline constexpr std::size_t KEY_BLOCK_DECODER_CIPHER = 0;
inline constexpr std::size_t KEY_BLOCK_ENCODER_CIPHER = 16;
inline constexpr std::size_t KEY_BLOCK_DECODER_CHECKSUM = 32;
inline constexpr std::size_t KEY_BLOCK_ENCODER_CHECKSUM = 36;

// The mask is as long as the block and each group uses the mask bytes at its own block offset,
// so one table serves all four groups without overlap.
inline constexpr std::uint8_t KEY_MASK[KEY_BLOCK_SIZE] = {
    0xE0, 0x26, 0x21, 0x55, 0x24, 0x02, 0xEE, 0xC9, 0x35, 0x3F, 0xD6, 0x2C, 0x2B, 0xBA,
    0x8D, 0x9F, 0x77, 0x62, 0x70, 0x73, 0x4F, 0x7F, 0xCE, 0xBA, 0x64, 0x94, 0xD1, 0xB1,
    0x4E, 0xA2, 0xF6, 0x3B, 0x19, 0xFB, 0x1A, 0x65, 0x9A, 0x2A, 0x46, 0x6A,
};
inline constexpr std::size_t KEY_MASK_DECODER_CIPHER = KEY_BLOCK_DECODER_CIPHER;
inline constexpr std::size_t KEY_MASK_ENCODER_CIPHER = KEY_BLOCK_ENCODER_CIPHER;
inline constexpr std::size_t KEY_MASK_DECODER_CHECKSUM = KEY_BLOCK_DECODER_CHECKSUM;
inline constexpr std::size_t KEY_MASK_ENCODER_CHECKSUM = KEY_BLOCK_ENCODER_CHECKSUM;

} // namespace KV2Protocol
