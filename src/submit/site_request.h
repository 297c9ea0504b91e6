#pragma once

#include <string>
#include <vector>

namespace farrow::submit {

// The prepared request for one selected site: what a worker sends, and nothing it must work out.
struct SiteRequest {
    std::string siteName;
    // GET: the submission address with the built query; POST: the submission address;
    // MAILTO: "SMTP:" and the address part.
    std::string targetUrl;
    // POST: "?content-length=N" and the body; GET: " "; MAILTO: the mail text; else empty.
    std::string payload;
    std::string method;
    int takesCategory = 0;
    // The category as sent (spaces made "+"); empty when none.
    std::string category;
    std::string referer;
};

// The requests of one build, in the order of the selected-sites list; the run that follows
// consumes them.
using RequestList = std::vector<SiteRequest>;

}  // namespace farrow::submit
