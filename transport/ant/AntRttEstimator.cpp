#include "transport/ant/AntRttEstimator.h"

#include "transport/ant/wire/AntSequence.h"

#include <new>

void CAntRttEstimator::Record(std::uint32_t key, std::uint64_t sendTime)
{
    if (m_records.size() >= MAX_RECORDS) {
        m_records.pop_front();
    }
    try {
        m_records.push_back(SRecord{key, sendTime});
    } catch (const std::bad_alloc&) {
        // Without the record this packet just yields no sample.
    }
}

bool CAntRttEstimator::Answer(std::uint32_t key, std::uint64_t now)
{
    while (!m_records.empty() && m_isOlder(m_records.front().key, key)) {
        m_records.pop_front();
    }
    if (m_records.empty() || m_records.front().key != key) {
        return false;
    }
    const std::uint64_t sent = m_records.front().time;
    m_records.pop_front();
    const std::uint64_t age = now > sent ? now - sent : 0;
    AddSample(age > std::uint64_t(ANT_MAX_RTT_US) ? ANT_MAX_RTT_US : std::int64_t(age));
    return true;
}

void CAntRttEstimator::AddSample(std::int64_t microseconds)
{
    const std::int64_t e = microseconds < 0 ? 0 : (microseconds > ANT_MAX_RTT_US ? ANT_MAX_RTT_US : microseconds);
    m_last = e;
    if (m_count == 0) {
        m_smoothed = e;
        m_smallest = e;
        m_largest = e;
        m_variation = e / 2;
    } else {
        if (e < m_smallest) {
            m_smallest = e;
        }
        if (e > m_largest) {
            m_largest = e;
        }
        const std::int64_t deviation = m_smoothed > e ? m_smoothed - e : e - m_smoothed;
        m_variation = (3 * m_variation + deviation) / 4;
        m_smoothed = (e + 7 * m_smoothed) / 8;
    }
    if (m_count < 0xFFFFFFFFu) {
        ++m_count;
    }
}

bool AntSequenceKeyIsOlder(std::uint32_t record, std::uint32_t key)
{
    return AntSeqIsNewer(key, record);
}

bool AntSerialKeyIsOlder(std::uint32_t record, std::uint32_t key)
{
    return AntSerialIsOlder(std::uint16_t(record), std::uint16_t(key));
}
