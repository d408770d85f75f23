#include "tools/relay/LinkModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

using namespace TarnixRelay;

namespace {

std::vector<std::uint8_t> Datagram(std::size_t size, std::uint8_t fill)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(fill + i * 7);
    return bytes;
}

// Feeds count datagrams one millisecond apart; returns, per datagram, its copies.
std::vector<std::vector<CLinkModel::SCopy>> Feed(CLinkModel& model, int count, std::size_t size = 100)
{
    std::vector<std::vector<CLinkModel::SCopy>> out;
    for (int i = 0; i < count; ++i)
        out.push_back(model.Process(i * 1000, Datagram(size, static_cast<std::uint8_t>(i))));
    return out;
}

} // namespace

TEST(LinkModel, LossRateIsCloseToTheConfiguredOne)
{
    for (double percent : {1.0, 10.0, 50.0}) {
        SLinkSettings settings;
        settings.LossPercent = percent;
        CLinkModel model(settings, 42);
        const int count = 40000;
        int lost = 0;
        for (const auto& copies : Feed(model, count))
            lost += copies.empty() ? 1 : 0;
        const double measured = 100.0 * lost / count;
        EXPECT_NEAR(percent, measured, percent * 0.1 + 0.2) << "configured " << percent;
        EXPECT_EQ(static_cast<std::uint64_t>(lost), model.Stats().Lost);
    }
}

TEST(LinkModel, SameSeedRepeatsTheRunAndAnotherSeedDoesNot)
{
    SLinkSettings settings;
    settings.LossPercent = 20;
    settings.BurstStartPercent = 3;
    settings.BurstLength = 4;
    settings.DuplicatePercent = 10;
    settings.CorruptPercent = 10;
    settings.Delay = 20000;
    settings.Jitter = 15000;
    settings.ReorderPercent = 5;
    auto fates = [&](std::uint64_t seed) {
        CLinkModel model(settings, seed);
        std::vector<std::pair<std::int64_t, std::vector<std::uint8_t>>> all;
        for (const auto& copies : Feed(model, 2000))
            for (const auto& copy : copies)
                all.emplace_back(copy.Release, copy.Bytes);
        return all;
    };
    EXPECT_EQ(fates(7), fates(7));
    EXPECT_NE(fates(7), fates(8));
}

