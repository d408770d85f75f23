#include "ui/ShellOpen.h"

#include <cstdlib>

#include <shellapi.h>

#include "framework/MessageBox.h"
#include "infra/TextUtilities.h"
#include "ui/portable/ProgramTypes.h"

const char* const kRunProgramQuestion = "Are you really wanna run this file? It's may be not safe";

namespace {

bool ShellOpen(HWND owner, const CString& target, const CString& folder)
{
    // Above 32 is success (the shell's old convention).
    const HINSTANCE result =
        ShellExecuteA(owner, nullptr, target, nullptr, folder.IsEmpty() ? nullptr : folder.GetString(), SW_SHOW);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace

bool OpenTransferFile(HWND owner, const CString& path)
{
    if (RunsAsProgram(path.str(), std::getenv("PATHEXT")) &&
        AfxMessageBox(kRunProgramQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    return ShellOpen(owner, path, GetPathDirectory(path.str()));
}

bool OpenTransferFolder(HWND owner, const CString& path)
{
    const CString folder = GetPathDirectory(path.str());
    return ShellOpen(owner, folder, folder);
}
