#include "htmltip/portable/LinkCommand.h"

namespace htmltip {

std::string BuildOpenCommand(const std::string& command, const std::string& target)
{
    bool blank = false;
    for (char c : target) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || u < 0x20 || u == 0x7F)
            return std::string();
        blank = blank || c == ' ';
    }
    if (target.empty())
        return std::string();
    std::size_t cut = command.find("\"%1\"");
    if (cut == std::string::npos)
        cut = command.find("%1");
    std::string line = command.substr(0, cut);
    if (!line.empty() && line.back() != ' ')
        line += ' ';
    line += blank ? "\"" + target + "\"" : target;
    return line;
}

} // namespace htmltip
