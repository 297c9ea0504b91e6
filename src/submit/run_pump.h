#pragma once

#include "base/message_pump.h"
#include "base/timing.h"

namespace farrow::submit {

// The controller's waits. Every wait of a run on the window thread goes through here, so the
// windows repaint and answer the user throughout: the desktop runs its event loop for the given
// time, the command line may simply sleep, tests count the calls.
class RunPump : public base::MessagePump {
public:
    // Keeps dispatching events for `duration`, then returns. Never a plain sleep on a thread
    // that owns windows.
    virtual void pumpFor(base::Millis duration) = 0;
};

}  // namespace farrow::submit
