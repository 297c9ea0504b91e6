#include "profile/profile_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string_view>
#include <type_traits>

#include "platform/file_system.h"
#include "sites/selection_model.h"

namespace farrow::profile {

namespace {

// The 31 text fields in the order of lines 2 to 32.
template <typename Profile, typename Text = std::conditional_t<std::is_const_v<Profile>,
                                                               const std::string, std::string>>
std::array<Text*, 31> textFields(Profile& p) {
    std::array<Text*, 31> f = {
        &p.url,   &p.title,      &p.description, &p.lastName, &p.firstName,
        &p.email, &p.company,    &p.street1,     &p.street2,  &p.city,
        &p.state, &p.postalCode, &p.province,    &p.phone,    &p.fax,
    };
    for (std::size_t k = 0; k < kKeywordCount; ++k) {
        f[15 + k] = &p.keywords[k];
    }
    return f;
}

// Lines of a profile file: a line ends at a line feed, and one carriage return before it is
// dropped; a last line without a break still counts.
class LineCursor final {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}

    // False at the end of the text; `line` is then empty, as a missing value reads.
    bool next(std::string& line) {
        line.clear();
        if (text_.empty()) {
            return false;
        }
        std::size_t end = text_.find('\n');
        std::string_view l = text_.substr(0, end);
        text_.remove_prefix(end == std::string_view::npos ? text_.size() : end + 1);
        if (end != std::string_view::npos && !l.empty() && l.back() == '\r') {
            l.remove_suffix(1);
        }
        line.assign(l);
        return true;
    }

private:
    std::string_view text_;
};

// A dot that starts the file name (".fl2") is part of the name, not an extension.
bool hasExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    return dot != std::string::npos && dot > nameStart;
}

bool readWhole(const std::string& path, std::string& content, int& error) {
    platform::FilePtr file = platform::openFile(path, "rb");
    if (!file) {
        error = errno;
        return false;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        content.append(buffer, n);
    }
    if (std::ferror(file.get()) != 0) {
        error = EIO;
        return false;
    }
    return true;
}

FileResult failedWrite(FileResult result, int error, base::Messenger& messenger) {
    result.error = {base::ErrorCode::WriteFailed, platform::systemReason(error)};
    messenger.showMessage(
        "Could not write the profile \"" + result.path + "\": " + result.error.reason,
        base::MessageIcon::Exclamation);
    result.outcome = FileOutcome::Failed;
    return result;
}

}  // namespace

FileChooserOptions profileChooserOptions() {
    return {kProfileFilterText, kProfileExtension};
}

std::string storedValue(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size() && out.size() < kMaxStoredValue; ++i) {
        const char c = value[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
                ++i;
            }
            out.push_back(' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string formatProfile(const SubmissionProfile& profile,
                          const std::vector<SelectedSite>& entries) {
    std::string out;
    auto line = [&out](const std::string& value) { out += storedValue(value) + "\r\n"; };
    line(kProfileHeader);
    for (const std::string* field : textFields(profile)) {
        line(*field);
    }
    line(profile.adult ? "ADULT" : "SAFE");
    line(profile.smartMatch ? "SMART" : "SAFE");
    line(profile.deep ? "DEEP" : "SHALLOW");
    for (const SelectedSite& entry : entries) {
        line(entry.siteName);
        if (entry.takesCategory) {
            line(entry.category);
        }
    }
    line(kProfileEnd);
    return out;
}

FileResult saveProfile(const std::string& path, const SubmissionProfile& profile,
                       const std::vector<SelectedSite>& entries, ProfileDialogs& dialogs,
                       base::Messenger& messenger) {
    FileResult result;
    const bool interactive = path == "NULL";
    result.path = path;
    if (interactive) {
        const FileChooserOptions options = profileChooserOptions();
        std::optional<std::string> chosen = dialogs.chooseSaveFile(options);
        if (!chosen || chosen->empty()) {
            return result;
        }
        result.path = *chosen;
        if (!hasExtension(result.path)) {
            result.path += "." + options.defaultExtension;
        }
        if (platform::fileExists(result.path) && !dialogs.confirmOverwrite(result.path)) {
            return result;
        }
    }
    if (!platform::writeWholeFile(result.path, formatProfile(profile, entries))) {
        return failedWrite(std::move(result), errno, messenger);
    }
    if (interactive) {
        messenger.showMessage("File " + result.path + " opened and written successfully!",
                              base::MessageIcon::Information);
    }
    result.outcome = FileOutcome::Done;
    return result;
}

std::string numberedName(const std::string& path, int number) {
    if (number <= 1) {
        return path;
    }
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot <= nameStart) {
        dot = path.size();
    }
    const std::string suffix = "-" + std::to_string(number);
    std::string stem = path.substr(0, dot);
    const std::string extension = path.substr(dot);
    // A name at the file system's limit gives up the end of its stem to the number.
    const std::size_t length = path.size() - nameStart + suffix.size();
    if (length > kMaxFileName) {
        const std::size_t over = length - kMaxFileName;
        stem.resize(stem.size() - std::min(over, stem.size() - nameStart));
    }
    return stem + suffix + extension;
}

