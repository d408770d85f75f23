#pragma once
// "SleepingLinks.xml": root "sleeping" with "sleepinglinks" (one "filelink" per unsent link:
// "from_user_uid", "from_user_email", "from_user_name", "to_email", "to_name", "files" of
// "file" ("short_name", "full_name", "uid", "size"), "subject", "message", "total_size") and
// then "sleeping_taf_mails" (one "taf_mail" per unsent invitation: "from_name", "from_email",
// "subject", "body", and "addressbook" holding the recipients as "item"s).

#include <cstddef>
#include <vector>

#include "app/portable/XmlStoreRecords.h"

namespace xmlstore {

Text WriteSleeping(const std::vector<LinkRecord>& links, const std::vector<MailRecord>& mails);

// False when the bytes are not a whole "sleeping" document; both lists are then left alone.
// Otherwise they become what the file holds. A bad identifier reads as zeros and a bad size as
// 0; a link's total is the sum of its files' sizes ("total_size" is not read); a link without
// any file is skipped, since nothing could be offered by it.
bool ReadSleeping(const void* data, std::size_t size, std::vector<LinkRecord>& links, std::vector<MailRecord>& mails);

} // namespace xmlstore
