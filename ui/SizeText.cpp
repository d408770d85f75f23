#include "ui/SizeText.h"

#include "ui/res/ui_ids.h"

CString FormatSizeText(std::int64_t bytes, bool perSecond)
{
    // Divided by 1024 while at least 1: the last such value and the number of divisions.
    double value = static_cast<double>(bytes);
    double shown = 0;
    int divisions = 0;
    while (value >= 1) {
        shown = value;
        value /= 1024;
        ++divisions;
    }
    CString unit;
    switch (divisions) {
    case 0:
    case 1:
        unit.LoadString(IDS_UNIT_BYTES);
        break;
    case 2:
        unit.LoadString(IDS_UNIT_KB);
        break;
    case 3:
        unit.LoadString(IDS_UNIT_MB);
        break;
    case 4:
        unit.LoadString(IDS_UNIT_GB);
        break;
    default:
        break;
    }
    CString text;
    text.Format("%.2f%s%s", shown, unit.GetString(), perSecond ? "/s" : "");
    return text;
}
