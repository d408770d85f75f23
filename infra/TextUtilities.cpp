#include "infra/TextUtilities.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>

std::string StrFormat(const char* format, ...)
{
    if (!format)
        return std::string();
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (needed > 0) {
        text.resize(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(&text[0], text.size(), format, args);
        text.resize(static_cast<std::size_t>(needed));
    }
    va_end(args);
    return text;
}

std::vector<std::string> TokenizeString(const std::string& text, const std::string& separators)
{
    std::vector<std::string> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        pos = text.find_first_not_of(separators, pos);
        if (pos == std::string::npos)
            break;
        std::size_t end = text.find_first_of(separators, pos);
        if (end == std::string::npos)
            end = text.size();
        std::size_t start = pos;
        if (!tokens.empty()) {
            while (start < end && std::isspace(static_cast<unsigned char>(text[start])))
                ++start;
        }
        if (start < end)
            tokens.push_back(text.substr(start, end - start));
        pos = end;
    }
    return tokens;
}

bool IsValidEmail(const std::string& address)
{
    const std::size_t at = address.find('@');
    if (at == std::string::npos || at == 0)
        return false;
    const std::size_t dot = address.find('.', at + 1);
    if (dot == std::string::npos || dot == at + 1)
        return false;
    return dot != address.size() - 1;
}

std::string GetEmailUser(const std::string& address)
{
    const std::size_t at = address.find('@');
    return at == std::string::npos ? std::string() : address.substr(0, at);
}

std::string GetPathExtension(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

std::string GetPathFileName(const std::string& path)
{
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(slash + 1);
}

std::string GetPathDirectory(const std::string& path)
{
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
