#include "submit/mail_exchange.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string_view>

#include "platform/server_address.h"
#include "platform/tcp_socket.h"
#include "submit/smtp_reply_buffer.h"

namespace farrow::submit {

namespace {

using Clock = std::chrono::steady_clock;
using platform::TransferError;
using platform::TransferErrorCode;

constexpr int kDefaultPort = 25;

class Conversation final {
public:
    Conversation(platform::TcpSocket& socket, platform::TcpSocket::Deadline deadline)
        : socket_(socket), deadline_(deadline) {}

    // Reads one whole reply, however many receives and lines it takes, and checks its code.
    TransferError expect(int code, const char* step) {
        SmtpReply reply;
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
            SmtpReply ignored;
            readReply(ignored, deadline);
        }
    }

private:
    // Bytes after the end of a reply stay in the buffer for the next reply.
    TransferError readReply(SmtpReply& reply, platform::TcpSocket::Deadline deadline) {
        return buffer_.readReply(reply, [&](char* data, std::size_t capacity, std::size_t& count) {
            return socket_.receiveSome(data, capacity, deadline, count);
        });
    }

    platform::TcpSocket& socket_;
    platform::TcpSocket::Deadline deadline_;
    SmtpReplyBuffer buffer_;
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
