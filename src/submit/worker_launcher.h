#pragma once

#include <functional>
#include <thread>

namespace farrow::submit {

// How the dispatcher starts a worker. The real one gives each worker a thread of its own;
// tests may keep the bodies and run them when they choose, on their own thread.
class WorkerLauncher {
public:
    virtual ~WorkerLauncher() = default;
    // Starts `body` and hands over its thread (or an empty one when the body runs elsewhere).
    virtual std::jthread launch(std::function<void()> body) = 0;
};

class ThreadLauncher final : public WorkerLauncher {
public:
    std::jthread launch(std::function<void()> body) override {
        return std::jthread(std::move(body));
    }
};

}  // namespace farrow::submit
