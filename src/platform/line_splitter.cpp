#include "platform/line_splitter.h"

namespace farrow::platform {

bool LineSplitter::deliver(std::string_view line, bool overflowed, const LineHandler& onLine) {
    if (!overflowed && !line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (overflowed || line.size() > maxLine_) {
        line = line.substr(0, maxLine_);
        cutAny_ = true;
    }
    return onLine(line);
}

bool LineSplitter::take(std::string_view chunk, const LineHandler& onLine) {
    std::size_t start = 0;
    for (std::size_t end = chunk.find('\n', start); end != std::string_view::npos;
         end = chunk.find('\n', start)) {
        const std::string_view piece = chunk.substr(start, end - start);
        bool more;
        if (pending_.empty() && !overflowed_) {
            more = deliver(piece, piece.size() > maxLine_ + 1, onLine);
        } else {
            const std::size_t room = maxLine_ + 1 - pending_.size();
            pending_.append(piece.substr(0, room));
            more = deliver(pending_, overflowed_ || piece.size() > room, onLine);
            pending_.clear();
            overflowed_ = false;
        }
        start = end + 1;
        if (!more) {
            return false;
        }
    }
    const std::string_view rest = chunk.substr(start);
    const std::size_t room = maxLine_ + 1 - pending_.size();
    pending_.append(rest.substr(0, room));
    overflowed_ = overflowed_ || rest.size() > room;
    return true;
}

void LineSplitter::finish(const LineHandler& onLine) {
    if (!pending_.empty() || overflowed_) {
        deliver(pending_, overflowed_, onLine);
    }
    pending_.clear();
    overflowed_ = false;
}

}  // namespace farrow::platform
