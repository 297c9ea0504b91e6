#include "sandbox/workspace_writer.h"

#include <fstream>
#include <system_error>
#include <vector>

#include "app/branding.h"
#include "app/user_settings.h"
#include "indexnow/indexnow_key.h"
#include "profile/profile_file.h"
#include "profile/submission_profile.h"
#include "sandbox/audit_site.h"
#include "sandbox/demo_key.h"
#include "sandbox/demo_site.h"
#include "sandbox/sandbox_sites.h"
#include "sandbox/target_behaviour.h"
#include "sites/site_line_codec.h"

namespace farrow::sandbox {

namespace {

bool writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out.flush());
}

std::string crlfLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line + "\r\n";
    }
    return out;
}

std::string sitesFile(int httpPort) {
    // The reader skips lines of 50 characters or fewer, so the heading line is never a site.
    std::vector<std::string> lines = {
        sites::encodeSiteLine("Farrowlane sandbox sites - all on 127.0.0.1")};
    for (const SandboxSite& site : sandboxSites()) {
        lines.push_back(sites::encodeSiteLine(plainSiteLine(site, httpPort)));
    }
    return crlfLines(lines);
}

std::string brandingFile(int mailPort) {
    base::Branding b;
    b.productName = "Farrowlane";
    b.vendorLine = "Rehearsal sandbox";
    b.vendorName = "Farrowlane Software";
    b.salesContact = "sales@farrowlane.example";
    b.infoContact = "info@farrowlane.example";
    b.mailSetting = "127.0.0.1:" + std::to_string(mailPort);
    b.vendorHeading = "Sandbox Submission Report";
    b.vendorHeading2 = "(every target on 127.0.0.1)";
    b.supportMail = "support@farrowlane.example";
    return crlfLines({b.productName, b.vendorLine, b.vendorName, b.salesContact, b.infoContact,
                      b.mailSetting, b.vendorGraphic, b.vendorHeading, b.vendorHeading2,
                      b.supportMail});
}

profile::SubmissionProfile demoProfile(int httpPort) {
    profile::SubmissionProfile p;
    p.url = "http://127.0.0.1:" + std::to_string(httpPort) + kSiteStartPage;
    p.title = kDemoSiteTitle;
    p.description =
        "A family bakery on the quay: sourdough, rye, cakes and pastries, baked "
        "fresh every morning.";
    p.firstName = "Morwen";
    p.lastName = "Tallis";
    p.email = "morwen@harbourlights.example";
    p.company = "Harbour Lights Bakery";
    p.street1 = "12 Quay Street";
    p.city = "Portwenna";
    p.state = "Westshire";
    p.postalCode = "PW1 2QS";
    p.phone = "555-0142";
    p.fax = "555-0143";
    const std::vector<std::string> keywords = {"bakery",   "bread", "sourdough", "cakes",
                                               "pastries", "rye",   "quay",      "Portwenna"};
    for (std::size_t i = 0; i < keywords.size(); ++i) {
        p.keywords[i] = keywords[i];
    }
    return p;
}

profile::SubmissionProfile auditProfile(int httpsPort) {
    profile::SubmissionProfile p;
    p.url = "https://127.0.0.1:" + std::to_string(httpsPort) + kAuditStartPage;
    p.title = kAuditSiteTitle;
    p.description = "Ropes, sails, charts and lanterns for the boats of Portwenna harbour.";
    p.firstName = "Jory";
    p.lastName = "Pascoe";
    p.email = "jory@quaysidechandlery.example";
    p.company = "Quayside Chandlery";
    p.street1 = "3 Harbour Walk";
    p.city = "Portwenna";
    p.state = "Westshire";
    p.postalCode = "PW1 4HW";
    p.phone = "555-0177";
    const std::vector<std::string> keywords = {"chandlery", "rope",   "sails",
                                               "charts",    "marine", "Portwenna"};
    for (std::size_t i = 0; i < keywords.size(); ++i) {
        p.keywords[i] = keywords[i];
    }
    return p;
}

std::vector<profile::SelectedSite> demoSelection() {
    std::vector<profile::SelectedSite> entries;
    for (const SandboxSite& site : sandboxSites()) {
        entries.push_back({site.name, !site.categories.empty(), site.chosenCategory});
    }
    return entries;
}

}  // namespace

WrittenWorkspace writeWorkspace(const WorkspacePlan& plan) {
    WrittenWorkspace w;
    std::error_code ec;
    std::filesystem::create_directories(plan.folder, ec);
    if (ec) {
        w.error = "cannot create " + plan.folder.string() + ": " + ec.message();
        return w;
    }
    w.sitesFile = plan.folder / "sites.enc";
    w.brandingFile = plan.folder / app::kBrandingFile;
    w.settingsFile = plan.folder / app::kSettingsFile;
    w.profileFile = plan.folder / kDemoProfileName;
    w.auditProfileFile = plan.folder / kAuditProfileName;
    const base::Workspace workspace(plan.folder.string());
    w.keyFile = indexnow::keyStorePath(workspace);
    w.publishedKeyFile = indexnow::publishedKeyPath(workspace, kDemoKey);

    std::vector<std::pair<std::filesystem::path, std::string>> files = {
        {w.sitesFile, sitesFile(plan.httpPort)},
        {w.brandingFile, brandingFile(plan.mailPort)},
        {w.profileFile, profile::formatProfile(demoProfile(plan.httpPort), demoSelection())},
        {w.auditProfileFile, profile::formatProfile(auditProfile(plan.httpsPort), demoSelection())},
    };
    if (!plan.authorityPem.empty()) {
        w.authorityFile = plan.folder / kAuthorityFileName;
        files.emplace_back(w.authorityFile, plan.authorityPem);
    }
    for (const auto& [path, bytes] : files) {
        if (!writeFile(path, bytes)) {
            w.error = "cannot write " + path.string();
            return w;
        }
    }
    if (const base::Error e = indexnow::saveKey(workspace, kDemoKey)) {
        w.error = "cannot save the demo key: " + e.reason;
        return w;
    }
    app::UserSettings user;
    user.userFirstName = "Morwen";
    user.userLastName = "Tallis";
    user.userEmail = "morwen@harbourlights.example";
    app::writeConfiguration(user, w.settingsFile.string());
    if (!std::filesystem::exists(w.settingsFile)) {
        w.error = "cannot write " + w.settingsFile.string();
        return w;
    }
    w.ok = true;
    return w;
}

}  // namespace farrow::sandbox
