#include "platform/page_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/loopback_http_server.h"
#include "support/temp_workspace.h"

namespace farrow::platform {
namespace {

class PageReaderTest : public testing::Test {
protected:
    void SetUp() override {
        server.routes().Get("/lines", [](const httplib::Request&, httplib::Response& res) {
            // Sent in pieces that split lines, with a last line that has no line break.
            res.set_chunked_content_provider("text/html", [](std::size_t, httplib::DataSink& sink) {
                for (const std::string piece : {"one\r\ntw", "o\n", "\nthr", "ee"}) {
                    sink.write(piece.data(), piece.size());
                }
                sink.done();
                return true;
            });
        });
        server.routes().Get("/moved", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/lines");
        });
        server.routes().Get("/gone", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here\n", "text/html");
        });
        // Pages without end: lines, bytes without a line feed, and a byte now and then.
        server.routes().Get("/endless", [this](const httplib::Request&, httplib::Response& res) {
            endless(res, std::string(100, 'x') + "\n", 0);
        });
        server.routes().Get("/noBreaks", [this](const httplib::Request&, httplib::Response& res) {
            endless(res, std::string(4096, 'y'), 0);
        });
        server.routes().Get("/trickle", [this](const httplib::Request&, httplib::Response& res) {
            endless(res, "z", 20);
        });
        server.routes().Get("/longLines", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(1000, 'x') + "\nshort\n" + std::string(1000, 'y'),
                            "text/html");
        });
        server.start();
    }
    void TearDown() override { *released = true; }

    void endless(httplib::Response& res, const std::string& piece, int pauseMs) {
        res.set_chunked_content_provider("text/html", [piece, pauseMs, released = released](
                                                          std::size_t, httplib::DataSink& sink) {
            if (*released || !sink.write(piece.data(), piece.size())) {
                sink.done();
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
            return true;
        });
    }

    PageReadResult read(const std::string& url, std::size_t stopAfter = 100) {
        lines.clear();
        return readPageLines(url, options, [&](std::string_view line) {
            lines.emplace_back(line);
            return lines.size() < stopAfter;
        });
    }

    std::shared_ptr<std::atomic<bool>> released = std::make_shared<std::atomic<bool>>(false);
    farrow::test::LoopbackHttpServer server;
    PageReadOptions options{std::chrono::milliseconds{2000}, std::chrono::milliseconds{500},
                            "farrowlane"};
    std::vector<std::string> lines;
};

TEST_F(PageReaderTest, HandsOverWholeLinesWithoutLineEnds) {
    EXPECT_TRUE(read(server.url("/lines")).ok);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "three"}));
}

TEST_F(PageReaderTest, FollowsRedirectsAndReadsErrorPages) {
    EXPECT_TRUE(read(server.url("/moved")).ok);
    EXPECT_EQ(lines.size(), 4u);
    EXPECT_TRUE(read(server.url("/gone")).ok);
    EXPECT_EQ(lines, std::vector<std::string>{"not here"});
}

TEST_F(PageReaderTest, StoppingEarlyIsNoFailure) {
    EXPECT_TRUE(read(server.url("/lines"), 1).ok);
    EXPECT_EQ(lines, std::vector<std::string>{"one"});
}

// Whatever a server sends, a read keeps a bounded part of it and says which bound it met.
TEST_F(PageReaderTest, AnEndlessPageEndsAtTheByteCap) {
    options.maxPageBytes = 64 * 1024;
    const PageReadResult lined = read(server.url("/endless"), 1u << 20);
    EXPECT_TRUE(lined.ok) << lined.reason;
    EXPECT_EQ(lined.limitHit, "only the first 65536 bytes were read");
    EXPECT_EQ(lines.size(), 64u * 1024 / 101);

    options.maxLineBytes = 1000;
    const PageReadResult unbroken = read(server.url("/noBreaks"));
    EXPECT_TRUE(unbroken.ok) << unbroken.reason;
    EXPECT_EQ(unbroken.limitHit, "only the first 65536 bytes were read");
    EXPECT_TRUE(lines.empty()) << "the unfinished line at the cut is dropped";
}

TEST_F(PageReaderTest, ALongLineIsHandedOverCut) {
    options.maxLineBytes = 100;
    const PageReadResult result = read(server.url("/longLines"));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.limitHit, "lines longer than 100 bytes were cut");
    EXPECT_EQ(lines,
              (std::vector<std::string>{std::string(100, 'x'), "short", std::string(100, 'y')}));
}

TEST_F(PageReaderTest, APageTrickledUnderTheStallLimitFailsAtTheReadLimit) {
    options.readLimit = std::chrono::milliseconds(300);
    const PageReadResult result = read(server.url("/trickle"), 1u << 20);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "the page took longer than 300 ms to read");
}

TEST_F(PageReaderTest, ARaisedStopEndsTheReadWithoutFailure) {
    std::atomic<bool> stop{false};
    options.stop = &stop;
    std::size_t count = 0;
    const PageReadResult result = readPageLines(server.url("/endless"), options, [&](auto) {
        stop = ++count == 10;
        return true;
    });
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.stopped);
    EXPECT_GE(count, 10u);
    EXPECT_LT(count, 1000u);
}

TEST_F(PageReaderTest, OpensNoOtherSchemes) {
    farrow::test::TempWorkspace workspace;
    workspace.write("page.htm", "secret\n");
    const PageReadResult result = read("file://" + workspace.file("page.htm"));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace farrow::platform
