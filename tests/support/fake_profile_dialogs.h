#pragma once

#include <optional>
#include <string>
#include <vector>

#include "profile/profile_dialogs.h"

namespace farrow::test {

// Answers the profile choosers as scripted and records what they were asked.
class FakeProfileDialogs final : public profile::ProfileDialogs {
public:
    std::optional<std::string> chooseSaveFile(const profile::FileChooserOptions& options) override {
        chooserOptions.push_back(options);
        return saveAnswer;
    }
    std::optional<std::string> chooseOpenFile(const profile::FileChooserOptions& options) override {
        chooserOptions.push_back(options);
        return openAnswer;
    }
    bool confirmOverwrite(const std::string& path) override {
        overwriteQuestions.push_back(path);
        return overwriteAnswer;
    }

    std::optional<std::string> saveAnswer;
    std::optional<std::string> openAnswer;
    bool overwriteAnswer = true;
    std::vector<profile::FileChooserOptions> chooserOptions;
    std::vector<std::string> overwriteQuestions;
};

}  // namespace farrow::test
