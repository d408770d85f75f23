#include "app/ServerReports.h"

#include <cmath>
#include <string>

#include "infra/Uid.h"

namespace {

const char kSeparator[] = "{\t}";

const char* CodeOf(FileReport report)
{
    switch (report) {
    case FileReport::UploadOffered:
        return "UL";
    case FileReport::DownloadAccepted:
        return "DA";
    case FileReport::DownloadCancelled:
        return "DD";
    case FileReport::UploadRemoved:
        return "UR";
    case FileReport::FileMissing:
        return "HF";
    }
    return "??";
}

std::string IdField(const unsigned char fileId[16])
{
    return kSeparator + ("{" + FormatUid(fileId) + "}");
}

// A rate can be anything a division gives; only a finite, representable value is converted.
std::int64_t WholeRate(double rate)
{
    if (!std::isfinite(rate) || rate <= 0.0)
        return 0;
    if (rate >= 9.2e18)
        return INT64_MAX;
    return static_cast<std::int64_t>(rate);
}

std::string NumberField(std::int64_t value)
{
    return kSeparator + std::to_string(value);
}

} // namespace

CString MakeFileReport(FileReport report, const unsigned char fileId[16])
{
    return CString(CodeOf(report) + IdField(fileId));
}

CString MakeCompletedReport(const unsigned char fileId[16], std::int64_t fileSize, double rate)
{
    return CString("DC" + IdField(fileId) + NumberField(fileSize) + NumberField(WholeRate(rate)));
}

CString MakeCancelledReport(const unsigned char fileId[16], std::int64_t fileSize, double rate,
                            std::int64_t transferred)
{
    return CString("DA" + IdField(fileId) + NumberField(fileSize) + NumberField(WholeRate(rate)) +
                   NumberField(transferred));
}
