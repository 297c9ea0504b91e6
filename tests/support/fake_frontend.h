#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/startup_frontend.h"

namespace farrow::test {

struct RecordedMessage {
    std::string text;
    base::MessageIcon icon;
};

// Records messages (from any thread) and answers the update question as scripted.
class FakeMessenger : public base::Messenger {
public:
    void showMessage(const std::string& text, base::MessageIcon icon) override {
        std::lock_guard lock(mutex_);
        messages_.push_back({text, icon});
    }
    std::vector<RecordedMessage> messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<std::string> texts() const;

private:
    mutable std::mutex mutex_;
    std::vector<RecordedMessage> messages_;
};

// Keeps what the initialisation window was shown, in order.
struct InitViewLog {
    std::vector<std::string> stages;
    std::vector<std::string> counts;
    bool shown = false;
    bool loadedShown = false;
};

class FakeStartupFrontend final : public app::StartupFrontend, public base::MessagePump {
public:
    explicit FakeStartupFrontend(bool checkNow = false) : checkNow_(checkNow) {}

    base::Messenger& messenger() override { return messenger_; }
    base::MessagePump& pump() override { return *this; }
    std::unique_ptr<base::InitView> createInitView() override;
    bool askCheckForUpdates() override {
        ++questionsAsked;
        return checkNow_;
    }
    void pumpMessages() override { ++pumps; }

    FakeMessenger& fakeMessenger() { return messenger_; }
    InitViewLog initLog;
    int questionsAsked = 0;
    int pumps = 0;
    bool failInitView = false;

private:
    bool checkNow_;
    FakeMessenger messenger_;
};

}  // namespace farrow::test
