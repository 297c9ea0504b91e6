#pragma once

#include <optional>
#include <string>
#include <vector>

#include "optimizer/optimizer_dialogs.h"

namespace farrow::test {

// Answers the page optimizer's dialogs as scripted and records what they showed, in order.
class FakeOptimizerDialogs final : public optimizer::OptimizerDialogs {
public:
    bool confirmMirroring(const std::string& text) override {
        shown.push_back("warning");
        warningText = text;
        return confirmAnswer;
    }
    std::optional<std::string> choosePage(const profile::FileChooserOptions& options) override {
        shown.push_back("chooser");
        chooserOptions = options;
        return pageAnswer;
    }
    void showDone(const std::string& text) override {
        shown.push_back("done");
        doneText = text;
    }

    bool confirmAnswer = true;
    std::optional<std::string> pageAnswer;
    std::vector<std::string> shown;
    std::string warningText;
    std::string doneText;
    profile::FileChooserOptions chooserOptions;
};

}  // namespace farrow::test
