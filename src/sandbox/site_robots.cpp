#include "sandbox/site_robots.h"

#include "sandbox/audit_site.h"
#include "sandbox/target_behaviour.h"
#include "sandbox/target_routes.h"

namespace farrow::sandbox {

void addRobotsTxt(httplib::Server& server, const std::string& scheme) {
    const std::string site = kSitePath;
    const std::string sitemap =
        std::string(scheme == "https" ? kAuditSitePath : kSitePath) + "sitemap.xml";
    server.Get("/robots.txt",
               [site, scheme, sitemap](const httplib::Request& req, httplib::Response& res) {
                   res.set_content(
                       "# The bakery's staff pages stay out of search engines.\n"
                       "User-agent: *\n"
                       "Disallow: " +
                           site + "private/\n" + "Allow: " + site + "private/press-kit.htm\n\n" +
                           "Sitemap: " + scheme + "://" + requestHost(req) + sitemap + "\n",
                       "text/plain");
               });
}

}  // namespace farrow::sandbox
