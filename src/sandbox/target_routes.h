#pragma once

#include <httplib.h>

#include <chrono>

#include "sandbox/stop_signal.h"

namespace farrow::sandbox {

struct RouteSettings {
    // The slow route sends its page in `slowPieces` pieces, `slowStep` apart.
    std::chrono::milliseconds slowStep{400};
    int slowPieces = 4;
    // The stalling and silent routes let go of a client after this long at the latest, so that
    // clients that gave up long ago do not use up the server's threads.
    std::chrono::milliseconds holdLimit{90000};
};

// The simulated targets (one route per behaviour, for GET and POST) and the search page. The
// routes that hold a client (stall, silent, slow) give up as soon as `stop` is raised; both
// `stop` and `settings` must outlive the server.
void addTargetRoutes(httplib::Server& server, const RouteSettings& settings,
                     const StopSignal& stop);

// `text` with the characters that mean something in HTML written as entities.
std::string htmlEscaped(const std::string& text);

// The host and port the client asked for (its Host header), 127.0.0.1 when it named none.
std::string requestHost(const httplib::Request& req);

}  // namespace farrow::sandbox
