#pragma once

#include <memory>

#include "app/init_view.h"
#include "app/message_pump.h"
#include "app/messenger.h"

namespace farrow::app {

// Everything the start-up sequence asks of the front end.
class StartupFrontend {
public:
    virtual ~StartupFrontend() = default;
    virtual Messenger& messenger() = 0;
    virtual MessagePump& pump() = 0;
    // Creates the initialisation window, still hidden; nullptr when it could not be created.
    virtual std::unique_ptr<InitView> createInitView() = 0;
    // The update question: true for "Check Now", false for "Skip".
    virtual bool askCheckForUpdates() = 0;
    // Repaints the main window while the check thread reports stages.
    virtual void refreshMainWindow() {}
};

}  // namespace farrow::app