TEST(LinkModel, BurstsHaveTheConfiguredMeanLength)
{
    SLinkSettings settings;
    settings.BurstStartPercent = 2;
    settings.BurstLength = 6;
    CLinkModel model(settings, 3);
    std::vector<int> runs;
    int run = 0;
    for (const auto& copies : Feed(model, 200000)) {
        if (copies.empty()) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    ASSERT_GT(runs.size(), 1000u);
    double sum = 0;
    for (int r : runs)
        sum += r;
    EXPECT_NEAR(6.0, sum / runs.size(), 0.4);
    EXPECT_GT(*std::max_element(runs.begin(), runs.end()), 15);
    EXPECT_EQ(static_cast<std::uint64_t>(sum), model.Stats().BurstLost);
    EXPECT_EQ(0u, model.Stats().Lost);
}

TEST(LinkModel, DuplicatesAreExactCopiesAtTheConfiguredRate)
{
    SLinkSettings settings;
    settings.DuplicatePercent = 20;
    CLinkModel model(settings, 11);
    const int count = 20000;
    int doubled = 0;
    for (const auto& copies : Feed(model, count)) {
        ASSERT_GE(copies.size(), 1u);
        ASSERT_LE(copies.size(), 2u);
        if (copies.size() == 2) {
            ++doubled;
            EXPECT_EQ(copies[0].Bytes, copies[1].Bytes);
        }
    }
    EXPECT_NEAR(20.0, 100.0 * doubled / count, 1.5);
    EXPECT_EQ(static_cast<std::uint64_t>(doubled), model.Stats().Duplicated);
    EXPECT_EQ(static_cast<std::uint64_t>(count + doubled), model.Stats().Forwarded);
}

TEST(LinkModel, CorruptionFlipsExactlyOneBitAnywhereInTheDatagram)
{
    SLinkSettings settings;
    settings.CorruptPercent = 100;
    CLinkModel model(settings, 13);
    const std::size_t size = 40;
    std::vector<int> hits(size, 0);
    for (int i = 0; i < 4000; ++i) {
        const auto original = Datagram(size, static_cast<std::uint8_t>(i));
        const auto copies = model.Process(i, original);
        ASSERT_EQ(1u, copies.size());
        int changed = 0;
        for (std::size_t b = 0; b < size; ++b) {
            const std::uint8_t diff = original[b] ^ copies[0].Bytes[b];
            if (diff != 0) {
                ++changed;
                ++hits[b];
                EXPECT_EQ(0, diff & (diff - 1)) << "more than one bit in byte " << b;
            }
        }
        ASSERT_EQ(1, changed);
    }
    EXPECT_GT(*std::min_element(hits.begin(), hits.end()), 0) << "some byte was never chosen";
    EXPECT_EQ(4000u, model.Stats().Corrupted);

    std::vector<std::uint8_t> bytes(3, 0);
    EXPECT_EQ(0, CLinkModel::FlipBit(bytes, 0.0));
    EXPECT_EQ(1, bytes[0]);
    EXPECT_EQ(2, CLinkModel::FlipBit(bytes, 0.9999999));
    EXPECT_EQ(0x80, bytes[2]);
    std::vector<std::uint8_t> empty;
    EXPECT_EQ(-1, CLinkModel::FlipBit(empty, 0.5));
}

TEST(LinkModel, FixedDelayKeepsOrderAndJitterStaysInItsRangeButReorders)
{
    SLinkSettings fixed;
    fixed.Delay = 30000;
    CLinkModel steady(fixed, 1);
    for (int i = 0; i < 100; ++i) {
        const auto copies = steady.Process(i * 1000, Datagram(10, 0));
        ASSERT_EQ(1u, copies.size());
        EXPECT_EQ(i * 1000 + 30000, copies[0].Release);
    }

    SLinkSettings jittery;
    jittery.Delay = 50000;
    jittery.Jitter = 20000;
    CLinkModel model(jittery, 2);
    std::int64_t latest = 0;
    int overtaken = 0;
    std::int64_t lowest = 1 << 30, highest = 0;
    for (int i = 0; i < 2000; ++i) {
        const std::int64_t now = i * 1000;
        const auto copies = model.Process(now, Datagram(10, 0));
        ASSERT_EQ(1u, copies.size());
        const std::int64_t delay = copies[0].Release - now;
        lowest = std::min(lowest, delay);
        highest = std::max(highest, delay);
        if (copies[0].Release < latest)
            ++overtaken;
        latest = std::max(latest, copies[0].Release);
    }
    EXPECT_GE(lowest, 30000);
    EXPECT_LE(highest, 70000);
    EXPECT_LT(lowest, 31000);
    EXPECT_GT(highest, 69000);
    EXPECT_GT(overtaken, 500);
    EXPECT_EQ(static_cast<std::uint64_t>(overtaken), model.Stats().Reordered);
}

TEST(LinkModel, ReorderHoldsBackTheChosenDatagramsByTheGap)
{
    SLinkSettings settings;
    settings.ReorderPercent = 25;
    settings.ReorderGap = 10000;
    CLinkModel model(settings, 17);
    int held = 0;
    const int count = 8000;
    for (int i = 0; i < count; ++i) {
        const auto copies = model.Process(i * 1000, Datagram(10, 0));
        ASSERT_EQ(1u, copies.size());
        const std::int64_t delay = copies[0].Release - i * 1000;
        ASSERT_TRUE(delay == 0 || delay == 10000) << delay;
        held += delay != 0 ? 1 : 0;
    }
    EXPECT_NEAR(25.0, 100.0 * held / count, 2.0);
    // Datagrams that follow a held one within the gap overtake it; held ones overtake nothing.
    EXPECT_GT(model.Stats().Reordered, static_cast<std::uint64_t>(held));
    EXPECT_LE(model.Stats().Reordered, static_cast<std::uint64_t>(count - held));
}

TEST(LinkModel, RateCapPacesDatagramsAndCountsTailDrops)
{
    SLinkSettings settings;
    settings.Rate = 100000; // 100 datagrams of 1000 bytes a second
    settings.RateBurst = 1000;
    settings.QueueLimit = 10000;
    settings.Delay = 5000;
    CLinkModel model(settings, 1);
    // 50 datagrams at once: one leaves, ten wait, the rest find the queue full.
    int passed = 0;
    std::int64_t last = 0;
    for (int i = 0; i < 50; ++i) {
        const auto copies = model.Process(0, Datagram(1000, 0));
        if (!copies.empty()) {
            EXPECT_EQ(passed * 10000 + 5000, copies[0].Release);
            last = copies[0].Release;
            ++passed;
        }
    }
    EXPECT_EQ(11, passed);
    EXPECT_EQ(39u, model.Stats().QueueDropped);
    EXPECT_EQ(105000, last);
}
