#pragma once

#include <optional>
#include <string>
#include <vector>

#include "submit/build_frontend.h"
#include "support/fake_frontend.h"

namespace farrow::test {

struct ChooserCall {
    std::string caption;
    std::vector<std::string> lines;
};

// Records the build step's messages and captions, and answers the category chooser as scripted
// (nullopt: closed without a choice).
class FakeBuildFrontend final : public submit::BuildFrontend, public submit::CategoryChooser {
public:
    explicit FakeBuildFrontend(std::string caption = "Farrowlane 2 Sites Available")
        : caption_(std::move(caption)) {}

    base::Messenger& messenger() override { return messenger_; }
    submit::CategoryChooser& categoryChooser() override { return *this; }
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& text) override {
        caption_ = text;
        captions.push_back(text);
    }
    std::optional<std::string> chooseCategory(const std::string& caption,
                                              const std::vector<std::string>& lines) override {
        chooserCalls.push_back({caption, lines});
        return chooserAnswer;
    }

    FakeMessenger& fakeMessenger() { return messenger_; }
    std::vector<std::string> captions;
    std::optional<std::string> chooserAnswer;
    std::vector<ChooserCall> chooserCalls;

private:
    FakeMessenger messenger_;
    std::string caption_;
};

}  // namespace farrow::test
