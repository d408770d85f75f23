#pragma once
// The file side of the XML store: a file is replaced whole or not at all, and a damaged one is
// put aside instead of being overwritten. Callers serialise the calls for one path.

#include <cstdint>
#include <string>

#include "framework/String.h"

// Writes `bytes` to "<path>.tmp" beside the target (a stale one is overwritten), flushes it to
// the disk, closes it and moves it over `path` in one replace (MoveFileEx, write-through). False
// on any failure; `path` is then as it was and the temporary file is removed.
bool ReplaceFileAside(const CString& path, const std::string& bytes);

enum class StoreFileRead {
    Read,
    Missing, // no such file
    Failed,  // it exists, but could not be read (locked, too large to hold)
};
StoreFileRead ReadStoreFile(const CString& path, std::string& bytes);

// Renames a damaged file to "<path>.bad", replacing an older one.
bool KeepDamagedFile(const CString& path);

// Test hook: every later replacement fails after writing this many bytes of its temporary
// file, as a full disk would make it; -1 (the default) turns it off.
void SetReplaceFailureForTest(std::int64_t bytesWritten);

// Test hook: called with the target's path after every replacement that succeeded (on the
// saving thread); null (the default) turns it off.
void SetReplaceObserverForTest(void (*observer)(const CString& path));
