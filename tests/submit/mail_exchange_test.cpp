#include "submit/mail_exchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/tcp_socket.h"
#include "support/loopback_listener.h"
#include "support/scripted_smtp_server.h"

namespace farrow::submit {
namespace {

using namespace std::chrono_literals;
using test::ScriptedSmtpServer;

constexpr const char* kSender = "owner@example.test";
constexpr const char* kRecipient = "add@directory.test";

class MailExchangeTest : public ::testing::Test {
protected:
    void SetUp() override { timing.mailTimeout = 300ms; }

    MailExchange send(const std::string& server, const std::string& body = "name=Site\r\n") {
        MailExchange mail;
        resetMail(mail);
        mail.subject = "Site Submission Request";
        mail.body = body;
        mail.recipient = kRecipient;
        mail.sender = kSender;
        mail.server = server;
        mail.ok = 1;
        sendMail(mail, timing);
        return mail;
    }

    static std::string message(const std::string& body) {
        return std::string("From: ") + kSender + "\r\nSubject: Site Submission Request\r\n" + body +
               "\r\n\r\n";
    }

    static std::vector<std::string> verbs(const std::vector<std::string>& commands) {
        std::vector<std::string> result;
        for (const std::string& c : commands) {
            result.push_back(c.substr(0, 4));
        }
        return result;
    }

