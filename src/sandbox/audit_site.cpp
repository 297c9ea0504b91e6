#include "sandbox/audit_site.h"

#include <vector>

#include "sandbox/target_routes.h"

namespace farrow::sandbox {

namespace {

struct AuditPage {
    // Below the site's folder.
    std::string name;
    std::string title;
    std::string description;
    // Lines of the head after the description.
    std::string head;
    std::vector<std::string> body;
};

std::string a(const std::string& href, const std::string& text) {
    return "<a href=\"" + href + "\">" + text + "</a>";
}

// Where the order page's picture is: the HTTP side of the same host.
std::string pictureUrl(int httpPort) {
    return "http://127.0.0.1:" + std::to_string(httpPort) + kAuditSitePath + "anchor.svg";
}

// Each fault stands on one page: the links to the missing page and to the redirects, the
// title copied from another page, the canonical written from a local copy, the noindex page of
// the sitemap, the page only the sitemap lists, the picture over plain HTTP.
std::vector<AuditPage> auditPages(int httpPort) {
    const std::string home = a("index.htm", "Home");
    return {
        {"index.htm",
         kAuditSiteTitle,
         "Ropes, sails, charts and lanterns for the boats of Portwenna harbour.",
         "",
         {"Everything a boat needs, on the quay since 1952.",
          a("ropes.htm", "Ropes and rigging") + " | " + a("sails.htm", "Sails") + " | " +
              a("charts.htm", "Charts") + " | " + a("order.htm", "Order online"),
          a("lanterns.htm", "Lanterns and lamps"), a("catalogue-2024.htm", "Our catalogue"),
          a("clearance.htm", "Clearance sale")}},
        {"ropes.htm",
         "Ropes and Rigging",
         "Mooring lines, halyards and sheets, cut to the length you need.",
         "",
         {"Three-strand and braided, in every thickness.", home, a("order.htm", "Order rope")}},
        // Copied from the rope page, title and all.
        {"sails.htm",
         "Ropes and Rigging",
         "Sails made and mended in the loft above the shop.",
         "",
         {"Mainsails, jibs and covers.", home, a("rigging.htm", "Rigging for your sails")}},
        {"charts.htm",
         "Charts and Pilot Books",
         "Admiralty charts and pilot books for the coast from the Lizard to the Scillies.",
         "<link rel=\"canonical\" href=\"file:///srv/www/chandlery/charts.htm\">\n",
         {"Corrected to the latest notices.", home}},
        {"clearance.htm",
         "Clearance Sale",
         "Last season's oilskins and fenders at half price.",
         "<meta name=\"robots\" content=\"noindex\">\n",
         {"While stocks last.", home}},
        {"winter-stock.htm",
         "Winter Stock",
         "Antifouling, heaters and covers for laying up over the winter.",
         "",
         {"In from November.", home}},
        {"order.htm",
         "Order Online",
         "Order by noon and collect from the quay the same afternoon.",
         "",
         {"<img src=\"" + pictureUrl(httpPort) + "\" alt=\"An anchor\" width=\"48\" height=\"48\">",
          "Tell us what you need and when you sail.", home}},
        {"catalogue.htm",
         "The Catalogue",
         "Every line we stock, with prices, in one list.",
         "",
         {"Updated every spring.", home}},
    };
}

std::string html(const AuditPage& page) {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
        htmlEscaped(page.title) + "</title>\n<meta name=\"description\" content=\"" +
        htmlEscaped(page.description) + "\">\n" + page.head + "</head>\n<body>\n<h1>" +
        htmlEscaped(page.title) + "</h1>\n";
    for (const std::string& line : page.body) {
        out += "<p>" + line + "</p>\n";
    }
    return out + "<footer>Quayside Chandlery, Harbour Walk, Portwenna</footer>\n</body>\n</html>\n";
}

// A brass anchor, as the order page shows it.
constexpr const char* kAnchor =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"48\" viewBox=\"0 0 48 48\">"
    "<g fill=\"none\" stroke=\"#8a6d1f\" stroke-width=\"4\" stroke-linecap=\"round\">"
    "<circle cx=\"24\" cy=\"9\" r=\"5\"/><path d=\"M24 14v28M14 22h20M8 30c2 9 9 12 16 12s14-3 "
    "16-12\"/></g></svg>\n";

}  // namespace

void addAuditSite(httplib::Server& server, const std::string& scheme, const int& httpPort) {
    const std::string site = kAuditSitePath;
    // The pages' names do not hang on the port; their picture's address does.
    const std::size_t count = auditPages(0).size();
    for (std::size_t i = 0; i < count; ++i) {
        server.Get(site + auditPages(0)[i].name,
                   [i, &httpPort](const httplib::Request&, httplib::Response& res) {
                       res.set_content(html(auditPages(httpPort)[i]), "text/html; charset=utf-8");
                   });
    }
    server.Get(site, [&httpPort](const httplib::Request&, httplib::Response& res) {
        res.set_content(html(auditPages(httpPort).front()), "text/html; charset=utf-8");
    });
    // Two hops from last year's catalogue to this year's, and the rigging page moved to ropes.
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"catalogue-2024.htm", "catalogue-2025.htm"},
             {"catalogue-2025.htm", "catalogue.htm"},
             {"rigging.htm", "ropes.htm"}}) {
        server.Get(site + from,
                   [target = site + to](const httplib::Request&, httplib::Response& res) {
                       res.set_redirect(target, 301);
                   });
    }
    server.Get(site + "anchor.svg", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(kAnchor, "image/svg+xml");
    });
    // Lists the noindex page and the page no link leads to, as a careless generator would.
    server.Get(site + "sitemap.xml",
               [site, scheme](const httplib::Request& req, httplib::Response& res) {
                   std::string xml =
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
                   for (const AuditPage& page : auditPages(0)) {
                       xml += "  <url><loc>" + scheme + "://" + requestHost(req) + site +
                              page.name + "</loc><lastmod>2026-12-01</lastmod></url>\n";
                   }
                   res.set_content(xml + "</urlset>\n", "application/xml");
               });
}

}  // namespace farrow::sandbox
