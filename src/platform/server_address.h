#pragma once

#include <optional>
#include <string>

namespace farrow::platform {

struct ServerAddress {
    std::string host;
    int port = 0;
};

// Reads a server setting: "host", "host:port", "[v6 address]" or "[v6 address]:port"; a bare
// IPv6 address (more than one colon) has no port. `defaultPort` when none is written; nothing
// when the host is empty or the port is no number from 1 to 65535.
std::optional<ServerAddress> parseServerAddress(const std::string& setting, int defaultPort);

// The host as it goes into a URL: an IPv6 address in brackets.
std::string urlHost(const std::string& host);

}  // namespace farrow::platform
