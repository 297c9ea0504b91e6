#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/timing.h"

namespace farrow::platform {

// One HTTP(S) exchange of the channels that speak to today's web services.
struct WebRequest {
    // "GET", "POST", "PUT" or "HEAD".
    std::string method = "GET";
    // http:// or https:// only; anything else fails as BadUrl.
    std::string url;
    // "Name: value" lines.
    std::vector<std::string> headers;
    // Sent with POST and PUT.
    std::string body;
    // A CA file trusted beside the system store ($FARROWLANE_CA_FILE); empty: the system store
    // only.
    std::string caFile;
    std::string userAgent;
    // The body is kept up to this many bytes; a longer one ends the read and sets `truncated`.
    // The caller takes this and the waits below from its timing record.
    std::size_t maxBodyBytes = 0;
    base::Millis connectTimeout{};
    // No byte sent or received for this long, once connected.
    base::Millis stallTimeout{};
    // The whole exchange.
    base::Millis deadline{};
    // When it turns true the exchange ends as Cancelled.
    const std::atomic<bool>* cancel = nullptr;
};

// Tls is a handshake that failed and may pass when asked again; Certificate is a peer's
// certificate that failed verification, or a CA file that cannot be used: that does not heal.
enum class WebFailure { None, BadUrl, Connect, Tls, Certificate, Timeout, Cancelled, Other };

struct WebResponse {
    WebFailure failure = WebFailure::None;
    // Why no answer came, in libcurl's words (or ours), for the user; empty when one came.
    std::string reason;
    // The rest is meaningful when failure == None.
    long status = 0;
    // Of the final response only, names lower-cased, in order.
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    bool truncated = false;
    // The failure is the request's own `deadline` running out (a Timeout), not the peer's
    // silence.
    bool pastDeadline = false;

    bool failed() const { return failure != WebFailure::None; }
    // The first value of the header, "" when absent.
    std::string header(std::string_view lowerName) const;
};

// Why `path` cannot serve as a CA file ("not a regular file", the system's or OpenSSL's
// reason); empty when it is a regular file holding at least one certificate OpenSSL loads.
std::string caFileProblem(const std::string& path);

// One exchange. Redirects are never followed: a 3xx comes back as it is, with its `location`
// header, and the caller decides. Certificates and host names are always verified.
WebResponse fetchWeb(const WebRequest& request);

}  // namespace farrow::platform
