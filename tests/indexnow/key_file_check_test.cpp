#include "indexnow/key_file_check.h"

#include <gtest/gtest.h>

#include "support/loopback_http_server.h"
#include "support/loopback_listener.h"
#include "support/temp_workspace.h"
#include "support/test_certificate.h"

namespace farrow::indexnow {
namespace {

void addKeyFiles(httplib::Server& server) {
    const auto text = [&server](const std::string& path, const std::string& body) {
        server.Get(path, [body](const httplib::Request&, httplib::Response& res) {
            res.set_content(body, "text/plain; charset=utf-8");
        });
    };
    text("/abcdefgh.txt", "abcdefgh");
    text("/bom/abcdefgh.txt",
         "\xEF\xBB\xBF"
         "abcdefgh\r\n");
    text("/wrong/abcdefgh.txt", "abcdefgi");
    text("/twice/abcdefgh.txt", "abcdefgh\nabcdefgh");
    text("/empty/abcdefgh.txt", "");
    server.Get("/moved/abcdefgh.txt", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("https://cdn.example.test/abcdefgh.txt", 301);
    });
    server.Get("/huge/abcdefgh.txt", [](const httplib::Request&, httplib::Response& res) {
        // 100 MB that starts with the key; only what the check reads is ever made.
        res.set_content_provider(
            std::size_t{100} << 20, "text/plain",
            [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                static const std::string block = "abcdefgh" + std::string(64 * 1024 - 8, ' ');
                (void)offset;
                return sink.write(block.data(), std::min(length, block.size()));
            });
    });
}

KeyScope scopeAt(const std::string& site, const std::string& location) {
    return *keyScope(site, "abcdefgh", location).scope;
}

TEST(KeyFileCheck, SaysPlainlyWhatIsWrong) {
    test::LoopbackHttpServer server;
    addKeyFiles(server.routes());
    server.start();
    base::Timing timing;
    const std::string site = server.url("/");
    const std::string closed =
        "http://127.0.0.1:" + std::to_string(test::closedLoopbackPort()) + "/";
    struct Case {
        std::string site;
        std::string location;
        KeyFileState state;
        std::string words;
    } cases[] = {
        {site, "", KeyFileState::Ok, "OK"},
        {site, server.url("/bom/abcdefgh.txt"), KeyFileState::Ok, "OK"},
        {site, server.url("/missing/abcdefgh.txt"), KeyFileState::NotFound, "status 404"},
        {site, server.url("/wrong/abcdefgh.txt"), KeyFileState::WrongContent, "does not hold"},
        {site, server.url("/twice/abcdefgh.txt"), KeyFileState::WrongContent, "does not hold"},
        {site, server.url("/empty/abcdefgh.txt"), KeyFileState::WrongContent, "does not hold"},
        {site, server.url("/huge/abcdefgh.txt"), KeyFileState::WrongContent, "far larger"},
        {site, server.url("/moved/abcdefgh.txt"), KeyFileState::Redirected,
         "https://cdn.example.test/abcdefgh.txt"},
        {closed, "", KeyFileState::Unreachable, "not reachable"},
    };
    for (const Case& c : cases) {
        const KeyFileCheck check = checkKeyFile(scopeAt(c.site, c.location), timing, "", "");
        EXPECT_EQ(check.state, c.state) << c.location << ": " << check.message;
        EXPECT_NE(check.message.find(c.words), std::string::npos) << check.message;
    }
}

TEST(KeyFileCheck, HttpsVerifiesTheSitesCertificate) {
    test::TempWorkspace dir;
    const test::TestCertificate cert = test::makeTestCertificate(dir.path());
    test::LoopbackHttpServer server(cert);
    addKeyFiles(server.routes());
    server.start();
    const KeyScope scope = scopeAt(server.url("/"), "");
    EXPECT_EQ(checkKeyFile(scope, base::Timing{}, "", "").state, KeyFileState::Unreachable);
    EXPECT_EQ(checkKeyFile(scope, base::Timing{}, cert.certFile, "").state, KeyFileState::Ok);
}

}  // namespace
}  // namespace farrow::indexnow
