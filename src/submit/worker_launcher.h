#pragma once

#include <functional>
#include <thread>

namespace farrow::submit {

// How a run starts its threads: the dispatcher's, and the dispatcher each worker's. The real one
// gives each a thread of its own; tests may keep a worker's body and run it when they choose,
// on their own thread, or refuse a start as a system out of threads does.
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
