#include "submit/mail_exchange.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/tcp_socket.h"
#include "support/loopback_listener.h"
#include "support/scripted_smtp_server.h"

namespace farrow::submit {
namespace {

using namespace std::chrono_literals;
using platform::TransferErrorCode;
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

    base::Timing timing;
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
    TransferErrorCode code = TransferErrorCode::None;
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
    EXPECT_EQ(mail.error.code, c.code) << mail.error.reason;
    EXPECT_EQ(mail.error.reason.empty(), c.ok == 1) << mail.error.reason;
    EXPECT_EQ(verbs(server.commands()), c.verbs);
}

const std::vector<std::string> kAllVerbs = {"HELO", "MAIL", "RCPT", "DATA", "QUIT"};

INSTANTIATE_TEST_SUITE_P(
    Replies, MailScript,
    ::testing::Values(
        ScriptCase{"RecipientRefused",
                   "RCPT",
                   "550 no such user\r\n",
                   0,
                   {"HELO", "MAIL", "RCPT"},
                   TransferErrorCode::Refused},
        ScriptCase{
            "GreetingRefused", "greeting", "554 go away\r\n", 0, {}, TransferErrorCode::Refused},
        ScriptCase{"ClosedBeforeGreeting",
                   "greeting",
                   ScriptedSmtpServer::kClose,
                   0,
                   {},
                   TransferErrorCode::ConnectionClosed},
        ScriptCase{"ClosedAfterHelo",
                   "HELO",
                   ScriptedSmtpServer::kClose,
                   0,
                   {"HELO"},
                   TransferErrorCode::ConnectionClosed},
        ScriptCase{"DataNotInvited",
                   "DATA",
                   "250 fine\r\n",
                   0,
                   {"HELO", "MAIL", "RCPT", "DATA"},
                   TransferErrorCode::Refused},
        ScriptCase{"MessageRefused",
                   ".",
                   "452 mailbox full\r\n",
                   0,
                   {"HELO", "MAIL", "RCPT", "DATA"},
                   TransferErrorCode::Refused},
        ScriptCase{"SilentAfterSender",
                   "MAIL",
                   ScriptedSmtpServer::kSilent,
                   0,
                   {"HELO", "MAIL"},
                   TransferErrorCode::TimedOut},
        ScriptCase{"QuitAnsweredOddly", "QUIT", "500 what?\r\n", 1, kAllVerbs},
        ScriptCase{"QuitClosed", "QUIT", ScriptedSmtpServer::kClose, 1, kAllVerbs},
        ScriptCase{"QuitUnanswered", "QUIT", ScriptedSmtpServer::kSilent, 1, kAllVerbs},
        // Only the code of a reply counts, however many lines came with it.
        ScriptCase{"MultiLineReply", "MAIL", "250-first\r\n250 second\r\n", 1, kAllVerbs},
        // A reply filling the whole receive buffer is read without going past it.
        ScriptCase{"FullBufferGreeting", "greeting", "220" + std::string(507, 'x') + "\r\n", 1,
                   kAllVerbs},
        // Replies are read to their last line, however they arrive.
        ScriptCase{"GreetingInTwoSegments", "greeting",
                   "220 test" + test::pauseMark(50) + ".invalid ready\r\n", 1, kAllVerbs},
        ScriptCase{"TwoLineGreeting", "greeting",
                   "220-test.invalid\r\n" + test::pauseMark(50) + "220 ready\r\n", 1, kAllVerbs},
        ScriptCase{"GreetingLongerThanTheBuffer", "greeting",
                   "220 " + std::string(600, 'x') + "\r\n", 1, kAllVerbs},
        ScriptCase{"TwoLineRecipientReply", "RCPT",
                   "250-recipient\r\n" + test::pauseMark(50) + "250 ok\r\n", 1, kAllVerbs},
        ScriptCase{"RefusalAfterContinuationLines",
                   "RCPT",
                   "550-no\r\n550 such user\r\n",
                   0,
                   {"HELO", "MAIL", "RCPT"},
                   TransferErrorCode::Refused}),
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
    const TransferErrorCode codes[] = {TransferErrorCode::NameNotResolved,
                                       TransferErrorCode::ConnectFailed,
                                       TransferErrorCode::TimedOut};
    for (std::size_t i = 0; i < servers.size(); ++i) {
        const MailExchange mail = send(servers[i]);
        EXPECT_EQ(mail.ok, 0) << servers[i];
        EXPECT_EQ(mail.error.code, codes[i]) << servers[i] << ": " << mail.error.reason;
        EXPECT_FALSE(mail.error.reason.empty()) << servers[i];
    }
}

TEST_F(MailExchangeTest, RefusalKeepsTheServersWords) {
    ScriptedSmtpServer server;
    server.setReply("RCPT", "550 no such user here\r\n");
    const MailExchange mail = send(server.address());
    EXPECT_EQ(mail.error.code, TransferErrorCode::Refused);
    EXPECT_NE(mail.error.reason.find("550 no such user here"), std::string::npos)
        << mail.error.reason;
}

// Each answer comes well inside the time-out, but the conversation as a whole does not: it
// ends before the mail is handed over.
TEST_F(MailExchangeTest, TimeOutBoundsTheWholeConversation) {
    ScriptedSmtpServer server;
    timing.mailTimeout = 400ms;
    const std::string late = test::pauseMark(150);
    server.setGreeting(late + "220 slow\r\n");
    for (const char* verb : {"HELO", "MAIL", "RCPT", "DATA"}) {
        server.setReply(verb, late + (std::string(verb) == "DATA" ? "354 go\r\n" : "250 ok\r\n"));
    }
    const MailExchange mail = send(server.address());
    EXPECT_EQ(mail.ok, 0);
    EXPECT_EQ(mail.error.code, TransferErrorCode::TimedOut) << mail.error.reason;
    EXPECT_TRUE(server.messages().empty());
    for (const std::string& verb : verbs(server.commands())) {
        EXPECT_NE(verb, "DATA");
    }
}

TEST_F(MailExchangeTest, ExchangeLimitEndsASlowConversationToo) {
    ScriptedSmtpServer server;
    timing.mailTimeout = 10000ms;
    timing.exchangeLimit = 300ms;
    const std::string late = test::pauseMark(150);
    server.setGreeting(late + "220 slow\r\n");
    server.setReply("HELO", late + "250 ok\r\n");
    server.setReply("MAIL", late + "250 ok\r\n");
    const MailExchange mail = send(server.address());
    EXPECT_EQ(mail.ok, 0);
    EXPECT_EQ(mail.error.code, TransferErrorCode::TimedOut) << mail.error.reason;
    EXPECT_TRUE(server.messages().empty());
}

// The mail is taken; a server that never answers QUIT does not hold the worker for the rest of
// the mail time-out.
TEST_F(MailExchangeTest, UnansweredQuitIsWaitedForBriefly) {
    ScriptedSmtpServer server;
    timing.mailTimeout = 20000ms;
    timing.mailQuitWait = 50ms;
    server.setReply("QUIT", ScriptedSmtpServer::kSilent);
    const auto start = std::chrono::steady_clock::now();
    const MailExchange mail = send(server.address());
    EXPECT_EQ(mail.ok, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, timing.mailTimeout / 2);
}

TEST_F(MailExchangeTest, MalformedServerSettingsConnectNowhere) {
    test::LoopbackListener listener;
    const std::string port = std::to_string(listener.port());
    for (const std::string& server :
         std::vector<std::string>{"127.0.0.1:0", "127.0.0.1:70000", "127.0.0.1:" + port + "x",
                                  ":" + port, "[127.0.0.1:" + port, "", "127.0.0.1:-" + port}) {
        const MailExchange mail = send(server);
        EXPECT_EQ(mail.ok, 0) << server;
        EXPECT_EQ(mail.error.code, TransferErrorCode::BadAddress) << server;
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
