#include "logs/log_names.h"

#include <gtest/gtest.h>

namespace farrow::logs {
namespace {

std::tm at(int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = 104;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return t;
}

TEST(LogNames, NamesBothLogsAfterTheUrlAndTheStart) {
    const LogNames n =
        makeLogNames("http://host/dir/page.html", "/w/LOGS", "/w/ERRORS", at(3, 7, 9, 5));
    EXPECT_EQ(n.tag, "host+dir+page.html");
    EXPECT_EQ(n.stamp, "03070905");
    EXPECT_EQ(n.logPath, "/w/LOGS/host+dir+page.html-03070905.HTM");
    EXPECT_EQ(n.errorLogName, "/w/ERRORS/host+dir+page.html-03070905.HTM");
    EXPECT_EQ(n.failureProfilePath, "/w/ERRORS/host+dir+page.html-03070905.fl2");
    EXPECT_EQ(n.relativeLogName, "./LOGS/host+dir+page.html-03070905.HTM");
}

TEST(LogNames, TagDropsSevenCharactersWhateverTheyAre) {
    struct Case {
        const char* url;
        const char* tag;
    };
    const Case cases[] = {
        {"http://host/", "host+"},
        {"https://host/a", "+host+a"},
        {"http://h\\a\\b", "h+a+b"},
        {"www.example.test/x", "mple.test+x"},
        {"http://", ""},
        {"short", ""},
        {"http://host/page?id=3#top", "host+page?id=3#top"},
        {"http://host/a\nb\r\tc\x7f", "host+a_b__c_"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(makeLogNames(c.url, "L", "E", at(12, 31, 23, 59)).tag, c.tag) << c.url;
    }
}

TEST(LogNames, LongTagIsCutToFitAFileName) {
    const std::string url = "http://" + std::string(400, 'h');
    const LogNames n = makeLogNames(url, "L", "E", at(1, 2, 3, 4));
    EXPECT_EQ(n.tag.size(), 400u);
    const std::string file = n.logPath.substr(2);
    EXPECT_EQ(file.size(), 255u);
    EXPECT_EQ(file, std::string(242, 'h') + "-01020304.HTM");
}

}  // namespace
}  // namespace farrow::logs
