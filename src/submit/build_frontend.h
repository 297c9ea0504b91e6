#pragma once

#include <string>

#include "base/messenger.h"
#include "submit/category_chooser.h"

namespace farrow::submit {

// Everything the build step asks of the main window: its messages, the category chooser, and its
// caption, which shows the progress while requests are built.
class BuildFrontend {
public:
    virtual ~BuildFrontend() = default;
    virtual base::Messenger& messenger() = 0;
    virtual CategoryChooser& categoryChooser() = 0;
    virtual std::string caption() const = 0;
    // Called once per selected site while the build blocks the window thread, so the window
    // should repaint its caption at once.
    virtual void setCaption(const std::string& text) = 0;
};

}  // namespace farrow::submit
