#include "submit/submission_worker.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "support/fake_run_frontend.h"
#include "support/temp_workspace.h"

namespace farrow::submit {
namespace {

using test::ScriptedTransport;

struct WorkerFixture : ::testing::Test {
    WorkerFixture() {
        transport = std::make_shared<ScriptedTransport>();
        context.url = "http://my.example/";
        context.dumpPath = ws.file("HTMLDUMP.WRI");
        context.transport = transport;
        context.writeFlag = std::make_shared<WriteFlag>();
        context.transportSettings.timing.workerPoll = base::Millis(1);
    }
    WorkerSlot& run(const std::string& method, TransportOutcome outcome) {
        SiteRequest r{"Engine", "http://engine.example/add?u=1", " ", method, 0, "", ""};
        transport->script("Engine", std::move(outcome));
        slot = std::make_unique<WorkerSlot>(r, ws.file("err.htm"));
        runWorker(*slot, context);
        return *slot;
    }
    std::string errorLog() const {
        return platform::fileExists(ws.file("err.htm")) ? ws.read("err.htm") : "";
    }

    test::TempWorkspace ws;
    std::shared_ptr<ScriptedTransport> transport;
    WorkerContext context;
    std::unique_ptr<WorkerSlot> slot;
};

TransportOutcome reply(const std::string& text) {
    TransportOutcome o;
    o.reply = text;
    o.responseCode = 200;
    return o;
}

struct ReplyCase {
    std::string reply;
    int result;
    ReportReason reason;
};

class ReplyRules : public WorkerFixture, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(ReplyRules, JudgeTheReply) {
    const WorkerSlot& s = run("POST", reply(GetParam().reply));
    EXPECT_TRUE(s.finished);
    EXPECT_EQ(s.result, GetParam().result) << GetParam().reply;
    EXPECT_EQ(s.reason, GetParam().reason) << GetParam().reply;
    const bool invalid = GetParam().reason == ReportReason::InvalidUrl;
    EXPECT_EQ(errorLog().empty(), !invalid) << errorLog();
    if (invalid) {
        EXPECT_NE(errorLog().find("I do not recognize <b>http://my.example/</b> as a valid URL."),
                  std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Worker, ReplyRules,
    ::testing::Values(ReplyCase{"Thanks", 1, ReportReason::Accepted},
                      ReplyCase{"ERROR: Repeat URL", 1, ReportReason::AlreadyListed},
                      ReplyCase{"Your URL is in ERROR", 0, ReportReason::InvalidUrl},
                      ReplyCase{"ERROR before the URL", 1, ReportReason::Accepted},
                      ReplyCase{"URL: 0123456789012345ERROR", 1, ReportReason::Accepted},
                      ReplyCase{"URL: 012345678901ERROR", 0, ReportReason::InvalidUrl}));

TEST_F(WorkerFixture, FailedExchangeKeepsAPostStatusAndWritesOneErrorRow) {
    TransportOutcome o;
    o.ok = false;
    o.errorText = "Failed with RC of 500";
    o.status = 500;
    o.responseCode = 500;
    const WorkerSlot& s = run("POST", o);
    EXPECT_EQ(s.result, 500);
    EXPECT_EQ(s.httpStatus, 500);
    EXPECT_EQ(errorLog(),
              "<TR><TD><A NAME=\"Engine\">Engine<TD>Program.error [0] [Failed with RC "
              "of 500]</A>\n");
}

TEST_F(WorkerFixture, StoppedAfterACleanReplyStillSucceeds) {
    SiteRequest r{"Engine", "http://e/", " ", "GET", 0, "", ""};
    slot = std::make_unique<WorkerSlot>(r, ws.file("err.htm"));
    slot->stopRequested = true;
    runWorker(*slot, context);
    EXPECT_EQ(slot->result, 1);
    EXPECT_EQ(slot->reason, ReportReason::Stopped);
}

// Every failure leaves an error row for the FAILED row's link to land on, mail and unknown
// methods included; an unknown method reaches nobody.
TEST_F(WorkerFixture, MailRefusedAndUnknownMethodsFailWithAnErrorRow) {
    TransportOutcome refused;
    refused.ok = false;
    refused.errorText = "RCPT TO answered: 550 no such mailbox";
    EXPECT_EQ(run("MAILTO", refused).result, 0);
    EXPECT_EQ(slot->reason, ReportReason::MailRefused);
    EXPECT_EQ(slot->mailReason, "RCPT TO answered: 550 no such mailbox");
    EXPECT_EQ(errorLog(),
              "<TR><TD><A NAME=\"Engine\">Engine<TD>The mail was not sent: RCPT TO answered: 550 "
              "no such mailbox</A>\n");
    ws.write("err.htm", "");
    for (const char* method : {"FAX", "get", "FORM"}) {
        EXPECT_EQ(run(method, reply("x")).result, 0) << method;
        EXPECT_EQ(slot->reason, ReportReason::NotSent);
        EXPECT_EQ(slot->errorText, unknownMethodText(method));
    }
    EXPECT_EQ(transport->sent().size(), 1u) << "an unknown method sent something";
    EXPECT_EQ(errorLog(),
              "<TR><TD><A NAME=\"Engine\">Engine<TD>Unknown method &quot;FAX&quot;: "
              "nothing was sent</A>\n"
              "<TR><TD><A NAME=\"Engine\">Engine<TD>Unknown method &quot;get&quot;: "
              "nothing was sent</A>\n"
              "<TR><TD><A NAME=\"Engine\">Engine<TD>Unknown method &quot;FORM&quot;: "
              "nothing was sent</A>\n");
}

// An answer that comes at the latency limit is not the worker's to record: it writes no row and
// leaves the site to the dispatcher, which terminates it.
TEST_F(WorkerFixture, AnAnswerAtTheLimitWritesNothing) {
    test::ManualClock clock(test::fixedStart());
    context.clock = &clock;
    TransportOutcome cut;
    cut.ok = false;
    cut.errorText = "the exchange ran for 1600 ms";
    transport->script("Engine", cut);
    slot = std::make_unique<WorkerSlot>(SiteRequest{"Engine", "http://e/", " ", "GET", 0, "", ""},
                                        ws.file("err.htm"), clock.now(), base::Millis(1000));
    slot->addPaused(base::Millis(500));
    clock.advance(base::Millis(1499));
    runWorker(*slot, context);
    EXPECT_FALSE(slot->late()) << "paused time counted toward the limit";
    EXPECT_NE(errorLog(), "");

    ws.write("err.htm", "");
    slot = std::make_unique<WorkerSlot>(SiteRequest{"Engine", "http://e/", " ", "GET", 0, "", ""},
                                        ws.file("err.htm"), clock.now(), base::Millis(1000));
    clock.advance(base::Millis(1000));
    runWorker(*slot, context);
    EXPECT_TRUE(slot->finished);
    EXPECT_TRUE(slot->late());
    EXPECT_NE(slot->result, 1);
    EXPECT_EQ(errorLog(), "");
    EXPECT_TRUE(slot->giveUp());
}

TEST_F(WorkerFixture, DumpsOnlyWithTheSwitchAndTheExtendedDumpAddsDataAndMethod) {
    run("GET", reply("page"));
    EXPECT_FALSE(platform::fileExists(ws.file("HTMLDUMP.WRI")));
    context.htmlDump = true;
    run("GET", reply("page"));
    EXPECT_EQ(ws.read("HTMLDUMP.WRI"), "sz: http://engine.example/add?u=1\npage\n");
    EXPECT_STREQ(slot->statusText.load(), kStatusReleasedWriteFlag);
    EXPECT_EQ(context.writeFlag->value(), 0);
    context.extendedDump = true;
    run("GET", reply("two"));
    EXPECT_EQ(ws.read("HTMLDUMP.WRI"),
              "sz: http://engine.example/add?u=1\npage\n \nGET\nsz: "
              "http://engine.example/add?u=1\ntwo\n");
}

TEST_F(WorkerFixture, AnAbandonedWorkerWritesNothing) {
    context.htmlDump = true;
    TransportOutcome o;
    o.ok = false;
    o.errorText = "late";
    SiteRequest r{"Engine", "http://e/", " ", "GET", 0, "", ""};
    transport->script("Engine", o);
    slot = std::make_unique<WorkerSlot>(r, ws.file("err.htm"));
    EXPECT_TRUE(slot->giveUp());
    runWorker(*slot, context);
    EXPECT_TRUE(slot->finished);
    EXPECT_EQ(errorLog(), "");
    EXPECT_FALSE(platform::fileExists(ws.file("HTMLDUMP.WRI")));
    EXPECT_EQ(context.writeFlag->value(), 0);
}

TEST(MailRecipient, DropsThePrefixAndOneColon) {
    EXPECT_EQ(mailRecipient("SMTP::add@dir.example"), "add@dir.example");
    EXPECT_EQ(mailRecipient("SMTP:add@dir.example"), "add@dir.example");
    EXPECT_EQ(mailRecipient("SMTP:::x"), ":x");
}

}  // namespace
}  // namespace farrow::submit
