#pragma once

#include <ifaddrs.h>

#include <functional>

namespace farrow::platform {

// Whether an Internet connection can be attempted: some network interface other than loopback is
// up and carries an IPv4 or IPv6 address. Nothing is sent.
bool attemptInternetConnection();

// The same decision over a list of interfaces as getifaddrs() gives it.
bool hasLiveInterface(const ifaddrs* interfaces);

// The connection test as the build step takes it, so that tests and farrowctl can replace it.
using ConnectionTest = std::function<bool()>;

}  // namespace farrow::platform
