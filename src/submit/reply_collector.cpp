#include "submit/reply_collector.h"

namespace farrow::submit {

void ReplyCollector::feed(std::string_view bytes) {
    for (char c : bytes) {
        if (atLineStart_) {
            keepingLine_ = reply_.size() < kReplyKept;
            atLineStart_ = false;
        }
        if (c == '\n') {
            atLineStart_ = true;
        } else if (c != '\r' && keepingLine_ && reply_.size() < kReplyCapacity - 1) {
            reply_.push_back(c);
        }
    }
}

}  // namespace farrow::submit
