#include "ui/TransferLess.h"

#include "app/TransferingFile.h"

namespace {

template <typename T>
int Sign(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareNames(const CTransferingFile& a, const CTransferingFile& b)
{
    return a.m_shortName.CompareNoCase(b.m_shortName);
}

// The progress cell's fraction; 0 for a file of no size.
double Progress(const CTransferingFile& row)
{
    return row.m_fileSize == 0 ? 0.0 : static_cast<double>(row.m_transferred) / static_cast<double>(row.m_fileSize);
}

// c, or the names when the column ties.
int OrNames(int c, const CTransferingFile& a, const CTransferingFile& b)
{
    return c != 0 ? c : CompareNames(a, b);
}

} // namespace

int TransferLess::Compare(int column, const CTransferingFile& a, const CTransferingFile& b)
{
    switch (column) {
    case 0: {
        const int c = CompareNames(a, b);
        return c != 0 ? c : a.m_userEmail.CompareNoCase(b.m_userEmail);
    }
    case 1:
        return OrNames(Sign(a.m_fileSize, b.m_fileSize), a, b);
    case 2:
        return OrNames(Sign(a.m_transferred, b.m_transferred), a, b);
    case 3:
        return OrNames(Sign(a.m_remainingSeconds, b.m_remainingSeconds), a, b);
    case 4:
        return OrNames(Sign(Progress(a), Progress(b)), a, b);
    case 5:
        return OrNames(Sign(a.m_fileStatus, b.m_fileStatus), a, b);
    case 6:
        return OrNames(a.m_userEmail.CompareNoCase(b.m_userEmail), a, b);
    default:
        return 0;
    }
}

bool TransferLess::operator()(const CTransferingFile* a, const CTransferingFile* b) const
{
    const int c = Compare(m_column, *a, *b);
    return m_ascending ? c < 0 : c > 0;
}
