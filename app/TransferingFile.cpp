#include "app/TransferingFile.h"

#include <algorithm>
#include <climits>

IMPLEMENT_DYNAMIC(CTransferingFile, CObject)

namespace {
std::atomic<long> g_liveRecords{0};
}

CTransferingFile::CTransferingFile()
{
    ++g_liveRecords;
}

CTransferingFile::CTransferingFile(Type type) : m_isDownload(type == TYPE_DOWNLOAD ? 1 : 0), m_type(type)
{
    ++g_liveRecords;
}

CTransferingFile::CTransferingFile(const CTransferingFile& other) : CObject(other)
{
    *this = other; // counted once it is whole: a copy that throws is no record
    ++g_liveRecords;
}

CTransferingFile& CTransferingFile::operator=(const CTransferingFile& other)
{
    if (this == &other)
        return *this;
    m_id = other.m_id;
    m_fileStatus = other.m_fileStatus;
    m_sessionStatus = other.m_sessionStatus;
    m_isDownload = other.m_isDownload;
    std::copy(other.m_fileId, other.m_fileId + ID_SIZE, m_fileId);
    std::copy(other.m_userId, other.m_userId + ID_SIZE, m_userId);
    m_userEmail = other.m_userEmail;
    m_realName = other.m_realName;
    m_shortName = other.m_shortName;
    m_fileSize = other.m_fileSize;
    m_transferred = other.m_transferred;
    m_transferredAtRunStart = other.m_transferredAtRunStart;
    m_previousBlockLength = other.m_previousBlockLength;
    m_runStartTick = other.m_runStartTick;
    m_lastProgressTick = other.m_lastProgressTick;
    m_remainingText = other.m_remainingText;
    m_rate = other.m_rate;
    m_type = other.m_type;
    return *this;
}

CTransferingFile::~CTransferingFile()
{
    m_file.Abort();
    --g_liveRecords;
}

std::uint32_t CTransferingFile::AddRef()
{
    return ++m_refCount;
}

void CTransferingFile::Release()
{
    if (--m_refCount == 0)
        delete this;
}

long CTransferingFile::LiveCount()
{
    return g_liveRecords.load();
}

std::uint32_t CTransferingFile::UpdateRate(std::uint32_t now)
{
    const std::uint32_t elapsed = now - m_runStartTick;
    if (elapsed != 0) {
        const std::int64_t bytes = m_transferred - m_transferredAtRunStart;
        m_rate = static_cast<double>(bytes * 1000) / static_cast<double>(elapsed);
        m_remainingSeconds = 0;
        if (m_rate > 0) {
            const double remaining = static_cast<double>(m_fileSize - m_transferred) / m_rate;
            m_remainingSeconds = remaining >= static_cast<double>(INT_MAX)   ? INT_MAX
                                 : remaining <= static_cast<double>(INT_MIN) ? INT_MIN
                                                                             : static_cast<std::int32_t>(remaining);
        }
    }
    const std::uint32_t previous = m_lastProgressTick;
    m_lastProgressTick = now;
    return previous;
}
