#include "sandbox/sandbox_server.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/timing.h"
#include "sandbox/demo_site.h"
#include "submit/mail_exchange.h"
#include "support/temp_workspace.h"

namespace farrow::sandbox {
namespace {

class SandboxServerTest : public ::testing::Test {
protected:
    SandboxServerTest() : server_(settings(), log_) { server_.start(); }

    SandboxSettings settings() {
        SandboxSettings s;
        s.mailbox = workspace_.path() / "MAILBOX";
        s.routes.slowStep = std::chrono::milliseconds(20);
        return s;
    }

    httplib::Client client(int readTimeoutMs = 2000) {
        httplib::Client c("127.0.0.1", server_.httpPort());
        c.set_read_timeout(std::chrono::milliseconds(readTimeoutMs));
        return c;
    }

    submit::MailExchange mailTo(const std::string& recipient, const std::string& body) {
        submit::MailExchange mail;
        submit::resetMail(mail);
        mail.subject = "Site Submission Request";
        mail.body = body;
        mail.recipient = recipient;
        mail.sender = "owner@site.example";
        mail.server = "127.0.0.1:" + std::to_string(server_.mailPort());
        mail.ok = 1;
        base::Timing timing;
        timing.mailTimeout = std::chrono::milliseconds(3000);
        submit::sendMail(mail, timing);
        return mail;
    }

    test::TempWorkspace workspace_;
    std::ostringstream log_;
    SandboxServer server_;
};

struct RouteCase {
    std::string path;
    int status;
    std::string bodyHolds;
};

TEST_F(SandboxServerTest, EachAnsweringTargetHasItsOwnReplyForGetAndPost) {
    const std::vector<RouteCase> cases = {
        {"/accept", 200, "Your site has been added"},
        {"/repeat", 200, "ERROR: Repeat URL"},
        {"/reject-url", 200, "your URL is in ERROR"},
        {"/missing", 404, ""},
        {"/broken", 500, ""},
        {"/moved", 302, "moved"},
        {"/slow", 200, "Your site has been added"},
    };
    httplib::Client c = client();
    for (const RouteCase& rc : cases) {
        for (const bool post : {false, true}) {
            SCOPED_TRACE(rc.path + (post ? " POST" : " GET"));
            const httplib::Result res =
                post ? c.Post(rc.path.c_str(), "url=x", "application/x-www-form-urlencoded")
                     : c.Get((rc.path + "?url=x").c_str());
            ASSERT_TRUE(res) << httplib::to_string(res.error());
            EXPECT_EQ(res->status, rc.status);
            EXPECT_NE(res->body.find(rc.bodyHolds), std::string::npos) << res->body;
        }
    }
    EXPECT_EQ(client().Get("/moved")->get_header_value("Location"), "/accept");
    // A slow reply arrives whole, ended properly.
    EXPECT_NE(client().Get("/slow")->body.find("</html>"), std::string::npos);
    // Every request is logged as it arrives, with the behaviour of its route.
    EXPECT_NE(log_.str().find("http POST /broken (5 bytes): answers 500"), std::string::npos)
        << log_.str();
}

TEST_F(SandboxServerTest, StallingAndSilentTargetsHoldTheClientUntilItGivesUp) {
    for (const char* path : {"/stall", "/silent"}) {
        SCOPED_TRACE(path);
        const httplib::Result res = client(200).Get(path);
        EXPECT_FALSE(res && res->status == 200 && res->body.find("</html>") != std::string::npos);
    }
    // Stopping lets go of the held requests at once instead of waiting out the hold limit.
    server_.stop();
}

TEST_F(SandboxServerTest, SearchPageEchoesTheQueryAsText) {
    const httplib::Result res = client().Get("/search?q=fresh+%3Cb%3Ebread%3C/b%3E");
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("You searched for <b>fresh &lt;b&gt;bread&lt;/b&gt;</b>"),
              std::string::npos)
        << res->body;
}

TEST_F(SandboxServerTest, DemoSiteServesEveryPageAndItsFolder) {
    for (const DemoPage& page : demoPages()) {
        const httplib::Result res = client().Get(("/site/" + page.name).c_str());
        ASSERT_TRUE(res) << page.name;
        EXPECT_NE(res->body.find("<title>" + page.title + "</title>"), std::string::npos);
    }
    EXPECT_EQ(client().Get("/site/")->body, demoPages().front().html);
    EXPECT_EQ(client().Get("/site/nothing.htm")->status, 404);
}

TEST_F(SandboxServerTest, MailSinkKeepsAcceptedMailAndRefusesRefuseMailboxes) {
    const submit::MailExchange taken = mailTo("listings@sandbox.example", "URL=x\r\n.hidden line");
    EXPECT_EQ(taken.ok, 1) << taken.error.reason;
    const submit::MailExchange refused = mailTo("refuse-all@sandbox.example", "URL=x");
    EXPECT_EQ(refused.ok, 0);
    EXPECT_EQ(refused.error.code, platform::TransferErrorCode::Refused);

    EXPECT_EQ(server_.mailSink().keptCount(), 1);
    std::ifstream in(workspace_.path() / "MAILBOX" / "mail-0001.txt", std::ios::binary);
    std::stringstream kept;
    kept << in.rdbuf();
    EXPECT_NE(kept.str().find("X-Sandbox-To: listings@sandbox.example\r\n"), std::string::npos);
    EXPECT_NE(kept.str().find("Subject: Site Submission Request\r\nURL=x\r\n.hidden line"),
              std::string::npos)
        << kept.str();
    EXPECT_FALSE(std::filesystem::exists(workspace_.path() / "MAILBOX" / "mail-0002.txt"));
}

TEST(MailboxOfTest, TakesWhatStandsBetweenTheAngleBrackets) {
    EXPECT_EQ(mailboxOf("RCPT TO:<a@b.example>"), "a@b.example");
    EXPECT_EQ(mailboxOf("RCPT TO:<>"), "");
    EXPECT_EQ(mailboxOf("RCPT TO: a@b.example"), "");
}

}  // namespace
}  // namespace farrow::sandbox
