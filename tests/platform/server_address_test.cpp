#include "platform/server_address.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace farrow::platform {
namespace {

TEST(ParseServerAddress, ReadsEveryWrittenForm) {
    struct Case {
        std::string setting;
        std::optional<std::string> host;
        int port;
    };
    const Case cases[] = {
        {"mail.example.test", "mail.example.test", 25},
        {"mail.example.test:2525", "mail.example.test", 2525},
        {"127.0.0.1:1", "127.0.0.1", 1},
        {"127.0.0.1:65535", "127.0.0.1", 65535},
        {"[::1]", "::1", 25},
        {"[::1]:2525", "::1", 2525},
        // A bare IPv6 address has no port to split off.
        {"fe80::1", "fe80::1", 25},
        {"host:0", std::nullopt, 0},
        {"host:65536", std::nullopt, 0},
        {"host:-1", std::nullopt, 0},
        {"host:25x", std::nullopt, 0},
        {"host:", std::nullopt, 0},
        {":25", std::nullopt, 0},
        {"", std::nullopt, 0},
        {"[::1", std::nullopt, 0},
        {"[::1]x", std::nullopt, 0},
        {"[]:25", std::nullopt, 0},
    };
    for (const Case& c : cases) {
        const std::optional<ServerAddress> parsed = parseServerAddress(c.setting, 25);
        ASSERT_EQ(parsed.has_value(), c.host.has_value()) << c.setting;
        if (parsed) {
            EXPECT_EQ(parsed->host, *c.host) << c.setting;
            EXPECT_EQ(parsed->port, c.port) << c.setting;
        }
    }
}

TEST(UrlHost, BracketsIpv6Only) {
    EXPECT_EQ(urlHost("db.example.test"), "db.example.test");
    EXPECT_EQ(urlHost("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(urlHost("::1"), "[::1]");
}

}  // namespace
}  // namespace farrow::platform
