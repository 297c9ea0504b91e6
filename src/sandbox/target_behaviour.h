#pragma once

#include <string>
#include <vector>

namespace farrow::sandbox {

// What one simulated target does with a submission.
enum class Behaviour {
    Accepts,
    // Answers "ERROR: Repeat URL": the target knows the site already.
    RepeatUrl,
    // Names the URL in an ERROR, so the submission is refused as an invalid URL.
    RejectsUrl,
    NotFound,
    ServerError,
    // Redirects to the accepting route; a GET follows, a POST takes the redirect as its answer.
    Redirects,
    // Trickles an accepting page in pieces, each well inside the receive time-out.
    Slow,
    // Sends the start of a page, then nothing more.
    Stalls,
    // Reads the request and never answers.
    Silent,
};

struct TargetRoute {
    Behaviour behaviour;
    // Served for GET and POST alike.
    std::string path;
    // How the log line names the behaviour.
    std::string label;
};

const std::vector<TargetRoute>& targetRoutes();
const TargetRoute& routeFor(Behaviour behaviour);

// The search page of the keyword check: answers "path?q=WORDS" with the words it was asked.
inline constexpr const char* kSearchPath = "/search";
// The demo web site that deep submission crawls.
inline constexpr const char* kSitePath = "/site/";
inline constexpr const char* kSiteStartPage = "/site/index.htm";

// Recipients whose mailbox name begins with this are refused by the mail sink.
inline constexpr const char* kRefusedMailbox = "refuse";

}  // namespace farrow::sandbox
