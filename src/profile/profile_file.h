#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "base/messenger.h"
#include "profile/profile_dialogs.h"
#include "profile/submission_profile.h"
#include "sites/site_lists.h"
#include "sites/site_table.h"

namespace farrow::profile {

inline constexpr const char* kProfileHeader = "[Farrowlane Release Profile Storage]";
inline constexpr const char* kProfileFilterText =
    "Farrowlane Profiles (*.fl2)|*.fl2|All Files (*.*)|*.*||";
inline constexpr const char* kProfileExtension = "fl2";
inline constexpr const char* kProfileEnd = "DATAEND";
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
// A stored value is one line of at most 4095 bytes with its line feed.
inline constexpr std::size_t kMaxStoredValue = 4094;
// The longest file name the file system takes, and how many numbered names are tried.
inline constexpr std::size_t kMaxFileName = 255;
inline constexpr int kMaxNumberedNames = 9999;

// What the save and open choosers of profiles are opened with.
FileChooserOptions profileChooserOptions();

enum class FileOutcome {
    Done,
    // The user closed a chooser or declined to overwrite; nothing changed, nothing was shown.
    Cancelled,
    // The file to load does not exist; the user was told.
    Missing,
    // The file could not be created, written, opened or read; the user was told.
    Failed,
    // The file to load does not begin with the profile header; the user was told.
    NotAProfile,
};

struct FileResult {
    FileOutcome outcome = FileOutcome::Cancelled;
    // The file written or read (the chosen one on the interactive path).
    std::string path;
    // Why a file was Missing or Failed, with the system's reason.
    base::Error error;
};

// The sites a loaded profile selects among. Sites remember their chosen categories.
struct SiteSelection {
    sites::SiteTable& table;
    sites::SiteLists& lists;
    // Sites the profile names that are not available are reported.
    bool verbose = false;
};

// A value as it is stored: every line break (CR LF, CR or LF) becomes one space, since a profile
// line cannot hold one, and the text is cut to `kMaxStoredValue` characters.
std::string storedValue(const std::string& value);

// The whole profile file: header, the 31 text fields, the three switches, a line per entry plus
// a category line for entries that take one, and "DATAEND"; every line ends with CR LF.
std::string formatProfile(const SubmissionProfile& profile,
                          const std::vector<SelectedSite>& entries);

// Writes `profile` with `entries` as its site lines. The path "NULL" asks for the file through
// `dialogs` and reports success; any other path is written directly and silently. A file that
// cannot be written is reported either way.
FileResult saveProfile(const std::string& path, const SubmissionProfile& profile,
                       const std::vector<SelectedSite>& entries, ProfileDialogs& dialogs,
                       base::Messenger& messenger);

// `path` itself for 1, otherwise the name beside it with "-number" before its extension
// ("a-12090622.fl2" gives "a-12090622-2.fl2"), cut to fit the file system's name limit.
std::string numberedName(const std::string& path, int number);

// Writes `profile` with `entries` as its site lines to `path`, or, when a file of that name
// exists, to the first free `numberedName` beside it: never replaces a file, so runs that share
// a name keep each its own. Silent on success; a file that cannot be written is reported.
FileResult saveProfileBeside(const std::string& path, const SubmissionProfile& profile,
                             const std::vector<SelectedSite>& entries, base::Messenger& messenger);

// Reads the profile file `path` ("NULL": ask through `dialogs` and report success). A file whose
// first line is not `kProfileHeader` is refused with a message, as any other file would fill the
// fields with whatever its lines hold; a header behind a byte-order mark is refused naming the
// mark. On success
// the text fields and switches of `profile` are replaced, the selection of `siteSelection.lists`
// becomes the file's sites (with their remembered categories), and `profile.selectedSites` mirrors
// that selection. Otherwise nothing changes.
FileResult loadProfile(const std::string& path, const SiteSelection& siteSelection,
                       SubmissionProfile& profile, ProfileDialogs& dialogs,
                       base::Messenger& messenger);

// Makes `sitesToSelect` the selection, as loading a profile does: the selected sites go back to
// the available list first, then each named site that is available is selected (a site that
// wants a category gets its category remembered). An unavailable site is skipped, with a warning
// in verbose mode; an unknown one silently.
void applySelectedSites(const SiteSelection& siteSelection,
                        const std::vector<SelectedSite>& sitesToSelect, base::Messenger& messenger);

// The site lines a profile saves for the selected-sites list: one per entry that names a known
// site, in list order, with that site's category flag and remembered category.
std::vector<SelectedSite> selectedSiteEntries(const sites::SiteTable& table,
                                              const sites::SortedList& selected);

}  // namespace farrow::profile
