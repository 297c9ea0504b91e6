#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>

#include "cli/command_line.h"
#include "cli/crawl_progress_line.h"
#include "cli/interrupt_scope.h"
#include "cli/json_lines_report.h"
#include "cli/profile_loading.h"
#include "cli/sitemap_pages.h"
#include "google/search_console_job.h"
#include "google/search_console_ledger.h"
#include "google/service_account.h"
#include "indexnow/announcement_ledger.h"
#include "indexnow/url_source.h"

namespace farrow::cli {

namespace {

constexpr const char* kUserAgent = "Farrowlane";

std::string utcText(base::TimePoint t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
    return text;
}

std::string orDash(const std::string& text) {
    return text.empty() ? "-" : text;
}

nlohmann::ordered_json orNull(const std::string& text) {
    return text.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(text);
}

struct GoogleOptions {
    std::string file;
    std::string credentials;
    std::string property;
    std::string report;
};

void addGoogleOptions(CLI::App& command, GoogleOptions& options) {
    command.add_option("FILE", options.file, "a profile file (.fl2): the site's address")
        ->required();
    command.add_option("--credentials", options.credentials,
                       "the service account's JSON key file (default: "
                       "$GOOGLE_APPLICATION_CREDENTIALS, else google-credentials.json in the "
                       "workspace)");
    command.add_option("--property", options.property,
                       "the Search Console property (https://HOST/ or sc-domain:DOMAIN; default: "
                       "the account's property that covers the site)");
}

// The lines of a run on stdout and its events in the report.
class TerminalSearchConsole final : public google::SearchConsoleFrontend {
public:
    TerminalSearchConsole(const CommandContext& context, JsonLinesReport* report)
        : context_(context), out_(context.out), err_(context.err), report_(report) {}

    void step(google::SearchConsoleStep step) override {
        crawlLine_.reset();
        if (!interrupts_) {
            interrupts_.emplace();
        }
        if (step == google::SearchConsoleStep::Gathering) {
            crawlLine_.emplace(context_);
        }
    }
    void pageDone(const crawl::CrawledPage& page, std::size_t fetched,
                  std::size_t waiting) override {
        if (crawlLine_) {
            crawlLine_->pageDone(page, fetched, waiting);
        }
    }
    void warning(const std::string& text) override {
        crawlLine_.reset();
        err_ << "farrowctl: warning: " << text << '\n';
    }
    void note(const indexnow::SourceNote& note) override {
        crawlLine_.reset();
        err_ << "farrowctl: " << text(note) << '\n';
    }
    void submitted(const google::SitemapSubmission& s, const std::string& detail) override {
        out_ << s.outcome << ": " << s.feed;
        if (s.status != 0 && s.outcome != "submitted") {
            out_ << " (status " << s.status << ")";
        }
        if (!detail.empty()) {
            out_ << ": " << detail;
        }
        out_ << '\n' << std::flush;
    }
    // Each inspection is a line of its own as it comes.
    void inspecting(std::size_t) override {}
    void inspected(const google::IndexStatus& i) override {
        if (i.outcome == google::InspectionOutcome::Inspected) {
            out_ << orDash(i.verdict) << "  " << orDash(i.coverageState) << "  " << i.url << '\n'
                 << std::flush;
        } else {
            out_ << "-  not inspected (" << text(i.outcome) << ": " << i.detail << ")  " << i.url
                 << '\n'
                 << std::flush;
        }
        if (report_) {
            nlohmann::ordered_json line;
            line["event"] = "google-inspection";
            line["url"] = i.url;
            line["outcome"] = token(i.outcome);
            line["verdict"] = orNull(i.verdict);
            line["coverageState"] = orNull(i.coverageState);
            line["indexingState"] = orNull(i.indexingState);
            line["robotsTxtState"] = orNull(i.robotsTxtState);
            line["pageFetchState"] = orNull(i.pageFetchState);
            line["lastCrawlTime"] = orNull(i.lastCrawlTime);
            line["googleCanonical"] = orNull(i.googleCanonical);
            line["userCanonical"] = orNull(i.userCanonical);
            emit(line);
        }
    }
    const std::atomic<bool>* stopFlag() const override {
        return interrupts_ ? &InterruptScope::requested() : nullptr;
    }

