#include "ui/portable/ProgramTypes.h"

#include <cctype>

namespace {

// Types the shell runs without their being on PATHEXT.
const char* const kAlwaysPrograms[] = {"exe", "scr", "pif", "lnk", "hta", "msi", "cpl"};
// What Windows uses when PATHEXT is unset.
const char kDefaultPathExt[] = ".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH;.MSC";

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The lower-cased type of the name's last part, without its dot; empty when it has none.
std::string TypeOf(const std::string& fileName)
{
    std::string name = fileName.substr(fileName.find_last_of("\\/") + 1);
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : Lower(name.substr(dot + 1));
}

} // namespace

bool RunsAsProgram(const std::string& fileName, const char* pathExt)
{
    const std::string type = TypeOf(fileName);
    if (type.empty())
        return false;
    for (const char* always : kAlwaysPrograms) {
        if (type == always)
            return true;
    }
    const std::string list = Lower(pathExt && *pathExt ? pathExt : kDefaultPathExt);
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string::npos)
            end = list.size();
        std::string entry = list.substr(start, end - start);
        while (!entry.empty() && entry.front() == ' ')
            entry.erase(0, 1);
        while (!entry.empty() && entry.back() == ' ')
            entry.pop_back();
        if (!entry.empty() && entry.front() == '.')
            entry.erase(0, 1);
        if (!entry.empty() && entry == type)
            return true;
        start = end + 1;
    }
    return false;
}
