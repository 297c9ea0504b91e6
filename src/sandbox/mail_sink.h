#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/tcp_listener.h"
#include "sandbox/request_log.h"
#include "sandbox/stop_signal.h"

namespace farrow::sandbox {

// An SMTP server on 127.0.0.1 that takes mail for every recipient except those whose mailbox
// name begins with "refuse", and keeps each message it takes as a file of its own.
// Conversations are served one at a time on the sink's own thread.
class MailSink final {
public:
    // Binds `port` (0: a free one). `valid()` tells whether that worked; `error()` why not.
    MailSink(int port, std::filesystem::path folder, RequestLog& log, const StopSignal& stop);
    ~MailSink();
    MailSink(const MailSink&) = delete;
    MailSink& operator=(const MailSink&) = delete;

    bool valid() const { return listener_.valid(); }
    const std::string& error() const { return error_; }
    int port() const { return listener_.port(); }
    const std::filesystem::path& folder() const { return folder_; }
    // How many messages were kept so far.
    int keptCount() const { return kept_.load(); }

    void start();

    // A client silent for this long is let go.
    static constexpr std::chrono::seconds kIdleLimit{10};

private:
    void serve();
    void converse(platform::TcpSocket& client);
    // After DATA: takes the message and keeps it; false when the conversation is over.
    bool receiveMessage(platform::TcpSocket& client, std::string& pending, const std::string& from,
                        const std::string& to);
    std::string keepMessage(const std::string& from, const std::string& to,
                            const std::string& message);

    platform::TcpListener listener_;
    std::string error_;
    std::filesystem::path folder_;
    RequestLog& log_;
    const StopSignal& stop_;
    std::atomic<int> kept_{0};
    std::jthread thread_;
};

// The mailbox of an SMTP path such as "<Name@host>" ("" when it has no angle brackets).
std::string mailboxOf(const std::string& path);

}  // namespace farrow::sandbox
