#include "app/user_settings.h"

#include <cerrno>
#include <cstdio>

#include "base/text.h"
#include "platform/file_system.h"
#include "platform/line_reader.h"

namespace farrow::app {

base::Error writeConfiguration(const UserSettings& s, const std::string& path) {
    std::string content;
    for (const std::string& line : {s.userFirstName, s.userMiddleName, s.userLastName, s.userEmail,
                                    s.browserChoice, std::string(), std::string("[ProgInfo]"),
                                    std::string(kReleaseDate), std::string(kProductVersion)}) {
        content += line + "\n";
    }
    if (!platform::writeWholeFile(path, content)) {
        return {base::ErrorCode::WriteFailed, platform::systemReason(errno)};
    }
    return {};
}

SettingsLoad loadUserSettings(base::Messenger& messenger, const std::string& path) {
    SettingsLoad load;
    if (!platform::fileExists(path)) {
        load.error = writeConfiguration(load.settings, path);
        return load;
    }
    load.fileExisted = true;
    platform::FilePtr file = platform::openFile(path, "rb");
    if (!file) {
        load.error = {base::ErrorCode::OpenFailed, platform::systemReason(errno)};
        messenger.showMessage("Could not open \"" + path + "\": " + load.error.reason,
                              base::MessageIcon::Exclamation);
        return load;
    }
    UserSettings& s = load.settings;
    std::string* slots[] = {&s.userFirstName, &s.userMiddleName, &s.userLastName, &s.userEmail,
                            &s.browserChoice};
    platform::LineReader reader(file.get());
    std::string line;
    for (std::string* slot : slots) {
        if (!reader.readLine(line)) {
            break;
        }
        *slot = line;
    }
    return load;
}

int browserIndexFor(std::string_view choice) {
    for (std::size_t i = 0; i < kBrowserChoices.size(); ++i) {
        if (base::startsWithIgnoringCase(kBrowserChoices[i], choice)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace farrow::app
