#pragma once
// Hands a file link to the program: to the running program through the named section and the
// registered message "TARNIX_SINGLE_INSTANCE" (the same hand-off a second copy of the program
// uses), or else by starting the program from its install folder with the link as its one
// argument. Each call is self-contained and leaves no handle open. The calling thread: the
// broadcast blocks it for at most 200 ms per top-level window that does not answer.

#include <string>

// `link` has passed CheckHandOverLink (control/portable/LinkText.h). False when the section
// cannot be made, or with no program running, when the install folder cannot be read, the
// program's path does not fit or the program does not start.
bool HandLinkToTarnix(const std::string& link);
