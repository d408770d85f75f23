#pragma once
// Standard base64 (alphabet A-Z a-z 0-9 + /, "=" padding), as the link URL carries identifiers.
// Portable: no Windows headers, so the link codec built on it can be fuzzed natively.

#include <cstddef>
#include <string>
#include <vector>

std::string Base64Encode(const unsigned char* data, std::size_t size);

// Strict: only alphabet characters, then at most two "=" that complete the last group (the
// padding may also be left out). Anything else - white space, a stray "=", a lone final
// character - fails and leaves `out` empty.
bool Base64Decode(const std::string& text, std::vector<unsigned char>& out);
