#include "submit/reply_collector.h"

#include <algorithm>

namespace farrow::submit {

void ReplyCollector::feed(std::string_view bytes) {
    // Whole runs of bytes between line feeds are appended at once: replies are read in pieces
    // of several kilobytes, and a byte at a time would cost more than the exchange itself.
    while (!bytes.empty()) {
        if (atLineStart_) {
            keepingLine_ = reply_.size() < kReplyKept;
            atLineStart_ = false;
        }
        const std::size_t lineFeed = bytes.find('\n');
        std::string_view part = bytes.substr(0, lineFeed);
        while (keepingLine_ && !part.empty() && reply_.size() < kReplyCapacity - 1) {
            const std::size_t cr = part.find('\r');
            const std::string_view run = part.substr(0, cr);
            reply_.append(run.substr(0, std::min(run.size(), kReplyCapacity - 1 - reply_.size())));
            part = cr == std::string_view::npos ? std::string_view() : part.substr(cr + 1);
        }
        if (lineFeed == std::string_view::npos) {
            return;
        }
        atLineStart_ = true;
        bytes.remove_prefix(lineFeed + 1);
    }
}

}  // namespace farrow::submit
