#include "cli/json_lines_report.h"

namespace farrow::cli {

JsonLinesReport::JsonLinesReport(std::unique_ptr<CheckedOutput> output, bool onStdout)
    : output_(std::move(output)), stream_(output_.get()), onStdout_(onStdout) {}

void JsonLinesReport::write(const nlohmann::ordered_json& event) {
    // Bytes that are no UTF-8 (a page's title as its server sent it) would make the JSON
    // unreadable; they become U+FFFD.
    stream_ << event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n'
            << std::flush;
}

std::string bytesAsUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

}  // namespace farrow::cli
