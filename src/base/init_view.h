#pragma once

#include <string>

namespace farrow::base {

// The small initialisation window that shows the start-up stages and the count of sites read.
class InitView {
public:
    virtual ~InitView() = default;
    // Centres the window, hides the "Loaded" label and count field, and shows it.
    virtual void show() = 0;
    // Shows the stage text in the stage field and the window's caption.
    virtual void setStage(const std::string& text) = 0;
    // Makes the "Loaded" label and the count field visible.
    virtual void showLoaded() = 0;
    virtual void setLoadedCount(const std::string& text) = 0;
};

}  // namespace farrow::base