    void emit(const nlohmann::ordered_json& line) {
        if (report_) {
            report_->write(line);
        }
    }
    void endProgress() { crawlLine_.reset(); }

private:
    const CommandContext& context_;
    std::ostream& out_;
    std::ostream& err_;
    JsonLinesReport* report_;
    std::optional<CrawlProgressLine> crawlLine_;
    std::optional<InterruptScope> interrupts_;
};

// The job's parameters of the profile and the options; empty when the profile is unreadable.
std::optional<google::SearchConsoleJob::Params> paramsFor(const GoogleOptions& options,
                                                          const CommandContext& context) {
    const std::optional<profile::SubmissionProfile> profile = readProfile(options.file, context);
    if (!profile) {
        return std::nullopt;
    }
    google::SearchConsoleJob::Params params;
    params.credentialsFile =
        google::credentialsPath(options.credentials, context.googleCredentials, context.workspace);
    params.property = options.property;
    params.siteUrl = profile->url;
    params.siteTitle = profile->title;
    params.api = google::apiSettings(context.googleApi);
    params.api.caFile = context.caFile;
    params.api.userAgent = kUserAgent;
    params.ledgerFile = indexnow::ledgerPath(context.workspace);
    return params;
}

ExitCode setupFailed(const google::SetupFailure& failure, const CommandContext& context) {
    if (failure.problem == google::SetupProblem::Stopped) {
        context.out << "Stopped.\n";
        return kExitSomeFailed;
    }
    context.err << "farrowctl: " << text(failure) << '\n';
    return kExitFailed;
}

ExitCode checkCommand(const GoogleOptions& options, const CommandContext& context) {
    const auto params = paramsFor(options, context);
    if (!params) {
        return kExitFailed;
    }
    TerminalSearchConsole frontend(context, nullptr);
    base::SystemClock clock;
    const google::SearchConsoleJob::Check check =
        google::SearchConsoleJob::check(*params, context.timing, clock, frontend);
    if (!check.clientEmail.empty()) {
        context.out << "Service account: " << check.clientEmail << '\n';
    }
    if (!check.properties.empty() || check.property) {
        context.out << "Properties of the account:\n";
        for (const google::Property& p : check.properties) {
            context.out << "  " << p.siteUrl << "  " << token(p.permission) << '\n';
        }
    }
    if (check.failure) {
        return setupFailed(*check.failure, context);
    }
    const google::Property& p = *check.property;
    context.out << (check.propertyGiven ? "The property given, " : "The property that covers ")
                << (check.propertyGiven ? p.siteUrl : params->siteUrl + ": " + p.siteUrl)
                << (check.propertyGiven ? "," : "") << " with permission " << token(p.permission)
                << ": the account " << text(p.permission) << '\n';
    return kExitOk;
}

ExitCode sitemapCommand(const GoogleOptions& options, const std::vector<std::string>& sitemaps,
                        bool submit, const CommandContext& context) {
    auto params = paramsFor(options, context);
    if (!params) {
        return kExitFailed;
    }
    params->sitemaps = sitemaps;
    JsonLinesReport* report = nullptr;
    if (!context.openReport(options.report, report)) {
        return kExitFailed;
    }
    TerminalSearchConsole frontend(context, report);
    base::SystemClock clock;
    const google::SearchConsoleJob::Sitemaps r =
        google::SearchConsoleJob::sitemaps(*params, submit, context.timing, clock, frontend);
    if (r.check.failure) {
        return setupFailed(*r.check.failure, context);
    }
    if (!r.ledgerError.empty()) {
        context.err << "farrowctl: the ledger could not be written: " << r.ledgerError << '\n';
        return kExitFailed;
    }
    context.out << "Sitemaps of " << r.check.property->siteUrl << ":\n";
    for (const google::SitemapState& s : r.states) {
        context.out << "  " << s.path << (s.isSitemapsIndex ? " (index)" : "") << ": submitted "
                    << orDash(s.lastSubmitted) << ", last read by Google "
                    << (s.lastDownloaded.empty() ? "never" : s.lastDownloaded)
                    << (s.isPending ? ", pending" : ", not pending") << ", " << s.errors
                    << " errors, " << s.warnings << " warnings, " << s.submitted
                    << " URLs submitted\n";
        nlohmann::ordered_json line;
        line["event"] = "google-sitemap";
        line["path"] = s.path;
        line["lastSubmitted"] = orNull(s.lastSubmitted);
        line["lastDownloaded"] = orNull(s.lastDownloaded);
        line["isPending"] = s.isPending;
        line["errors"] = s.errors;
        line["warnings"] = s.warnings;
        line["submitted"] = s.submitted;
        frontend.emit(line);
    }
    if (r.states.empty() && r.readError.empty()) {
        context.out << "  none\n";
    }
    if (!r.readError.empty()) {
        context.err << "farrowctl: " << r.readError << '\n';
    }
    const ExitCode code = r.refused > 0 || !r.readError.empty() ? kExitSomeFailed : kExitOk;
    nlohmann::ordered_json end;
    end["event"] = "end";
    end["submitted"] = r.submissions.size() - r.refused;
    end["refused"] = r.refused;
    end["sitemaps"] = r.states.size();
    end["exitCode"] = code;
    frontend.emit(end);
    return code;
}

struct InspectOptions {
    GoogleOptions google;
    std::string urls;
    std::string sitemap;
    bool crawl = false;
    bool deep = false;
    std::optional<std::size_t> max;
    bool dryRun = false;
};

ExitCode inspectCommand(const InspectOptions& options, const CommandContext& context) {
    auto params = paramsFor(options.google, context);
    if (!params) {
        return kExitFailed;
    }
    params->deepChecklist = options.deep;
    params->crawl = options.crawl;
    if (!options.sitemap.empty()) {
        params->sitemap = sitemapSource(options.sitemap, context.workspace);
    }
    params->list = options.urls;
    params->listInput = context.input;
    params->max = options.max;
    params->dryRun = options.dryRun;
    JsonLinesReport* report = nullptr;
    if (!context.openReport(options.google.report, report)) {
        return kExitFailed;
    }
    TerminalSearchConsole frontend(context, report);
    base::SystemClock clock;
    const google::SearchConsoleJob::Inspection r =
        google::SearchConsoleJob::inspect(*params, context.timing, clock, frontend);
    frontend.endProgress();
    for (const indexnow::LeftOutUrl& u : r.leftOut) {
        context.out << "left out (" << text(u) << "): " << u.url << '\n';
    }
    if (r.check.failure) {
        return setupFailed(*r.check.failure, context);
    }
    const std::string& property = r.check.property->siteUrl;
    if (options.dryRun) {
        context.out << "Dry run: " << r.planned.size() << " URLs to inspect in " << property;
        if (!r.check.propertyGiven) {
            context.out << " (the URL prefix of the profile's URL; give --property for another)";
        }
        context.out << "; nothing was sent\n";
        for (const std::string& url : r.planned) {
            context.out << "  " << url << '\n';
        }
        if (r.quotaEnded) {
            context.out << "The daily quota leaves " << r.notInspected - r.planned.size()
                        << " URLs for later.\n";
        }
        nlohmann::ordered_json end;
        end["event"] = "end";
        end["toInspect"] = r.planned.size();
        end["dryRun"] = true;
        end["exitCode"] = kExitOk;
        frontend.emit(end);
        return kExitOk;
    }
    const google::InspectionTally t = google::tally(r.inspections);
    context.out << "Google: " << t.indexed << " indexed, " << t.notIndexed << " not indexed, "
                << r.notInspected << " not inspected\n";
    for (const auto& [state, count] : t.notIndexedBy) {
        context.out << "  not indexed: " << state << ": " << count << '\n';
    }
    if (r.quotaEnded) {
        context.out << "The inspection quota of " << property << " is spent: " << r.notInspected
                    << " URLs are left to inspect.\n";
    }
    if (r.stopped) {
        context.out << "Stopped.\n";
    }
    ExitCode code = r.notInspected > 0 && (r.quotaEnded || r.stopped ||
                                           r.inspections.size() > t.indexed + t.notIndexed)
                        ? kExitSomeFailed
                        : kExitOk;
    if (!r.ledgerError.empty()) {
        context.err << "farrowctl: the ledger could not be written: " << r.ledgerError << '\n';
        code = kExitFailed;
    }
    nlohmann::ordered_json end;
    end["event"] = "end";
    end["inspected"] = t.indexed + t.notIndexed;
    end["indexed"] = t.indexed;
    end["notIndexed"] = t.notIndexed;
    end["notInspected"] = r.notInspected;
    end["quotaEnded"] = r.quotaEnded;
    end["dryRun"] = false;
    end["exitCode"] = code;
    frontend.emit(end);
    return code;
}

ExitCode historyCommand(const std::string& url, const CommandContext& context) {
    const std::string file = indexnow::ledgerPath(context.workspace);
    constexpr const char* kNothing =
        "Nothing has been sent to the Search Console from this "
        "workspace.\n";
    if (!std::filesystem::exists(file)) {
        context.out << kNothing;
        return kExitOk;
    }
    google::SearchConsoleLedger::Opened opened = google::SearchConsoleLedger::open(file);
    if (!opened.ledger) {
        context.err << "farrowctl: the ledger: " << opened.error.reason << '\n';
        return kExitFailed;
    }
    const std::vector<google::HistoryEntry> entries =
        opened.ledger->history(url.empty() ? std::nullopt : std::optional<std::string>(url));
    for (const google::HistoryEntry& e : entries) {
        context.out << utcText(e.when);
        if (e.inspection) {
            const google::IndexStatus& i = *e.inspection;
            const bool answered = i.outcome == google::InspectionOutcome::Inspected;
            context.out << "  inspect  " << orDash(i.verdict) << "  "
                        << (answered ? orDash(i.coverageState)
                                     : "not inspected: " + text(i.outcome))
                        << "  " << i.url << '\n';
        } else {
            context.out << "  sitemap  " << e.submission->outcome << "  " << e.submission->feed
                        << '\n';
        }
    }
    if (entries.empty()) {
        context.out << (url.empty() ? kNothing : "Never inspected or submitted: " + url + "\n");
    }
    return kExitOk;
}

}  // namespace

void addGoogleCommands(CLI::App& app, CommandContext& context) {
    CLI::App* google = app.add_subcommand(
        "google", "submit the site's sitemaps to Google and learn which pages it has indexed");
    google->require_subcommand(1);

    auto checkOptions = std::make_shared<GoogleOptions>();
    CLI::App* check = google->add_subcommand(
        "check", "get a token, list the account's properties and say which one covers the site");
    addGoogleOptions(*check, *checkOptions);
    check->callback(
        [checkOptions, &context] { context.exitCode = checkCommand(*checkOptions, context); });

    CLI::App* sitemap =
        google->add_subcommand("sitemap", "submit the site's sitemaps and read their state");
    sitemap->require_subcommand(1);
    struct SitemapOptions {
        GoogleOptions google;
        std::vector<std::string> sitemaps;
    };
    auto submitOptions = std::make_shared<SitemapOptions>();
    CLI::App* submit = sitemap->add_subcommand(
        "submit", "submit each sitemap, then print the state of the property's sitemaps");
    addGoogleOptions(*submit, submitOptions->google);
    submit
        ->add_option("--sitemap", submitOptions->sitemaps,
                     "a sitemap's URL (default: those robots.txt names, else "
                     "SCHEME://HOST/sitemap.xml)")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    submit->add_option("--report", submitOptions->google.report,
                       "append a JSON Lines report of the run to PATH (\"-\": stdout)");
    submit->callback([submitOptions, &context] {
        context.exitCode =
            sitemapCommand(submitOptions->google, submitOptions->sitemaps, true, context);
    });
    auto statusOptions = std::make_shared<GoogleOptions>();
    CLI::App* status =
        sitemap->add_subcommand("status", "print the state of the property's sitemaps");
    addGoogleOptions(*status, *statusOptions);
    status->add_option("--report", statusOptions->report,
                       "append a JSON Lines report of the run to PATH (\"-\": stdout)");
    status->callback([statusOptions, &context] {
        context.exitCode = sitemapCommand(*statusOptions, {}, false, context);
    });

    auto inspectOptions = std::make_shared<InspectOptions>();
    CLI::App* inspect = google->add_subcommand(
        "inspect", "ask Google, URL by URL, whether it has indexed the page and why not");
    addGoogleOptions(*inspect, inspectOptions->google);
    inspect->add_option("--urls", inspectOptions->urls,
                        "inspect the URLs of the file at PATH, one a line (\"-\": stdin)");
    inspect->add_option("--sitemap", inspectOptions->sitemap,
                        "inspect the pages of the sitemap or sitemap index at URL or FILE");
    inspect->add_flag("--crawl", inspectOptions->crawl,
                      "inspect the pages the whole-site crawl finds");
    inspect->add_flag("--deep", inspectOptions->deep, "inspect the pages of the deep checklist");
    inspect->add_option("--max", inspectOptions->max, "inspect at most N URLs this run")
        ->check(CLI::Range(std::size_t{1}, indexnow::kMaxListUrls));
    inspect->add_flag("--dry-run", inspectOptions->dryRun,
                      "list the URLs that would be inspected and send nothing");
    inspect->add_option("--report", inspectOptions->google.report,
                        "append a JSON Lines report of the run to PATH (\"-\": stdout)");
    inspect->callback([inspectOptions, &context] {
        context.exitCode = inspectCommand(*inspectOptions, context);
    });

    auto historyUrl = std::make_shared<std::string>();
    CLI::App* history = google->add_subcommand(
        "history", "print every inspection and sitemap submission, oldest first");
    history->add_option("URL", *historyUrl, "only those of this URL or sitemap");
    history->callback(
        [historyUrl, &context] { context.exitCode = historyCommand(*historyUrl, context); });
}

}  // namespace farrow::cli
