#pragma once

#include <memory>
#include <string>

#include "base/timing.h"
#include "submit/site_request.h"

namespace farrow::submit {

// What a worker needs to send any request of the run.
struct TransportSettings {
    base::Timing timing;
    // The sender and the mail server of MAILTO requests.
    std::string userEmail;
    std::string mailSetting;
    // The whole exchange should end by itself after this long (the worker latency limit), so
    // that a thread given up on ends soon after.
    base::Millis exchangeLimit{0};
};

// What came back from one request.
struct TransportOutcome {
    // HTTP: the exchange went through without an error. MAILTO: the mail server took the mail.
    bool ok = true;
    // Why the exchange failed, empty otherwise. For mail: the server's reply that ended the
    // conversation, or the system's reason.
    std::string errorText;
    // HTTP: a POST answered with 400 or more keeps that status here; 1 otherwise.
    int status = 1;
    // HTTP: the status the site answered, 0 when there was no answer (and for mail).
    int responseCode = 0;
    // HTTP: the reply body as one line.
    std::string reply;
};

// Sends one request. Called from up to 15 worker threads at once, so implementations must be
// thread-safe; a worker that the run gave up on may still be inside `send` after the run has
// ended, which is why runs hold their transport by `shared_ptr`.
class Transport {
public:
    virtual ~Transport() = default;
    // `request.method` is "GET", "POST" or "MAILTO".
    virtual TransportOutcome send(const SiteRequest& request,
                                  const TransportSettings& settings) = 0;
};

// The real transport: HTTP through `sendExchange`, MAILTO through `sendMail`.
std::shared_ptr<Transport> makeExchangeTransport();

// The recipient of a MAILTO request: its target without "SMTP:" and one leading ":", so
// "SMTP::add@dir.example" mails add@dir.example.
std::string mailRecipient(const std::string& targetUrl);

}  // namespace farrow::submit
