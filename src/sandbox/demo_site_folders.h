#pragma once

#include <httplib.h>

#include <string>
#include <vector>

namespace farrow::sandbox {

// A page of the demo site's folders, below the site's folder ("shop/index.htm").
struct FolderPage {
    std::string name;
    std::string title;
    std::string html;
};

// The rest of the demo bakery's site, reached from the ring's west page, which deep submission
// lists but does not read: a shop, news and about folders, a folder that robots.txt closes
// with one page let through, a noindex page, a canonical link, a redirect, a PDF, a link to
// another host, relative links with "../" and "?query", and a sitemap.xml of its own.
const std::vector<FolderPage>& demoFolderPages();

// Serves the pages, the PDF, the redirect and the site's sitemap.xml.
void addDemoSiteFolders(httplib::Server& server);

}  // namespace farrow::sandbox
