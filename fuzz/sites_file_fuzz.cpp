// The sites database: each stored line decoded, split into a record, and the whole file read
// into the site table.
#include "fuzz_input.h"
#include "sites/site_line_codec.h"
#include "sites/site_line_parser.h"
#include "sites/sites_file_reader.h"

using namespace farrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::asText(data, size);
    // The input as one plain line, and as one stored line.
    sites::parseSiteLine(bytes);
    sites::parseSiteLine(sites::decodeSiteLine(bytes));

    fuzz::writeInput(bytes);
    fuzz::QuietMessenger messenger;
    sites::readSitesFile(base::Workspace(fuzz::inputDir()), {}, messenger);
    return 0;
}
