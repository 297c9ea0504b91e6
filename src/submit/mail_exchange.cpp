#include "submit/mail_exchange.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string_view>

#include "platform/server_address.h"
#include "platform/tcp_socket.h"
#include "submit/smtp_reply_reader.h"

namespace farrow::submit {

namespace {

using Clock = std::chrono::steady_clock;
using platform::TransferError;
using platform::TransferErrorCode;

constexpr int kDefaultPort = 25;
constexpr std::size_t kReplyBufferSize = 512;

struct Reply {
    int code = 0;
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
        SmtpReplyReader reader;
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
                    reader.finishAtClose();
                    reply = {reader.code(), reader.text()};
                    return {};
                }
                filled_ = count;
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
