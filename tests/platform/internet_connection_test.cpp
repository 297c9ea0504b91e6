#include "platform/internet_connection.h"

#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <vector>

namespace farrow::platform {
namespace {

struct Interface {
    unsigned flags;
    int family;  // AF_UNSPEC: no address
};

// Links the interfaces into a list as getifaddrs() gives it.
bool liveOver(const std::vector<Interface>& spec) {
    std::vector<sockaddr_in6> addresses(spec.size());
    std::vector<ifaddrs> list(spec.size());
    for (std::size_t i = 0; i < spec.size(); ++i) {
        addresses[i].sin6_family = static_cast<sa_family_t>(spec[i].family);
        list[i].ifa_flags = spec[i].flags;
        list[i].ifa_addr =
            spec[i].family == AF_UNSPEC ? nullptr : reinterpret_cast<sockaddr*>(&addresses[i]);
        list[i].ifa_next = i + 1 < spec.size() ? &list[i + 1] : nullptr;
    }
    return hasLiveInterface(list.empty() ? nullptr : list.data());
}

TEST(InternetConnection, NeedsAnInterfaceOtherThanLoopbackThatIsUp) {
    EXPECT_FALSE(liveOver({}));
    EXPECT_FALSE(liveOver({{IFF_UP | IFF_LOOPBACK, AF_INET}, {IFF_UP | IFF_LOOPBACK, AF_INET6}}));
    EXPECT_FALSE(liveOver({{0, AF_INET}})) << "down";
    EXPECT_FALSE(liveOver({{IFF_UP, AF_UNSPEC}})) << "no address";
    EXPECT_FALSE(liveOver({{IFF_UP, AF_PACKET}})) << "link layer only";
    EXPECT_TRUE(liveOver({{IFF_UP | IFF_LOOPBACK, AF_INET}, {IFF_UP, AF_INET}}));
    EXPECT_TRUE(liveOver({{IFF_UP, AF_INET6}}));
}

}  // namespace
}  // namespace farrow::platform
