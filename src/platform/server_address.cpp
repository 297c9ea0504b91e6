#include "platform/server_address.h"

#include <charconv>
#include <string_view>

namespace farrow::platform {

std::optional<ServerAddress> parseServerAddress(const std::string& setting, int defaultPort) {
    ServerAddress address;
    address.port = defaultPort;
    std::string_view rest;
    if (!setting.empty() && setting.front() == '[') {
        const std::size_t close = setting.find(']');
        if (close == std::string::npos) {
            return std::nullopt;
        }
        address.host = setting.substr(1, close - 1);
        rest = std::string_view(setting).substr(close + 1);
        if (!rest.empty() && rest.front() != ':') {
            return std::nullopt;
        }
    } else {
        const std::size_t colon = setting.find(':');
        if (colon == std::string::npos || setting.find(':', colon + 1) != std::string::npos) {
            address.host = setting;
        } else {
            address.host = setting.substr(0, colon);
            rest = std::string_view(setting).substr(colon);
        }
    }
    if (!rest.empty()) {
        rest.remove_prefix(1);
        int port = 0;
        const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), port);
        if (ec != std::errc() || end != rest.data() + rest.size() || port < 1 || port > 65535) {
            return std::nullopt;
        }
        address.port = port;
    }
    if (address.host.empty()) {
        return std::nullopt;
    }
    return address;
}

std::string urlHost(const std::string& host) {
    return host.find(':') == std::string::npos ? host : "[" + host + "]";
}

}  // namespace farrow::platform
