#pragma once

namespace farrow::base {

// Long operations on the window thread call this while they wait, so the windows stay alive.
class MessagePump {
public:
    virtual ~MessagePump() = default;
    virtual void pumpMessages() = 0;
};

}  // namespace farrow::base
