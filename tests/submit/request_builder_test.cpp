#include "submit/request_builder.h"

#include <gtest/gtest.h>

#include <map>

#include "support/fake_build_frontend.h"
#include "support/temp_workspace.h"

namespace farrow::submit {
namespace {

using sites::SiteRecord;

// A site whose every form-field slot is " " except those given.
SiteRecord site(const std::string& method, const std::map<std::size_t, std::string>& slots = {}) {
    SiteRecord r;
    r.fields.fill(" ");
    r.fields[sites::kName] = "Site";
    r.fields[sites::kSubmitUrl] = "http://s.test/add";
    r.fields[sites::kMethod] = method;
    r.fields[sites::kReferer] = "R";
    r.fields[sites::kExtraParams] = "";
    for (const auto& [pos, text] : slots) {
        r.fields[pos] = text;
    }
    return r;
}

class BuilderTest : public testing::Test {
protected:
    BuilderTest() {
        profile.keywords[0] = "a b";
        profile.keywords[2] = "c";
        profile.title = "My Site";
        profile.url = "U";
        profile.firstName = "Ann";
        profile.lastName = "Lee";
        profile.street1 = "1 Main St";
        profile.street2 = "Apt 2";
        profile.description = "line 1\nline 2";
    }

    SiteRequest build(SiteRecord& r) {
        SiteRequest request;
        request.siteName = r.name();
        request.method = r.fields[sites::kMethod];
        BuildParams params{.profile = profile,
                           .siteTable = table,
                           .selected = selected,
                           .smartMatchTable = smartMatch,
                           .verbose = verbose,
                           .siteLog = siteLog,
                           .logsDir = logsDir,
                           .siteErrorFile = siteErrorFile,
                           .timing = {}};
        buildSiteRequest(params, r, request, frontend);
        return request;
    }

