#pragma once

#include <httplib.h>

#include <string>

namespace farrow::sandbox {

// Serves /robots.txt on the side of `scheme`. robots.txt belongs to a scheme, host and port:
// both sides close the bakery's staff folder, and each names the sitemap of the demo site read
// there, the bakery's over HTTP and the chandlery's over HTTPS.
void addRobotsTxt(httplib::Server& server, const std::string& scheme);

}  // namespace farrow::sandbox
