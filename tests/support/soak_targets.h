#pragma once

#include <string>
#include <vector>

#include "base/timing.h"
#include "support/loopback_http_server.h"

namespace farrow::test {

// How a soak target answers.
enum class Behaviour {
    Accepting,
    Refusing,     // an answer that calls the user's URL invalid
    NotFound,     // 404
    ServerError,  // 500
    Slow,         // answers after a short delay
    Stalling,     // sends its head, then nothing for longer than the receive time-out
    Hanging,      // trickles a byte at a time, for longer than the latency limit
    ClosedPort,   // nobody listens
};

struct SoakSite {
    std::string name;
    Behaviour behaviour;
};

// `count` sites whose behaviours take turns, so every behaviour is spread over the whole run.
std::vector<SoakSite> soakSites(int count);

// Whether the run must log the site FAILED, or TERMINATED.
bool failsIn(Behaviour b);
bool isTerminated(Behaviour b);

// One loopback server with a route per behaviour, and a closed port. Silence and trickling are
// timed from the run's timing so that a stalling target trips the receive time-out and a
// hanging one the latency limit, never the other way round.
class SoakTargets final {
public:
    // `receiveTimeout` and `latencyLimit` are the run's; the latency limit must exceed twice
    // the receive time-out.
    SoakTargets(base::Millis receiveTimeout, base::Millis latencyLimit);

    // The submission address of a target with this behaviour (a GET, data appended).
    std::string url(Behaviour b) const;

private:
    LoopbackHttpServer server_;
    int closedPort_ = -1;
};

// What a soak run's logs hold, and every way they differ from what the sites call for.
struct SoakCheck {
    int successful = 0;
    int failed = 0;
    int terminated = 0;
    int errorRows = 0;
    int profileLines = 0;
    std::vector<std::string> problems;
};

// Checks that every site has exactly one row in the submission log with the outcome its
// behaviour calls for, that every failed or terminated site has exactly one error row and one
// line in the failure profile (and no other site has either), and that no row is broken or
// mixed with another.
SoakCheck checkSoakLogs(const std::vector<SoakSite>& sites, const std::string& log,
                        const std::string& errorLog, const std::string& failureProfile);

}  // namespace farrow::test
