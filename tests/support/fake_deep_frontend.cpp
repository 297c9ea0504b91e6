#include "support/fake_deep_frontend.h"

#include <algorithm>

namespace farrow::test {

namespace {

class FakeRetrievalView final : public deep::RetrievalView {
public:
    explicit FakeRetrievalView(FakeDeepFrontend& owner) : owner_(owner) { owner_.viewOpen = true; }
    ~FakeRetrievalView() override { owner_.viewOpen = false; }
    void showText(const std::string& text) override {
        std::vector<std::string>& shown = owner_.shownTexts;
        if (std::find(shown.begin(), shown.end(), text) == shown.end()) {
            shown.push_back(text);
        }
    }

    bool stopRequested() const override {
        const std::string& wanted = owner_.stopWhenShown;
        return !wanted.empty() &&
               std::any_of(owner_.shownTexts.begin(), owner_.shownTexts.end(),
                           [&](const std::string& t) { return t.ends_with(wanted); });
    }

private:
    FakeDeepFrontend& owner_;
};

}  // namespace

std::unique_ptr<deep::RetrievalView> FakeDeepFrontend::openRetrievalView() {
    ++viewsOpened;
    return std::make_unique<FakeRetrievalView>(*this);
}

std::optional<std::vector<deep::PageEntry>> FakeDeepFrontend::choosePages(
    const std::vector<deep::ChecklistItem>& items) {
    checklistShown.emplace();
    std::vector<deep::PageEntry> kept;
    for (const deep::ChecklistItem& item : items) {
        checklistShown->push_back(item.text);
        if (std::find(removeUrls.begin(), removeUrls.end(), item.page.url) == removeUrls.end()) {
            kept.push_back(item.page);
        }
    }
    if (leaveWithEscape) {
        return std::nullopt;
    }
    return kept;
}

}  // namespace farrow::test
