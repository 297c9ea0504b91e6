#include "sandbox/demo_site_folders.h"

#include "sandbox/target_behaviour.h"
#include "sandbox/target_routes.h"

namespace farrow::sandbox {

namespace {

std::string a(const std::string& href, const std::string& text, const std::string& rel = "") {
    return "<a href=\"" + href + "\"" + (rel.empty() ? "" : " rel=\"" + rel + "\"") + ">" + text +
           "</a>";
}

// A page with a shared navigation bar: links written relative to the page's own folder.
std::string page(const std::string& title, const std::string& up, const std::string& head,
                 const std::vector<std::string>& body) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>" +
        title + "</title>\n" + head + "</head>\n<body>\n<nav>" + a(up + "index.htm", "Home") +
        " | " + a(up + "shop/", "Shop") + " | " + a(up + "news/", "News") + " | " +
        a(up + "about/story.htm", "Our story") + "</nav>\n<h1>" + title + "</h1>\n";
    for (const std::string& line : body) {
        html += "<p>" + line + "</p>\n";
    }
    return html + "<footer>Harbour Lights Bakery, Quay Street</footer>\n</body>\n</html>\n";
}

// A small valid PDF: one empty page.
std::string pricesPdf() {
    return "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
           "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
           "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 595 842]>>endobj\n"
           "trailer<</Root 1 0 R>>\n%%EOF\n";
}

}  // namespace

const std::vector<FolderPage>& demoFolderPages() {
    static const std::vector<FolderPage> pages = [] {
        std::vector<FolderPage> out;
        const auto add = [&out](const std::string& name, const std::string& title,
                                const std::string& up, const std::vector<std::string>& body,
                                const std::string& head = "") {
            out.push_back({name, title, page(title, up, head, body)});
        };
        add("shop/index.htm", "The Shop", "../",
            {a("loaves/sourdough.htm", "Sourdough") + ", " + a("loaves/rye.htm", "Rye") + ", " +
                 a("loaves/seeded.htm", "Seeded"),
             a("cakes/sponge.htm", "Sponge") + ", " + a("cakes/tart.htm", "Tarts") + ", " +
                 a("cakes/celebration.htm", "Celebration cakes"),
             a("order.htm?item=sourdough&amp;size=large", "Order a large sourdough"),
             a("price-list.pdf", "Price list (PDF)"), a("../offers.htm", "This week's offers"),
             a("basket.htm", "Your basket", "nofollow"), a("print.htm", "Printable menu"),
             a("javascript:window.print()", "Print this page")});
        for (const auto& [name, title] :
             std::vector<std::pair<std::string, std::string>>{{"sourdough", "Sourdough Loaf"},
                                                              {"rye", "Dark Rye"},
                                                              {"seeded", "Seeded Farmhouse"}}) {
            add("shop/loaves/" + name + ".htm", title, "../../",
                {"Baked before dawn.", a("../index.htm", "Back to the shop"),
                 a("../../breads.htm", "About our breads"),
                 a("../order.htm?item=" + name, "Order one")});
        }
        for (const auto& [name, title] : std::vector<std::pair<std::string, std::string>>{
                 {"sponge", "Victoria Sponge"},
                 {"tart", "Lemon Tart"},
                 {"celebration", "Celebration Cakes"}}) {
            add("shop/cakes/" + name + ".htm", title, "../../",
                {"Made to order.", a("../index.htm", "Back to the shop"),
                 a("../loaves/sourdough.htm#crust", "Goes well with sourdough")});
        }
        add("shop/order.htm", "Order Online", "../",
            {"Choose a loaf and a size.", a("?item=rye", "Order rye instead")});
        add("shop/offers.htm", "This Week's Offers", "../",
            {"Two loaves for the price of one on Tuesdays."});
        add("shop/print.htm", "Printable Menu", "../", {"Everything we bake, on one page."},
            "<meta name=\"robots\" content=\"noindex, follow\">\n");
        add("shop/basket.htm", "Your Basket", "../", {"Your basket is empty."},
            "<meta name=\"robots\" content=\"noindex\">\n");
        add("news/index.htm", "Bakery News", "../",
            {a("2026/harvest-loaf.htm", "The harvest loaf is back"),
             a("2026/winter-hours.htm", "Winter opening hours"), a("archive.htm", "Older news")},
            "<link rel=\"canonical\" href=\"./\">\n");
        add("news/2026/harvest-loaf.htm", "The Harvest Loaf Is Back", "../../",
            {"With barley from the valley.", a("../index.htm", "All news"),
             a("../../shop/loaves/seeded.htm", "Order it")});
        add("news/2026/winter-hours.htm", "Winter Opening Hours", "../../",
            {"Seven till two, every day but Monday.", a("../index.htm", "All news")});
        add("news/2025/opening.htm", "The Quay Street Shop Opens", "../../",
            {"We opened our second shop.", a("../archive.htm", "Older news")});
        add("news/archive.htm", "News Archive", "../",
            {a("2025/opening.htm", "The Quay Street shop opens"),
             a("./2026/../2026/winter-hours.htm", "Winter opening hours")});
        add("about/story.htm", "Our Story", "../",
            {"Four generations of bakers on the quay.", a("team.htm", "Meet the team"),
             a("find-us.htm", "Find us"), a("contact.htm", "Contact")});
        add("about/team.htm", "Meet the Team", "../",
            {"Morwen, Jory and the early shift.", a("../private/press-kit.htm", "Press kit"),
             a("../private/staff-rota.htm", "Staff rota")});
        add("about/find-us.htm", "Find Us", "../",
            {"Quay Street, by the harbour lights.",
             a("http://maps.example.org/?q=Quay+Street", "Open the map")});
        add("about/contact.htm", "Contact", "../",
            {a("mailto:orders@harbourlights.example", "orders@harbourlights.example"),
             a("tel:+441234567890", "01234 567890"),
             a("data:text/plain,Harbour%20Lights", "Our name as text")});
        add("private/press-kit.htm", "Press Kit", "../", {"Pictures and words for the papers."});
        add("private/staff-rota.htm", "Staff Rota", "../", {"Not for the public."});
        return out;
    }();
    return pages;
}

