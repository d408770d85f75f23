#pragma once
// Whether files can be created in a folder, found by creating a probe file there.

#include "framework/String.h"

// Opens directory + "\~checkDirExist.file" for writing (created when absent, never truncated,
// others may read and write). The probe is deleted afterwards only when this call created it,
// so a file of that name that was already there survives.
bool IsDirectoryWritable(const char* directory);
