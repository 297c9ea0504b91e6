#include "google/property_choice.h"

#include <gtest/gtest.h>

namespace farrow::google {
namespace {

TEST(PropertyChoice, TakesTheLongestPrefixThenTheNearestDomain) {
    const std::vector<Property> properties = {
        {"https://www.example.com/", Permission::Owner},
        {"https://www.example.com/shop/", Permission::RestrictedUser},
        {"sc-domain:example.com", Permission::FullUser},
        {"sc-domain:blog.example.org", Permission::Owner},
        {"sc-domain:example.org", Permission::RestrictedUser},
        {"http://other.example/", Permission::Owner},
    };
    struct Case {
        const char* url;
        const char* property;
    } cases[] = {
        {"https://www.example.com/shop/cart", "https://www.example.com/shop/"},
        {"https://WWW.Example.com/about", "https://www.example.com/"},
        // The prefix's scheme counts: over http only the domain covers it.
        {"http://www.example.com/about", "sc-domain:example.com"},
        {"https://a.b.example.com/", "sc-domain:example.com"},
        {"https://blog.example.org/post", "sc-domain:blog.example.org"},
        {"https://www.blog.example.org/post", "sc-domain:blog.example.org"},
        {"https://news.example.org/", "sc-domain:example.org"},
        {"https://example.net/", ""},
        {"https://notexample.com/", ""},
        {"not a url", ""},
    };
    for (const Case& c : cases) {
        const auto chosen = coveringProperty(properties, c.url);
        EXPECT_EQ(chosen ? chosen->siteUrl : "", c.property) << c.url;
    }
}

TEST(PropertyChoice, PermissionsAllowWhatTheLevelsAllow) {
    struct Case {
        const char* level;
        bool submit;
        bool read;
    } cases[] = {{"siteOwner", true, true},
                 {"siteFullUser", true, true},
                 {"siteRestrictedUser", false, true},
                 {"siteUnverifiedUser", false, false},
                 {"somethingNew", false, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(maySubmitSitemaps(permissionOf(c.level)), c.submit) << c.level;
        EXPECT_EQ(mayRead(permissionOf(c.level)), c.read) << c.level;
    }
    const auto properties = propertiesOf(nlohmann::json::parse(
        R"({"siteEntry":[{"siteUrl":"sc-domain:a.example","permissionLevel":"siteOwner"}]})"));
    ASSERT_TRUE(properties);
    ASSERT_EQ(properties->size(), 1u);
    EXPECT_EQ((*properties)[0].permission, Permission::Owner);
    EXPECT_TRUE(propertiesOf(nlohmann::json::object())->empty());
    EXPECT_FALSE(propertiesOf(nlohmann::json::parse(R"({"siteEntry":[{"x":1}]})")));
}

}  // namespace
}  // namespace farrow::google
