#include "sandbox/demo_site.h"

#include "sandbox/demo_key.h"
#include "sandbox/demo_site_folders.h"
#include "sandbox/target_behaviour.h"

namespace farrow::sandbox {

namespace {

// Links stand one to a line, since the crawl takes at most one link from each line.
std::string page(const std::string& title, const std::vector<std::string>& lines) {
    std::string html =
        "<html>\n<head>\n<title>" + title + "</title>\n</head>\n<body>\n<h1>" + title + "</h1>\n";
    for (const std::string& line : lines) {
        html += line + "\n";
    }
    return html + "</body>\n</html>\n";
}

std::string link(const std::string& target, const std::string& text) {
    return "<p><a href=\"" + target + "\">" + text + "</a></p>";
}

}  // namespace

const std::vector<DemoPage>& demoPages() {
    static const std::vector<DemoPage> pages = [] {
        const std::vector<std::pair<std::string, std::string>> titles = {
            {"index.htm", kDemoSiteTitle},
            {"breads.htm", "Our Breads"},
            {"cakes.htm", "Cakes for Every Day"},
            {"ring/east.htm", "Bakers' Ring: East Quay"},
            {"ring/west.htm", "Bakers' Ring: West Quay"},
            {"old-offers.htm", "404 NOT FOUND"},
        };
        std::vector<DemoPage> out;
        for (const auto& [name, title] : titles) {
            out.push_back({name, title, ""});
        }
        out[0].html =
            page(out[0].title, {
                                   "<p>Fresh bread every morning since 1931.</p>",
                                   link("breads.htm", "Our breads"),
                                   link("cakes.htm", "Cakes"),
                                   link("ring/east.htm", "The bakers' ring"),
                                   link("#", "Back to the top"),
                                   link("mailto:orders@harbourlights.example", "Order by mail"),
                                   link("old-offers.htm", "Last year's offers"),
                               });
        out[1].html = page(out[1].title,
                           {"<p>Sourdough, rye and seeded loaves.</p>", link("index.htm", "Home")});
        out[2].html = page(out[2].title, {"<p>Sponges, tarts and celebration cakes.</p>",
                                          link("index.htm", "Home")});
        out[3].html = page(out[3].title, {"<p>Next in the ring:</p>", link("west.htm", "West")});
        // The rest of the site hangs off this page, which deep submission lists but never reads.
        out[4].html = page(out[4].title, {"<p>Next in the ring:</p>", link("east.htm", "East"),
                                          link("../shop/", "Round the corner: our shop")});
        // A page that went missing, yet answered with 200 as many servers of old did.
        out[5].html = page(out[5].title, {"<p>The requested page could not be found.</p>"});
        return out;
    }();
    return pages;
}

void addDemoSite(httplib::Server& server) {
    for (const DemoPage& p : demoPages()) {
        const std::string& html = p.html;
        server.Get(std::string(kSitePath) + p.name,
                   [&html](const httplib::Request&, httplib::Response& res) {
                       res.set_content(html, "text/html");
                   });
    }
    addDemoSiteFolders(server);
    // A "#" link resolves to the folder itself.
    const std::string& start = demoPages().front().html;
    server.Get(kSitePath, [&start](const httplib::Request&, httplib::Response& res) {
        res.set_content(start, "text/html");
    });
    // The key file, published as the engines ask: at the host's root, holding just the key.
    server.Get("/" + demoKeyFileName(), [](const httplib::Request&, httplib::Response& res) {
        res.set_content(kDemoKey, "text/plain; charset=utf-8");
    });
}

}  // namespace farrow::sandbox
