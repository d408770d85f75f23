// tncookie: the web site's cookies in a Wine prefix's store, for the start-up tests.
//
//   tncookie set URL NAME VALUE     a cookie that lasts a day, so that it reaches the store and a
//                                   later process (one without an expiry lives only in its process)
//   tncookie get URL                prints the cookies the store holds for URL (nothing: none)
//
// Exit code 0 done, 1 the call failed, 2 a usage error.

#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>
#include <wininet.h>

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "set" && argc == 5) {
        const std::string data = std::string(argv[4]) + "; expires=Sat, 01-Jan-2050 00:00:00 GMT";
        return InternetSetCookieA(argv[2], argv[3], data.c_str()) ? 0 : 1;
    }
    if (command == "get" && argc == 3) {
        DWORD size = 0;
        if (!InternetGetCookieA(argv[2], nullptr, nullptr, &size) || size == 0)
            return 0;
        std::vector<char> text(size + 1, '\0');
        if (!InternetGetCookieA(argv[2], nullptr, text.data(), &size))
            return 1;
        std::printf("%s\n", text.data());
        return 0;
    }
    std::fputs("usage: tncookie set URL NAME VALUE | tncookie get URL\n", stderr);
    return 2;
}
