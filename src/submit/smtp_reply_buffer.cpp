#include "submit/smtp_reply_buffer.h"

#include <algorithm>

namespace farrow::submit {

using platform::TransferError;
using platform::TransferErrorCode;

TransferError SmtpReplyBuffer::readReply(SmtpReply& reply, const ReceiveSome& receive) {
    SmtpReplyReader reader;
    bool any = false;
    for (;;) {
        if (next_ == filled_) {
            buffer_.fill('\0');
            next_ = filled_ = 0;
            std::size_t count = 0;
            if (TransferError error = receive(buffer_.data(), buffer_.size(), count);
                error.failed()) {
                return error;
            }
            if (count == 0) {
                if (!any) {
                    return {TransferErrorCode::ConnectionClosed,
                            "the server closed the connection"};
                }
                // A last line without its line end: judge what came.
                reader.finishAtClose();
                reply = {reader.code(), reader.text()};
                return {};
            }
            filled_ = std::min(count, buffer_.size());
        }
        any = true;
        while (next_ < filled_) {
            if (reader.take(buffer_[next_++])) {
                reply = {reader.code(), reader.text()};
                return {};
            }
        }
    }
}

}  // namespace farrow::submit
