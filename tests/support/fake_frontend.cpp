#include "support/fake_frontend.h"

namespace farrow::test {

namespace {

class FakeInitView final : public base::InitView {
public:
    explicit FakeInitView(InitViewLog& log) : log_(log) {}
    void show() override { log_.shown = true; }
    void setStage(const std::string& text) override { log_.stages.push_back(text); }
    void showLoaded() override { log_.loadedShown = true; }
    void setLoadedCount(const std::string& text) override { log_.counts.push_back(text); }

private:
    InitViewLog& log_;
};

}  // namespace

std::vector<std::string> FakeMessenger::texts() const {
    std::vector<std::string> out;
    for (const auto& m : messages()) {
        out.push_back(m.text);
    }
    return out;
}

std::unique_ptr<base::InitView> FakeStartupFrontend::createInitView() {
    if (failInitView) {
        return nullptr;
    }
    return std::make_unique<FakeInitView>(initLog);
}

}  // namespace farrow::test
