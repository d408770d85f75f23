#pragma once
// The text forms of the values in the XML files: identifiers as 32 hexadecimal digits and
// numbers in decimal, read strictly, because the files may have been damaged or edited.

#include <cstdint>
#include <string>

#include "app/portable/XmlStoreRecords.h"

namespace xmlstore {

// "%02X" per byte, in byte order.
std::string IdToHex(const unsigned char id[ID_SIZE]);
// Exactly 32 hexadecimal digits (either case), high nibble first; anything else leaves `id`
// unchanged and answers false.
bool HexToId(const char* text, unsigned char id[ID_SIZE]);

// Decimal digits only, within 0..max; anything else (empty, a sign, blanks, too large) is 0.
std::int64_t ReadDecimal(const char* text, std::int64_t max);

// File statuses of the transfer list.
constexpr int STATUS_SUSPENDED = 6;
// A stored status as the list comes back after a restart: outside 0..15 it is Suspended, and so
// is every status that stands for a session or an attempt (no session survives a restart).
int RestoredStatus(const char* text);

} // namespace xmlstore
