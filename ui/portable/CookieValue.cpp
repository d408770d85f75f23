#include "ui/portable/CookieValue.h"

bool FindCookieValue(const std::string& cookies, const std::string& name, std::string& value)
{
    const std::string key = name + "=";
    for (std::size_t at = cookies.find(key); at != std::string::npos; at = cookies.find(key, at + 1)) {
        // A cookie starts the text or follows a ";" and blanks.
        std::size_t before = at;
        while (before > 0 && cookies[before - 1] == ' ')
            --before;
        if (before != 0 && cookies[before - 1] != ';')
            continue;
        const std::size_t first = at + key.size();
        const std::size_t end = cookies.find(';', first);
        value = cookies.substr(first, end == std::string::npos ? std::string::npos : end - first);
        return true;
    }
    return false;
}
