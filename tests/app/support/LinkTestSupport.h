#pragma once
// Shared by the link and mail tests: the test resources' link page and small link builders.

#include <ostream>
#include <string>

#include "app/FileLink.h"

// Readable CString values in test failures.
inline void PrintTo(const CString& text, std::ostream* os)
{
    *os << '"' << text.str() << '"';
}

namespace linktest {

inline constexpr const char* PREFIX = "http://tarnix.test/fl.php?";

// Entry i gets the id bytes (i + 1, ...), the given name and size, path "C:\\send\\" + name.
CLinkFileEntry Entry(int index, const CString& name, std::int64_t size);

// A link from "me@here.test" (name "Me", user id 0xA0...) to "you@there.test" ("You").
CFileLink TwoPartyLink();

} // namespace linktest
