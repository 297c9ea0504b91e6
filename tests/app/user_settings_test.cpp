#include "app/user_settings.h"

#include <gtest/gtest.h>

#include "support/fake_frontend.h"
#include "support/temp_workspace.h"

namespace farrow::app {
namespace {

TEST(UserSettings, FirstRunWritesTheDefaultsAndSaysWhenItCannot) {
    test::TempWorkspace ws;
    test::FakeMessenger messenger;
    const SettingsLoad first = loadUserSettings(messenger, ws.file(kSettingsFile));
    EXPECT_FALSE(first.fileExisted);
    EXPECT_FALSE(first.error);
    EXPECT_EQ(loadUserSettings(messenger, ws.file(kSettingsFile)).settings.userEmail,
              "you@example.com");

    // A folder that is not there: the defaults stay in force, nothing is shown, the caller
    // learns why.
    const SettingsLoad lost = loadUserSettings(messenger, ws.file("gone/farrow.cfg"));
    EXPECT_EQ(lost.error.code, base::ErrorCode::WriteFailed);
    EXPECT_FALSE(lost.error.reason.empty());
    EXPECT_EQ(lost.settings.userFirstName, "Your");
    EXPECT_TRUE(messenger.messages().empty());
}

}  // namespace
}  // namespace farrow::app
