#include <CLI/CLI.hpp>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

#include "audit/audit_events.h"
#include "audit/audit_html.h"
#include "audit/site_audit.h"
#include "base/clock.h"
#include "cli/command_line.h"
#include "cli/profile_loading.h"
#include "cli/progress_line.h"
#include "crawl/sitemap_writer.h"
#include "crawl/web_fetch.h"
#include "platform/file_system.h"

namespace farrow::cli {

namespace {

struct AuditOptions {
    std::string file;
    std::string out;
    std::string format = "html";
    std::string failOn = "error";
    std::size_t maxPages = 0;
    std::size_t maxDepth = 0;
    bool external = false;
};

// The audit's progress line: the crawl's pages, then the links to other sites.
class AuditProgressLine final : public crawl::CrawlProgress, public audit::ExternalLinkProgress {
public:
    explicit AuditProgressLine(const CommandContext& context) : line_(context) {}

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
    ProgressLine line_;
};

// The audit's figures on the text lines.
void tellSummary(const audit::AuditResult& result, std::ostream& out) {
    const audit::AuditSummary& sum = result.summary;
    out << "The crawl " << result.endingText << ".\n"
        << sum.read << " pages read, " << sum.pages << " addresses met: " << sum.fit
        << " fit to be indexed, " << sum.withErrors << " with errors, " << sum.withWarnings
        << " with warnings.\n"
        << "Findings: error " << sum.errors << ", warning " << sum.warnings << ", notice "
        << sum.notices << ".\n"
        << "Announced: " << sum.announced << "; inspected: " << sum.inspected
        << "; indexed: " << sum.indexed << ".\n";
    if (result.external) {
        out << audit::text(*result.external) << ".\n";
    }
    const auto order = audit::mendFirst(result);
    if (!order.empty()) {
        out << "Mend first:";
        for (std::size_t i = 0; i < order.size() && i < 3; ++i) {
            out << (i == 0 ? " " : ", ") << audit::token(order[i].first) << " (" << order[i].second
                << (order[i].second == 1 ? " page)" : " pages)");
        }
        out << ".\n";
    }
}

ExitCode runAudit(const AuditOptions& options, const CommandContext& context) {
    const std::optional<profile::SubmissionProfile> profile = readProfile(options.file, context);
    if (!profile) {
        return kExitFailed;
    }
    // On stdout the audit stands alone: the text lines go to stderr.
    JsonLinesReport* onStdout = nullptr;
    std::string path;
    if (options.out == "-") {
        if (!context.openReport("-", onStdout)) {
            return kExitFailed;
        }
    } else {
        path = options.out.empty() ? "audit." + options.format : options.out;
        if (std::filesystem::path(path).is_relative()) {
            path = (std::filesystem::path(context.workspace.root()) / path).lexically_normal();
        }
        // Found now rather than after an hour's crawl.
        if (const base::Error e = crawl::checkOutputPlace(path)) {
            context.err << "farrowctl: " << e.reason << '\n';
            return kExitFailed;
        }
    }

    audit::AuditParams params;
    params.startUrl = profile->url;
    params.maxPages = options.maxPages;
    params.maxDepth = options.maxDepth;
    params.external = options.external;
    params.cancel = &InterruptScope::requested();
    context.out << "Auditing " << params.startUrl << '\n' << std::flush;
    audit::AuditResult result;
    {
        // A stop ends the crawl, or the check of other sites; what was read is audited.
        InterruptScope interrupts;
        AuditProgressLine progress(context);
        params.externalProgress = &progress;
        result = audit::runSiteAudit(params, context.workspace, context.timing,
                                     crawl::webPageFetch(context.caFile), &progress);
    }
    if (result.ending == crawl::CrawlEnding::StartUnreadable) {
        context.err << "farrowctl: " << result.endingText << '\n';
        return kExitFailed;
    }
    if (!result.ledgerProblem.empty()) {
        context.err << "farrowctl: the ledger could not be read, so no page counts as announced: "
                    << result.ledgerProblem << '\n';
    }

    const std::string text = options.format == "html"
                                 ? audit::auditHtml(result, base::SystemClock().now())
                                 : audit::auditJsonLines(result);
    if (onStdout != nullptr) {
        std::ostream(&onStdout->output()) << text << std::flush;
    } else if (!platform::writeWholeFile(path, text)) {
        context.err << "farrowctl: cannot write \"" << path
                    << "\": " << platform::systemReason(errno) << '\n';
        return kExitFailed;
    }
    tellSummary(result, context.out);
    if (onStdout == nullptr) {
        context.out << "Wrote " << path << '\n';
    }
    if (result.ending == crawl::CrawlEnding::Cancelled ||
        (result.external && result.external->ending == audit::ExternalEnding::Cancelled)) {
        return kExitSomeFailed;
    }
    if (options.failOn != "never" &&
        audit::reaches(result, options.failOn == "error" ? audit::Severity::Error
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
    command->callback([options, &context] { context.exitCode = runAudit(*options, context); });
}

}  // namespace farrow::cli