    app::Timing timing;
};

TEST_F(MailExchangeTest, HappyConversationSendsExactlyTheseBytes) {
    ScriptedSmtpServer server;
    const std::string body = "name=My+Site\r\nurl=http://example.test/\r\n";
    MailExchange mail = send(server.address(), body);
    EXPECT_EQ(mail.ok, 1);
    EXPECT_EQ(server.received(), "HELO " + platform::localHostName() + "\r\n" +
                                     "MAIL FROM:<owner@example.test>\r\n"
                                     "RCPT TO:<add@directory.test>\r\n"
                                     "DATA\r\n" +
                                     message(body) + ".\r\n" + "QUIT\r\n");
}

struct ScriptCase {
    const char* name;
    // The verb whose answer is scripted ("greeting" for the server's first words).
    const char* verb;
    std::string reply;
    int ok;
    std::vector<std::string> verbs;
    friend void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }
};

class MailScript : public MailExchangeTest, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(MailScript, EndsWhereTheServerSays) {
    const ScriptCase& c = GetParam();
    ScriptedSmtpServer server;
    if (std::string(c.verb) == "greeting") {
        server.setGreeting(c.reply);
    } else {
        server.setReply(c.verb, c.reply);
    }
    MailExchange mail = send(server.address());
    EXPECT_EQ(mail.ok, c.ok);
    EXPECT_EQ(verbs(server.commands()), c.verbs);
}

const std::vector<std::string> kAllVerbs = {"HELO", "MAIL", "RCPT", "DATA", "QUIT"};

INSTANTIATE_TEST_SUITE_P(
    Replies, MailScript,
    ::testing::Values(
        ScriptCase{"RecipientRefused", "RCPT", "550 no such user\r\n", 0, {"HELO", "MAIL", "RCPT"}},
        ScriptCase{"GreetingRefused", "greeting", "554 go away\r\n", 0, {}},
        ScriptCase{"ClosedBeforeGreeting", "greeting", ScriptedSmtpServer::kClose, 0, {}},
        ScriptCase{"ClosedAfterHelo", "HELO", ScriptedSmtpServer::kClose, 0, {"HELO"}},
        ScriptCase{"DataNotInvited", "DATA", "250 fine\r\n", 0, {"HELO", "MAIL", "RCPT", "DATA"}},
        ScriptCase{
            "MessageRefused", ".", "452 mailbox full\r\n", 0, {"HELO", "MAIL", "RCPT", "DATA"}},
        ScriptCase{"SilentAfterSender", "MAIL", ScriptedSmtpServer::kSilent, 0, {"HELO", "MAIL"}},
        ScriptCase{"QuitAnsweredOddly", "QUIT", "500 what?\r\n", 1, kAllVerbs},
        ScriptCase{"QuitClosed", "QUIT", ScriptedSmtpServer::kClose, 1, kAllVerbs},
        ScriptCase{"QuitUnanswered", "QUIT", ScriptedSmtpServer::kSilent, 1, kAllVerbs},
        // Only the code of a reply counts, however many lines came with it.
        ScriptCase{"MultiLineReply", "MAIL", "250-first\r\n250 second\r\n", 1, kAllVerbs},
        // A reply filling the whole receive buffer is read without going past it.
        ScriptCase{"FullBufferGreeting", "greeting", "220" + std::string(507, 'x') + "\r\n", 1,
                   kAllVerbs}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MailExchangeTest, BodyWithADotLineArrivesWhole) {
    ScriptedSmtpServer server;
    const std::string body =
        "name=Site\r\n.\r\nMAIL FROM:<someone@else.test>\r\n.hidden=1\r\n..two\r\nend=1";
    MailExchange mail = send(server.address(), body);
    EXPECT_EQ(mail.ok, 1);
    ASSERT_EQ(server.messages().size(), 1u);
    EXPECT_EQ(server.messages()[0], message(body));
    EXPECT_EQ(verbs(server.commands()), kAllVerbs);
}

TEST_F(MailExchangeTest, BodyLongerThan512BytesArrivesWhole) {
    ScriptedSmtpServer server;
    std::string body;
    for (int i = 0; i < 40; ++i) {
        body += "field" + std::to_string(i) + "=" + std::string(60, 'v') + "\r\n";
    }
    ASSERT_GT(body.size(), 512u);
    MailExchange mail = send(server.address(), body);
    EXPECT_EQ(mail.ok, 1);
    ASSERT_EQ(server.messages().size(), 1u);
    EXPECT_EQ(server.messages()[0], message(body));
}

TEST_F(MailExchangeTest, UnreachableServersFail) {
    test::LoopbackListener silent;
    const std::vector<std::string> servers = {
        // A label longer than 63 characters is refused by the resolver itself, so the lookup
        // fails without any query leaving the machine.
        std::string(64, 'a') + ".invalid",
        "127.0.0.1:" + std::to_string(test::closedLoopbackPort()),
        // Accepts the connection but never greets.
        "127.0.0.1:" + std::to_string(silent.port()),
    };
    for (const std::string& server : servers) {
        EXPECT_EQ(send(server).ok, 0) << server;
    }
}

TEST_F(MailExchangeTest, MalformedServerSettingsConnectNowhere) {
    test::LoopbackListener listener;
    const std::string port = std::to_string(listener.port());
    for (const std::string& server :
         std::vector<std::string>{"127.0.0.1:0", "127.0.0.1:70000", "127.0.0.1:" + port + "x",
                                  ":" + port, "[127.0.0.1:" + port, "", "127.0.0.1:-" + port}) {
        EXPECT_EQ(send(server).ok, 0) << server;
    }
    EXPECT_EQ(listener.drainConnections(), 0);
}

TEST(ComposeMailMessage, DoublesLeadingDotsOnly) {
    struct Case {
        std::string body;
        std::string sent;
    };
    const Case cases[] = {
        {"", ""},
        {".", ".."},
        {".start", "..start"},
        {"a\r\n.\r\nb", "a\r\n..\r\nb"},
        {"a\n.b", "a\n..b"},
        {"a\r\n..b", "a\r\n...b"},
        {"a.b\r\nc.", "a.b\r\nc."},
    };
    for (const Case& c : cases) {
        MailExchange mail;
        mail.sender = "s@x.test";
        mail.subject = "S";
        mail.body = c.body;
        EXPECT_EQ(composeMailMessage(mail),
                  "From: s@x.test\r\nSubject: S\r\n" + c.sent + "\r\n\r\n.\r\n")
            << c.body;
    }
}

}  // namespace
}  // namespace farrow::submit
