#include "profile/profile_check.h"

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

}  // namespace farrow::profile
