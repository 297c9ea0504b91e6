#pragma once

#include <array>
#include <string>
#include <string_view>

#include "base/error.h"
#include "base/messenger.h"
#include "base/version.h"

namespace farrow::app {

inline constexpr const char* kSettingsFile = "farrow.cfg";
inline constexpr const char* kProductVersion = base::kVersion;
inline constexpr const char* kReleaseDate = "July 19, 1998";
inline constexpr std::array<const char*, 2> kBrowserChoices = {"Internet Explorer",
                                                               "Netscape Navigator"};

// The user's own data from "farrow.cfg". A first run writes these defaults.
struct UserSettings {
    std::string userFirstName = "Your";
    std::string userMiddleName = "";
    std::string userLastName = "Name";
    std::string userEmail = "you@example.com";
    std::string browserChoice = "Internet Explorer";
};

// Writes the settings file's nine lines, replacing the file only once all of them are written.
// Returns why the file could not be written (WriteFailed with the system's reason), shown to
// nobody.
base::Error writeConfiguration(const UserSettings& settings, const std::string& path);

struct SettingsLoad {
    UserSettings settings;
    bool fileExisted = false;
    // OpenFailed when the file is there but cannot be read; WriteFailed when the defaults of a
    // first run could not be written.
    base::Error error;
};

// Reads the first five lines of the settings file. A missing file is written from the defaults;
// one that cannot be opened is reported and leaves the defaults in force.
SettingsLoad loadUserSettings(base::Messenger& messenger, const std::string& path);

// The index of the first browser entry that begins with `choice`, ignoring case; -1 for none.
int browserIndexFor(std::string_view choice);

}  // namespace farrow::app
