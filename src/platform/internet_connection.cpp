#include "platform/internet_connection.h"

#include <net/if.h>
#include <sys/socket.h>

namespace farrow::platform {

bool hasLiveInterface(const ifaddrs* interfaces) {
    for (const ifaddrs* i = interfaces; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || (i->ifa_flags & IFF_UP) == 0 ||
            (i->ifa_flags & IFF_LOOPBACK) != 0) {
            continue;
        }
        const int family = i->ifa_addr->sa_family;
        if (family == AF_INET || family == AF_INET6) {
            return true;
        }
    }
    return false;
}

bool attemptInternetConnection() {
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0) {
        return false;
    }
    const bool live = hasLiveInterface(interfaces);
    ::freeifaddrs(interfaces);
    return live;
}

}  // namespace farrow::platform
