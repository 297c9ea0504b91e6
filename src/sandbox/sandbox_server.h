#pragma once

#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "sandbox/indexnow_endpoint.h"
#include "sandbox/mail_sink.h"
#include "sandbox/request_log.h"
#include "sandbox/search_console_service.h"
#include "sandbox/stop_signal.h"
#include "sandbox/target_routes.h"
#include "sandbox/tls_identity.h"

namespace farrow::sandbox {

struct SandboxSettings {
    // 0: a free port.
    int httpPort = 0;
    int httpsPort = 0;
    int mailPort = 0;
    // Where the mail sink keeps the messages it takes.
    std::filesystem::path mailbox;
    RouteSettings routes;
    IndexNowSettings indexNow;
    SearchConsoleSettings searchConsole;
};

// The web server (targets, search page, demo sites, announcement endpoints), once over HTTP and
// once over HTTPS with a certificate of its own, and the mail sink, all on 127.0.0.1, each
// serving on a thread of its own from `start()` until `stop()` or the object goes.
class SandboxServer final {
public:
    SandboxServer(const SandboxSettings& settings, std::ostream& log);
    ~SandboxServer();
    SandboxServer(const SandboxServer&) = delete;
    SandboxServer& operator=(const SandboxServer&) = delete;

    // Whether every port could be bound; `error()` says why not.
    bool valid() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    int httpPort() const { return http_.port; }
    int httpsPort() const { return https_.port; }
    int mailPort() const { return mail_.port(); }
    const MailSink& mailSink() const { return mail_; }
    // The authority that signed the HTTPS certificate, as PEM: a client's CA file.
    const std::string& authorityPem() const { return tls_.authorityPem(); }
    // The Search Console's service account and where its tokens are asked for.
    const SandboxAccount& googleAccount() const { return searchConsole_->account(); }
    std::string googleTokenUri() const;
    // The address FARROWLANE_GOOGLE_API takes.
    std::string googleApi() const;

    void start();
    // Lets go of every client still held and waits for every thread.
    void stop();

private:
    struct Listener {
        std::unique_ptr<httplib::Server> server;
        int port = -1;
        // Why the bind failed; empty when it worked.
        std::string error;
        std::atomic<bool> ended{false};
        std::jthread thread;
    };

    void serve(Listener& listener, const std::string& scheme, int port);
    void startListening(Listener& listener);
    void stopListening(Listener& listener);

    SandboxSettings settings_;
    RequestLog log_;
    StopSignal stop_;
    TlsIdentity tls_;
    IndexNowEndpoint indexNow_;
    std::unique_ptr<SearchConsoleService> searchConsole_;
    Listener http_;
    Listener https_;
    MailSink mail_;
    std::string error_;
};

}  // namespace farrow::sandbox
