#include "submit/mail_exchange.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <optional>
#include <string_view>

#include "platform/server_address.h"
#include "platform/tcp_socket.h"

namespace farrow::submit {

namespace {

using Clock = std::chrono::steady_clock;
using platform::TransferError;
using platform::TransferErrorCode;

constexpr int kDefaultPort = 25;
constexpr std::size_t kReplyBufferSize = 512;
// Enough of a reply line to judge it and to quote it in a reason.
constexpr std::size_t kReplyLineKept = 200;

// The number at the start of a reply, as "%d" reads it; 0 when there is none.
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

// "250-..." announces more lines; any other line ends the reply, so that a server answering
// with something that is no reply at all is judged at once rather than waited for.
bool announcesMore(std::string_view line) {
    std::size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') {
        ++digits;
    }
    return digits > 0 && digits < line.size() && line[digits] == '-';
}

struct Reply {
    int code = 0;
    // The first line without its line end, cut to `kReplyLineKept`.
    std::string text;
};

class Conversation final {
public:
    Conversation(platform::TcpSocket& socket, platform::TcpSocket::Deadline deadline)
        : socket_(socket), deadline_(deadline) {}

    // Reads one whole reply, however many receives and lines it takes, and checks its code.
    TransferError expect(int code, const char* step) {
        Reply reply;
        if (TransferError error = readReply(reply, deadline_); error.failed()) {
            return error;
        }
        if (reply.code != code) {
            return {TransferErrorCode::Refused, std::string(step) + " answered: " + reply.text};
        }
        return {};
    }

    TransferError say(std::string_view text, int code, const char* step) {
        if (TransferError error = socket_.sendAll(text, deadline_); error.failed()) {
            return error;
        }
        return expect(code, step);
    }

    // The mail has been taken: the answer is waited for until `deadline` at most and not judged.
    void sayLast(std::string_view text, platform::TcpSocket::Deadline deadline) {
        if (!socket_.sendAll(text, deadline).failed()) {
            Reply ignored;
            readReply(ignored, deadline);
        }
    }

private:
    // Takes bytes through the 512-byte buffer up to the end of the reply's last line. Bytes after
    // it stay in the buffer for the next reply.
    TransferError readReply(Reply& reply, platform::TcpSocket::Deadline deadline) {
        std::string line;
        bool first = true;
        bool any = false;
        for (;;) {
            if (next_ == filled_) {
                buffer_.fill('\0');
                next_ = filled_ = 0;
                std::size_t count = 0;
                if (TransferError error =
                        socket_.receiveSome(buffer_.data(), buffer_.size(), deadline, count);
                    error.failed()) {
                    return error;
                }
                if (count == 0) {
                    if (!any) {
                        return {TransferErrorCode::ConnectionClosed,
                                "the server closed the connection"};
                    }
                    // A last line without its line end: judge what came.
                    if (first) {
                        finishFirst(reply, line);
                    }
                    return {};
                }
                filled_ = count;
            }
            any = true;
            while (next_ < filled_) {
                const char c = buffer_[next_++];
                if (c != '\n') {
                    if (line.size() < kReplyLineKept) {
                        line.push_back(c);
                    }
                    continue;
                }
                if (first) {
                    finishFirst(reply, line);
                    first = false;
                }
                if (!announcesMore(line)) {
                    return {};
                }
                line.clear();
            }
        }
    }

    static void finishFirst(Reply& reply, std::string line) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        reply.code = replyCode(line);
        reply.text = std::move(line);
    }

    platform::TcpSocket& socket_;
    platform::TcpSocket::Deadline deadline_;
    std::array<char, kReplyBufferSize> buffer_{};
    std::size_t next_ = 0;
    std::size_t filled_ = 0;
};

}  // namespace

void resetMail(MailExchange& mail) {
    mail.ok = 0;
    mail.error = {};
}

std::string composeMailMessage(const MailExchange& mail) {
    std::string message = "From: " + mail.sender + "\r\nSubject: " + mail.subject + "\r\n";
    message.reserve(message.size() + mail.body.size() + 16);
    bool lineStart = true;
    for (char c : mail.body) {
        if (lineStart && c == '.') {
            message.push_back('.');
        }
        message.push_back(c);
        lineStart = c == '\n';
    }
    message += "\r\n\r\n.\r\n";
    return message;
}

void sendMail(MailExchange& mail, const base::Timing& timing) {
    mail.ok = 0;
    mail.error = {};
    const Clock::time_point start = Clock::now();
    const base::Millis limit = timing.exchangeLimit
                                   ? std::min(timing.mailTimeout, *timing.exchangeLimit)
                                   : timing.mailTimeout;
    const Clock::time_point deadline = start + limit;

    const std::optional<platform::ServerAddress> address =
        platform::parseServerAddress(mail.server, kDefaultPort);
    if (!address) {
        mail.error = {TransferErrorCode::BadAddress, "no mail server address: " + mail.server};
        return;
    }
    platform::TcpSocket socket =
        platform::TcpSocket::connectTo(address->host, address->port, deadline, mail.error);
    if (!socket.valid()) {
        return;
    }
    Conversation talk(socket, deadline);
    const std::pair<std::string, int> steps[] = {
        {"HELO " + platform::localHostName() + "\r\n", 250},
        {"MAIL FROM:<" + mail.sender + ">\r\n", 250},
        {"RCPT TO:<" + mail.recipient + ">\r\n", 250},
        {"DATA\r\n", 354},
        {composeMailMessage(mail), 250},
    };
    const char* names[] = {"HELO", "MAIL FROM", "RCPT TO", "DATA", "the message"};
    mail.error = talk.expect(220, "the greeting");
    for (std::size_t i = 0; i < std::size(steps) && !mail.error.failed(); ++i) {
        mail.error = talk.say(steps[i].first, steps[i].second, names[i]);
    }
    if (mail.error.failed()) {
        return;
    }
    // The server has taken the mail; how it answers QUIT, if at all, changes nothing, so the
    // answer is not waited for long.
    talk.sayLast("QUIT\r\n", std::min(deadline, Clock::now() + timing.mailQuitWait));
    mail.ok = 1;
}

}  // namespace farrow::submit
