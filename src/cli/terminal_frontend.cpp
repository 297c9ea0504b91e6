#include "cli/terminal_frontend.h"

namespace farrow::cli {

namespace {

class TerminalInitView final : public base::InitView {
public:
    TerminalInitView(std::ostream& out, bool showStages) : out_(out), showStages_(showStages) {}
    void show() override {}
    void setStage(const std::string& text) override {
        if (showStages_) {
            out_ << text << '\n' << std::flush;
        }
    }
    void showLoaded() override {}
    void setLoadedCount(const std::string&) override {}

private:
    std::ostream& out_;
    bool showStages_;
};

}  // namespace

std::unique_ptr<base::InitView> TerminalFrontend::createInitView() {
    return std::make_unique<TerminalInitView>(out_, showStages_);
}

void TerminalFrontend::showMessage(const std::string& text, base::MessageIcon icon) {
    std::lock_guard lock(mutex_);
    ++messageCount_;
    const char* kind = icon == base::MessageIcon::Information ? "" : "farrowctl: ";
    err_ << kind << text << '\n' << std::flush;
}

}  // namespace farrow::cli