FileResult saveProfileBeside(const std::string& path, const SubmissionProfile& profile,
                             const std::vector<SelectedSite>& entries, base::Messenger& messenger) {
    const std::string content = formatProfile(profile, entries);
    FileResult result;
    for (int number = 1; number <= kMaxNumberedNames; ++number) {
        result.path = numberedName(path, number);
        if (platform::createWholeFile(result.path, content)) {
            result.outcome = FileOutcome::Done;
            return result;
        }
        if (errno != EEXIST) {
            return failedWrite(std::move(result), errno, messenger);
        }
    }
    return failedWrite(std::move(result), EEXIST, messenger);
}

FileResult loadProfile(const std::string& path, const SiteSelection& siteSelection,
                       SubmissionProfile& profile, ProfileDialogs& dialogs,
                       base::Messenger& messenger) {
    FileResult result;
    result.path = path;
    const bool interactive = result.path == "NULL";
    if (interactive) {
        std::optional<std::string> chosen = dialogs.chooseOpenFile(profileChooserOptions());
        if (!chosen || chosen->empty()) {
            return result;
        }
        result.path = *chosen;
    }
    if (!platform::fileExists(result.path)) {
        messenger.showMessage(" The File " + result.path + " could not be opened",
                              base::MessageIcon::None);
        result.outcome = FileOutcome::Missing;
        result.error = {base::ErrorCode::NotFound, platform::systemReason(ENOENT)};
        return result;
    }
    std::string content;
    int error = 0;
    if (!readWhole(result.path, content, error)) {
        result.error = {base::ErrorCode::ReadFailed, platform::systemReason(error)};
        messenger.showMessage(
            "Could not read the profile \"" + result.path + "\": " + result.error.reason,
            base::MessageIcon::Exclamation);
        result.outcome = FileOutcome::Failed;
        return result;
    }

    LineCursor lines(content);
    std::string line;
    lines.next(line);
    if (line != kProfileHeader) {
        // An editor that saves as UTF-8 may put the mark before the header; saying so tells
        // the user what to change, where "not a profile" would not.
        result.error = {base::ErrorCode::WrongFormat,
                        line.starts_with(kUtf8ByteOrderMark)
                            ? "its first line begins with a UTF-8 byte-order mark (the bytes EF "
                              "BB BF); save it again without the mark"
                            : "its first line is not " + std::string(kProfileHeader)};
        messenger.showMessage(
            "The File " + result.path + " is not a profile: " + result.error.reason,
            base::MessageIcon::Exclamation);
        result.outcome = FileOutcome::NotAProfile;
        return result;
    }
    for (std::string* field : textFields(profile)) {
        lines.next(line);
        *field = line;
    }
    lines.next(line);
    profile.adult = line != "SAFE";
    lines.next(line);
    profile.smartMatch = line != "SAFE";
    lines.next(line);
    profile.deep = line == "DEEP";

    // A category line follows the site line of every site that wants a category.
    std::vector<SelectedSite> fileSites;
    while (lines.next(line) && line != kProfileEnd) {
        const sites::SiteRecord* record = siteSelection.table.find(line);
        if (!record) {
            continue;
        }
        SelectedSite site{line, record->isComplex == 1, std::string()};
        if (site.takesCategory) {
            lines.next(site.category);
        }
        fileSites.push_back(std::move(site));
    }
    applySelectedSites(siteSelection, fileSites, messenger);

    profile.selectedSites = selectedSiteEntries(siteSelection.table, siteSelection.lists.selected);
    if (interactive) {
        messenger.showMessage("File " + result.path + " opened and read successfully!",
                              base::MessageIcon::Information);
    }
    result.outcome = FileOutcome::Done;
    return result;
}

void applySelectedSites(const SiteSelection& siteSelection,
                        const std::vector<SelectedSite>& sitesToSelect,
                        base::Messenger& messenger) {
    sites::SelectionModel selection(siteSelection.table, siteSelection.lists, messenger);
    if (!siteSelection.lists.selected.empty()) {
        selection.removeAll();
    }
    for (const SelectedSite& site : sitesToSelect) {
        if (selection.selectByName(site.siteName, site.category) ==
                sites::SelectionModel::NameSelection::NotAvailable &&
            siteSelection.verbose) {
            messenger.showMessage("Site " + site.siteName + " Not VALID!",
                                  base::MessageIcon::Exclamation);
        }
    }
}

std::vector<SelectedSite> selectedSiteEntries(const sites::SiteTable& table,
                                              const sites::SortedList& selected) {
    std::vector<SelectedSite> entries;
    for (const std::string& name : selected.entries()) {
        if (const sites::SiteRecord* record = table.find(name)) {
            entries.push_back({name, record->isComplex == 1, record->chosenCategory});
        }
    }
    return entries;
}

}  // namespace farrow::profile
