#pragma once
// Round-trip estimator: remembers when keyed packets left, turns answers into samples, and
// keeps a smoothed value and variation over the samples (microseconds).

#include <cstddef>
#include <cstdint>
#include <deque>

// The largest round trip taken into account, own samples and peer reports alike.
constexpr std::int64_t ANT_MAX_RTT_US = 10000000;

class CAntRttEstimator {
public:
    // True when a record's key is older than the answered key.
    using KeyOrder = bool (*)(std::uint32_t record, std::uint32_t key);

    // Unanswered records kept at most; the oldest goes first. Acknowledgements normally
    // clear them long before.
    static constexpr std::size_t MAX_RECORDS = 1024;

    explicit CAntRttEstimator(KeyOrder isOlder) : m_isOlder(isOlder) {}

    void Record(std::uint32_t key, std::uint64_t sendTime);
    // An answer for key came at now: records older than key go; a record for key itself
    // yields a sample and goes. True when a sample was taken.
    bool Answer(std::uint32_t key, std::uint64_t now);
    // Values beyond ANT_MAX_RTT_US count as ANT_MAX_RTT_US, negative ones as 0.
    void AddSample(std::int64_t microseconds);

    bool HasSamples() const { return m_count > 0; }
    std::uint32_t GetSampleCount() const { return m_count; }
    std::int64_t GetLast() const { return m_last; }
    std::int64_t GetSmallest() const { return m_smallest; }
    std::int64_t GetLargest() const { return m_largest; }
    std::int64_t GetSmoothed() const { return m_smoothed; }
    std::int64_t GetVariation() const { return m_variation; }
    std::size_t GetQueueLength() const { return m_records.size(); }

private:
    struct SRecord {
        std::uint32_t key;
        std::uint64_t time;
    };

    KeyOrder m_isOlder;
    std::deque<SRecord> m_records;
    std::uint32_t m_count = 0;
    std::int64_t m_last = 0;
    std::int64_t m_smallest = 0;
    std::int64_t m_largest = 0;
    std::int64_t m_smoothed = 0;
    std::int64_t m_variation = 0;
};

// Key orders of the two estimators of a session.
bool AntSequenceKeyIsOlder(std::uint32_t record, std::uint32_t key);
bool AntSerialKeyIsOlder(std::uint32_t record, std::uint32_t key);
