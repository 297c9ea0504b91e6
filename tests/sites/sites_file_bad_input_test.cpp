// "sites.enc" as a failed download or a wrong file leaves it: read to its end marker or its
// last byte, never crashing, hanging or keeping a field past its limit.
#include <gtest/gtest.h>

#include "sites/site_line_codec.h"
#include "sites/site_line_parser.h"
#include "sites/sites_file_reader.h"
#include "support/fake_frontend.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace farrow::sites {
namespace {

using namespace std::string_literals;

std::string everyByte(int rounds) {
    std::string junk;
    for (int r = 0; r < rounds; ++r) {
        for (int c = 0; c < 256; ++c) {
            // Line ends are left out, so that the junk is a few long lines.
            const char b = static_cast<char>((c * 151 + r) & 255);
            junk.push_back(b == '\n' || b == '\r' ? 'j' : b);
        }
        junk += '\n';
    }
    return junk;
}

struct StoredCase {
    const char* name;
    std::string content;
    // The sites read, or -1 where any number will do.
    int sites;
};

std::vector<StoredCase> storedCases() {
    const std::string site = encodeSiteLine(test::plainSiteLine("Loopback Site"));
    return {
        {"MissingFinalLineEnd", site + "\n" + site, 2},
        {"OddDigitCount", site + "7\n", 1},
        {"NulBytes", site + "\n" + std::string(200, '\0') + "\n", 2},
        {"HighDigitPairs", std::string(400, '9') + "\n", 1},
        {"LettersForDigits", std::string(400, 'z') + "\n", 1},
        {"HugeLineWithoutEnd", std::string(1 << 20, '5'), 1},
        {"HugeLineOfSeparators", encodeSiteLine(std::string(100000, '|')), 1},
        {"BinaryJunk", everyByte(200), 200},
        {"OnlyLineEnds", "\r\n\r\n\n", 0},
    };
}

class SitesFileBadInput : public testing::TestWithParam<StoredCase> {};

TEST_P(SitesFileBadInput, ReadsWithoutComplaint) {
    test::TempWorkspace workspace;
    test::FakeStartupFrontend frontend;
    workspace.write("sites.enc", GetParam().content);
    const SitesLoad load = readSitesFile(workspace.workspace(), {}, frontend.fakeMessenger());
    EXPECT_TRUE(load.read);
    if (GetParam().sites >= 0) {
        EXPECT_EQ(load.siteCount, GetParam().sites);
    }
    EXPECT_EQ(load.table.size(), static_cast<std::size_t>(load.siteCount));
    for (const SiteRecord& r : load.table) {
        for (const std::string& field : r.fields) {
            EXPECT_LE(field.size(), kMaxFieldLength);
        }
        EXPECT_LE(r.categoryBlock.size(), kCategorySlots);
    }
    EXPECT_TRUE(frontend.fakeMessenger().messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Files, SitesFileBadInput, testing::ValuesIn(storedCases()),
                         [](const testing::TestParamInfo<StoredCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(SiteLineBadInput, ComplexMarkerWithoutTokensAfterIt) {
    const SiteRecord bare = parseSiteLine("[COMPLEX]");
    EXPECT_EQ(bare.isComplex, 1);
    EXPECT_EQ(bare.fields[0], "[COMPLEX]");
    ASSERT_EQ(bare.categoryBlock.size(), 1u);
    EXPECT_EQ(bare.categoryBlock[0], " ");

    // The marker inside a name still makes the line complex; a NUL is an ordinary character.
    const SiteRecord named = parseSiteLine("A\0[COMPLEX]b|x"s);
    EXPECT_EQ(named.isComplex, 1);
    EXPECT_EQ(named.fields[0], "A\0[COMPLEX]b"s);
}

}  // namespace
}  // namespace farrow::sites
