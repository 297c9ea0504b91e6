#include "submit/request_builder.h"

#include <thread>

#include "base/text.h"
#include "keywords/smart_match_table.h"
#include "logs/site_record_dump.h"
#include "platform/file_system.h"
#include "profile/profile_check.h"
#include "sites/sorted_list.h"

namespace farrow::submit {

namespace {

using sites::SiteRecord;

enum class Method { Get, Post, Mail, Other };

Method methodOf(const std::string& text) {
    if (text == "GET") {
        return Method::Get;
    }
    if (text == "POST") {
        return Method::Post;
    }
    if (text == "MAILTO") {
        return Method::Mail;
    }
    return Method::Other;
}

// Hard line breaks of the description travel as CR LF, however the window hands them over.
std::string withCrLf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            out += "\r\n";
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// The profile value a form-field position carries.
std::string profileValue(const profile::SubmissionProfile& p, std::size_t pos) {
    using namespace sites;
    if (pos >= kFirstKeywordField && pos < kFirstKeywordField + 12) {
        return p.keywords[pos - kFirstKeywordField];
    }
    switch (pos) {
        case kDescriptionField:
            return withCrLf(p.description);
        case kTitleField:
            return p.title;
        case kUrlField:
            return p.url;
        case kEmailField:
            return p.email;
        case kCompanyField:
            return p.company;
        case kFirstNameField:
            return p.firstName;
        case kLastNameField:
            return p.lastName;
        case kCityField:
            return p.city;
        case kStateField:
            return p.state;
        case kProvinceField:
            return p.province;
        case kPostalCodeField:
            return p.postalCode;
        case kPhoneField:
        case kPhone2Field:
            return p.phone;
        case kFaxField:
            return p.fax;
        default:
            return {};
    }
}

// The query (appended to the target address) and the body as they grow.
struct Accumulators {
    Method method;
    std::string& query;
    std::string body;