    sites::SiteTable table;
    sites::SortedList selected;
    keywords::SmartMatchTable smartMatch = keywords::SmartMatchTable::standard();
    bool verbose = false;
    bool siteLog = false;
    std::string logsDir;
    std::string siteErrorFile;
    profile::SubmissionProfile profile;
    test::FakeBuildFrontend frontend;
};

struct FieldCase {
    const char* name;
    std::string method;
    std::map<std::size_t, std::string> slots;
    std::string targetUrl;
    std::string payload;
};

TEST_F(BuilderTest, FieldsByMethod) {
    const std::string url = "http://s.test/add";
    const FieldCase cases[] = {
        // The 46-byte example: joined keywords, then "&&" before the next item, and the
        // extra parameter " " counted in the length.
        {"worked example",
         "POST",
         {{4, "kw=:"}, {17, "title"}, {18, "url"}, {33, " "}},
         url,
         "?content-length=46kw=a b+c+&&title=My+Site&url=U&http_referer=R "},
        {"empty slot is not skipped",
         "POST",
         {{4, "k1"}, {5, ""}},
         url,
         "?content-length=24&k1=a+b&=&http_referer=R"},
        {"joined GET",
         "GET",
         {{4, "kw=:x"}, {5, "&never="}, {17, "&t="}},
         url + "?kw=a b+c+&t=My+Site",
         " "},
        {"joined MAILTO",
         "MAILTO",
         {{4, "kw=:"}, {17, "t"}},
         "SMTP:://s.test/add",
         "kw=a b+c+\r\nt=My+Site\r\n&http_referer=R"},
        {"one name field",
         "POST",
         {{21, "name"}, {22, "name"}},
         url,
         "?content-length=28&name=Ann+Lee&http_referer=R"},
        {"two name fields",
         "POST",
         {{21, "f"}, {22, "l"}},
         url,
         "?content-length=27&f=Ann&l=Lee&http_referer=R"},
        {"street GET", "GET", {{23, "&a="}, {33, "&x=1"}}, url + "&a=1+Main+St, Apt+2&x=1", " "},
        {"street POST",
         "POST",
         {{23, "a"}},
         url,
         "?content-length=33&a=1+Main+St+Apt+2&http_referer=R"},
        {"street MAILTO", "MAILTO", {{23, "a"}}, "SMTP:://s.test/add", "&http_referer=R"},
        {"mail without colon",
         "MAILTO",
         {{2, "add@s.test"}, {16, "d"}},
         "SMTP:add@s.test",
         "d=line+1\r\nline+2\r\n&http_referer=R"},
        {"unknown method", "PUT", {{17, "t"}}, url, ""},
    };
    for (const FieldCase& c : cases) {
        SiteRecord r = site(c.method, c.slots);
        const SiteRequest request = build(r);
        EXPECT_EQ(request.targetUrl, c.targetUrl) << c.name;
        EXPECT_EQ(request.payload, c.payload) << c.name;
        EXPECT_EQ(request.takesCategory, 0) << c.name;
    }
}

struct CategoryCase {
    const char* name;
    std::vector<std::string> keywords;
    std::vector<std::string> values;
    std::string remembered;
    std::optional<std::string> answer;
    std::string category;  // as sent
    std::string chosen;    // remembered afterwards
    bool asked;
};

TEST_F(BuilderTest, CategoryRules) {
    const CategoryCase cases[] = {
        {"no values: keyword 1", {"big boats"}, {"NULL"}, "NULL", {}, "big+boats", "NULL", false},
        {"remembered", {"x"}, {"Arts", "NULL"}, "Fine Arts", {}, "Fine+Arts", "Fine Arts", false},
        {"remembered empty", {"Arts"}, {"Arts", "NULL"}, "", {}, "", "", false},
        {"later containing wins",
         {"zebra", "", "Boat"},
         {"Boats", "Cars", "Big Boats", "boat", "NULL"},
         "NULL",
         {},
         "Big+Boats",
         "Big Boats",
         false},
        {"smart match", {"jet"}, {"Music", "Air", "NULL"}, "NULL", {}, "Air", "Air", false},
        {"chooser", {"zebra"}, {"Music", "NULL"}, "NULL", "Music", "Music", "Music", true},
        {"chooser closed", {"zebra"}, {"Music", "NULL"}, "NULL", {}, "", "NULL", true},
    };
    for (const CategoryCase& c : cases) {
        profile.keywords = {};
        std::copy(c.keywords.begin(), c.keywords.end(), profile.keywords.begin());
        SiteRecord r = site("GET");
        r.isComplex = 1;
        r.categoryBlock = {"x", "&c="};
        r.categoryBlock.insert(r.categoryBlock.end(), c.values.begin(), c.values.end());
        r.chosenCategory = c.remembered;
        frontend.chooserAnswer = c.answer;
        frontend.chooserCalls.clear();
        const SiteRequest request = build(r);
        EXPECT_EQ(request.takesCategory, 1) << c.name;
        EXPECT_EQ(request.category, c.category) << c.name;
        EXPECT_EQ(request.targetUrl, "http://s.test/add&c=" + c.category) << c.name;
        EXPECT_EQ(r.chosenCategory, c.chosen) << c.name;
        EXPECT_EQ(frontend.chooserCalls.size(), c.asked ? 1u : 0u) << c.name;
    }
}

TEST_F(BuilderTest, ChooserOffersEachValueOnceSorted) {
    profile.keywords = {"zebra"};
    SiteRecord r = site("GET");
    r.isComplex = 1;
    r.categoryBlock = {"x", "&c=", "Music", "", "Arts", "Art", "art", "Music", "NULL", "Hidden"};
    build(r);
    ASSERT_EQ(frontend.chooserCalls.size(), 1u);
    EXPECT_EQ(frontend.chooserCalls[0].caption, "Couldn't Find Match for Site");
    // "Art" is left out: the line "Arts" begins with it.
    EXPECT_EQ(frontend.chooserCalls[0].lines, (std::vector<std::string>{"art", "Arts", "Music"}));
}

TEST_F(BuilderTest, CategoriesWithoutEndMarkerStopTheSite) {
    test::TempWorkspace workspace;
    verbose = siteLog = true;
    logsDir = workspace.path().string();
    siteErrorFile = workspace.file("SiteErr.wri");
    profile.keywords = {"Art"};
    SiteRecord r = site("POST", {{17, "t"}});
    r.isComplex = 1;
    r.categoryBlock = {"x", "c", "Arts", " "};
    const SiteRequest request = build(r);
    EXPECT_EQ(request.payload, "");
    EXPECT_EQ(workspace.read("SiteErr.wri"), "Site\n");
    EXPECT_EQ(workspace.read("FRRWLOG.WRI"), "") << "the build of the site stopped";
    // The hit is remembered, so the next build of the site goes through.
    EXPECT_EQ(r.chosenCategory, "Arts");
    EXPECT_EQ(build(r).payload, "?content-length=32&t=My+Site&c=Arts&http_referer=R");
    EXPECT_EQ(workspace.read("SiteErr.wri"), "Site\n");

    SiteRecord get = site("GET");
    build(get);
    EXPECT_EQ(workspace.read("FRRWLOG.WRI"),
              "Site ?content-length=32&t=My+Site&c=Arts&http_referer=R\nSite  \n");
}

TEST_F(BuilderTest, UnknownMethodAsksForNoCategory) {
    profile.keywords = {"zebra"};
    SiteRecord r = site("PUT");
    r.isComplex = 1;
    r.categoryBlock = {"x", "&c=", "Music", "NULL"};
    const SiteRequest request = build(r);
    EXPECT_TRUE(frontend.chooserCalls.empty());
    EXPECT_EQ(request.takesCategory, 1);
    EXPECT_EQ(request.category, "");
    EXPECT_EQ(request.payload, "");
    EXPECT_EQ(request.targetUrl, "http://s.test/add");
    EXPECT_EQ(r.chosenCategory, "NULL");
}

}  // namespace
}  // namespace farrow::submit
