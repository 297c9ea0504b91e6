#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "deep/deep_frontend.h"
#include "support/fake_frontend.h"

namespace farrow::test {

// Records what the retrieval window showed and answers the checklist as scripted.
class FakeDeepFrontend final : public deep::DeepFrontend, public base::MessagePump {
public:
    base::Messenger& messenger() override { return messenger_; }
    base::MessagePump& pump() override { return *this; }
    std::unique_ptr<deep::RetrievalView> openRetrievalView() override;
    std::optional<std::vector<deep::PageEntry>> choosePages(
        const std::vector<deep::ChecklistItem>& items) override;
    void pumpMessages() override { ++pumps; }

    FakeMessenger& fakeMessenger() { return messenger_; }

    // The texts shown, each once in the order first shown.
    std::vector<std::string> shownTexts;
    bool viewOpen = false;
    int viewsOpened = 0;
    int pumps = 0;
    // The lines the checklist was shown with; the answer keeps the pages of lines not removed.
    std::optional<std::vector<std::string>> checklistShown;
    bool leaveWithEscape = false;
    // Once a text ending with this has been shown, the retrieval window asks to stop the crawl.
    std::string stopWhenShown;
    std::vector<std::string> removeUrls;

private:
    FakeMessenger messenger_;
};

}  // namespace farrow::test
