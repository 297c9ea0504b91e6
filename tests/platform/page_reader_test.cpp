#include "platform/page_reader.h"

#include <gtest/gtest.h>

#include <string>
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
        server.start();
    }

    PageReadResult read(const std::string& url, std::size_t stopAfter = 100) {
        lines.clear();
        return readPageLines(url, options, [&](std::string_view line) {
            lines.emplace_back(line);
            return lines.size() < stopAfter;
        });
    }

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
