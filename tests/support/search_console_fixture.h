#pragma once

#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "sandbox/request_log.h"
#include "sandbox/search_console_service.h"
#include "support/loopback_http_server.h"
#include "support/temp_workspace.h"

namespace farrow::test {

// The sandbox's Search Console on a loopback port of its own, with a workspace that holds its
// service account's key file as google-credentials.json. Tests that use it link the sandbox.
class SearchConsoleFixture {
public:
    explicit SearchConsoleFixture(sandbox::SearchConsoleSettings settings = {}) {
        std::string error;
        auto made = sandbox::makeSandboxAccount(error);
        if (!made) {
            throw std::runtime_error(error);
        }
        service = std::make_unique<sandbox::SearchConsoleService>(log, *made, settings);
        service->addRoutes(server.routes());
        server.start();
        service->setTokenUri(tokenUri());
        if (!sandbox::writeCredentials(credentials(), service->account(), tokenUri())) {
            throw std::runtime_error("cannot write the key file");
        }
    }

    std::string api() const { return server.url(""); }
    std::string tokenUri() const { return server.url(sandbox::kGoogleTokenPath); }
    std::string credentials() const { return dir.file(sandbox::kGoogleCredentialsName); }
    // "http://127.0.0.1:PORT/": the sites the tests inspect live on the server's own address.
    std::string site() const { return server.url("/"); }

    TempWorkspace dir;
    std::ostringstream requests;
    sandbox::RequestLog log{requests};
    // Before the server, which goes first and so stops calling it.
    std::unique_ptr<sandbox::SearchConsoleService> service;
    LoopbackHttpServer server;
};

}  // namespace farrow::test
