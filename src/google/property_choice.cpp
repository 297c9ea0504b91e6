#include "google/property_choice.h"

#include <algorithm>
#include <cctype>

#include "indexnow/key_scope.h"

namespace farrow::google {

namespace {

constexpr const char* kDomainPrefix = "sc-domain:";

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The host without its port.
std::string bareHost(const std::string& host) {
    const std::size_t colon = host.rfind(':');
    if (colon != std::string::npos && host.find(']') == std::string::npos) {
        return host.substr(0, colon);
    }
    return host;
}

// The URL with its scheme and host lower-cased, as a prefix property compares them.
std::optional<std::string> comparable(const std::string& url) {
    const auto parts = indexnow::urlParts(url);
    if (!parts) {
        return std::nullopt;
    }
    return parts->scheme + "://" + parts->host + parts->path;
}

}  // namespace

Permission permissionOf(const std::string& level) {
    if (level == "siteOwner") {
        return Permission::Owner;
    }
    if (level == "siteFullUser") {
        return Permission::FullUser;
    }
    if (level == "siteRestrictedUser") {
        return Permission::RestrictedUser;
    }
    if (level == "siteUnverifiedUser") {
        return Permission::Unverified;
    }
    return Permission::Unknown;
}

std::string token(Permission permission) {
    switch (permission) {
        case Permission::Owner:
            return "siteOwner";
        case Permission::FullUser:
            return "siteFullUser";
        case Permission::RestrictedUser:
            return "siteRestrictedUser";
        case Permission::Unverified:
            return "siteUnverifiedUser";
        case Permission::Unknown:
            break;
    }
    return "unknown";
}

std::string text(Permission permission) {
    switch (permission) {
        case Permission::Owner:
        case Permission::FullUser:
            return "may submit sitemaps, read them and inspect URLs";
        case Permission::RestrictedUser:
            return "may read sitemaps and inspect URLs, not submit sitemaps";
        case Permission::Unverified:
            return "may do nothing until the property is verified";
        case Permission::Unknown:
            break;
    }
    return "may do nothing this program knows of";
}

bool maySubmitSitemaps(Permission permission) {
    return permission == Permission::Owner || permission == Permission::FullUser;
}

bool mayRead(Permission permission) {
    return maySubmitSitemaps(permission) || permission == Permission::RestrictedUser;
}

std::optional<std::vector<Property>> propertiesOf(const nlohmann::json& answer) {
    if (!answer.is_object()) {
        return std::nullopt;
    }
    std::vector<Property> properties;
    const auto entries = answer.find("siteEntry");
    // An account with no property gets an empty object.
    if (entries == answer.end()) {
        return properties;
    }
    if (!entries->is_array()) {
        return std::nullopt;
    }
    for (const nlohmann::json& entry : *entries) {
        if (!entry.is_object() || !entry.contains("siteUrl") || !entry["siteUrl"].is_string()) {
            return std::nullopt;
        }
        const std::string level =
            entry.contains("permissionLevel") && entry["permissionLevel"].is_string()
                ? entry["permissionLevel"].get<std::string>()
                : std::string();
        properties.push_back({entry["siteUrl"].get<std::string>(), permissionOf(level)});
    }
    return properties;
}

std::optional<Property> coveringProperty(const std::vector<Property>& properties,
                                         const std::string& url) {
    const auto parts = indexnow::urlParts(url);
    const auto target = comparable(url);
    if (!parts || !target) {
        return std::nullopt;
    }
    const Property* best = nullptr;
    std::size_t bestLength = 0;
    for (const Property& p : properties) {
        const auto prefix = comparable(p.siteUrl);
        if (prefix && target->starts_with(*prefix) && prefix->size() > bestLength) {
            best = &p;
            bestLength = prefix->size();
        }
    }
    if (best != nullptr) {
        return *best;
    }
    // The host itself, then each parent domain, nearest first.
    std::string domain = bareHost(parts->host);
    for (;;) {
        for (const Property& p : properties) {
            if (lowered(p.siteUrl) == kDomainPrefix + domain) {
                return p;
            }
        }
        const std::size_t dot = domain.find('.');
        if (dot == std::string::npos) {
            return std::nullopt;
        }
        domain.erase(0, dot + 1);
    }
}

std::string urlPrefixOf(const std::string& url) {
    const auto parts = indexnow::urlParts(url);
    return parts ? parts->scheme + "://" + parts->host + "/" : std::string();
}

}  // namespace farrow::google
