#include "audit/audit_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli/command_line.h"
#include "support/loopback_http_server.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace farrow::audit {
namespace {

const base::TimePoint kWhen = base::TimePoint(std::chrono::seconds(1796886720));  // 07:12 UTC

AuditRecord record(std::size_t pages, std::string file) {
    return {kWhen, "http://site.test/",          pages,          3, 5,
            1,     crawl::CrawlEnding::Finished, std::move(file)};
}

TEST(AuditRecord, TheLastOfTheListIsReadBackFromItsEndAlone) {
    test::TempWorkspace workspace;
    const std::string path = auditRecordsPath(workspace.workspace());
    EXPECT_EQ(readLastAudit(path).record, std::nullopt) << "no list yet";
    EXPECT_TRUE(readLastAudit(path).problem.empty());

    // Longer than the end that is read: only the last line counts, whatever came before.
    for (std::size_t i = 0; i < 1000; ++i) {
        ASSERT_FALSE(appendAuditRecord(path, record(i, workspace.file("audit.html"))));
    }
    ASSERT_GT(std::filesystem::file_size(path), 64u * 1024);
    AuditRecord last = record(42, workspace.file("audit.html"));
    last.ending = crawl::CrawlEnding::Cancelled;
    ASSERT_FALSE(appendAuditRecord(path, last));
    EXPECT_EQ(readLastAudit(path).record, last);

    // A line that is none of ours (cut, or another program's) is no audit.
    for (const char* foreign :
         {"{\"event\":\"audit\",\"when\":\"2026-12-10T07:12:00Z\",\"pag",
          "{\"event\":\"end\",\"pages\":3}",
          "{\"event\":\"audit\",\"when\":\"yesterday\",\"pages\":1,"
          "\"errors\":0,\"warnings\":0,\"notices\":0,\"ending\":\"finished\"}",
          "not json at all"}) {
        workspace.write("audits.jsonl", std::string(foreign) + "\n");
        EXPECT_EQ(readLastAudit(path).record, std::nullopt) << foreign;
    }
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_FALSE(readLastAudit(path).problem.empty());
}

TEST(AuditRecord, TheSummaryLineNamesTheFileShortInItsWorkspace) {
    const std::string root = "/home/ann/site";
    EXPECT_EQ(lastAuditLine(record(42, "/home/ann/site/audit.html"), root),
              "Last audit 2026-12-10 07:12 UTC: 42 pages, 3 errors, 5 warnings, 1 notice "
              "(audit.html)");
    EXPECT_EQ(summaryLine(record(1, "/home/ann/site/audit.html"), root + "/"),
              "1 page, 3 errors, 5 warnings, 1 notice (audit.html)");
    EXPECT_EQ(summaryLine(record(2, "/tmp/out/audit.html"), root),
              "2 pages, 3 errors, 5 warnings, 1 notice (/tmp/out/audit.html)");
    AuditRecord onStdout = record(2, "");
    onStdout.ending = crawl::CrawlEnding::PageBound;
    EXPECT_EQ(summaryLine(onStdout, root),
              "2 pages, 3 errors, 5 warnings, 1 notice, the crawl cut at a bound");
}

// farrowctl audit records each audit it wrote, to a file or to stdout, and none it did not.
TEST(AuditRecord, FarrowctlAuditRecordsEachAuditItWrote) {
    test::LoopbackHttpServer server;
    server.routes().Get("/site/index.htm", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<title>Home</title><a href=\"gone.htm\">gone</a>", "text/html");
    });
    server.start();
    test::TempWorkspace workspace;
    cli::CommandSettings settings;
    settings.workspace = workspace.workspace();
    settings.timing.crawlPoll = base::Millis(2);
    const auto audit = [&](const std::string& start, std::vector<std::string> args) {
        workspace.write("p.fl2", test::profileFileText({}, server.url(start), "Mine"));
        args.insert(args.begin(), {"audit", workspace.file("p.fl2")});
        std::ostringstream out;
        std::ostringstream err;
        return cli::runCommand(args, out, err, settings);
    };
    const std::string path = auditRecordsPath(workspace.workspace());

    ASSERT_EQ(audit("/site/index.htm", {"--format", "jsonl"}), cli::kExitSomeFailed);
    std::optional<AuditRecord> last = readLastAudit(path).record;
    ASSERT_TRUE(last);
    EXPECT_EQ(last->file, workspace.file("audit.jsonl"));
    EXPECT_EQ(last->startUrl, server.url("/site/index.htm"));
    EXPECT_EQ(last->pages, 2u);
    EXPECT_EQ(last->errors, 1u);
    EXPECT_EQ(last->ending, crawl::CrawlEnding::Finished);

    ASSERT_EQ(audit("/site/index.htm", {"--out", "-"}), cli::kExitSomeFailed);
    EXPECT_EQ(readLastAudit(path).record->file, "");
    const std::string before = workspace.read("audits.jsonl");
    EXPECT_EQ(audit("/missing.htm", {}), cli::kExitFailed);
    EXPECT_EQ(audit("/site/index.htm", {"--out", "nowhere/audit.html"}), cli::kExitFailed);
    EXPECT_EQ(workspace.read("audits.jsonl"), before);
    EXPECT_EQ(std::count(before.begin(), before.end(), '\n'), 2);
}

}  // namespace
}  // namespace farrow::audit
