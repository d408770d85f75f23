// Stands in for the program that the control starts: writes what follows its own name on its
// command line to "commandline.txt" beside itself (written aside, then renamed, so a reader never
// sees half of it), and ends.

#include <string>

#include <windows.h>

namespace {

// The command line without the program's own name (quoted or not) and the blanks after it.
const char* Arguments(const char* line)
{
    if (*line == '"') {
        ++line;
        while (*line && *line != '"')
            ++line;
        if (*line)
            ++line;
    } else {
        while (*line && *line != ' ' && *line != '\t')
            ++line;
    }
    while (*line == ' ' || *line == '\t')
        ++line;
    return line;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 2;
    std::string folder(self, length);
    folder.erase(folder.find_last_of('\\') + 1);
    const std::string aside = folder + "commandline.tmp";
    const std::string target = folder + "commandline.txt";
    const char* arguments = Arguments(GetCommandLineA());
    HANDLE file = CreateFileA(aside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(std::string(arguments).size());
    const BOOL wrote = WriteFile(file, arguments, size, &written, nullptr);
    CloseHandle(file);
    if (!wrote || written != size)
        return 4;
    return MoveFileExA(aside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 5;
}
