#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <ostream>

#include "audit/audit_job.h"
#include "base/clock.h"
#include "cli/command_line.h"
#include "cli/profile_loading.h"
#include "cli/progress_line.h"
#include "crawl/web_fetch.h"

namespace farrow::cli {

namespace {

struct AuditOptions {
    std::string file;
    std::string out;
    std::string format = "html";
    std::string failOn = "error";
    std::size_t maxPages = 0;
    std::size_t maxDepth = 0;
    std::optional<base::Millis> delay;
    bool external = false;
};

// The job's events on the text lines: the start, then one progress line for the crawl's pages
// and then the links to other sites.
class AuditProgress final : public audit::AuditJobFrontend, public audit::ExternalLinkProgress {
public:
    explicit AuditProgress(const CommandContext& context) : context_(context), line_(context) {}

    void crawling(const std::string& startUrl) override {
        context_.out << "Auditing " << startUrl << '\n' << std::flush;
    }
    void pageDone(const crawl::CrawledPage& page, std::size_t fetched,
                  std::size_t waiting) override {
        line_.show(std::to_string(fetched) + " read, " + std::to_string(waiting) + " waiting  " +
                   page.url);
    }
    void linkDone(const audit::ExternalLinkState& link, std::size_t done,
                  std::size_t total) override {
        line_.show("other sites: " + std::to_string(done) + " of " + std::to_string(total) +
                   " links checked  " + link.url);
    }

private:
    const CommandContext& context_;
    ProgressLine line_;
};

ExitCode runAudit(const AuditOptions& options, const CommandContext& context) {
    const std::optional<profile::SubmissionProfile> profile = readProfile(options.file, context);
    if (!profile) {
        return kExitFailed;
    }
    audit::AuditJob::Params job;
    job.format =
        options.format == "html" ? audit::AuditFormat::Html : audit::AuditFormat::JsonLines;
    job.out = options.out;
    // On stdout the audit stands alone: the text lines go to stderr.
    JsonLinesReport* onStdout = nullptr;
    std::optional<std::ostream> stdoutStream;
    if (options.out == "-") {
        if (!context.openReport("-", onStdout)) {
            return kExitFailed;
        }
        job.stream = &stdoutStream.emplace(&onStdout->output());
    }

    audit::AuditParams params;
    params.startUrl = profile->url;
    params.maxPages = options.maxPages;
    params.maxDepth = options.maxDepth;
    params.delay = options.delay;
    params.external = options.external;
    params.cancel = &InterruptScope::requested();
    job.audit = params;
    audit::AuditJob::Result result;
    {
        // A stop ends the crawl, or the check of other sites; what was read is audited.
        InterruptScope interrupts;
        AuditProgress progress(context);
        job.audit.externalProgress = &progress;
        result = audit::AuditJob::run(job, context.workspace, context.timing,
                                      crawl::webPageFetch(context.caFile), base::SystemClock(),
                                      progress);
    }
    if (result.outcome == audit::AuditJobOutcome::OutputUnusable ||
        result.outcome == audit::AuditJobOutcome::StartUnreadable) {
        context.err << "farrowctl: " << audit::failureText(result) << '\n';
        return kExitFailed;
    }
    if (const std::string ledger = audit::ledgerText(result.audit); !ledger.empty()) {
        context.err << "farrowctl: " << ledger << '\n';
    }
    if (const std::string record = audit::recordText(result.audit); !record.empty()) {
        context.err << "farrowctl: " << record << '\n';
    }
    if (result.outcome == audit::AuditJobOutcome::WriteFailed) {
        context.err << "farrowctl: " << audit::failureText(result) << '\n';
        return kExitFailed;
    }
    context.out << audit::summaryText(result.audit);
    if (onStdout == nullptr) {
        context.out << "Wrote " << result.path << '\n';
    }
    if (result.recordError) {
        context.err << "farrowctl: " << result.recordError.reason << '\n';
    }
    if (result.audit.ending == crawl::CrawlEnding::Cancelled ||
        (result.audit.external &&
         result.audit.external->ending == audit::ExternalEnding::Cancelled)) {
        return kExitSomeFailed;
    }
    if (options.failOn != "never" &&
        audit::reaches(result.audit, options.failOn == "error" ? audit::Severity::Error
                                                               : audit::Severity::Warning)) {
        return kExitSomeFailed;
    }
    return kExitOk;
}

}  // namespace

void addAuditCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<AuditOptions>();
    CLI::App* command = app.add_subcommand(
        "audit",
        "crawl the site from a profile's URL and write its audit: each page's faults, "
        "announcement and index state");
    command->add_option("FILE", options->file, "a profile file (.fl2): the start page")->required();
    command->add_option("--out", options->out,
                        "write to PATH (default audit.html or audit.jsonl; \"-\": stdout)");
    command
        ->add_option("--format", options->format,
                     "html: one page to read in a browser; jsonl: an event a line")
        ->check(CLI::IsMember({"html", "jsonl"}));
    command
        ->add_option("--fail-on", options->failOn,
                     "exit 3 when a finding of this severity or worse is made (default error)")
        ->check(CLI::IsMember({"error", "warning", "never"}));
    command->add_flag("--external", options->external,
                      "check links to other sites too (HEAD, else GET; their robots.txt obeyed)");
    addCrawlBounds(*command, options->maxPages, options->maxDepth, context.timing);
    addCrawlDelay(*command, options->delay);
    command->callback([options, &context] { context.exitCode = runAudit(*options, context); });
}

}  // namespace farrow::cli
