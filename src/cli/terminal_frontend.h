#pragma once

#include <mutex>
#include <ostream>

#include "app/startup_frontend.h"

namespace farrow::cli {

// The start-up dialogs on a terminal: stages go to `out`, messages to `err`, and the update
// question has a fixed answer.
class TerminalFrontend final : public app::StartupFrontend,
                               public base::Messenger,
                               public base::MessagePump {
public:
    TerminalFrontend(std::ostream& out, std::ostream& err, bool checkForUpdates, bool showStages)
        : out_(out), err_(err), checkForUpdates_(checkForUpdates), showStages_(showStages) {}

    base::Messenger& messenger() override { return *this; }
    base::MessagePump& pump() override { return *this; }
    std::unique_ptr<base::InitView> createInitView() override;
    bool askCheckForUpdates() override { return checkForUpdates_; }

    // Messages may come from the download thread.
    void showMessage(const std::string& text, base::MessageIcon icon) override;
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
