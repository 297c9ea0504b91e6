#pragma once

#include <httplib.h>

#include <string>
#include <vector>

namespace farrow::sandbox {

struct DemoPage {
    // Below the site's folder, e.g. "about.htm".
    std::string name;
    std::string title;
    std::string html;
};

// The small web site that deep submission crawls: pages with titles, a ring of two pages that
// link to each other, a mail link, a "#" link, and a page titled "404 NOT FOUND".
const std::vector<DemoPage>& demoPages();

// The title of the start page, which the demo profile uses as its title too.
inline constexpr const char* kDemoSiteTitle = "Harbour Lights Bakery";

// Serves every demo page below the site's folder; the folder itself gives the start page.
void addDemoSite(httplib::Server& server);

}  // namespace farrow::sandbox
