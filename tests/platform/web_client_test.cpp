#include "platform/web_client.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "support/loopback_http_server.h"
#include "support/loopback_listener.h"
#include "support/temp_workspace.h"
#include "support/test_certificate.h"

namespace farrow::platform {
namespace {

using namespace std::chrono_literals;

void addRoutes(httplib::Server& server) {
    server.Get("/hello", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("X-Mixed-Case", "Value 1");
        res.set_content("hello body", "text/plain");
    });
    server.Post("/echo", [](const httplib::Request& req, httplib::Response& res) {
        res.status = 202;
        res.set_content(req.get_header_value("Content-Type") + "|" +
                            req.get_header_value("Expect") + "|" + req.body,
                        "text/plain");
    });
    server.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("https://elsewhere.invalid/KEY.txt");
    });
    server.Get("/huge", [](const httplib::Request&, httplib::Response& res) {
        // Claims 2 GB; only what the client reads is ever made.
        const std::size_t claimed = std::size_t{2} << 30;
        res.set_content_provider(claimed, "text/html",
                                 [](std::size_t, std::size_t length, httplib::DataSink& sink) {
                                     static const std::string block(64 * 1024, 'x');
                                     sink.write(block.data(), std::min(length, block.size()));
                                     return true;
                                 });
    });
}

WebRequest request(const std::string& url, const std::string& method = "GET") {
    const base::Timing timing;
    WebRequest r;
    r.method = method;
    r.url = url;
    r.maxBodyBytes = timing.siteCrawlPageBytes;
    r.connectTimeout = timing.siteCrawlConnectTimeout;
    r.stallTimeout = timing.siteCrawlStallTimeout;
    r.deadline = timing.siteCrawlPageDeadline;
    return r;
}

class WebClientTest : public testing::Test {
protected:
    void SetUp() override {
        addRoutes(server.routes());
        server.start();
    }

    test::TempWorkspace dir;
    test::LoopbackHttpServer server;
};

TEST_F(WebClientTest, GetGivesStatusLowerCasedHeadersAndBody) {
    const WebResponse r = fetchWeb(request(server.url("/hello")));
    ASSERT_EQ(r.failure, WebFailure::None) << r.reason;
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "hello body");
    EXPECT_EQ(r.header("x-mixed-case"), "Value 1");
    EXPECT_EQ(r.header("content-type"), "text/plain");
    EXPECT_EQ(r.header("absent"), "");
    EXPECT_FALSE(r.truncated);
}

TEST_F(WebClientTest, PostSendsBodyAndHeadersWithoutWaitingForContinue) {
    // Large enough that libcurl would otherwise ask for "100 Continue".
    const std::string body = "{\"urlList\":[\"" + std::string(2 << 20, 'a') + "\"]}";
    WebRequest post = request(server.url("/echo"), "POST");
    post.headers = {"Content-Type: application/json; charset=utf-8"};
    post.body = body;
    const WebResponse r = fetchWeb(post);
    ASSERT_EQ(r.failure, WebFailure::None) << r.reason;
    EXPECT_EQ(r.status, 202);
    EXPECT_EQ(r.body, "application/json; charset=utf-8||" + body);
}

TEST_F(WebClientTest, RedirectComesBackUnfollowed) {
    const WebResponse r = fetchWeb(request(server.url("/moved")));
    ASSERT_EQ(r.failure, WebFailure::None) << r.reason;
    EXPECT_EQ(r.status, 302);
    EXPECT_EQ(r.header("location"), "https://elsewhere.invalid/KEY.txt");
}

TEST_F(WebClientTest, LongBodyIsCutAtTheCapAndTheReadEnds) {
    WebRequest huge = request(server.url("/huge"));
    huge.maxBodyBytes = 100000;
    const WebResponse r = fetchWeb(huge);
    ASSERT_EQ(r.failure, WebFailure::None) << r.reason;
    EXPECT_EQ(r.status, 200);
    EXPECT_TRUE(r.truncated);
    EXPECT_EQ(r.body.size(), 100000u);
}

TEST_F(WebClientTest, HeadAsksForNoBody) {
    const WebResponse r = fetchWeb(request(server.url("/hello"), "HEAD"));
    ASSERT_EQ(r.failure, WebFailure::None) << r.reason;
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "");
}

TEST(WebClientFailures, EachFailureIsSortedWithAReason) {
    test::LoopbackListener silent;
    const std::string closed = "http://127.0.0.1:" + std::to_string(test::closedLoopbackPort());
    const std::string stalled = "http://127.0.0.1:" + std::to_string(silent.port()) + "/";
    struct Case {
        std::string url;
        std::string method;
        WebFailure failure;
    } cases[] = {
        {"ftp://127.0.0.1/x", "GET", WebFailure::BadUrl},
        {"file:///etc/passwd", "GET", WebFailure::BadUrl},
        {"", "GET", WebFailure::BadUrl},
        {"http://", "GET", WebFailure::BadUrl},
        {closed + "/", "GET", WebFailure::Connect},
        {closed + "/", "DELETE", WebFailure::Other},
        {stalled, "GET", WebFailure::Timeout},
    };
    for (const Case& c : cases) {
        WebRequest one = request(c.url, c.method);
        one.stallTimeout = 100ms;
        const WebResponse r = fetchWeb(one);
        EXPECT_EQ(r.failure, c.failure) << c.url << ": " << r.reason;
        EXPECT_FALSE(r.reason.empty()) << c.url;
    }
}

