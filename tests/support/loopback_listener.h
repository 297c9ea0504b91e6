#pragma once

namespace farrow::test {

// A socket listening on 127.0.0.1 at a free port that never accepts: connections complete in
// the backlog and then hear nothing. Tells how many arrived, and so whether any traffic came.
class LoopbackListener final {
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int port() const { return port_; }
    // Takes every connection waiting so far and counts them.
    int drainConnections();

private:
    int fd_ = -1;
    int port_ = -1;
};

// A loopback port that nobody listens on, so that connecting to it is refused.
int closedLoopbackPort();

}  // namespace farrow::test
