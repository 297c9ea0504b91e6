#include "submit/request_builder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/fake_build_frontend.h"
#include "support/temp_workspace.h"

namespace farrow::submit {
namespace {

using sites::SiteRecord;

SiteRecord site(const std::string& method, const std::string& submitUrl = "http://s.test/add") {
    SiteRecord r;
    r.fields.fill(" ");
    r.fields[sites::kName] = "Site";
    r.fields[sites::kSubmitUrl] = submitUrl;
    r.fields[sites::kMethod] = method;
    r.fields[sites::kReferer] = "R";
    return r;
}

void setCategories(SiteRecord& r, std::vector<std::string> values) {
    r.isComplex = 1;
    r.categoryBlock = {"x", "&cat="};
    r.categoryBlock.insert(r.categoryBlock.end(), values.begin(), values.end());
}

class BuilderTest : public testing::Test {
protected:
    BuilderTest() { state.smartMatchTable = keywords::SmartMatchTable::standard(); }

    SiteRequest build(SiteRecord& r) {
        SiteRequest request;
        request.siteName = r.name();
        request.method = r.fields[sites::kMethod];
        buildSiteRequest(state, profile, r, request, frontend);
        return request;
    }

    app::AppState state;
    profile::SubmissionProfile profile;
    test::FakeBuildFrontend frontend;
};

TEST_F(BuilderTest, WorkedPostExample) {
    SiteRecord r = site("POST");
    r.fields[4] = "kw=:";
    r.fields[sites::kTitleField] = "title";
    r.fields[sites::kUrlField] = "url";
    profile.keywords[0] = "a b";
    profile.keywords[1] = "c";
    profile.title = "My Site";
    profile.url = "U";
    const SiteRequest request = build(r);
    const std::string body = "kw=a b+c+&&title=My+Site&url=U&http_referer=R ";
    ASSERT_EQ(body.size(), 46u);
    EXPECT_EQ(request.payload, "?content-length=46" + body);
    EXPECT_EQ(request.targetUrl, "http://s.test/add");
    EXPECT_EQ(request.takesCategory, 0);
    EXPECT_EQ(request.category, "");
}

TEST_F(BuilderTest, SpaceSlotAddsNothingWhileEmptySlotAddsSeparators) {
    SiteRecord r = site("POST");
    r.fields[sites::kExtraParams] = "";
    r.fields[4] = "k1";
    r.fields[5] = "";
    profile.keywords = {"one", "two"};
    EXPECT_EQ(build(r).payload, "?content-length=27&k1=one&=two&http_referer=R");
    r.fields[5] = " ";
    EXPECT_EQ(build(r).payload, "?content-length=22&k1=one&http_referer=R");
}

TEST_F(BuilderTest, JoinedKeywordsByMethod) {
    profile.keywords[0] = "a b";
    profile.keywords[2] = "c";
    profile.keywords[15] = "p";
    profile.description = "d";
    struct Case {
        std::string method, targetUrl, payload;
    };
    const Case cases[] = {
        {"GET", "http://s.test/add?kw=a b+c+p+&d=d", " "},
        {"POST", "http://s.test/add", "?content-length=31kw=a b+c+p+&&d=d&http_referer=R"},
        {"MAILTO", "SMTP:://s.test/add", "kw=a b+c+p+\r\nd=d\r\n&http_referer=R"},
        {"PUT", "http://s.test/add", ""},
    };
    for (const Case& c : cases) {
        SiteRecord r = site(c.method);
        r.fields[sites::kExtraParams] = "";
        // The character before the colon is dropped from the name; the rest is not read.
        r.fields[4] = c.method == "GET" ? "kw=:ignored" : "kw=:";
        r.fields[5] = "never read";
        r.fields[sites::kDescriptionField] = c.method == "GET" ? "&d=" : "d";
        const SiteRequest request = build(r);
        EXPECT_EQ(request.targetUrl, c.targetUrl) << c.method;
        EXPECT_EQ(request.payload, c.payload) << c.method;
    }
}

TEST_F(BuilderTest, SameNameFieldsCarryFirstAndLastNameOnce) {
    SiteRecord r = site("POST");
    r.fields[sites::kExtraParams] = "";
    r.fields[sites::kFirstNameField] = "name";
    r.fields[sites::kLastNameField] = "name";
    profile.firstName = "Ann";
    profile.lastName = "Lee";
    EXPECT_EQ(build(r).payload, "?content-length=28&name=Ann+Lee&http_referer=R");
    r.fields[sites::kLastNameField] = "last";
    EXPECT_EQ(build(r).payload, "?content-length=33&name=Ann&last=Lee&http_referer=R");
}

TEST_F(BuilderTest, StreetAddressByMethod) {
    profile.street1 = "1 Main St";
    profile.street2 = "Apt 2";
    SiteRecord get = site("GET");
    get.fields[sites::kStreetField] = "&a=";
    get.fields[sites::kExtraParams] = "&x=1";
    EXPECT_EQ(build(get).targetUrl, "http://s.test/add&a=1+Main+St, Apt+2&x=1");
    SiteRecord post = site("POST");
    post.fields[sites::kStreetField] = "a";
    post.fields[sites::kExtraParams] = "";
    EXPECT_EQ(build(post).payload, "?content-length=33&a=1+Main+St+Apt+2&http_referer=R");
    SiteRecord mail = site("MAILTO", "me@s.test");
    mail.fields[sites::kStreetField] = "a";
    EXPECT_EQ(build(mail).payload, "&http_referer=R");
    profile.street2.clear();
    EXPECT_EQ(build(get).targetUrl, "http://s.test/add&a=1+Main+St&x=1");
}

TEST_F(BuilderTest, MailTextAndAddress) {
    SiteRecord r = site("MAILTO", "mailto:add@s.test");
    r.fields[sites::kTitleField] = "Title";
    r.fields[sites::kDescriptionField] = "Desc";
    profile.title = "My Site";
    profile.description = "line 1\nline 2";
    const SiteRequest request = build(r);
    EXPECT_EQ(request.targetUrl, "SMTP::add@s.test");
    EXPECT_EQ(request.payload, "Desc=line+1\r\nline+2\r\nTitle=My+Site\r\n&http_referer=R");
    r.fields[sites::kSubmitUrl] = "add@s.test";
    EXPECT_EQ(build(r).targetUrl, "SMTP:add@s.test");
}

TEST_F(BuilderTest, CategoryFromFirstKeywordOrRememberedChoice) {
    profile.keywords[0] = "big boats";
    SiteRecord r = site("GET");
    r.fields[sites::kExtraParams] = "";
    setCategories(r, {"NULL"});
    SiteRequest request = build(r);
    EXPECT_EQ(request.takesCategory, 1);
    EXPECT_EQ(request.category, "big+boats");
    EXPECT_EQ(request.targetUrl, "http://s.test/add&cat=big+boats");
    EXPECT_EQ(r.chosenCategory, "NULL");

    setCategories(r, {"Arts", "NULL"});
    r.chosenCategory = "Fine Arts";
    EXPECT_EQ(build(r).category, "Fine+Arts");
    r.chosenCategory = "";
    EXPECT_EQ(build(r).category, "") << "an empty remembered category is a choice";
    EXPECT_TRUE(frontend.chooserCalls.empty());
}

TEST_F(BuilderTest, CategoryScanLaterContainingValueWins) {
    profile.keywords[0] = "zebra";
    profile.keywords[2] = "Boat";
    SiteRecord r = site("POST");
    r.fields[sites::kExtraParams] = "";
    setCategories(r, {"Boats", "Cars", "Big Boats", "boat", "NULL"});
    r.categoryBlock[sites::kCategoryFieldSlot] = "cat";
    const SiteRequest request = build(r);
    EXPECT_EQ(request.category, "Big+Boats");
    EXPECT_EQ(r.chosenCategory, "Big Boats");
    EXPECT_EQ(request.payload, "?content-length=29&cat=Big+Boats&http_referer=R");
}

TEST_F(BuilderTest, CategoryBySmartMatch) {
    profile.keywords[0] = "jet";
    SiteRecord r = site("GET");
    setCategories(r, {"Music", "Air", "NULL"});
    EXPECT_EQ(build(r).category, "Air");
    EXPECT_EQ(r.chosenCategory, "Air");
    EXPECT_TRUE(frontend.chooserCalls.empty());
}

TEST_F(BuilderTest, ChooserWhenNoKeywordYieldsACategory) {
    profile.keywords[0] = "zebra";
    SiteRecord r = site("GET");
    setCategories(r, {"Music", "", "Arts", "Art", "art", "Music", "NULL", "Hidden"});
    frontend.chooserAnswer = "Arts";
    EXPECT_EQ(build(r).category, "Arts");
    ASSERT_EQ(frontend.chooserCalls.size(), 1u);
    EXPECT_EQ(frontend.chooserCalls[0].caption, "Couldn't Find Match for Site");
    EXPECT_EQ(frontend.chooserCalls[0].lines, (std::vector<std::string>{"art", "Arts", "Music"}));
    EXPECT_EQ(r.chosenCategory, "Arts");
    EXPECT_EQ(build(r).category, "Arts");
    EXPECT_EQ(frontend.chooserCalls.size(), 1u) << "the choice is remembered";

    SiteRecord other = site("GET");
    other.fields[sites::kExtraParams] = "";
    setCategories(other, {"Music", "NULL"});
    frontend.chooserAnswer.reset();
    const SiteRequest none = build(other);
    EXPECT_EQ(none.category, "");
    EXPECT_EQ(none.targetUrl, "http://s.test/add&cat=");
    EXPECT_EQ(other.chosenCategory, "");
}

TEST_F(BuilderTest, CategoriesWithoutEndMarkerStopTheSite) {
    test::TempWorkspace workspace;
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string saved = oldTmp ? oldTmp : "";
    ::setenv("TMPDIR", workspace.path().c_str(), 1);
    state.switches.verbose = true;
    state.switches.siteLog = true;
    state.logsDir = workspace.path().string();
    profile.keywords[0] = "zebra";
    SiteRecord r = site("POST");
    r.fields[sites::kTitleField] = "t";
    setCategories(r, {"Arts", " "});
    const SiteRequest request = build(r);
    EXPECT_EQ(request.payload, "");
    EXPECT_EQ(request.takesCategory, 1);
    EXPECT_EQ(workspace.read("SiteErr.wri"), "Site\n");
    EXPECT_EQ(workspace.read("FRRWLOG.WRI"), "") << "the site log line is not reached";
    EXPECT_TRUE(frontend.chooserCalls.empty());
    oldTmp ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR");
}

TEST_F(BuilderTest, SiteLogLinePerRequest) {
    test::TempWorkspace workspace;
    state.switches.siteLog = true;
    state.logsDir = workspace.path().string();
    SiteRecord r = site("GET");
    build(r);
    SiteRecord p = site("POST");
    p.fields[sites::kName] = "Other";
    build(p);
    EXPECT_EQ(workspace.read("FRRWLOG.WRI"), "Site  \nOther ?content-length=16&http_referer=R \n");
}

}  // namespace
}  // namespace farrow::submit
