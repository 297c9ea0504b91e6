#include "submit/smtp_reply_reader.h"

#include <charconv>

namespace farrow::submit {

namespace {

bool announcesMore(std::string_view line) {
    std::size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') {
        ++digits;
    }
    return digits > 0 && digits < line.size() && line[digits] == '-';
}

}  // namespace

int replyCode(std::string_view reply) {
    std::size_t i = 0;
    while (i < reply.size() && (reply[i] == ' ' || reply[i] == '\t' || reply[i] == '\r')) {
        ++i;
    }
    if (i < reply.size() && reply[i] == '+') {
        ++i;
    }
    int code = 0;
    const auto [end, ec] = std::from_chars(reply.data() + i, reply.data() + reply.size(), code);
    return ec == std::errc() ? code : 0;
}

bool SmtpReplyReader::take(char c) {
    if (c != '\n') {
        if (line_.size() < kReplyLineKept) {
            line_.push_back(c);
        }
        return false;
    }
    if (first_) {
        finishFirst();
        first_ = false;
    }
    if (!announcesMore(line_)) {
        return true;
    }
    line_.clear();
    return false;
}

void SmtpReplyReader::finishAtClose() {
    if (first_) {
        finishFirst();
        first_ = false;
    }
}

void SmtpReplyReader::finishFirst() {
    text_ = line_;
    if (!text_.empty() && text_.back() == '\r') {
        text_.pop_back();
    }
    code_ = replyCode(text_);
}

}  // namespace farrow::submit
