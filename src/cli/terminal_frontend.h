#pragma once

#include <mutex>
#include <ostream>

#include "app/startup_frontend.h"

namespace farrow::cli {

// The start-up dialogs on a terminal: stages go to `out`, messages to `err`, and the update
// question has a fixed answer.
class TerminalFrontend final : public app::StartupFrontend,
                               public app::Messenger,
                               public app::MessagePump {
public:
    TerminalFrontend(std::ostream& out, std::ostream& err, bool checkForUpdates, bool showStages)
        : out_(out), err_(err), checkForUpdates_(checkForUpdates), showStages_(showStages) {}

    app::Messenger& messenger() override { return *this; }
    app::MessagePump& pump() override { return *this; }
    std::unique_ptr<app::InitView> createInitView() override;
    bool askCheckForUpdates() override { return checkForUpdates_; }

    // Messages may come from the download thread.
    void showMessage(const std::string& text, app::MessageIcon icon) override;
    void pumpMessages() override {}

    int messageCount() const { return messageCount_; }

private:
    std::ostream& out_;
    std::ostream& err_;
    bool checkForUpdates_;
    bool showStages_;
    std::mutex mutex_;
    int messageCount_ = 0;
};

}  // namespace farrow::cli
