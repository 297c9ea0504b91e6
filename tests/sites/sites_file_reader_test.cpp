#include "sites/sites_file_reader.h"

#include <gtest/gtest.h>

#include "logs/site_record_dump.h"
#include "sites/site_line_codec.h"
#include "sites/site_line_parser.h"
#include "support/fake_frontend.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace farrow::sites {
namespace {

class SitesFileReaderTest : public ::testing::Test {
protected:
    bool read(const std::vector<std::string>& plainLines) {
        workspace.write("sites.enc", test::encodedSitesFile(plainLines));
        return readStored();
    }
    bool readStored() {
        options.onOpened = [this] { opened = true; };
        options.onCount = [this](int kept) { counts.push_back(kept); };
        load = readSitesFile(workspace.workspace(), options, frontend.fakeMessenger());
        return load.read;
    }

    test::TempWorkspace workspace;
    test::FakeStartupFrontend frontend;
    SitesReadOptions options;
    SitesLoad load;
    bool opened = false;
    std::vector<int> counts;
};

TEST_F(SitesFileReaderTest, MissingFileLoadsNothingQuietly) {
    EXPECT_FALSE(readStored());
    EXPECT_EQ(load.error.code, base::ErrorCode::NotFound);
    EXPECT_EQ(load.siteCount, 0);
    EXPECT_TRUE(load.table.empty());
    EXPECT_TRUE(frontend.fakeMessenger().messages().empty());
    EXPECT_FALSE(opened);
}

TEST_F(SitesFileReaderTest, EmptyLineEndsTheFile) {
    EXPECT_TRUE(read({"", test::plainSiteLine("Never Read")}));
    EXPECT_EQ(load.siteCount, 0);
    read({test::plainSiteLine("First"), "", test::plainSiteLine("After End")});
    EXPECT_EQ(load.table.size(), 1u);
}

TEST_F(SitesFileReaderTest, ShortLinesAreSkippedAndLongOnesAreSites) {
    const std::string fifty(50, 'a');
    const std::string fiftyOne(51, 'b');
    read({fifty, fiftyOne, "short|line"});
    ASSERT_EQ(load.table.size(), 1u);
    const SiteRecord& r = load.table[0];
    EXPECT_EQ(r.name(), fiftyOne);
    // The first missing position holds " ", as does the extra-parameters slot; the rest is
    // empty.
    EXPECT_EQ(r.fields[1], " ");
    EXPECT_EQ(r.fields[2], "");
    EXPECT_EQ(r.fields[32], "");
    EXPECT_EQ(r.fields[33], " ");
    EXPECT_EQ(r.chosenCategory, "NULL");
    EXPECT_EQ(r.isComplex, 0);
}

TEST_F(SitesFileReaderTest, CarriageReturnTakesTheFollowingCharacter) {
    const std::string a = encodeSiteLine(test::plainSiteLine("Alpha"));
    const std::string b = encodeSiteLine(test::plainSiteLine("Beta"));
    const std::string c = encodeSiteLine(test::plainSiteLine("Gamma"));
    // CR LF, a bare CR followed by the next line's text (its first digit is lost), and a last
    // line without a break.
    workspace.write("sites.enc", a + "\r\n" + b + "\r" + "9" + c + "\n" + a);
    readStored();
    ASSERT_EQ(load.table.size(), 4u);
    EXPECT_EQ(load.table[1].name(), "Beta");
    EXPECT_EQ(load.table[2].name(), "Gamma");
    EXPECT_EQ(load.table[3].name(), "Alpha");
}

TEST_F(SitesFileReaderTest, KeepsAtMostFiveThousandSites) {
    std::string file;
    const std::string line = encodeSiteLine(test::plainSiteLine("Engine")) + "\n";
    for (int i = 0; i < 5001; ++i) {
        file += line;
    }
    workspace.write("sites.enc", file);
    readStored();
    EXPECT_EQ(load.table.size(), 5000u);
    EXPECT_EQ(load.siteCount, 5000);
    EXPECT_EQ(counts.back(), 5000);
    EXPECT_TRUE(opened);
}

TEST_F(SitesFileReaderTest, SplitsOnRunsOfSeparatorsAndCutsLongFields) {
    const std::string longValue(200, 'v');
    read({"||Name With Leading Bars|||x||http://a.test/|GET|" + longValue +
          "|padding padding padding"});
    ASSERT_EQ(load.table.size(), 1u);
    const SiteRecord& r = load.table[0];
    EXPECT_EQ(r.name(), "Name With Leading Bars");
    EXPECT_EQ(r.fields[1], "x");
    EXPECT_EQ(r.fields[3], "GET");
    EXPECT_EQ(r.fields[4], std::string(128, 'v'));
    EXPECT_EQ(r.fields[5], "padding padding padding");
}

TEST_F(SitesFileReaderTest, ReadsTheCategoryBlockAfterTheMarker) {
    read({test::plainSiteLine("Complex") + "|[COMPLEX]|x|cat|Arts|Music|NULL|After"});
    const SiteRecord& r = load.table[0];
    EXPECT_EQ(r.isComplex, 1);
    EXPECT_EQ(r.categoryBlock, (std::vector<std::string>{"x", "cat", "Arts", "Music", "NULL"}));
    EXPECT_EQ(r.categorySlot(5), "");
    EXPECT_EQ(r.categorySlot(299), "");
    EXPECT_TRUE(r.takesCategory());
}

TEST_F(SitesFileReaderTest, CategoryBlockWithoutEndMarker) {
    std::string many = test::plainSiteLine("Many") + "|[COMPLEX]";
    for (int i = 0; i < 310; ++i) {
        many += "|c" + std::to_string(i);
    }
    read({test::plainSiteLine("Short") + "|[COMPLEX]|x|field|Arts", many});
    // Where the tokens run out the slot holds " ".
    EXPECT_EQ(load.table[0].categoryBlock, (std::vector<std::string>{"x", "field", "Arts", " "}));
    ASSERT_EQ(load.table[1].categoryBlock.size(), 300u);
    EXPECT_EQ(load.table[1].categoryBlock.back(), "c299");
}

TEST_F(SitesFileReaderTest, LinesAreCutAtTheWorkBufferSize) {
    std::string line = test::plainSiteLine("Huge");
    line += "|" + std::string(kMaxLineLength + 500 - line.size() - 1, 'z');
    ASSERT_GT(line.size(), kMaxLineLength);
    SiteRecord r = parseSiteLine(line + "|[COMPLEX]");
    EXPECT_EQ(r.isComplex, 0);
    read({line});
    ASSERT_EQ(load.table.size(), 1u);
    EXPECT_EQ(load.table[0].name(), "Huge");
}

TEST_F(SitesFileReaderTest, AdultEditionKeepsOnlyAdultSitesButCountsAll) {
    options.adultOnlyEdition = true;
    read({test::plainSiteLine("Adult Links"), test::plainSiteLine("adult links"),
          test::plainSiteLine("Plain Engine")});
    ASSERT_EQ(load.table.size(), 1u);
    EXPECT_EQ(load.table[0].name(), "Adult Links");
    EXPECT_EQ(load.siteCount, 3);
    EXPECT_EQ(counts, (std::vector<int>{1, 1, 1}));
}

TEST_F(SitesFileReaderTest, FillsTheListsSortedIgnoringCase) {
    read({test::plainSiteLine("beta"), test::plainSiteLine("Alpha"),
          test::plainSiteLine("Gamma", "GET", "http://g.test/", {{32, "http://g.test/s?q="}}),
          test::plainSiteLine("beta", "POST")});
    EXPECT_EQ(load.available.entries(),
              (std::vector<std::string>{"Alpha", "beta", "beta", "Gamma"}));
    EXPECT_EQ(load.keywordCheck.entries(), (std::vector<std::string>{"Gamma"}));
    // Look-ups take the first of two records with one name.
    EXPECT_EQ(load.table.find("beta")->fields[3], "GET");
    EXPECT_EQ(load.table.find("Beta"), nullptr);
}

TEST_F(SitesFileReaderTest, SiteLogDumpsEveryRecord) {
    // Every record reaches the caller, which dumps it when the site log is on.
    options.onRecord = [&](const SiteRecord& r) {
        logs::dumpSiteRecord(workspace.path().string(), r, r.isComplex);
    };
    read({test::plainSiteLine("Dumped", "GET", "http://d.test/", {{16, "desc"}}),
          test::plainSiteLine("Cats") + "|[COMPLEX]|x|cat|Arts|NULL"});
    EXPECT_EQ(workspace.read("FRRWLOG.WRI"),
              "Dumped:\n  1 = x\n  2 = http://d.test/\n  3 = GET\n  16 = desc\n"
              "Cats:\n  1 = x\n  2 = http://engine.test/add\n  3 = GET\n"
              "  0 = x\n  1 = cat\n  2 = Arts\n");
}

}  // namespace
}  // namespace farrow::sites
