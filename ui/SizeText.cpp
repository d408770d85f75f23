#include "ui/SizeText.h"

#include "ui/portable/SizeUnits.h"
#include "ui/res/ui_ids.h"

CString FormatSizeText(std::int64_t bytes, bool perSecond)
{
    const UINT ids[kSizeUnitCount] = {IDS_UNIT_BYTES, IDS_UNIT_KB, IDS_UNIT_MB, IDS_UNIT_GB};
    CString names[kSizeUnitCount];
    const char* units[kSizeUnitCount];
    for (int i = 0; i < kSizeUnitCount; ++i) {
        names[i].LoadString(ids[i]);
        units[i] = names[i].GetString();
    }
    return CString(FormatByteCount(bytes, units, perSecond ? "/s" : ""));
}
