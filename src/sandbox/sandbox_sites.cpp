#include "sandbox/sandbox_sites.h"

#include <array>
#include <map>

namespace farrow::sandbox {

namespace {

// A single space marks a value the site does not take.
constexpr const char* kNotTaken = " ";

// Field names by position: 4-15 keywords 1-12, 16 description, 17 title, 18 URL, 19 e-mail,
// 20 company, 21 first name, 22 last name, 23 street, 24 city, 25 state, 26 province,
// 27 postal code, 28 phone, 29 fax, 30 phone again.
using Fields = std::map<int, std::string>;

Fields getFields() {
    return {{4, "?kw="}, {16, "&desc="}, {17, "&title="}, {18, "&url="}, {19, "&email="}};
}

Fields postFields() {
    Fields f;
    for (int i = 0; i < 12; ++i) {
        f[4 + i] = "kw" + std::to_string(i + 1);
    }
    f.insert({{16, "desc"},
              {17, "title"},
              {18, "url"},
              {19, "email"},
              {20, "company"},
              {21, "first"},
              {22, "last"},
              {23, "street"},
              {24, "city"},
              {25, "state"},
              {26, "province"},
              {27, "zip"},
              {28, "phone"},
              {29, "fax"}});
    return f;
}

Fields mailFields() {
    return {{4, "Keywords=:"}, {16, "Description"}, {17, "Title"}, {18, "URL"},
            {19, "Email"},     {21, "Name"},        {22, "Name"},  {28, "Phone"}};
}

const std::vector<std::string> kDirectoryCategories = {"Business", "Food and Drink", "Shopping",
                                                       "Regional", "Recreation"};

}  // namespace

const std::vector<SandboxSite>& sandboxSites() {
    static const std::vector<SandboxSite> sites = [] {
        const auto get = [](std::string name, Behaviour b, bool success) {
            SandboxSite s;
            s.name = std::move(name);
            s.method = "GET";
            s.behaviour = b;
            s.expectSuccess = success;
            return s;
        };
        const auto post = [](std::string name, Behaviour b, bool success) {
            SandboxSite s;
            s.name = std::move(name);
            s.method = "POST";
            s.behaviour = b;
            s.categories = kDirectoryCategories;
            s.chosenCategory = "Food and Drink";
            s.expectSuccess = success;
            return s;
        };
        const auto mail = [](std::string name, std::string mailbox, bool success) {
            SandboxSite s;
            s.name = std::move(name);
            s.method = "MAILTO";
            s.mailbox = std::move(mailbox);
            s.expectSuccess = success;
            return s;
        };
        std::vector<SandboxSite> out = {
            get("Sandbox Accepting Engine", Behaviour::Accepts, true),
            get("Sandbox Repeat URL Engine", Behaviour::RepeatUrl, true),
            get("Sandbox Bad URL Engine", Behaviour::RejectsUrl, false),
            get("Sandbox Missing Form Engine", Behaviour::NotFound, false),
            get("Sandbox Moved Engine", Behaviour::Redirects, true),
            get("Sandbox Slow Engine", Behaviour::Slow, true),
            get("Sandbox Stalling Engine", Behaviour::Stalls, false),
            get("Sandbox Silent Engine", Behaviour::Silent, false),
            post("Sandbox Accepting Directory", Behaviour::Accepts, true),
            post("Sandbox Repeat URL Directory", Behaviour::RepeatUrl, true),
            post("Sandbox Broken Directory", Behaviour::ServerError, false),
            post("Sandbox Moved Directory", Behaviour::Redirects, true),
            mail("Sandbox Mail Listing", "listings@sandbox.example", true),
            mail("Sandbox Refusing Mail Listing", std::string(kRefusedMailbox) + "@sandbox.example",
                 false),
        };
        // Some plain POST sites take no category, and the keyword check gets a few engines.
        out[11].categories.clear();
        out[11].chosenCategory.clear();
        for (const int i : {0, 5, 8}) {
            out[static_cast<std::size_t>(i)].hasSearch = true;
        }
        return out;
    }();
    return sites;
}

std::string plainSiteLine(const SandboxSite& site, int httpPort) {
    const std::string server = "http://127.0.0.1:" + std::to_string(httpPort);
    std::array<std::string, 34> slots;
    slots.fill(kNotTaken);
    slots[0] = site.name;
    slots[1] = "x";
    slots[3] = site.method;
    Fields fields;
    if (site.method == "MAILTO") {
        slots[2] = "mailto:" + site.mailbox;
        fields = mailFields();
    } else {
        slots[2] = server + routeFor(site.behaviour).path;
        fields = site.method == "GET" ? getFields() : postFields();
    }
    for (const auto& [position, name] : fields) {
        slots[static_cast<std::size_t>(position)] = name;
    }
    slots[31] = server + kSitePath;
    if (site.hasSearch) {
        slots[32] = server + kSearchPath + "?q=";
    }
    std::string line;
    for (const std::string& slot : slots) {
        line += (line.empty() ? "" : "|") + slot;
    }
    if (!site.categories.empty()) {
        line += std::string("|[COMPLEX]|x|") + (site.method == "GET" ? "&category=" : "category");
        for (const std::string& category : site.categories) {
            line += "|" + category;
        }
        line += "|NULL";
    }
    return line;
}

}  // namespace farrow::sandbox