TEST(WebClientFailures, DeadlineEndsAnExchangeThatKeepsTrickling) {
    test::LoopbackHttpServer server;
    server.routes().Get("/slow", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/plain", [](std::size_t, httplib::DataSink& sink) {
            std::this_thread::sleep_for(10ms);
            return sink.write("x", 1);
        });
    });
    server.start();
    WebRequest slow = request(server.url("/slow"));
    slow.stallTimeout = 1000ms;
    slow.deadline = 200ms;
    const WebResponse r = fetchWeb(slow);
    EXPECT_EQ(r.failure, WebFailure::Timeout) << r.reason;
}

TEST(WebClientFailures, AHeaderThatStopsHalfwayIsSaidToBeCut) {
    // A peer that sends the status line and one header line, then nothing.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::atomic<bool> done{false};
    std::jthread peer([&] {
        const int connection = ::accept(listener, nullptr, nullptr);
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";
        ::send(connection, head.data(), head.size(), 0);
        while (!done) {
            std::this_thread::sleep_for(5ms);
        }
        ::close(connection);
    });
    WebRequest cut = request("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/");
    cut.stallTimeout = 200ms;
    const WebResponse r = fetchWeb(cut);
    done = true;
    ::close(listener);
    EXPECT_EQ(r.failure, WebFailure::Timeout);
    EXPECT_EQ(r.reason,
              "the answer's header stopped after 43 bytes, before its end: nothing received for "
              "200 ms");
}

TEST(WebClientFailures, CancelEndsAWaitingExchange) {
    test::LoopbackListener silent;
    std::atomic<bool> cancel{false};
    WebRequest waiting = request("http://127.0.0.1:" + std::to_string(silent.port()) + "/");
    waiting.cancel = &cancel;
    std::jthread canceller([&] {
        std::this_thread::sleep_for(50ms);
        cancel = true;
    });
    const WebResponse r = fetchWeb(waiting);
    EXPECT_EQ(r.failure, WebFailure::Cancelled) << r.reason;
}

class WebClientTlsTest : public testing::Test {
protected:
    void SetUp() override {
        cert = test::makeTestCertificate(dir.path());
        server = std::make_unique<test::LoopbackHttpServer>(cert);
        addRoutes(server->routes());
        server->start();
    }

    test::TempWorkspace dir;
    test::TestCertificate cert;
    std::unique_ptr<test::LoopbackHttpServer> server;
};

TEST_F(WebClientTlsTest, VerifiedWithTheCaFileBesideTheSystemStore) {
    WebRequest get = request(server->url("/hello"));
    get.caFile = cert.certFile;
    const WebResponse r = fetchWeb(get);
    ASSERT_EQ(r.failure, WebFailure::None) << r.reason;
    EXPECT_EQ(r.body, "hello body");
    WebRequest postRequest = request(server->url("/echo"), "POST");
    postRequest.body = "{}";
    postRequest.caFile = cert.certFile;
    const WebResponse post = fetchWeb(postRequest);
    ASSERT_EQ(post.failure, WebFailure::None) << post.reason;
    EXPECT_EQ(post.status, 202);
}

TEST_F(WebClientTlsTest, RefusedWithoutTheCaFileOrForAnotherName) {
    const std::string localhost = "https://localhost:" + std::to_string(server->port()) + "/hello";
    test::TempWorkspace otherDir;
    const test::TestCertificate other = test::makeTestCertificate(otherDir.path());
    struct Case {
        std::string url;
        std::string caFile;
    } cases[] = {
        {server->url("/hello"), ""},
        // A CA of its own, that never signed the server's certificate.
        {server->url("/hello"), other.certFile},
        // The certificate names 127.0.0.1 only.
        {localhost, cert.certFile},
    };
    for (const Case& c : cases) {
        WebRequest one = request(c.url);
        one.caFile = c.caFile;
        const WebResponse r = fetchWeb(one);
        EXPECT_EQ(r.failure, WebFailure::Certificate)
            << c.url << " " << c.caFile << ": " << r.reason;
    }
    EXPECT_EQ(server->tlsHandshakes(), 3u);
}

TEST_F(WebClientTlsTest, ACaFileThatCannotBeUsedIsNamedWithTheReasonBeforeAnyConnection) {
    const std::string pem = [&] {
        std::ifstream in(cert.certFile);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    std::ofstream(dir.file("garbage.pem")) << "not a certificate\n";
    std::ofstream(dir.file("broken.pem")) << "-----BEGIN CERTIFICATE-----\n!!!!\n"
                                          << "-----END CERTIFICATE-----\n";
    // A certificate after text, as bundles carry comments, is found.
    std::ofstream(dir.file("commented.pem")) << "# the test CA\n" << pem;
    ASSERT_EQ(mkfifo(dir.file("fifo.pem").c_str(), 0600), 0);
    struct Case {
        std::string file;
        std::string reason;
    } cases[] = {
        {dir.file("missing.pem"), "No such file or directory (2)"},
        // A FIFO would hold the read until someone wrote to it.
        {dir.file("fifo.pem"), "not a regular file"},
        {dir.path().string(), "not a regular file"},
        {dir.file("garbage.pem"), "holds no PEM certificate"},
        {dir.file("broken.pem"), "no PEM certificate could be read: "},
    };
    for (const Case& c : cases) {
        WebRequest one = request(server->url("/hello"));
        one.caFile = c.file;
        const WebResponse r = fetchWeb(one);
        EXPECT_EQ(r.failure, WebFailure::Certificate) << c.file << ": " << r.reason;
        EXPECT_TRUE(r.reason.starts_with("FARROWLANE_CA_FILE " + c.file + ": " + c.reason))
            << r.reason;
    }
    EXPECT_EQ(server->tlsHandshakes(), 0u);
    WebRequest commented = request(server->url("/hello"));
    commented.caFile = dir.file("commented.pem");
    EXPECT_EQ(fetchWeb(commented).failure, WebFailure::None);
}

}  // namespace
}  // namespace farrow::platform
