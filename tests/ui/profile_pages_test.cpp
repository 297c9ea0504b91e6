#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <functional>
#include <memory>

#include "app/user_settings.h"
#include "ui/category_page.h"
#include "ui/contact_page.h"
#include "ui/keyword_check_page.h"
#include "ui/selection_page.h"
#include "ui/settings_page.h"
#include "ui/site_text_page.h"
#include "ui/start_page.h"

namespace farrow::ui::test {
namespace {

using P = profile::SubmissionProfile;
using Texts = std::vector<std::string P::*>;

const Texts kAllTexts = {&P::url,   &P::title,      &P::description, &P::lastName, &P::firstName,
                         &P::email, &P::company,    &P::street1,     &P::street2,  &P::city,
                         &P::state, &P::postalCode, &P::province,    &P::phone,    &P::fax};

// A profile whose every text holds bytes above 127 and differs from every other text.
P latin1Profile() {
    P p;
    for (std::size_t i = 0; i < kAllTexts.size(); ++i) {
        p.*kAllTexts[i] = "caf\xE9 \xA0" + std::string(1, static_cast<char>(0xC0 + i)) + "\xFF";
    }
    p.description = "line \xE9\nand \xA0 no-break\nend \xFF";
    for (std::size_t i = 0; i < p.keywords.size(); ++i) {
        p.keywords[i] = "kw\xDF" + std::to_string(i + 1);
    }
    p.adult = p.smartMatch = p.deep = true;
    return p;
}

// What a page that owns nothing leaves behind: texts nobody would type and switches off.
P untouched() {
    P p;
    for (std::string P::*member : kAllTexts) {
        p.*member = "untouched";
    }
    p.keywords.fill("untouched");
    p.selectedSites = {{"Untouched", true, "Still"}};
    return p;
}

struct PageCase {
    const char* name;
    std::function<std::unique_ptr<ProfilePage>()> make;
    // The profile values the page shows; every other value must survive its save.
    Texts texts;
    bool keywords = false;
    bool switches = false;
};

std::string printCase(const testing::TestParamInfo<PageCase>& info) {
    return info.param.name;
}

class ProfilePageTest : public testing::TestWithParam<PageCase> {};

TEST_P(ProfilePageTest, SavesWhatItLoadedByteForByteAndNothingElse) {
    const PageCase& c = GetParam();
    const std::unique_ptr<ProfilePage> page = c.make();
    const P source = latin1Profile();
    page->load(source);

    P back = untouched();
    page->save(back);
    const P before = untouched();
    for (std::string P::*member : kAllTexts) {
        const bool owned = std::find(c.texts.begin(), c.texts.end(), member) != c.texts.end();
        EXPECT_EQ(back.*member, owned ? source.*member : before.*member)
            << c.name
            << (owned ? " lost a byte of a value it shows" : " wrote a value it does not show");
    }
    EXPECT_EQ(back.keywords, c.keywords ? source.keywords : before.keywords) << c.name;
    EXPECT_EQ(back.adult, c.switches) << c.name;
    EXPECT_EQ(back.smartMatch, c.switches) << c.name;
    // The deep switch sits in the window's right-hand column and the selection in the site
    // lists: no page reads or writes them.
    EXPECT_FALSE(back.deep) << c.name;
    ASSERT_EQ(back.selectedSites.size(), 1u) << c.name;
    EXPECT_EQ(back.selectedSites[0].siteName, "Untouched") << c.name;
}

template <typename T>
std::function<std::unique_ptr<ProfilePage>()> maker() {
    return [] { return std::make_unique<T>(); };
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ProfilePageTest,
    testing::Values(PageCase{"Start", maker<StartPage>(), {}},
                    PageCase{"Settings", maker<SettingsPage>(), {}},
                    PageCase{"Contact",
                             maker<ContactPage>(),
                             {&P::url, &P::lastName, &P::firstName, &P::email, &P::company,
                              &P::street1, &P::street2, &P::city, &P::state, &P::postalCode,
                              &P::province, &P::phone, &P::fax}},
                    PageCase{"SiteText", maker<SiteTextPage>(), {&P::title, &P::description}, true},
                    PageCase{"Selection", maker<SelectionPage>(), {}},
                    PageCase{"Category", maker<CategoryPage>(), {}, false, true},
                    PageCase{"KeywordCheck", maker<KeywordCheckPage>(), {}}),
    printCase);

TEST(SettingsPageTest, KeepsThePersonalValuesAndBrowserApartFromEditsUntilSaved) {
    SettingsPage page;
    app::UserSettings stored;
    stored.userFirstName = "Ren\xE9";
    stored.userMiddleName = "\xC5";
    stored.userLastName = "M\xFCller \xA0";
    stored.userEmail = "r\xE9@example.test";
    stored.browserChoice = app::kBrowserChoices[1];
    page.load(stored);

    app::UserSettings saved;
    page.save(saved);
    EXPECT_EQ(saved.userFirstName, stored.userFirstName);
    EXPECT_EQ(saved.userMiddleName, stored.userMiddleName);
    EXPECT_EQ(saved.userLastName, stored.userLastName);
    EXPECT_EQ(saved.userEmail, stored.userEmail);
    EXPECT_EQ(saved.browserChoice, app::kBrowserChoices[1]);

    // A reset brings back the stored names but keeps the browser the user chose meanwhile.
    page.findChild<QLineEdit*>("userFirstName")->setText("Edited");
    page.findChild<QComboBox*>("browserList")->setCurrentIndex(0);
    page.resetPersonalFields(stored);
    page.save(saved);
    EXPECT_EQ(saved.userFirstName, stored.userFirstName);
    EXPECT_EQ(saved.browserChoice, app::kBrowserChoices[0]);

    // With no browser chosen the first one is stored.
    page.findChild<QComboBox*>("browserList")->setCurrentIndex(-1);
    page.save(saved);
    EXPECT_EQ(saved.browserChoice, app::kBrowserChoices[0]);
}

}  // namespace
}  // namespace farrow::ui::test
