#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace farrow::google {

// What the account may do with a property.
enum class Permission { Owner, FullUser, RestrictedUser, Unverified, Unknown };

Permission permissionOf(const std::string& level);
// The level as the service names it ("siteOwner"...).
std::string token(Permission permission);
// What the level allows, for people.
std::string text(Permission permission);
bool maySubmitSitemaps(Permission permission);
// Reading sitemaps and inspecting URLs.
bool mayRead(Permission permission);

struct Property {
    // "https://www.example.com/" or "sc-domain:example.com".
    std::string siteUrl;
    Permission permission = Permission::Unknown;
};

// The entries of a sites answer: {"siteEntry":[{"siteUrl","permissionLevel"}]}; nullopt when the
// answer has another shape.
std::optional<std::vector<Property>> propertiesOf(const nlohmann::json& answer);

// The property that covers `url`: the longest URL-prefix property it begins with, else the
// domain property of its host or of the nearest parent domain.
std::optional<Property> coveringProperty(const std::vector<Property>& properties,
                                         const std::string& url);

// "SCHEME://HOST[:PORT]/" of `url`; empty when it is no http(s) URL.
std::string urlPrefixOf(const std::string& url);

}  // namespace farrow::google
