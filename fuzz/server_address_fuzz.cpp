// A server setting ("host", "host:port", "[v6]:port") as FARROWLANE_DB_SERVER or the mail
// server field gives it. A parsed address has a usable port, and its host can be written into
// a URL.
#include <string>

#include "fuzz_input.h"
#include "platform/server_address.h"

using namespace farrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string setting(fuzz::asText(data, size));
    const std::optional<platform::ServerAddress> address =
        platform::parseServerAddress(setting, 25);
    if (!address) {
        return 0;
    }
    if (address->port < 1 || address->port > 65535) {
        __builtin_trap();
    }
    platform::urlHost(address->host);
    return 0;
}
