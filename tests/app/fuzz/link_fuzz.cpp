// Feeds arbitrary text to the link parser and the URL decoder, and checks what must hold for any
// input: no fault, sane fields from a parse, and URLs built from what was parsed that stay within
// their limit and parse back to the same link.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/LinkUrlCodec.h"

namespace {

const std::string kPrefix = "http://tarnix.test/fl.php?";

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    const std::string decoded = linkurl::UrlDecode(input);
    Check(decoded.size() <= input.size());
    // Encoding then decoding gives the text back, but for white space, which comes back blank.
    std::string blanked = input;
    for (char& c : blanked)
        if (c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r')
            c = ' ';
    Check(linkurl::UrlDecode(linkurl::UrlEncodeLink(input)) == blanked);

    // Half the inputs are taken as queries behind the prefix, so the parser gets past its check.
    const std::string url = (size > 0 && data[0] & 1) ? kPrefix + input.substr(1) : input;
    linkurl::LinkFields link;
    const linkurl::ParseResult result = linkurl::ParseLinkUrl(url, kPrefix, link);
    if (result == linkurl::ParseResult::WrongPrefix) {
        Check(link.fileCount == 0);
        return 0;
    }
    Check(link.fileCount >= 1 && link.fileCount <= linkurl::MAX_FILE_COUNT);
    Check(link.totalSize >= 0);
    for (const std::string* text : {&link.senderEmail, &link.recipientEmail, &link.recipientName, &link.firstFileName})
        Check(text->find('\0') == std::string::npos);
    Check(link.firstFileName.find_first_of("\\/:") == std::string::npos);
    if (result != linkurl::ParseResult::Parsed)
        return 0;

    const std::string rebuilt = linkurl::BuildLinkUrl(kPrefix, link, {link.firstFileName});
    Check(rebuilt.size() <= linkurl::MAX_URL_LENGTH);
    linkurl::LinkFields again;
    Check(linkurl::ParseLinkUrl(rebuilt, kPrefix, again) == linkurl::ParseResult::Parsed);
    Check(std::memcmp(again.senderUserId, link.senderUserId, linkurl::ID_SIZE) == 0);
    Check(std::memcmp(again.firstFileId, link.firstFileId, linkurl::ID_SIZE) == 0);
    Check(again.fileCount == link.fileCount && again.totalSize == link.totalSize);
    return 0;
}
