#pragma once
// Text form of the 16-byte identifiers (file ids, user ids) used in reports and logs.

#include <string>

// 35 characters, groups of 8-4-4-16 lower-case hexadecimal digits, bytes in storage order.
std::string FormatUid(const unsigned char uid[16]);
void ClearUid(unsigned char uid[16]);
