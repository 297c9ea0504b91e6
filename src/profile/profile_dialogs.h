#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace farrow::profile {

// One entry of a file chooser's type list: "Farrowlane Profiles (*.fl2)" and "*.fl2".
struct FileFilter {
    std::string label;
    std::string pattern;
};

// What a file chooser is opened with. `filterText` is written as "label|pattern|label|pattern||";
// `defaultExtension` (without the dot) is what the program adds to a name typed without one.
struct FileChooserOptions {
    std::string filterText;
    std::string defaultExtension;

    std::vector<FileFilter> filters() const;
};

// Splits "label|pattern|label|pattern||" into its pairs; a label without a pattern is dropped.
std::vector<FileFilter> splitFilterText(std::string_view text);

// The file dialogs of "Save Profile" and "Load Profile". The desktop shows modal choosers with the
// read-only box hidden and no initial name; tests script the answers.
class ProfileDialogs {
public:
    virtual ~ProfileDialogs() = default;
    // The file to save to, or nullopt when the user cancels. The chooser itself neither adds the
    // extension nor asks about overwriting: the caller does both, in that order.
    virtual std::optional<std::string> chooseSaveFile(const FileChooserOptions& options) = 0;
    // An existing file to load, or nullopt when the user cancels.
    virtual std::optional<std::string> chooseOpenFile(const FileChooserOptions& options) = 0;
    // Asked before an existing file is overwritten; false keeps the file and saves nothing.
    virtual bool confirmOverwrite(const std::string& path) = 0;
};

// For loading and saving where nobody can be asked (direct mode, a written failure profile, the
// command line): every chooser is cancelled and nothing is overwritten.
class NoProfileDialogs final : public ProfileDialogs {
public:
    std::optional<std::string> chooseSaveFile(const FileChooserOptions&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseOpenFile(const FileChooserOptions&) override {
        return std::nullopt;
    }
    bool confirmOverwrite(const std::string&) override { return false; }
};

}  // namespace farrow::profile
