// The files read at start-up and the timing variable, fed what a damaged disk, a wrong file or a
// careless edit leaves: each is read to the end or refused, never crashing or hanging.
#include <gtest/gtest.h>

#include "app/branding.h"
#include "app/caption_catalogue.h"
#include "app/user_settings.h"
#include "base/timing.h"
#include "support/every_byte.h"
#include "support/fake_frontend.h"
#include "support/temp_workspace.h"

namespace farrow::app {
namespace {

using namespace std::string_literals;

std::string everyByte(int rounds) {
    return test::everyByte(rounds, 167);
}

const std::string kMegabyte(1 << 20, 'x');

struct LinesCase {
    const char* name;
    std::string content;
    // The lines a reader must see, in order; the rest of the file does not matter.
    std::vector<std::string> lines;
};

std::vector<LinesCase> linesCases() {
    return {
        {"MissingFinalLineEnd",
         "one\r\ntwo\r\nthree\r\nfour\r\nfive",
         {"one", "two", "three", "four", "five"}},
        {"NulBytesStayInTheirLine",
         "o\0ne\ntwo\0\n\0\nfour\nfive\n"s,
         {"o\0ne"s, "two\0"s, "\0"s, "four", "five"}},
        {"HugeLineWithoutEnd", kMegabyte, {kMegabyte}},
        {"HugeLineThenMore", kMegabyte + "\nsecond\n", {kMegabyte, "second"}},
        {"OnlyLineEnds", "\n\r\n\n", {"", "", ""}},
        {"BinaryJunk", everyByte(64), {}},
    };
}

class StartFileBadInput : public testing::TestWithParam<LinesCase> {
protected:
    test::TempWorkspace workspace;
    test::FakeMessenger messenger;
};

TEST_P(StartFileBadInput, SettingsTakeTheFirstFiveLines) {
    workspace.write(kSettingsFile, GetParam().content);
    const SettingsLoad load = loadUserSettings(messenger, workspace.file(kSettingsFile));
    EXPECT_TRUE(load.fileExisted);
    const std::string values[] = {load.settings.userFirstName, load.settings.userMiddleName,
                                  load.settings.userLastName, load.settings.userEmail,
                                  load.settings.browserChoice};
    for (std::size_t i = 0; i < GetParam().lines.size() && i < 5; ++i) {
        EXPECT_EQ(values[i], GetParam().lines[i]) << "line " << i + 1;
    }
    browserIndexFor(load.settings.browserChoice);
    EXPECT_TRUE(messenger.messages().empty());
    // The file is only read, never rewritten.
    EXPECT_EQ(workspace.read(kSettingsFile), GetParam().content);
}

TEST_P(StartFileBadInput, BrandingTakesTheFirstTenLines) {
    workspace.write(kBrandingFile, GetParam().content);
    const base::Branding b = readBranding(messenger, workspace.file(kBrandingFile));
    const std::string values[] = {b.productName, b.vendorLine, b.vendorName, b.salesContact,
                                  b.infoContact};
    for (std::size_t i = 0; i < GetParam().lines.size() && i < 5; ++i) {
        EXPECT_EQ(values[i], GetParam().lines[i]) << "line " << i + 1;
    }
    isAdultOnlyEdition(b);
    EXPECT_TRUE(messenger.messages().empty());
}

TEST_P(StartFileBadInput, CaptionsTakeTheFirstLines) {
    workspace.write(kCaptionFile, GetParam().content);
    const std::optional<CaptionCatalogue> captions =
        readCaptionCatalogue(workspace.file(kCaptionFile));
    ASSERT_TRUE(captions);
    for (std::size_t i = 0; i < GetParam().lines.size(); ++i) {
        EXPECT_EQ((*captions)[i], GetParam().lines[i]) << "line " << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, StartFileBadInput, testing::ValuesIn(linesCases()),
                         [](const testing::TestParamInfo<LinesCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(StartFileBadInput, TenthBrandingLineWithoutEndAndJunkAfterIt) {
    test::TempWorkspace workspace;
    test::FakeMessenger messenger;
    std::string content;
    for (int i = 1; i <= 9; ++i) {
        content += "v" + std::to_string(i) + "\r\n";
    }
    workspace.write(kBrandingFile, content + "Morvel\0"s);
    EXPECT_EQ(readBranding(messenger, workspace.file(kBrandingFile)).supportMail, "Morvel\0"s);
    workspace.write(kBrandingFile, "a\nb\nMorvel Media\n" + everyByte(16));
    EXPECT_TRUE(isAdultOnlyEdition(readBranding(messenger, workspace.file(kBrandingFile))));
}

struct TimingCase {
    const char* name;
    std::string text;
};

class TimingBadInput : public testing::TestWithParam<TimingCase> {};

TEST_P(TimingBadInput, IsRefusedWithAReason) {
    const base::TimingOverrides r = applyTimingOverrides(GetParam().text, base::Timing{});
    EXPECT_FALSE(r.timing);
    EXPECT_TRUE(r.error.starts_with("FARROWLANE_TIMING: ")) << r.error;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TimingBadInput,
    testing::Values(TimingCase{"Overflowing", "workerPoll=99999999999999999999"},
                    TimingCase{"PastTheClock", "mailTimeout=9223372036854775807"},
                    TimingCase{"JustPastTheLimit", "crawlPoll=2147483648"},
                    TimingCase{"Hex", "workerPoll=0x10"}, TimingCase{"Blank", "workerPoll= 5"},
                    TimingCase{"Plus", "workerPoll=+5"}, TimingCase{"Fraction", "workerPoll=1.5"},
                    TimingCase{"NulInValue", "workerPoll=5\0"s},
                    TimingCase{"NulInName", "worker\0Poll=5"s}, TimingCase{"OnlyCommas", ",,,"},
                    TimingCase{"HugeText", "workerPoll=" + kMegabyte},
                    TimingCase{"Junk", everyByte(4)}),
    [](const testing::TestParamInfo<TimingCase>& info) { return std::string(info.param.name); });

TEST(TimingLimits, TheLongestWaitIsTaken) {
    const base::TimingOverrides r =
        applyTimingOverrides("crawlPoll=2147483647,workerPoll=0", base::Timing{});
    ASSERT_TRUE(r.timing) << r.error;
    EXPECT_EQ(r.timing->crawlPoll, base::Millis(2147483647));
}

}  // namespace
}  // namespace farrow::app
