#pragma once
// The command line that opens a link with the program registered for ".htm" pages, for when the
// shell cannot open it itself.

#include <string>

namespace htmltip {

// `command` is the class's "shell\open\command" text. It is cut at the first "%1" standing in
// double quotes (the quotes included), else at the first "%1"; a blank and the target follow
// (after the whole command when it has no "%1"). A target with blanks is quoted; one holding a
// double quote or a control character cannot be passed safely and gives an empty line.
std::string BuildOpenCommand(const std::string& command, const std::string& target);

} // namespace htmltip
