#include "sandbox/mail_sink.h"

#include <cstdio>
#include <fstream>
#include <system_error>
#include <utility>

#include "sandbox/target_behaviour.h"

namespace farrow::sandbox {

namespace {

using Clock = std::chrono::steady_clock;

bool startsWithWord(const std::string& line, const std::string& word) {
    if (line.size() < word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        char c = line[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != word[i]) {
            return false;
        }
    }
    return true;
}

// Reads from `client` into `pending` until it holds `terminator`; false when the client went
// away, fell silent for too long, or the sandbox is stopping.
bool readUntil(platform::TcpSocket& client, std::string& pending, const std::string& terminator,
               const StopSignal& stop) {
    const auto idleEnd = Clock::now() + MailSink::kIdleLimit;
    while (pending.find(terminator) == std::string::npos) {
        if (stop.raised() || Clock::now() >= idleEnd) {
            return false;
        }
        char buffer[4096];
        std::size_t count = 0;
        const platform::TransferError e = client.receiveSome(
            buffer, sizeof buffer, Clock::now() + std::chrono::milliseconds(200), count);
        if (e.code == platform::TransferErrorCode::TimedOut) {
            continue;
        }
        if (e.failed() || count == 0) {
            return false;
        }
        pending.append(buffer, count);
    }
    return true;
}

}  // namespace

std::string mailboxOf(const std::string& path) {
    const std::size_t open = path.find('<');
    const std::size_t close = path.find('>', open == std::string::npos ? 0 : open);
    if (open == std::string::npos || close == std::string::npos) {
        return "";
    }
    return path.substr(open + 1, close - open - 1);
}

MailSink::MailSink(int port, std::filesystem::path folder, RequestLog& log, const StopSignal& stop)
    : folder_(std::move(folder)), log_(log), stop_(stop) {
    platform::TransferError e;
    listener_ = platform::TcpListener::onLoopback(port, e);
    if (!listener_.valid()) {
        error_ = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + e.reason;
    }
}

MailSink::~MailSink() {
    // The serving thread watches the stop signal; the owner raises it before we go.
    if (thread_.joinable()) {
        thread_.join();
    }
}

void MailSink::start() {
    thread_ = std::jthread([this] { serve(); });
}

void MailSink::serve() {
    while (!stop_.raised()) {
        platform::TransferError e;
        platform::TcpSocket client =
            listener_.acceptOne(Clock::now() + std::chrono::milliseconds(200), e);
        if (client.valid()) {
            converse(client);
        }
    }
}

void MailSink::converse(platform::TcpSocket& client) {
    const auto send = [&client](const std::string& line) {
        return !client.sendAll(line + "\r\n", Clock::now() + kIdleLimit).failed();
    };
    if (!send("220 farrowlane-sandbox mail sink ready")) {
        return;
    }
    std::string pending;
    std::string from;
    std::string to;
    while (readUntil(client, pending, "\r\n", stop_)) {
        const std::size_t end = pending.find("\r\n");
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 2);
        bool sent = true;
        if (startsWithWord(line, "HELO") || startsWithWord(line, "EHLO")) {
            sent = send("250 sandbox");
        } else if (startsWithWord(line, "MAIL FROM:")) {
            from = mailboxOf(line);
            to.clear();
            sent = send("250 sender ok");
        } else if (startsWithWord(line, "RCPT TO:")) {
            const std::string recipient = mailboxOf(line);
            if (recipient.rfind(kRefusedMailbox, 0) == 0) {
                log_.line("smtp RCPT TO:<" + recipient + "> refused (550)");
                sent = send("550 no such mailbox here");
            } else {
                to = recipient;
                sent = send("250 recipient ok");
            }
        } else if (startsWithWord(line, "DATA")) {
            if (to.empty()) {
                sent = send("503 no recipient yet");
            } else if (!receiveMessage(client, pending, from, to)) {
                return;
            }
            to.clear();
        } else if (startsWithWord(line, "RSET")) {
            from.clear();
            to.clear();
            sent = send("250 reset");
        } else if (startsWithWord(line, "NOOP")) {
            sent = send("250 ok");
        } else if (startsWithWord(line, "QUIT")) {
            send("221 bye");
            return;
        } else {
            sent = send("500 command not understood");
        }
        if (!sent) {
            return;
        }
    }
}

bool MailSink::receiveMessage(platform::TcpSocket& client, std::string& pending,
                              const std::string& from, const std::string& to) {
    const auto send = [&client](const std::string& line) {
        return !client.sendAll(line + "\r\n", Clock::now() + kIdleLimit).failed();
    };
    if (!send("354 end the message with a line holding a single dot")) {
        return false;
    }
    // The dot line may follow the DATA line directly, so the search starts at a line break.
    pending.insert(0, "\r\n");
    if (!readUntil(client, pending, "\r\n.\r\n", stop_)) {
        log_.line("smtp mail from <" + from + "> broken off");
        return false;
    }
    const std::size_t end = pending.find("\r\n.\r\n");
    // A body line that starts with a dot came with a second one in front.
    std::string message = pending.substr(2, end >= 2 ? end - 2 : 0);
    for (std::size_t at = 0; (at = message.find("\r\n..", at)) != std::string::npos; at += 3) {
        message.erase(at + 2, 1);
    }
    if (message.rfind("..", 0) == 0) {
        message.erase(0, 1);
    }
    pending.erase(0, end + 5);
    const std::string file = keepMessage(from, to, message);
    if (file.empty()) {
        return send("452 cannot keep the message");
    }
    log_.line("smtp mail from <" + from + "> to <" + to + "> kept as " + file);
    return send("250 kept");
}

std::string MailSink::keepMessage(const std::string& from, const std::string& to,
                                  const std::string& message) {
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    char name[32];
    std::snprintf(name, sizeof name, "mail-%04d.txt", kept_.load() + 1);
    const std::filesystem::path path = folder_ / name;
    std::ofstream out(path, std::ios::binary);
    out << "X-Sandbox-From: " << from << "\r\nX-Sandbox-To: " << to << "\r\n" << message << "\r\n";
    if (!out.flush()) {
        return "";
    }
    ++kept_;
    return path.string();
}

}  // namespace farrow::sandbox
