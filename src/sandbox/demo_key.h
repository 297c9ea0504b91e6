#pragma once

#include <string>

namespace farrow::sandbox {

// The demo site's announcement key. The sandbox writes it into its workspace as the workspace's
// key, and the demo site publishes it where the engines look by default: KEY.txt at the root of
// the host, which covers every page.
inline constexpr const char* kDemoKey = "qxynu0tnreonacldpnkrdj5w6d5wvloi";

inline std::string demoKeyFileName() {
    return std::string(kDemoKey) + ".txt";
}

}  // namespace farrow::sandbox
