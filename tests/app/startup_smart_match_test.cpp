#include <gtest/gtest.h>

#include "app/startup_sequence.h"
#include "support/fake_frontend.h"
#include "support/temp_workspace.h"

namespace farrow::app {
namespace {

TEST(StartupSequence, BuildsTheSmartMatchTable) {
    test::TempWorkspace workspace;
    test::FakeStartupFrontend frontend;
    AppState state;
    ASSERT_TRUE(state.smartMatchTable.empty());
    runStartupSequence(state, {"farrowlane"}, frontend);
    EXPECT_EQ(state.smartMatchTable.rows().size(), 54u);
    EXPECT_TRUE(state.requestList.empty());
}

}  // namespace
}  // namespace farrow::app
