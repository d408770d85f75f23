// Stands in for the program the shell starts on a file: writes its working folder, a line break
// and what follows its own name on its command line to "opened.txt" beside itself (written
// aside, then renamed, so a reader never sees half of it), and ends.

#include <string>

#include <windows.h>

namespace {

// The command line without the program's own name (quoted or not) and the blanks after it.
const char* Arguments(const char* line)
{
    const bool quoted = *line == '"';
    if (quoted)
        ++line;
    while (*line && (quoted ? *line != '"' : *line != ' ' && *line != '\t'))
        ++line;
    if (quoted && *line)
        ++line;
    while (*line == ' ' || *line == '\t')
        ++line;
    return line;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char self[MAX_PATH] = {};
    char cwd[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || GetCurrentDirectoryA(MAX_PATH, cwd) == 0)
        return 2;
    std::string folder(self, length);
    folder.erase(folder.find_last_of('\\') + 1);
    const std::string text = std::string(cwd) + "\n" + Arguments(GetCommandLineA());
    const std::string aside = folder + "opened.tmp";
    HANDLE file = CreateFileA(aside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    if (!wrote || written != text.size())
        return 4;
    return MoveFileExA(aside.c_str(), (folder + "opened.txt").c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 5;
}
