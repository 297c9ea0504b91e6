#include "profile/profile_check.h"

#include <string_view>
#include <utility>

namespace farrow::profile {

std::vector<std::string> checkProfile(const SubmissionProfile& profile, std::size_t selectedCount,
                                      base::Messenger& messenger) {
    // Only a text of length 0 is missing; blanks count as a value.
    const std::pair<bool, const char*> checks[] = {
        {selectedCount == 0, "SITES: No Sites Selected for Submit"},
        {profile.url.empty(), "SITE INFORMATION: A URL Address must be specified"},
        {profile.keywords[0].empty(), "KEYWORDS: At Least ONE keyword must be specified"},
        {profile.lastName.empty(), "SITE INFORMATION: A Last Name must be specified"},
        {profile.firstName.empty(), "SITE INFORMATION: A First Name must be specified"},
        {profile.email.empty(), "SITE INFORMATION: An Electronic Mail Address must be specified"},
        {profile.title.empty(), "KEYWORDS: A Web Site Title (Descriptive) must be specified"},
        {profile.company.empty(), "KEYWORDS: A Company Name (or organization) must be specified"},
        {profile.phone.empty(), "SITE INFORMATION: A Voice Phone Number must be specified"},
    };
    std::vector<std::string> failed;
    for (const auto& [missing, message] : checks) {
        if (missing) {
            messenger.showMessage(message, base::MessageIcon::Exclamation);
            failed.emplace_back(message);
        }
    }
    return failed;
}

namespace {

// Valid UTF-8 (shortest forms, no surrogates) holding at least one sequence of two or more bytes.
bool isUtf8BeyondAscii(std::string_view text) {
    bool beyond = false;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) {
                return false;
            }
        }
        beyond = true;
        i += length;
    }
    return beyond;
}

}  // namespace

std::vector<Utf8Field> utf8Fields(const SubmissionProfile& profile) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"URL Address", &profile.url},
        {"Title", &profile.title},
        {"Description", &profile.description},
        {"Last Name", &profile.lastName},
        {"First Name", &profile.firstName},
        {"EMail Address", &profile.email},
        {"Company Name", &profile.company},
        {"Street Address", &profile.street1},
        {"Street Address (second line)", &profile.street2},
        {"City", &profile.city},
        {"State", &profile.state},
        {"Postal Code", &profile.postalCode},
        {"Province", &profile.province},
        {"Phone Number", &profile.phone},
        {"Fax Number", &profile.fax},
    };
    std::vector<Utf8Field> found;
    for (const auto& [label, value] : fields) {
        if (isUtf8BeyondAscii(*value)) {
            found.push_back({label, *value});
        }
    }
    for (std::size_t k = 0; k < kKeywordCount; ++k) {
        if (isUtf8BeyondAscii(profile.keywords[k])) {
            found.push_back({"Keyword " + std::to_string(k + 1), profile.keywords[k]});
        }
    }
    return found;
}

}  // namespace farrow::profile
