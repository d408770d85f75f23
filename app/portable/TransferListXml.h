#pragma once
// "DUList.xml": root "files", one "file" per transfer record with, in this order, "type",
// "user_uid", "user_email", "file_uid", "transfered_size" (so spelt), "real_filename",
// "short_filename", "file_size" and "td_status"; then, only for the first upload of a link of
// several files, "further_files" with a "file_uid" per other file of the link. A reader that
// does not know "further_files" passes over it, and a file without it has none.

#include <cstddef>
#include <vector>

#include "app/portable/XmlStoreRecords.h"

namespace xmlstore {

Text WriteTransferList(const std::vector<TransferRecord>& records);

// False when the bytes are not a whole "files" document; `records` is then left alone.
// Otherwise it becomes the list, read by these rules:
// - a "file" whose "type" is not 1 or 2, whose "file_uid" is not 32 hexadecimal digits, or
//   whose type and file id an earlier "file" had, is skipped; a bad "user_uid" reads as zeros;
// - sizes that are not plain decimals in range read as 0, and the transferred count is at most
//   the size;
// - the status comes back as RestoredStatus (XmlValues.h) says;
// - a further file's id that is not 32 hexadecimal digits is skipped.
bool ReadTransferList(const void* data, std::size_t size, std::vector<TransferRecord>& records);

} // namespace xmlstore
