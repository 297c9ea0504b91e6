#include "submit/http_exchange.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/loopback_http_server.h"
#include "support/loopback_listener.h"
#include "support/raw_http_server.h"
#include "support/scripted_send.h"

namespace farrow::submit {
namespace {

using namespace std::chrono_literals;
using test::RawHttpServer;

constexpr const char* kException = "CInternet Exception Caught: ";

// What the echo handler saw of the last POST.
struct SeenPost {
    std::string body;
    std::string contentType;
    std::string agent;
    bool expectHeader = false;
};

class HttpExchangeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        // A proxy from the environment must not stand between the tests and their server.
        ::setenv("no_proxy", "127.0.0.1", 1);
    }
    static void TearDownTestSuite() { curl_global_cleanup(); }

    void SetUp() override {
        timing.httpConnectTimeout = 500ms;
        // A second: a loopback answer under ThreadSanitizer on a busy machine took over 300 ms.
        timing.httpSendTimeout = 1000ms;
        timing.httpReceiveTimeout = 1000ms;
        addRoutes(server.routes());
        server.start();
    }

    void TearDown() override {
        {
            std::lock_guard lock(mutex);
            released = true;
        }
        wake.notify_all();
    }

    void addRoutes(httplib::Server& r) {
        r.Get("/lines", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("first line\r\nsecond\nthird\r\n\r\nlast", "text/html");
        });
        r.Get("/big", [](const httplib::Request&, httplib::Response& res) {
            std::string body;
            for (int i = 0; i < 60; ++i) {
                body += std::string(999, static_cast<char>('a' + i % 26)) + "\r\n";
            }
            res.set_content(body, "text/html");
        });
        auto status = [](const httplib::Request& req, httplib::Response& res) {
            res.status = std::stoi(req.matches[1]);
            res.set_content("status page", "text/html");
        };
        r.Get(R"(/status/(\d+))", status);
        r.Post(R"(/status/(\d+))", status);
        auto moved = [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "/target");
            res.set_content("moved body", "text/html");
        };
        r.Get("/moved", moved);
        r.Post("/moved", moved);
        auto target = [this](const httplib::Request&, httplib::Response& res) {
            ++targetHits;
            res.set_content("target body", "text/html");
        };
        r.Get("/target", target);
        r.Post("/target", target);
        r.Post("/echo", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex);
            seen = {req.body, req.get_header_value("Content-Type"),
                    req.get_header_value("User-Agent"), req.has_header("Expect")};
            res.set_content("got " + req.body, "text/plain");
        });
        r.Get("/who", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("id=" + req.get_param_value("id"), "text/plain");
        });
        r.Get("/raw", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.target, "text/plain");
        });
        // The client's port, which tells one connection from another.
        r.Get("/port", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::to_string(req.remote_port), "text/plain");
        });
        // A slow but steady reply: a piece every 100 ms, longer in all than the time-out.
        r.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain",
                                             [](std::size_t, httplib::DataSink& sink) {
                                                 for (int i = 0; i < 6; ++i) {
                                                     std::this_thread::sleep_for(100ms);
                                                     sink.write("piece\n", 6);
                                                 }
                                                 sink.done();
                                                 return true;
                                             });
        });
        // A reply that starts and then falls silent until the test ends.
        r.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider(
                "text/plain", [this](std::size_t, httplib::DataSink& sink) {
                    sink.write("start\n", 6);
                    std::unique_lock lock(mutex);
                    wake.wait_for(lock, 10s, [this] { return released; });
                    return false;
                });
        });
    }

    HttpExchange send(const std::string& method, const std::string& url,
                      const std::string& data = "") {
        HttpExchange e;
        e.url = url;
        resetExchange(e);
        e.method = method;
        e.data = data;
        sendExchange(e, timing);
        return e;
    }

    base::Timing timing;
    test::LoopbackHttpServer server;
    std::mutex mutex;
    std::condition_variable wake;
    bool released = false;
    SeenPost seen;
    std::atomic<int> targetHits{0};
};

TEST_F(HttpExchangeTest, MultiLineReplyArrivesAsOneLine) {
    HttpExchange e = send("GET", server.url("/lines"));
    EXPECT_TRUE(e.ok) << e.errorText;
    EXPECT_EQ(e.reply, "first linesecondthirdlast");
}

