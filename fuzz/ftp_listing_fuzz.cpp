// A directory listing from the database server, MLSD or LIST lines. The name looked for is the
// text before the first NUL, or "sites.enc" when there is none.
#include "fuzz_input.h"
#include "platform/ftp_client.h"

using namespace farrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view listing = fuzz::asText(data, size);
    std::string_view name = "sites.enc";
    if (const std::size_t nul = listing.find('\0'); nul != std::string_view::npos) {
        name = listing.substr(0, nul);
        listing.remove_prefix(nul + 1);
    }
    platform::sizeInListing(listing, name);
    return 0;
}
