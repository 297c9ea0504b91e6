#include "base/timing.h"

#include <gtest/gtest.h>

namespace farrow::base {
namespace {

TEST(TimingOverrides, ChangeOnlyTheNamedFields) {
    const TimingOverrides r =
        applyTimingOverrides("workerLatencyLimit=300,dispatcherPass=0,mailTimeout=50", Timing{});
    ASSERT_TRUE(r.timing) << r.error;
    EXPECT_EQ(r.timing->workerLatencyLimit, Millis(300));
    EXPECT_EQ(r.timing->dispatcherPass, Millis(0));
    EXPECT_EQ(r.timing->mailTimeout, Millis(50));
    EXPECT_EQ(r.timing->controllerPass, Timing{}.controllerPass);
    EXPECT_TRUE(applyTimingOverrides("", Timing{}).timing);
}

TEST(TimingOverrides, SetTheCrawlsCountsAsPlainNumbers) {
    const TimingOverrides r =
        applyTimingOverrides("siteCrawlMaxPages=7,siteCrawlDeadline=9,siteCrawlInFlight=1", {});
    ASSERT_TRUE(r.timing) << r.error;
    EXPECT_EQ(r.timing->siteCrawlMaxPages, 7u);
    EXPECT_EQ(r.timing->siteCrawlInFlight, 1u);
    EXPECT_EQ(r.timing->siteCrawlDeadline, Millis(9));
    EXPECT_FALSE(applyTimingOverrides("siteCrawlMaxPages=-1", {}).timing);
}

TEST(TimingOverrides, ReachTheSearchConsoleWaitsAndCounts) {
    const TimingOverrides r = applyTimingOverrides(
        "googleInspectPace=1,googleTokenMargin=2,googleDailyInspections=3,googleRetries=0", {});
    ASSERT_TRUE(r.timing) << r.error;
    EXPECT_EQ(r.timing->googleInspectPace, Millis(1));
    EXPECT_EQ(r.timing->googleTokenMargin, Millis(2));
    EXPECT_EQ(r.timing->googleDailyInspections, 3u);
    EXPECT_EQ(r.timing->googleRetries, 0u);
}

TEST(TimingOverrides, ReachTheReaderLimits) {
    const TimingOverrides r =
        applyTimingOverrides("pageReadLimit=5,crawlLimit=6,browserStartCheck=7", Timing{});
    ASSERT_TRUE(r.timing) << r.error;
    EXPECT_EQ(r.timing->pageReadLimit, Millis(5));
    EXPECT_EQ(r.timing->crawlLimit, Millis(6));
    EXPECT_EQ(r.timing->browserStartCheck, Millis(7));
}

TEST(TimingOverrides, EveryNameReachesAFieldOfItsOwn) {
    std::vector<Timing> changed;
    for (const std::string_view name : timingNames()) {
        const TimingOverrides r = applyTimingOverrides(std::string(name) + "=1234567", Timing{});
        ASSERT_TRUE(r.timing) << r.error;
        EXPECT_NE(*r.timing, Timing{}) << name;
        for (std::size_t i = 0; i < changed.size(); ++i) {
            EXPECT_NE(*r.timing, changed[i]) << name << " and " << timingNames()[i];
        }
        changed.push_back(*r.timing);
    }
    const TimingOverrides r = applyTimingOverrides("robotsRedirectLimit=2", Timing{});
    ASSERT_TRUE(r.timing) << r.error;
    EXPECT_EQ(r.timing->robotsRedirectLimit, 2u);
}

struct BadCase {
    const char* text;
    const char* error;
};

class BadOverrides : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadOverrides, AreRefusedNamingTheItem) {
    const TimingOverrides r = applyTimingOverrides(GetParam().text, Timing{});
    EXPECT_FALSE(r.timing);
    EXPECT_EQ(r.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Timing, BadOverrides,
    ::testing::Values(BadCase{"nosuch=5", "FARROWLANE_TIMING: unknown name in \"nosuch=5\""},
                      BadCase{"workerPoll=5,dispatcherPass",
                              "FARROWLANE_TIMING: \"dispatcherPass\" is not "
                              "name=milliseconds"},
                      BadCase{"workerPoll=-1",
                              "FARROWLANE_TIMING: bad number of milliseconds in "
                              "\"workerPoll=-1\""},
                      BadCase{"workerPoll=2s",
                              "FARROWLANE_TIMING: bad number of milliseconds in "
                              "\"workerPoll=2s\""},
                      BadCase{"workerPoll=",
                              "FARROWLANE_TIMING: bad number of milliseconds in "
                              "\"workerPoll=\""},
                      BadCase{"workerPoll=1,",
                              "FARROWLANE_TIMING: \"\" is not name=milliseconds"}));

}  // namespace
}  // namespace farrow::base
