#pragma once
// The file-link URL without any Windows type: its two text codecs, the identifier form and the
// query that carries a link. CFileLink (FileLink.h) puts its fields through here; being free of
// the framework, the parser can be fuzzed natively.
//
// URL = link page prefix + "fe=..&fg=..&te=..&tn=..&ts=..&tt=..&tc=N&fn=name[|name[|name]]"
// (without te and tn when both are empty).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace linkurl {

// The single-instance hand-off carries at most this many characters (plus its zero byte), so no
// built URL is longer.
constexpr std::size_t MAX_URL_LENGTH = 2047;
// "tc" is a file count. An uploader's file-list answer fits into one data message of 66564
// bytes, at least 27 bytes an entry, so no real link comes near this bound.
constexpr int MAX_FILE_COUNT = 10000;
// Names listed after "fn=".
constexpr std::size_t NAMES_IN_URL = 3;

constexpr std::size_t ID_SIZE = 16;

// Letters and digits (ASCII, whatever the locale) stay, white space becomes "+", every other
// byte "%" and two upper-case hexadecimal digits.
std::string UrlEncodeLink(const std::string& text);
// "%" and two hexadecimal digits (either case) become that byte, "+" a blank, the rest is
// copied; a "%" without two digits stays as it is. The result may hold NUL bytes.
std::string UrlDecode(const std::string& text);

std::string IdToBase64(const unsigned char id[ID_SIZE]);
// True only when exactly 16 bytes come out; `id` is unchanged otherwise.
bool Base64ToId(const std::string& text, unsigned char id[ID_SIZE]);

// A name that came from outside, made fit to be joined to a folder: only the part after the
// last "\" or "/" is kept, characters that Windows refuses in names (and control bytes) become
// "_", and "." / ".." and device names (CON, NUL, COM1, ...) get a "_" in front.
std::string SafeFileName(const std::string& name);

// What the URL carries of a link.
struct LinkFields {
    std::string senderEmail;
    unsigned char senderUserId[ID_SIZE] = {};
    std::string recipientEmail;
    std::string recipientName;
    std::int64_t totalSize = 0;
    int fileCount = 0;                       // "tc"
    unsigned char firstFileId[ID_SIZE] = {}; // "tt"
    std::string firstFileName;               // parse: the first name after "fn="
    std::int64_t firstFileSize = 0;          // parse: the total size (the URL has no other)
};

// `names`: the names of the first entries (only the first NAMES_IN_URL are used). The result is
// never longer than MAX_URL_LENGTH: a name that does not fit is shortened keeping its extension;
// when even the fixed fields do not fit, the recipient name, then the recipient e-mail, then the
// sender e-mail are cut. Empty only when the prefix alone leaves no room for the query.
std::string BuildLinkUrl(const std::string& prefix, const LinkFields& link, const std::vector<std::string>& names);

enum class ParseResult {
    WrongPrefix, // nothing was touched
    Failed,      // the file fields were reset; the fields read before the fault stay set
    Parsed,
};

// Reads `url` into `link`, which holds the caller's values beforehand: fields the URL does not
// carry keep them. The file fields start anew (count 1, empty first file) once the prefix
// matches. An empty prefix matches nothing.
ParseResult ParseLinkUrl(const std::string& url, const std::string& prefix, LinkFields& link);

} // namespace linkurl
