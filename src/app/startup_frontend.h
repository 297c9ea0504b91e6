#pragma once

#include <memory>

#include "base/init_view.h"
#include "base/message_pump.h"
#include "base/messenger.h"

namespace farrow::app {

// Everything the start-up sequence asks of the front end.
class StartupFrontend {
public:
    virtual ~StartupFrontend() = default;
    virtual base::Messenger& messenger() = 0;
    virtual base::MessagePump& pump() = 0;
    // Creates the initialisation window, still hidden; nullptr when it could not be created.
    virtual std::unique_ptr<base::InitView> createInitView() = 0;
    // The update question: true for "Check Now", false for "Skip".
    virtual bool askCheckForUpdates() = 0;
    // Repaints the main window while the check thread reports stages.
    virtual void refreshMainWindow() {}
};

}  // namespace farrow::app
