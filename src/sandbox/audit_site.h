#pragma once

#include <httplib.h>

#include <string>

namespace farrow::sandbox {

// The second demo site, for the site audit: a ship's chandlery on the quay, read over HTTPS,
// whose pages hold one case of each fault the audit finds. The bakery stays as it is.
inline constexpr const char* kAuditSitePath = "/chandlery/";
inline constexpr const char* kAuditStartPage = "/chandlery/index.htm";
inline constexpr const char* kAuditSiteTitle = "Quayside Chandlery";

// Serves the site's pages, redirects, picture and sitemap.xml below kAuditSitePath on the side
// of `scheme` ("http", "https"). The order page loads its picture from the HTTP side, whose
// port is read from `httpPort` as each page is asked for: it is bound after the routes are set.
void addAuditSite(httplib::Server& server, const std::string& scheme, const int& httpPort);

}  // namespace farrow::sandbox
