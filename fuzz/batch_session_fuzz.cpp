// A batch session file (.flb).
#include "fuzz_input.h"
#include "profile/batch_session_file.h"

using namespace farrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    profile::parseBatchSession(fuzz::asText(data, size));
    return 0;
}
