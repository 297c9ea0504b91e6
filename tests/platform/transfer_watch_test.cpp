#include "platform/transfer_watch.h"

#include <gtest/gtest.h>

namespace farrow::platform {
namespace {

using namespace std::chrono_literals;
using Verdict = TransferWatch::Verdict;

const TransferWatch::Clock::time_point t0{};

TEST(TransferWatch, SilenceCountsOnlyOnceConnectedAndBytesRestartIt) {
    TransferWatch watch(std::nullopt, nullptr, t0);
    // Connecting for long is the connect time-out's business.
    watch.observe(t0 + 500ms, 0, false);
    EXPECT_EQ(watch.check(t0 + 500ms, 100ms), Verdict::Going);
    watch.observe(t0 + 550ms, 0, true);
    EXPECT_EQ(watch.check(t0 + 599ms, 100ms), Verdict::Going);
    EXPECT_EQ(watch.left(t0 + 599ms, 100ms), 1ms);
    watch.observe(t0 + 640ms, 10, true);
    EXPECT_EQ(watch.check(t0 + 700ms, 100ms), Verdict::Going);
    watch.observe(t0 + 740ms, 10, true);
    EXPECT_EQ(watch.check(t0 + 740ms, 100ms), Verdict::Stalled);
    // Activity the counters miss restarts the silence too.
    watch.stir(t0 + 740ms);
    EXPECT_EQ(watch.check(t0 + 740ms, 100ms), Verdict::Going);
}

TEST(TransferWatch, DeadlineLeavesOutTheCallersOwnTimeAndCancelComesFirst) {
    std::atomic<bool> cancel{false};
    TransferWatch watch(1000ms, &cancel, t0);
    watch.stir(t0 + 1200ms);
    EXPECT_EQ(watch.check(t0 + 1200ms, 10s), Verdict::PastDeadline);
    watch.exclude(500ms);
    EXPECT_EQ(watch.check(t0 + 1200ms, 10s), Verdict::Going);
    EXPECT_EQ(watch.left(t0 + 1200ms, 10s), 300ms);
    cancel = true;
    EXPECT_EQ(watch.check(t0 + 1600ms, 10s), Verdict::Cancelled);
}

}  // namespace
}  // namespace farrow::platform
