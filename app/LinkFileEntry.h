#pragma once
// CLinkFileEntry: one file of a file link - its name, the sender's local path, its 16-byte id
// and its size.

#include <cstdint>

#include "framework/String.h"

class CLinkFileEntry {
public:
    static constexpr int ID_SIZE = 16;

    // Empty texts, size 0 and an all-zero id, or a fresh id when asked.
    explicit CLinkFileEntry(bool freshId = false);

    // Stores the path and takes the name from its part after the last backslash.
    void SetPath(const CString& path);

    // A fresh id: the last eight bytes of one new GUID, then the last eight of a second one.
    static void MakeFreshId(unsigned char id[ID_SIZE]);

    CString m_name; // the file name without folder
    CString m_path; // full local path; meaningful on the sender's side only
    unsigned char m_fileId[ID_SIZE] = {};
    std::int64_t m_size = 0;
};