TEST_F(HttpExchangeTest, LongReplyIsCutAfterTheLineReaching45000) {
    HttpExchange e = send("GET", server.url("/big"));
    ASSERT_TRUE(e.ok) << e.errorText;
    // 45 lines of 999 make 44955; the 46th is the one that reaches the limit.
    ASSERT_EQ(e.reply.size(), 46u * 999u);
    EXPECT_EQ(e.reply.substr(45 * 999), std::string(999, 't'));
}

TEST_F(HttpExchangeTest, PostSendsTheBodyVerbatimToTheExplicitPort) {
    const std::string body = "a=1&b=two+words&c=%41%42&d=" + std::string(5000, 'z');
    HttpExchange e = send("POST", server.url("/echo"), body);
    EXPECT_TRUE(e.ok) << e.errorText;
    EXPECT_EQ(e.reply, "got " + body);
    std::lock_guard lock(mutex);
    EXPECT_EQ(seen.body, body);
    EXPECT_EQ(seen.contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(seen.agent, kAgentName);
    EXPECT_FALSE(seen.expectHeader);
}

// The server would keep the connection open for more; each exchange still opens its own, and
// neither a GET nor a POST finds one left by the last exchange.
TEST_F(HttpExchangeTest, EveryExchangeOpensAConnectionOfItsOwn) {
    std::vector<std::string> ports;
    for (int i = 0; i < 4; ++i) {
        HttpExchange e = send("GET", server.url("/port"));
        ASSERT_TRUE(e.ok) << e.errorText;
        EXPECT_EQ(std::count(ports.begin(), ports.end(), e.reply), 0) << e.reply;
        ports.push_back(e.reply);
        EXPECT_TRUE(send("POST", server.url("/echo"), "a=1").ok);
    }
}

TEST_F(HttpExchangeTest, GetAppendsTheDataToTheAddress) {
    HttpExchange e = send("GET", server.url("/who?id="), "42");
    EXPECT_TRUE(e.ok) << e.errorText;
    EXPECT_EQ(e.reply, "id=42");
}

TEST_F(HttpExchangeTest, SpacesInTheAddressTravelEscaped) {
    HttpExchange e =
        send("GET", server.url("/raw?addr="), "1+Main+St, Apt+2&url=http://me/a#top&kw=C#&x=y ");
    EXPECT_TRUE(e.ok) << e.errorText;
    EXPECT_EQ(e.reply, "/raw?addr=1+Main+St,%20Apt+2&url=http://me/a%23top&kw=C%23&x=y%20");
}

struct StatusCase {
    const char* name;
    const char* method;
    const char* path;
    bool ok;
    const char* errorText;
    int status;
    const char* reply;
    int targetHits;
    friend void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }
};

