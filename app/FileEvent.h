#pragma once
// SFileEvent: a record entered or left the transfer registry; carried on the file-event queue
// to the user-interface thread.

#include <cstdint>

class CTransferingFile;

enum FileEventKind : std::int32_t {
    FILE_EVENT_ADDED = 0,   // snapshot: a fresh copy with one reference, the receiver's
    FILE_EVENT_REMOVED = 1, // no snapshot
};

struct SFileEvent {
    std::int32_t kind = FILE_EVENT_ADDED;
    std::uint32_t id = 0;
    CTransferingFile* snapshot = nullptr; // owned by the event: whoever drops it releases it
};