void addDemoSiteFolders(httplib::Server& server) {
    const std::string site = kSitePath;
    for (const FolderPage& p : demoFolderPages()) {
        server.Get(site + p.name, [&p](const httplib::Request&, httplib::Response& res) {
            res.set_content(p.html, "text/html; charset=utf-8");
            res.set_header("Last-Modified", "Tue, 01 Dec 2026 09:00:00 GMT");
        });
    }
    // A folder's address gives its index page, as web servers do.
    for (const FolderPage& p : demoFolderPages()) {
        const std::size_t slash = p.name.find('/');
        if (p.name.substr(slash + 1) == "index.htm") {
            server.Get(site + p.name.substr(0, slash + 1),
                       [&p](const httplib::Request&, httplib::Response& res) {
                           res.set_content(p.html, "text/html; charset=utf-8");
                       });
        }
    }
    server.Get(site + "shop/price-list.pdf", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(pricesPdf(), "application/pdf");
    });
    server.Get(site + "offers.htm", [site](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(site + "shop/offers.htm", 301);
    });
    server.Get(site + "sitemap.xml", [site](const httplib::Request& req, httplib::Response& res) {
        std::string xml =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
        for (const char* name : {"index.htm", "breads.htm", "cakes.htm", "shop/",
                                 "shop/loaves/sourdough.htm", "news/", "about/story.htm"}) {
            xml += "  <url><loc>http://" + requestHost(req) + site + name +
                   "</loc><lastmod>2026-12-01</lastmod></url>\n";
        }
        res.set_content(xml + "</urlset>\n", "application/xml");
    });
}

}  // namespace farrow::sandbox