class HttpStatus : public HttpExchangeTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(HttpStatus, IsJudgedByMethod) {
    const StatusCase& c = GetParam();
    HttpExchange e = send(c.method, server.url(c.path));
    EXPECT_EQ(e.ok, c.ok);
    EXPECT_EQ(e.errorText, c.errorText);
    EXPECT_EQ(e.status, c.status);
    EXPECT_EQ(e.reply, c.reply);
    EXPECT_EQ(targetHits, c.targetHits);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, HttpStatus,
    ::testing::Values(
        StatusCase{"PostNotFound", "POST", "/status/404", false, "Failed with RC of 404", 404, "",
                   0},
        // A GET leaves `status` as it was.
        StatusCase{"GetNotFound", "GET", "/status/404", false, "Failed with RC of 404", 1, "", 0},
        StatusCase{"PostServerError", "POST", "/status/500", false, "Failed with RC of 500", 500,
                   "", 0},
        StatusCase{"GetOk", "GET", "/status/200", true, "", 1, "status page", 0},
        StatusCase{"PostBelow400", "POST", "/status/399", true, "", 1, "status page", 0},
        // A redirect answering a POST is not followed and counts as delivered.
        StatusCase{"PostRedirectNotFollowed", "POST", "/moved", true, "", 1, "moved body", 0},
        StatusCase{"GetRedirectFollowed", "GET", "/moved", true, "", 1, "target body", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpExchangeTest, UnknownMethodSendsNothing) {
    test::LoopbackListener listener;
    HttpExchange e = send("post", "http://127.0.0.1:" + std::to_string(listener.port()) + "/");
    EXPECT_TRUE(e.ok);
    EXPECT_EQ(e.errorText, "");
    EXPECT_EQ(e.reply, "");
    EXPECT_EQ(listener.drainConnections(), 0);
}

struct BadAddressCase {
    const char* name;
    const char* method;
    const char* prefix;
    friend void PrintTo(const BadAddressCase& c, std::ostream* os) { *os << c.name; }
};

class HttpBadAddress : public HttpExchangeTest,
                       public ::testing::WithParamInterface<BadAddressCase> {};

TEST_P(HttpBadAddress, FailsWithoutTraffic) {
    test::LoopbackListener listener;
    const std::string url =
        std::string(GetParam().prefix) + "127.0.0.1:" + std::to_string(listener.port()) + "/x";
    HttpExchange e = send(GetParam().method, url, "a=b");
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.errorText, "AfxParseUrl of " + url + " returned an error");
    EXPECT_EQ(e.status, 1);
    EXPECT_EQ(listener.drainConnections(), 0);
}

INSTANTIATE_TEST_SUITE_P(Schemes, HttpBadAddress,
                         ::testing::Values(BadAddressCase{"PostHttps", "POST", "https://"},
                                           BadAddressCase{"PostFtp", "POST", "ftp://"},
                                           BadAddressCase{"PostNoScheme", "POST", ""},
                                           BadAddressCase{"PostMailto", "POST", "mailto:"},
                                           BadAddressCase{"GetFtp", "GET", "ftp://"},
                                           BadAddressCase{"GetFile", "GET", "file://"},
                                           BadAddressCase{"GetGopher", "GET", "gopher://"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpExchangeTest, ErrorTextIsCutTo255) {
    const std::string url = "ftp://127.0.0.1/" + std::string(300, 'p');
    HttpExchange e = send("POST", url);
    const std::string full = "AfxParseUrl of " + url + " returned an error";
    EXPECT_EQ(e.errorText, full.substr(0, kErrorTextLimit));
}

struct TransportFailureCase {
    const char* name;
    const char* method;
    // Where to send: a closed port, a listener that never answers, or a server path.
    enum { Closed, Silent, Path } target;
    const char* path;
    const char* reason;
    friend void PrintTo(const TransportFailureCase& c, std::ostream* os) { *os << c.name; }
};

class HttpTransportFailure : public HttpExchangeTest,
                             public ::testing::WithParamInterface<TransportFailureCase> {};

TEST_P(HttpTransportFailure, GivesTheLibraryReason) {
    const TransportFailureCase& c = GetParam();
    test::LoopbackListener listener;
    std::string url;
    switch (c.target) {
        case TransportFailureCase::Closed:
            url = "http://127.0.0.1:" + std::to_string(test::closedLoopbackPort()) + "/";
            break;
        case TransportFailureCase::Silent:
            url = "http://127.0.0.1:" + std::to_string(listener.port()) + "/";
            break;
        case TransportFailureCase::Path:
            url = server.url(c.path);
            break;
    }
    HttpExchange e = send(c.method, url);
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.status, 1);
    ASSERT_TRUE(e.errorText.starts_with(kException)) << e.errorText;
    EXPECT_NE(e.errorText.find(c.reason), std::string::npos) << e.errorText;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, HttpTransportFailure,
    ::testing::Values(TransportFailureCase{"RefusedGet", "GET", TransportFailureCase::Closed, "",
                                           "Couldn't connect"},
                      TransportFailureCase{"RefusedPost", "POST", TransportFailureCase::Closed, "",
                                           "Couldn't connect"},
                      TransportFailureCase{"NeverAnswers", "POST", TransportFailureCase::Silent, "",
                                           "Timeout was reached"},
                      TransportFailureCase{"StallsMidReply", "GET", TransportFailureCase::Path,
                                           "/stall", "Timeout was reached"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpExchangeTest, SlowSteadyReplyIsReadToItsEnd) {
    HttpExchange e = send("GET", server.url("/slow"));
    EXPECT_TRUE(e.ok) << e.errorText;
    EXPECT_EQ(e.reply, "piecepiecepiecepiecepiecepiece");
}

TEST_F(HttpExchangeTest, ExchangeLimitEndsASteadyReply) {
    timing.exchangeLimit = 250ms;
    HttpExchange e = send("GET", server.url("/slow"));
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.errorText,
              std::string(kException) + "Timeout was reached: the exchange ran for 250 ms");
}

struct RawReplyCase {
    const char* name;
    std::string script;
    bool ok;
    // The reply when `ok`, else a part of the error text after the exception prefix.
    const char* expected;
    friend void PrintTo(const RawReplyCase& c, std::ostream* os) { *os << c.name; }
};

class HttpRawReply : public HttpExchangeTest, public ::testing::WithParamInterface<RawReplyCase> {};

TEST_P(HttpRawReply, IsDeliveredOnlyWhenWhole) {
    const RawReplyCase& c = GetParam();
    RawHttpServer raw(c.script);
    for (const char* method : {"GET", "POST"}) {
        HttpExchange e = send(method, raw.url("/"), "a=b");
        EXPECT_EQ(e.ok, c.ok) << method << ": " << e.errorText;
        if (c.ok) {
            EXPECT_EQ(e.errorText, "") << method;
            EXPECT_EQ(e.reply, c.expected) << method;
        } else {
            EXPECT_TRUE(e.errorText.starts_with(kException)) << method << ": " << e.errorText;
            EXPECT_NE(e.errorText.find(c.expected), std::string::npos)
                << method << ": " << e.errorText;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, HttpRawReply,
    ::testing::Values(
        RawReplyCase{"CutInsideHeaders", "HTTP/1.1 200 OK\r\nContent-Le", false,
                     "ended inside its headers"},
        RawReplyCase{"StatusLineOnly", "HTTP/1.1 200 OK\r\n", false, "ended inside its headers"},
        RawReplyCase{"BodyCutShort", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", false,
                     "bytes remaining"},
        RawReplyCase{"NothingAtAll", "", false, "Empty reply"},
        // Without a length the body runs to the closed connection, which is whole.
        RawReplyCase{"BodyToTheEnd", "HTTP/1.1 200 OK\r\n\r\nline one\r\nline two", true,
                     "line oneline two"},
        // Every byte counts as activity, so a status line trickled slower than the receive
        // time-out per line, but faster per byte, is read.
        RawReplyCase{"TrickledStatusLine",
                     [] {
                         std::string script;
                         for (char c : std::string("HTTP/1.1 200")) {
                             script += std::string(1, c) + test::pauseMark(60);
                         }
                         return script + " OK\r\nContent-Length: 2\r\n\r\nhi";
                     }(),
                     true, "hi"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpExchangeTest, NoAcceptTypesAreSent) {
    RawHttpServer raw("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    for (const char* method : {"GET", "POST"}) {
        HttpExchange e = send(method, raw.url("/form"), "a=b");
        EXPECT_TRUE(e.ok) << method << ": " << e.errorText;
        const std::string head = raw.requestHead();
        EXPECT_NE(head.find("\r\nUser-Agent: farrowlane"), std::string::npos) << head;
        EXPECT_EQ(head.find("\r\nAccept:"), std::string::npos) << head;
    }
}

// A stalled reply and a body the server never reads both fail soon after their limit, not up
// to a second later, with that limit in the message. The bound is coarse on purpose.
TEST_F(HttpExchangeTest, StallsFailSoonAfterTheirLimit) {
    // The product's connect time-out: a watch that only runs when libcurl looks in by itself
    // fires up to a second late with it.
    timing.httpConnectTimeout = 2000ms;
    RawHttpServer deaf("", RawHttpServer::Mode::NeverRead);
    struct Case {
        const char* method;
        std::string url;
        std::string data;
        const char* message;
    };
    const Case cases[] = {
        {"GET", server.url("/stall"), "", "Timeout was reached: nothing received for 1000 ms"},
        {"POST", deaf.url("/"), std::string(20 << 20, 'x'),
         "Timeout was reached: nothing sent for 1000 ms"},
    };
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        HttpExchange e = send(c.method, c.url, c.data);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_FALSE(e.ok) << c.method;
        EXPECT_EQ(e.errorText, std::string(kException) + c.message) << c.method;
        EXPECT_LT(took, 3 * timing.httpReceiveTimeout) << c.method;
    }
}

TEST_F(HttpExchangeTest, FifteenExchangesAtOnceShareNothing) {
    constexpr int kThreads = 15;
    // The test server's listen queue holds only 5; a connection beyond that waits for the
    // system's retry a second later, which the program's own time-outs allow for.
    timing = base::Timing{};
    std::vector<HttpExchange> results(kThreads);
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&, i] {
                results[i] = i % 2 ? send("GET", server.url("/who?id="), std::to_string(i))
                                   : send("POST", server.url("/status/404"));
            });
        }
    }
    for (int i = 0; i < kThreads; ++i) {
        if (i % 2) {
            EXPECT_TRUE(results[i].ok) << i << ": " << results[i].errorText;
            EXPECT_EQ(results[i].reply, "id=" + std::to_string(i));
        } else {
            EXPECT_FALSE(results[i].ok) << i;
            EXPECT_EQ(results[i].status, 404) << i;
        }
    }
}

}  // namespace
}  // namespace farrow::submit