    // One field: the GET item carries its own "?", "&" and "=".
    void addField(const std::string& item, const std::string& value) {
        switch (method) {
            case Method::Get:
                query += item + value;
                break;
            case Method::Post:
                body += "&" + item + "=" + value;
                break;
            case Method::Mail:
                body += item + "=" + value + "\r\n";
                break;
            case Method::Other:
                break;
        }
    }
};

// The keyword item "name?:..." names its field by the text before the colon less its last
// character; the value is every non-empty keyword followed by "+", as entered.
void addJoinedKeywords(const profile::SubmissionProfile& p, const std::string& item,
                       Accumulators& acc) {
    std::string name = item.substr(0, item.find(':'));
    if (!name.empty()) {
        name.pop_back();
    }
    std::string list;
    for (const std::string& keyword : p.keywords) {
        if (!keyword.empty()) {
            list += keyword + "+";
        }
    }
    switch (acc.method) {
        case Method::Get:
            acc.query += "?" + name + "=" + list;
            break;
        case Method::Post:
            acc.body += name + "=" + list + "&";
            break;
        case Method::Mail:
            acc.body += name + "=" + list + "\r\n";
            break;
        case Method::Other:
            break;
    }
}

void addStreetAddress(const profile::SubmissionProfile& p, const std::string& item,
                      Accumulators& acc) {
    const std::string line1 = base::toFormValue(p.street1);
    const std::string line2 = p.street2.empty() ? "" : base::toFormValue(p.street2);
    if (acc.method == Method::Get) {
        acc.query += item + line1;
        if (!p.street2.empty()) {
            acc.query += ", " + line2;
        }
    } else if (acc.method == Method::Post) {
        acc.body += "&" + item + "=" + line1;
        if (!p.street2.empty()) {
            acc.body += "+" + line2;
        }
    }
}

struct Scan {
    bool found = false;
    bool endMarker = false;
};

// Every category value containing `keyword` becomes the category; the last one wins.
Scan scanCategories(const SiteRecord& site, const std::string& keyword, std::string& category) {
    Scan scan;
    for (std::size_t slot = sites::kFirstCategorySlot; slot < sites::kCategorySlots; ++slot) {
        const std::string& value = site.categorySlot(slot);
        if (value == "NULL") {
            scan.endMarker = true;
            return scan;
        }
        if (base::contains(value, keyword)) {
            category = value;
            scan.found = true;
        }
    }
    return scan;
}

// Chooses the category of a site that takes one. False when the site's category list has no
// end marker, which ends this site's build.
bool chooseCategory(const BuildParams& params, SiteRecord& site, CategoryChooser& chooser,
                    std::string& category) {
    const profile::SubmissionProfile& p = params.profile;
    if (site.categorySlot(sites::kFirstCategorySlot) == "NULL") {
        category = p.keywords[0];
        return true;
    }
    if (site.chosenCategory != "NULL") {
        category = site.chosenCategory;
        return true;
    }
    // Whatever the SMART MATCH box says: it is only stored with the profile.
    for (const std::string& keyword : p.keywords) {
        if (keyword.empty()) {
            continue;
        }
        const Scan scan = scanCategories(site, keyword, category);
        // A hit is remembered even when the list has no end marker, so later builds of this
        // site in the same run take it instead of failing again.
        if (scan.found) {
            site.chosenCategory = category;
        }
        if (!scan.endMarker) {
            return false;
        }
        if (scan.found) {
            return true;
        }
        std::string matched = keywords::smartMatchCategory(params.smartMatchTable, keyword, site);
        if (matched != keyword) {
            category = site.chosenCategory = matched;
            return true;
        }
    }
    std::optional<std::string> chosen = chooser.chooseCategory(
        "Couldn't Find Match for " + site.name(), categoryChooserLines(site));
    // Without a choice the site stays unchosen ("NULL"), so the next build asks again and a
    // saved profile does not carry an empty category into later runs.
    if (chosen) {
        category = site.chosenCategory = *chosen;
    }
    return true;
}

}  // namespace

std::vector<std::string> categoryChooserLines(const SiteRecord& site) {
    sites::SortedList lines;
    for (std::size_t slot = sites::kFirstCategorySlot; slot < sites::kCategorySlots; ++slot) {
        const std::string& value = site.categorySlot(slot);
        if (value == "NULL") {
            break;
        }
        bool offered = value.empty();
        for (const std::string& line : lines.entries()) {
            offered = offered || line.compare(0, value.size(), value) == 0;
        }
        if (!offered) {
            lines.add(value);
        }
    }
    return lines.entries();
}

std::string siteErrorFilePath(const std::string& tempDir) {
    return platform::joinPath(tempDir.empty() ? std::string("/tmp") : tempDir, kSiteErrorFile);
}

void buildSiteRequest(const BuildParams& params, SiteRecord& site, SiteRequest& request,
                      CategoryChooser& chooser) {
    using namespace sites;
    const profile::SubmissionProfile& profile = params.profile;
    const auto& f = site.fields;
    request.targetUrl = f[kSubmitUrl];
    Accumulators acc{methodOf(request.method), request.targetUrl, {}};

    std::size_t start = kFirstKeywordField;
    if (base::contains(f[kFirstKeywordField], ":")) {
        addJoinedKeywords(profile, f[kFirstKeywordField], acc);
        start = kDescriptionField;
    }
    // Identical names for first and last name ask for both in one field.
    const bool mergedName = f[kFirstNameField] == f[kLastNameField];
    for (std::size_t pos = start; pos <= kPhone2Field; ++pos) {
        const std::string& item = f[pos];
        if (item == " ") {
            continue;
        }
        if (pos == kStreetField) {
            addStreetAddress(profile, item, acc);
        } else if (pos == kFirstNameField && mergedName) {
            acc.addField(item, base::toFormValue(profile.firstName + "+" + profile.lastName));
        } else if (pos != kLastNameField || !mergedName) {
            acc.addField(item, base::toFormValue(profileValue(profile, pos)));
        }
    }

    request.takesCategory = site.isComplex == 1 ? 1 : 0;
    // A site with an unknown method is sent nothing, so nobody is asked for its category.
    if (request.takesCategory == 1 && acc.method != Method::Other) {
        std::string category;
        if (!chooseCategory(params, site, chooser, category)) {
            if (params.verbose) {
                platform::appendTextToFile(params.siteErrorFile, site.name() + "\n");
            }
            return;
        }
        request.category = base::toFormValue(category);
        if (acc.method == Method::Post) {
            acc.body += "&" + site.categorySlot(kCategoryFieldSlot) + "=" + request.category;
        } else {
            acc.addField(site.categorySlot(kCategoryFieldSlot), request.category);
        }
    }

    acc.body += "&http_referer=" + f[kReferer];

    switch (acc.method) {
        case Method::Post:
            if (!f[kExtraParams].empty()) {
                acc.body += f[kExtraParams];
            }
            request.payload =
                base::format("?content-length=%d", static_cast<int>(acc.body.size())) + acc.body;
            request.targetUrl = f[kSubmitUrl];
            break;
        case Method::Get:
            if (!f[kExtraParams].empty()) {
                request.targetUrl += f[kExtraParams];
            }
            request.payload.assign(1, ' ');
            break;
        case Method::Mail: {
            const std::string& address = f[kSubmitUrl];
            const std::size_t colon = address.find(':');
            request.targetUrl =
                "SMTP:" + (colon == std::string::npos ? address : address.substr(colon));
            request.payload = acc.body;
            break;
        }
        case Method::Other:
            break;
    }

    if (params.siteLog) {
        platform::appendTextToFile(platform::joinPath(params.logsDir, logs::kSiteLogFile),
                                   request.siteName + " " + request.payload + "\n");
    }
}

BuildResult buildRequestList(const BuildParams& params, BuildFrontend& frontend,
                             const platform::ConnectionTest& connectionTest) {
    BuildResult result;
    if (!profile::checkProfile(params.profile, params.selected.size(), frontend.messenger())
             .empty()) {
        return result;
    }
    const std::string saved = frontend.caption();
    frontend.setCaption(base::format("%s Processed: 000", saved.c_str()));
    if (!connectionTest()) {
        // The caption keeps its suffix, as it was when the test failed.
        frontend.messenger().showMessage(
            "Could Not establish Internet Connection. Please check your settings.",
            base::MessageIcon::Stop);
        return result;
    }
    // The chooser is modal, but the selection is copied so that nothing it does can move it.
    const std::vector<std::string> entries = params.selected.entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        for (SiteRecord& record : params.siteTable) {
            if (record.name() != entries[i]) {
                continue;
            }
            SiteRequest request;
            request.siteName = entries[i];
            request.method = record.fields[sites::kMethod];
            buildSiteRequest(params, record, request, frontend.categoryChooser());
            request.referer = record.fields[sites::kReferer];
            result.requests.push_back(std::move(request));
            std::this_thread::sleep_for(params.timing.buildYield);
        }
        frontend.setCaption(base::format("%s Processed: %3d", saved.c_str(), static_cast<int>(i)));
    }
    frontend.setCaption(saved);
    result.selectedCount = static_cast<int>(entries.size());
    return result;
}

}  // namespace farrow::submit
