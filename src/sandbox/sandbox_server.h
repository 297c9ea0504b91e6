#pragma once

#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "sandbox/mail_sink.h"
#include "sandbox/request_log.h"
#include "sandbox/stop_signal.h"
#include "sandbox/target_routes.h"

namespace farrow::sandbox {

struct SandboxSettings {
    // 0: a free port.
    int httpPort = 0;
    int mailPort = 0;
    // Where the mail sink keeps the messages it takes.
    std::filesystem::path mailbox;
    RouteSettings routes;
};

// The web server (targets, search page, demo site) and the mail sink, both on 127.0.0.1, each
// serving on a thread of its own from `start()` until `stop()` or the object goes.
class SandboxServer final {
public:
    SandboxServer(const SandboxSettings& settings, std::ostream& log);
    ~SandboxServer();
    SandboxServer(const SandboxServer&) = delete;
    SandboxServer& operator=(const SandboxServer&) = delete;

    // Whether both ports could be bound; `error()` says why not.
    bool valid() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    int httpPort() const { return httpPort_; }
    int mailPort() const { return mail_.port(); }
    const MailSink& mailSink() const { return mail_; }

    void start();
    // Lets go of every client still held and waits for both threads.
    void stop();

private:
    SandboxSettings settings_;
    RequestLog log_;
    StopSignal stop_;
    httplib::Server http_;
    int httpPort_ = -1;
    MailSink mail_;
    std::string error_;
    std::atomic<bool> httpEnded_{false};
    std::jthread httpThread_;
};

}  // namespace farrow::sandbox
