#include "submit/mail_exchange.h"

#include <array>
#include <charconv>
#include <optional>
#include <string_view>

#include "platform/tcp_socket.h"

namespace farrow::submit {

namespace {

constexpr int kDefaultPort = 25;
constexpr std::size_t kReplyBufferSize = 512;

struct ServerAddress {
    std::string host;
    int port = kDefaultPort;
};

// "host", "host:port", "[v6 address]" or "[v6 address]:port"; nothing when the port is no
// number from 1 to 65535. A bare IPv6 address (more than one colon) has no port.
std::optional<ServerAddress> parseServer(const std::string& server) {
    ServerAddress address;
    std::string_view rest;
    if (!server.empty() && server.front() == '[') {
        const std::size_t close = server.find(']');
        if (close == std::string::npos) {
            return std::nullopt;
        }
        address.host = server.substr(1, close - 1);
        rest = std::string_view(server).substr(close + 1);
        if (!rest.empty() && rest.front() != ':') {
            return std::nullopt;
        }
    } else {
        const std::size_t colon = server.find(':');
        if (colon == std::string::npos || server.find(':', colon + 1) != std::string::npos) {
            address.host = server;
        } else {
            address.host = server.substr(0, colon);
            rest = std::string_view(server).substr(colon);
        }
    }
    if (!rest.empty()) {
        rest.remove_prefix(1);
        int port = 0;
        const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), port);
        if (ec != std::errc() || end != rest.data() + rest.size() || port < 1 || port > 65535) {
            return std::nullopt;
        }
        address.port = port;
    }
    if (address.host.empty()) {
        return std::nullopt;
    }
    return address;
}

// The number at the start of a reply, as "%d" reads it; 0 when there is none. Looks at the
// received bytes only, never past them.
int replyCode(std::string_view reply) {
    std::size_t i = 0;
    while (i < reply.size() &&
           (reply[i] == ' ' || reply[i] == '\t' || reply[i] == '\r' || reply[i] == '\n')) {
        ++i;
    }
    if (i < reply.size() && reply[i] == '+') {
        ++i;
    }
    int code = 0;
    const auto [end, ec] = std::from_chars(reply.data() + i, reply.data() + reply.size(), code);
    return ec == std::errc() ? code : 0;
}

class Conversation final {
public:
    explicit Conversation(platform::TcpSocket& socket) : socket_(socket) {}

    // One receive; a server that closed the connection gives an empty reply, which no code
    // test accepts.
    bool expect(int code) {
        buffer_.fill('\0');
        const long n = socket_.receiveSome(buffer_.data(), buffer_.size());
        if (n < 0) {
            return false;
        }
        return replyCode({buffer_.data(), static_cast<std::size_t>(n)}) == code;
    }

    bool say(std::string_view text, int code) { return socket_.sendAll(text) && expect(code); }

    void sayLast(std::string_view text) {
        if (socket_.sendAll(text)) {
            socket_.receiveSome(buffer_.data(), buffer_.size());
        }
    }

private:
    platform::TcpSocket& socket_;
    std::array<char, kReplyBufferSize> buffer_{};
};

}  // namespace

void resetMail(MailExchange& mail) {
    mail.ok = 0;
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

void sendMail(MailExchange& mail, const app::Timing& timing) {
    mail.ok = 0;
    const std::optional<ServerAddress> address = parseServer(mail.server);
    if (!address) {
        return;
    }
    std::string error;
    platform::TcpSocket socket =
        platform::TcpSocket::connectTo(address->host, address->port, timing.mailTimeout, error);
    if (!socket.valid()) {
        return;
    }
    Conversation talk(socket);
    const bool delivered = talk.expect(220) &&
                           talk.say("HELO " + platform::localHostName() + "\r\n", 250) &&
                           talk.say("MAIL FROM:<" + mail.sender + ">\r\n", 250) &&
                           talk.say("RCPT TO:<" + mail.recipient + ">\r\n", 250) &&
                           talk.say("DATA\r\n", 354) && talk.say(composeMailMessage(mail), 250);
    if (!delivered) {
        return;
    }
    // The server has taken the mail; how it answers QUIT, if at all, changes nothing.
    talk.sayLast("QUIT\r\n");
    mail.ok = 1;
}

}  // namespace farrow::submit
