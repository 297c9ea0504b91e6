#pragma once

#include <string>

#include "profile/submission_profile.h"

namespace farrow::test {

// A profile of an invented site with every field the check asks for, `keyword` its first
// keyword and no site selected.
inline profile::SubmissionProfile checkedProfile(const std::string& keyword) {
    profile::SubmissionProfile p;
    p.url = "http://my.site.test/";
    p.title = "My Site";
    p.lastName = "Lee";
    p.firstName = "Ann";
    p.email = "ann@my.site.test";
    p.company = "Lee & Co";
    p.phone = "555 0100";
    p.keywords[0] = keyword;
    return p;
}

}  // namespace farrow::test
