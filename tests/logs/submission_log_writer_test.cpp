#include "logs/submission_log_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "support/temp_workspace.h"

namespace farrow::logs {
namespace {

constexpr const char* kUrl = "http://host/dir/page.html";
constexpr const char* kHead =
    "<HTML>\n<BODY BGCOLOR=#C0C0C0 LINK=#FF0000 VLINK=#FF0000 ALINK=#FF0000>\n";
constexpr const char* kEnd = "</BODY>\n</HTML>\n";

// Sunday, 7 March 2004, at the given time.
std::tm march7(int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = 104;
    t.tm_mon = 2;
    t.tm_mday = 7;
    t.tm_wday = 0;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

base::Branding fullBranding(const std::string& heading2) {
    base::Branding b;
    b.vendorGraphic = "http://vendor.test/logo.gif";
    b.vendorName = "Acme";
    b.vendorHeading = "Site Submitter";
    b.vendorHeading2 = heading2;
    b.supportMail = "help@vendor.test";
    return b;
}

class SubmissionLogWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::makeDirectory(ws.file("LOGS"));
        platform::makeDirectory(ws.file("ERRORS"));
    }

    SubmissionLogWriter writer(const base::Branding& branding = {}, const char* url = kUrl) {
        return SubmissionLogWriter(
            makeLogNames(url, ws.file("LOGS"), ws.file("ERRORS"), march7(9, 5, 0)), url, branding);
    }

    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    test::TempWorkspace ws;
};

// The heads written with every branding value "NULL": the title follows the body tag.
std::string logHead(const std::string& errorLogName) {
    return std::string(kHead) +
           "<TITLE>Submission Log Of host+dir+page.html</TITLE>\n"
           "<B>Submission Log File created on Sunday, March 07, 2004 at 09:05</B><BR>\n"
           "<a href=\"" +
           errorLogName +
           "\"> Verbose Error Log </a><BR><BR>\n"
           "<B>Now Submitting http://host/dir/page.html</B><BR>\n"
           "<TABLE>\n";
}

std::string errorLogHead() {
    return std::string(kHead) +
           "<TITLE>Submission Error Log Of host+dir+page.html</TITLE>\n"
           "<B>Error Log File created on Sunday, March 07, 2004 at 09:05</B><BR>\n"
           "<B>Now Submitting http://host/dir/page.html</B><BR>\n"
           "<TABLE>\n";
}

TEST_F(SubmissionLogWriterTest, HeaderWithoutBranding) {
    const SubmissionLogWriter w = writer();
    w.writeHeader(march7(9, 5, 0));
    const std::string& err = w.names().errorLogName;
    EXPECT_EQ(err, ws.file("ERRORS") + "/host+dir+page.html-03070905.HTM");
    EXPECT_EQ(read(w.names().logPath), logHead(err));
    EXPECT_EQ(read(err), errorLogHead());
}

TEST_F(SubmissionLogWriterTest, HeaderWithBranding) {
    struct Case {
        const char* heading2;
        const char* headingLine;
    };
    const Case cases[] = {
        {"Pro", "<CENTER><H3>Acme: Site Submitter Pro</H3></CENTER>"},
        {"NULL", "<CENTER><H3>Acme: Site Submitter</H3></CENTER>"},
    };
    for (const Case& c : cases) {
        const SubmissionLogWriter w = writer(fullBranding(c.heading2));
        platform::removeFile(w.names().logPath);
        platform::removeFile(w.names().errorLogName);
        w.writeHeader(march7(9, 5, 0));
        const std::string branding =
            std::string(
                "<CENTER><IMG SRC=\"http://vendor.test/logo.gif\" alt=\"Vendor's "
                "Graphic\"></CENTER><BR>") +
            c.headingLine +
            "<CENTER>Mail Support At: <a href=\"mailto:help@vendor.test\">help@vendor.test</a>"
            "</CENTER><BR>";
        EXPECT_TRUE(
            read(w.names().logPath).starts_with(kHead + branding + "<TITLE>Submission Log Of "))
            << c.heading2;
        EXPECT_TRUE(read(w.names().errorLogName)
                        .starts_with(kHead + branding + "<TITLE>Submission Error Log Of "))
            << c.heading2;
    }
}

TEST_F(SubmissionLogWriterTest, WholeRunByteForByte) {
    const SubmissionLogWriter w = writer();
    const std::string& err = w.names().errorLogName;
    w.writeHeader(march7(9, 5, 0));
    w.writeSiteRow(SiteOutcome::Successful, "Alpha");
    writeErrorRow("Program.error [0] [Failed with RC of 404]", "Beta", err);
    w.writeSiteRow(SiteOutcome::Failed, "Beta");
    w.writeControlRow(ControlRow::PauseRequested);
    w.writeControlRow(ControlRow::StopRequested);
    writeErrorRow("Latent Thread Terminated", "Gamma", err);
    w.writeSiteRow(SiteOutcome::Terminated, "Gamma");
    w.writeControlRow(ControlRow::Stopped);
    w.writeFooterOpening(3723);
    w.writeFailureProfileNote(w.names().failureProfilePath);
    w.writeFooterClosing(3, 2, march7(10, 7, 3));

    const std::string blue = "<TR><TD><FONT COLOR=#0000FF> ";
    const std::string controls = blue + "Pausing Submission due to user request</FONT>\n" + blue +
                                 "Stopping Submission due to user request</FONT>\n";
    const std::string stopped = blue + "Submission Stopped Successfully</FONT>\n";
    EXPECT_EQ(read(w.names().logPath),
              logHead(err) +
                  "<TR><TD>SUCCESSFUL:<TD>Alpha\n"
                  "<TR><TD><FONT COLOR=#D00000><a href=\"" +
                  err + "#Beta\">FAILED:</FONT><TD>Beta\n" + controls +
                  "<TR><TD><FONT COLOR=#D00000><a href=\"" + err +
                  "#Gamma\">TERMINATED:</FONT><TD>Gamma\n" + stopped +
                  "</TABLE>\n"
                  "<B>Submission took: 1 hours 2 minutes and 3 seconds\n"
                  "<BR>Effective Ratio of Failures to Successes for this submission: 66.67<BR>\n" +
                  kEnd);
    EXPECT_EQ(
        read(err),
        errorLogHead() +
            "<TR><TD><A NAME=\"Beta\">Beta<TD>Program.error [0] [Failed with RC of 404]</A>\n" +
            controls + "<TR><TD><A NAME=\"Gamma\">Gamma<TD>Latent Thread Terminated</A>\n" +
            stopped +
            "</TABLE>\n"
            "<BR><B><I>Wrote Failure Profile " +
            w.names().failureProfilePath +
            "</B></I><BR>\n"
            "<B>Error Log File closed at Sunday, March 07, 2004</B><BR>\n" +
            kEnd);
}

TEST_F(SubmissionLogWriterTest, TwoRunsInOneMinuteAppendToTheSameFiles) {
    auto run = [this] {
        const SubmissionLogWriter w = writer();
        w.writeHeader(march7(9, 5, 0));
        w.writeSiteRow(SiteOutcome::Successful, "Alpha");
        w.writeFooterOpening(5);
        w.writeFooterClosing(1, 0, march7(9, 5, 5));
        return w.names();
    };
    const LogNames first = run();
    const std::string log = read(first.logPath);
    const std::string errors = read(first.errorLogName);
    ASSERT_TRUE(log.starts_with(kHead));
    ASSERT_TRUE(log.ends_with(kEnd));
    const LogNames second = run();
    EXPECT_EQ(second.logPath, first.logPath);
    EXPECT_EQ(read(first.logPath), log + log);
    EXPECT_EQ(read(first.errorLogName), errors + errors);
}

TEST_F(SubmissionLogWriterTest, DurationLine) {
    struct Case {
        long long seconds;
        const char* line;
    };
    const Case cases[] = {
        {3723, "1 hours 2 minutes and 3 seconds"},
        {0, "0 hours 0 minutes and 0 seconds"},
        {59, "0 hours 0 minutes and 59 seconds"},
        {90000, "1 hours 0 minutes and 0 seconds"},  // 25 hours: the day is not counted
        {-5, "0 hours 0 minutes and 0 seconds"},
    };
    const SubmissionLogWriter w = writer();
    for (const Case& c : cases) {
        platform::removeFile(w.names().logPath);
        w.writeFooterOpening(c.seconds);
        EXPECT_EQ(read(w.names().logPath),
                  std::string("</TABLE>\n<B>Submission took: ") + c.line + "\n")
            << c.seconds;
    }
}

TEST_F(SubmissionLogWriterTest, FailureRatio) {
    struct Case {
        double processed;
        double failed;
        const char* ratio;
    };
    const Case cases[] = {
        {12, 3, "25.00"}, {12, 0, "0.00"}, {0, 0, "0.00"}, {3, 1, "33.33"}, {1, 1, "100.00"},
    };
    const SubmissionLogWriter w = writer();
    for (const Case& c : cases) {
        platform::removeFile(w.names().logPath);
        w.writeFooterClosing(c.processed, c.failed, march7(9, 6, 0));
        EXPECT_EQ(read(w.names().logPath),
                  std::string("<BR>Effective Ratio of Failures to Successes for this "
                              "submission: ") +
                      c.ratio + "<BR>\n" + kEnd)
            << c.processed << "/" << c.failed;
    }
}

// Every value is escaped, and a failed row's link still names its error row's anchor.
TEST_F(SubmissionLogWriterTest, ValuesCannotInjectMarkup) {
    base::Branding b = fullBranding("<script>");
    const SubmissionLogWriter w = writer(b, "http://h/p?a=1&b=<i>\"");
    const std::string site = "A&B \"<x>\"";
    w.writeHeader(march7(9, 5, 0));
    w.writeSiteRow(SiteOutcome::Failed, site);
    writeErrorRow("bad <reply> & \"quote\"", site, w.names().errorLogName);
    writeInvalidUrlRow("http://h/?x=<y>", site, w.names().errorLogName);

    const std::string log = read(w.names().logPath);
    const std::string errors = read(w.names().errorLogName);
    EXPECT_EQ(log.find("<script>"), std::string::npos);
    EXPECT_EQ(log.find("<i>"), std::string::npos);
    EXPECT_NE(log.find("<TITLE>Submission Log Of h+p?a=1&amp;b=&lt;i&gt;&quot;</TITLE>"),
              std::string::npos);
    const std::string name = "A&amp;B &quot;&lt;x&gt;&quot;";
    const std::string row = siteRow(SiteOutcome::Failed, w.names().errorLogName, site);
    EXPECT_TRUE(log.ends_with(row));
    EXPECT_EQ(row.substr(row.find(".HTM#") + 5, name.size() + 1), name + "\"");
    EXPECT_TRUE(errors.ends_with(
        "<TR><TD><A NAME=\"" + name + "\">" + name +
        "<TD>bad &lt;reply&gt; &amp; &quot;quote&quot;</A>\n"
        "<TR><TD><A NAME=\"" +
        name + "\">" + name +
        "<TD>I do not recognize <b>http://h/?x=&lt;y&gt;</b> as a valid URL.</A>\n"));
    // The query mark in the file name is kept in the link, not read as a query.
    EXPECT_NE(row.find("h+p%3Fa=1&amp;b=&lt;i&gt;&quot;-03070905.HTM#"), std::string::npos);
}

TEST_F(SubmissionLogWriterTest, RowsFromManyThreadsAreNeitherLostNorMixed) {
    constexpr int kThreads = 16;
    constexpr int kRows = 100;
    const SubmissionLogWriter w = writer();
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&w, t] {
                for (int i = 0; i < kRows; ++i) {
                    const std::string site = "site-" + std::to_string(t) + "-" + std::to_string(i);
                    w.writeSiteRow(i % 2 ? SiteOutcome::Failed : SiteOutcome::Successful, site);
                    writeErrorRow(std::string(300, 'e'), site, w.names().errorLogName);
                }
            });
        }
    }
    std::set<std::string> expectedRows;
    std::set<std::string> expectedErrors;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kRows; ++i) {
            const std::string site = "site-" + std::to_string(t) + "-" + std::to_string(i);
            expectedRows.insert(siteRow(i % 2 ? SiteOutcome::Failed : SiteOutcome::Successful,
                                        w.names().errorLogName, site));
            expectedErrors.insert(errorRow(std::string(300, 'e'), site));
        }
    }
    auto rowsOf = [](const std::string& text) {
        std::multiset<std::string> rows;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            rows.insert(line + "\n");
        }
        return rows;
    };
    const auto rows = rowsOf(read(w.names().logPath));
    const auto errors = rowsOf(read(w.names().errorLogName));
    EXPECT_EQ(std::set<std::string>(rows.begin(), rows.end()), expectedRows);
    EXPECT_EQ(rows.size(), expectedRows.size());
    EXPECT_EQ(std::set<std::string>(errors.begin(), errors.end()), expectedErrors);
    EXPECT_EQ(errors.size(), expectedErrors.size());
}

}  // namespace
}  // namespace farrow::logs
