#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <variant>

#include "base/clock.h"
#include "base/messenger.h"
#include "cli/command_line.h"
#include "cli/crawl_progress_line.h"
#include "cli/interrupt_scope.h"
#include "cli/json_lines_report.h"
#include "cli/profile_loading.h"
#include "cli/sitemap_pages.h"
#include "crawl/site_crawl.h"
#include "indexnow/announcement.h"
#include "indexnow/announcement_job.h"
#include "indexnow/announcement_ledger.h"
#include "indexnow/indexnow_key.h"
#include "indexnow/key_file_check.h"
#include "indexnow/key_scope.h"
#include "indexnow/url_source.h"
#include "profile/profile_dialogs.h"
#include "profile/profile_file.h"
#include "sites/site_lists.h"
#include "sites/site_table.h"

namespace farrow::cli {

namespace {

constexpr const char* kUserAgent = "Farrowlane";

// The key options shared by verify and submit.
struct KeyOptions {
    std::string file;
    std::string key;
    std::string keyLocation;
};

void addKeyOptions(CLI::App& command, KeyOptions& options) {
    command.add_option("FILE", options.file, "a profile file (.fl2): the site's address")
        ->required();
    command.add_option("--key", options.key, "the key (default: the workspace's key)");
    command.add_option("--key-location", options.keyLocation,
                       "where the key file is published (default: http(s)://HOST/KEY.txt)");
}

// The scope to work in, or the exit code of what is wrong.
std::variant<indexnow::KeyScope, ExitCode> scopeFor(const KeyOptions& options,
                                                    const profile::SubmissionProfile& profile,
                                                    const CommandContext& context) {
    std::string key = options.key;
    if (!key.empty()) {
        if (const std::string problem = indexnow::keyProblem(key); !problem.empty()) {
            context.err << "farrowctl: --key: " << problem << '\n';
            return kExitUsage;
        }
    } else {
        const indexnow::LoadedKey loaded = indexnow::loadKey(context.workspace);
        if (!loaded.key) {
            context.err << "farrowctl: "
                        << (loaded.error.code == base::ErrorCode::NotFound
                                ? "the workspace has no IndexNow key: make one with "
                                  "\"farrowctl indexnow key\" or give --key"
                                : "the workspace's IndexNow key cannot be used: " +
                                      loaded.error.reason)
                        << '\n';
            return kExitFailed;
        }
        key = *loaded.key;
    }
    const indexnow::ScopeResult scope = indexnow::keyScope(profile.url, key, options.keyLocation);
    if (!scope.scope) {
        context.err << "farrowctl: " << scope.error.reason << '\n';
        return options.keyLocation.empty() ? kExitFailed : kExitUsage;
    }
    return *scope.scope;
}

ExitCode makeKeyCommand(const std::string& file, std::size_t length, bool force,
                        const CommandContext& context) {
    std::string host;
    std::string scheme = "https";
    if (!file.empty()) {
        const std::optional<profile::SubmissionProfile> profile = readProfile(file, context);
        if (!profile) {
            return kExitFailed;
        }
        if (const auto parts = indexnow::urlParts(profile->url)) {
            host = parts->host;
            scheme = parts->scheme;
        }
    }
    if (!force) {
        // The key is public (the site publishes it), so naming it hides nothing.
        if (const indexnow::LoadedKey kept = indexnow::loadKey(context.workspace); kept.key) {
            context.err << "farrowctl: the workspace already has the key " << *kept.key
                        << "; --force replaces it\n";
            return kExitFailed;
        }
    }
    const indexnow::MadeKey made = indexnow::makeKey(length);
    if (!made.key) {
        context.err << "farrowctl: " << made.error.reason << '\n';
        return kExitFailed;
    }
    if (const base::Error e = indexnow::saveKey(context.workspace, *made.key)) {
        context.err << "farrowctl: cannot save the key: " << e.reason << '\n';
        return kExitFailed;
    }
    context.out << "IndexNow key: " << *made.key << '\n'
                << "Saved as the workspace's key in " << indexnow::keyStorePath(context.workspace)
                << '\n'
                << "Publish the file " << indexnow::publishedKeyPath(context.workspace, *made.key)
                << " at " << scheme << "://" << (host.empty() ? "HOST" : host) << "/" << *made.key
                << ".txt\n"
                << "Then check it with: farrowctl indexnow verify "
                << (file.empty() ? std::string("FILE.fl2") : file) << '\n';
    return kExitOk;
}

ExitCode verifyCommand(const KeyOptions& options, const CommandContext& context) {
    const std::optional<profile::SubmissionProfile> profile = readProfile(options.file, context);
    if (!profile) {
        return kExitFailed;
    }
    const auto scope = scopeFor(options, *profile, context);
    if (const ExitCode* code = std::get_if<ExitCode>(&scope)) {
        return *code;
    }
    const indexnow::KeyFileCheck check = indexnow::checkKeyFile(
        std::get<indexnow::KeyScope>(scope), context.timing, context.caFile, kUserAgent);
    context.out << check.message << '\n';
    return check.state == indexnow::KeyFileState::Ok ? kExitOk : kExitFailed;
}

std::string utcText(base::TimePoint t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
    return text;
}

// The lines of a run on stdout and its events in the report.
class TerminalAnnouncement final : public indexnow::AnnouncementJobFrontend {
public:
    TerminalAnnouncement(const CommandContext& context, JsonLinesReport* report)
        : context_(context), out_(context.out), err_(context.err), report_(report) {}

    void step(indexnow::AnnouncementStep step) override {
        endCrawlLine();
        // Ctrl-C ends the crawl, a sitemap's reading or the sending, and what was done is
        // reported; the deep checklist cannot be stopped that way.
        if (step != indexnow::AnnouncementStep::ReadingDeepChecklist && !interrupts_) {
            interrupts_.emplace();
        }
        if (step == indexnow::AnnouncementStep::Crawling) {
            crawlLine_.emplace(context_);
        }
    }
    const std::atomic<bool>* stopFlag() const override {
        return interrupts_ ? &InterruptScope::requested() : nullptr;
    }
    void pageDone(const crawl::CrawledPage& page, std::size_t fetched,
                  std::size_t waiting) override {
        if (crawlLine_) {
            crawlLine_->pageDone(page, fetched, waiting);
        }
    }
    void note(const indexnow::SourceNote& note) override {
        endCrawlLine();
        err_ << "farrowctl: " << text(note) << '\n';
    }
    void urlLeftOut(const indexnow::LeftOutUrl& url) override {
        out_ << "left out (" << text(url) << "): " << url.url << '\n';
        if (report_) {
            nlohmann::ordered_json line;
            line["event"] = "indexnow-url";
            line["url"] = url.url;
            line["reason"] = token(url);
            emit(line);
        }
    }
    void requestPlanned(const std::string& method, const std::string& address,
                        const std::string& body) override {
        out_ << method << ' ' << address << '\n';
        if (!body.empty()) {
            out_ << body << '\n';
        }
    }
    void requestAnswered(const indexnow::RequestRecord& r) override {
        out_ << text(r.outcome) << ": " << r.endpoint << ": " << r.urls
             << (r.urls == 1 ? " URL" : " URLs");
        if (r.status != 0) {
            out_ << ", status " << r.status;
        }
        if (r.retryAfter) {
            out_ << ", retry after " << *r.retryAfter << " s";
        }
        if (!r.detail.empty() && r.outcome != indexnow::RequestOutcome::Accepted &&
            r.outcome != indexnow::RequestOutcome::Pending) {
            out_ << ": " << r.detail;
        }
        out_ << '\n' << std::flush;
        if (report_) {
            nlohmann::ordered_json line;
            line["event"] = "indexnow-request";
            line["endpoint"] = r.endpoint;
            line["method"] = r.method;
            line["urls"] = r.urls;
            line["status"] = r.status ? nlohmann::ordered_json(r.status) : nullptr;
            line["outcome"] = token(r.outcome);
            line["retryAfter"] = r.retryAfter ? nlohmann::ordered_json(*r.retryAfter) : nullptr;
            line["detail"] = r.detail;
            emit(line);
        }
    }
    void waiting(const std::string& endpoint, base::Millis wait) override {
        err_ << "waiting " << wait.count() << " ms before asking " << endpoint << " again\n";
    }
    void progress(std::size_t, std::size_t) override {}

    void emit(const nlohmann::ordered_json& line) { report_->write(line); }
    // The progress line is left before anything else is said.
    void endCrawlLine() { crawlLine_.reset(); }

private:
    const CommandContext& context_;
    std::ostream& out_;
    std::ostream& err_;
    JsonLinesReport* report_;
    std::optional<CrawlProgressLine> crawlLine_;
    std::optional<InterruptScope> interrupts_;
};

struct SubmitOptions {
    KeyOptions key;
    std::vector<std::string> endpoints;
    std::string urls;
    bool deep = false;
    std::string sitemap;
    bool crawl = false;
    std::optional<base::Millis> delay;
    bool dryRun = false;
    bool force = false;
    std::string report;
};

ExitCode exitCodeOf(const indexnow::AnnounceResult& r) {
    if (r.ending == indexnow::AnnounceEnding::LedgerFailed) {
        return kExitFailed;
    }
    if (r.accepted + r.pending == r.toSend) {
        return kExitOk;
    }
    return r.anyAnswer ? kExitSomeFailed : kExitFailed;
}

void printSummary(const indexnow::AnnounceResult& r, bool dryRun, const CommandContext& context) {
    for (const std::string& url : r.futureDated) {
        context.out << "dated in the future, taken as undated: " << url << '\n';
    }
    if (dryRun) {
        context.out << "Dry run: " << r.toSend << " URLs to send, " << r.leftOut
                    << " left out; nothing was sent\n";
        return;
    }
    context.out << "IndexNow: " << r.toSend << " to send, " << r.accepted << " accepted, "
                << r.pending << " pending, " << r.refused << " refused, " << r.undelivered
                << " not delivered, " << r.leftOut << " left out\n";
    if (r.notRecorded > 0) {
        context.out << "IndexNow: accepted, not recorded: " << r.notRecorded
                    << " (the next run sends them again)\n";
    }
    for (const std::string& endpoint : r.keyRefusedBy) {
        context.out << "The key was refused (403) by " << endpoint << '\n';
    }
    if (r.ending == indexnow::AnnounceEnding::Refused) {
        context.out << "To fix: " << r.advice;
        if (!r.engineWords.empty()) {
            context.out << " (the engine said: " << r.engineWords << ")";
        }
        context.out << '\n';
    }
    if (r.ending == indexnow::AnnounceEnding::Cancelled) {
        context.out << "Stopped.\n";
    }
    if (r.ending == indexnow::AnnounceEnding::LedgerFailed) {
        context.err << "farrowctl: the ledger could not be written: " << r.ledgerError << '\n';
    }
    if (!r.logPath.empty()) {
        context.out << "IndexNow log: " << r.logPath << '\n';
    }
}

nlohmann::ordered_json endEvent(const indexnow::AnnounceResult& r, bool dryRun, int code) {
    nlohmann::ordered_json line;
    line["event"] = "end";
    line["toSend"] = r.toSend;
    line["accepted"] = r.accepted;
    line["pending"] = r.pending;
    line["refused"] = r.refused;
    line["undelivered"] = r.undelivered;
    line["leftOut"] = r.leftOut;
    line["dryRun"] = dryRun;
    line["log"] =
        r.logPath.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(r.logPath);
    line["exitCode"] = code;
    return line;
}

ExitCode submitCommand(const SubmitOptions& options, const CommandContext& context) {
    for (const std::string& endpoint : options.endpoints) {
        if (!indexnow::urlParts(endpoint)) {
            context.err << "farrowctl: --endpoint: \"" << endpoint
                        << "\" is no http or https address\n";
            return kExitUsage;
        }
    }
    const std::optional<profile::SubmissionProfile> profile =
        readProfile(options.key.file, context);
    if (!profile) {
        return kExitFailed;
    }
    const auto scope = scopeFor(options.key, *profile, context);
    if (const ExitCode* code = std::get_if<ExitCode>(&scope)) {
        return *code;
    }
    indexnow::AnnouncementJob::Params params;
    params.scope = std::get<indexnow::KeyScope>(scope);
    params.siteUrl = profile->url;
    params.siteTitle = profile->title;
    params.deepChecklist = options.deep;
    params.crawl = options.crawl;
    params.crawlDelay = options.delay;
    if (!options.sitemap.empty()) {
        params.sitemap = sitemapSource(options.sitemap, context.workspace);
    }
    params.list = options.urls;
    params.listInput = context.input;
    params.endpoints = options.endpoints;
    params.dryRun = options.dryRun;
    params.force = options.force;
    params.caFile = context.caFile;
    params.userAgent = kUserAgent;
    params.logsDir = context.workspace.logsDir();
    params.ledgerFile = indexnow::ledgerPath(context.workspace);

    JsonLinesReport* report = nullptr;
    if (!context.openReport(options.report, report)) {
        return kExitFailed;
    }
    TerminalAnnouncement frontend(context, report);
    base::SystemClock clock;
    const indexnow::AnnouncementJob::Result job =
        indexnow::AnnouncementJob::run(params, context.timing, clock, frontend);
    frontend.endCrawlLine();
    if (job.stoppedGathering) {
        context.out << "Stopped before anything was sent.\n";
        return kExitFailed;
    }
    if (job.failure) {
        context.err << "farrowctl: " << text(*job.failure) << '\n';
        return kExitFailed;
    }
    if (job.crawl) {
        if (const std::string pacing = crawl::pacingText(*job.crawl); !pacing.empty()) {
            context.out << "The crawl was paced: " << pacing << ".\n";
        }
    }
    const indexnow::AnnounceResult& r = job.announced;
    // URLs a bound of the sitemap's read left out were not sent, on a dry run too.
    const ExitCode sent = options.dryRun ? kExitOk : exitCodeOf(r);
    const ExitCode code = job.sitemapCut && sent == kExitOk ? kExitSomeFailed : sent;
    printSummary(r, options.dryRun, context);
    if (report) {
        if (job.sitemapCut) {
            frontend.emit(sitemapCutEvent(job.sitemapCut));
        }
        frontend.emit(endEvent(r, options.dryRun, code));
    }
    return code;
}

ExitCode historyCommand(const std::string& url, const CommandContext& context) {
    const std::string file = indexnow::ledgerPath(context.workspace);
    if (!std::filesystem::exists(file)) {
        context.out << "Nothing has been announced from this workspace.\n";
        return kExitOk;
    }
    indexnow::AnnouncementLedger::Opened opened = indexnow::AnnouncementLedger::open(file);
    if (!opened.ledger) {
        context.err << "farrowctl: the ledger: " << opened.error.reason << '\n';
        return kExitFailed;
    }
    const std::vector<indexnow::LedgerEntry> entries =
        opened.ledger->history(url.empty() ? std::nullopt : std::optional<std::string>(url));
    for (const indexnow::LedgerEntry& e : entries) {
        context.out << utcText(e.when) << "  " << e.endpoint << "  " << e.status << "  "
                    << e.outcome << "  " << e.url << '\n';
    }
    if (entries.empty()) {
        context.out << (url.empty() ? "Nothing has been announced from this workspace.\n"
                                    : "Never announced: " + url + "\n");
    }
    return kExitOk;
}

}  // namespace

void addIndexNowCommands(CLI::App& app, CommandContext& context) {
    CLI::App* indexnow = app.add_subcommand(
        "indexnow", "announce the site's pages to the engines that take IndexNow announcements");
    indexnow->require_subcommand(1);

    struct KeyCommandOptions {
        std::string file;
        std::size_t length = indexnow::kDefaultKeyLength;
        bool force = false;
    };
    auto keyOptions = std::make_shared<KeyCommandOptions>();
    CLI::App* key = indexnow->add_subcommand(
        "key", "make a key, keep it as the workspace's key and write the file to publish");
    key->add_option("FILE", keyOptions->file, "a profile file (.fl2): the site's address");
    key->add_option("--length", keyOptions->length, "the key's length (8 to 128, default 32)")
        ->check(CLI::Range(indexnow::kMinKeyLength, indexnow::kMaxKeyLength));
    key->add_flag("--force", keyOptions->force, "replace the workspace's key when it has one");
    key->callback([keyOptions, &context] {
        context.exitCode =
            makeKeyCommand(keyOptions->file, keyOptions->length, keyOptions->force, context);
    });

    auto verifyOptions = std::make_shared<KeyOptions>();
    CLI::App* verify =
        indexnow->add_subcommand("verify", "fetch the key file as the engines will and check it");
    addKeyOptions(*verify, *verifyOptions);
    verify->callback(
        [verifyOptions, &context] { context.exitCode = verifyCommand(*verifyOptions, context); });

    auto submitOptions = std::make_shared<SubmitOptions>();
    CLI::App* submit = indexnow->add_subcommand(
        "submit",
        "announce the profile's URL, its deep checklist, its sitemap, the pages a crawl finds "
        "or a list of URLs");
    addKeyOptions(*submit, submitOptions->key);
    submit
        ->add_option("--endpoint", submitOptions->endpoints,
                     std::string("an engine's address, tried in the order given (default ") +
                         indexnow::kDefaultEndpoint + ")")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    submit->add_option("--urls", submitOptions->urls,
                       "announce the URLs of the file at PATH, one a line (\"-\": stdin)");
    submit->add_flag("--deep", submitOptions->deep, "announce the pages of the deep checklist");
    submit->add_option("--sitemap", submitOptions->sitemap,
                       "announce the pages of the sitemap or sitemap index at URL or FILE; with "
                       "the ledger, only those changed since they were last taken");
    CLI::Option* crawl =
        submit->add_flag("--crawl", submitOptions->crawl,
                         "announce the pages the whole-site crawl finds; with the ledger, only "
                         "those changed since they were last taken");
    submit
        ->add_option_function<std::size_t>(
            "--delay", [submitOptions](std::size_t ms) { submitOptions->delay = base::Millis(ms); },
            "crawl one page at a time, MS milliseconds after the last answer (robots.txt's "
            "Crawl-delay may ask for more)")
        ->type_name("MS")
        ->check(CLI::Range(std::size_t{0}, std::size_t{3600000}))
        ->needs(crawl);
    submit->add_flag("--dry-run", submitOptions->dryRun, "print the requests and send nothing");
    submit->add_flag("--force", submitOptions->force,
                     "announce URLs accepted in the last 24 hours again");
    submit->add_option("--report", submitOptions->report,
                       "append a JSON Lines report of the run to PATH (\"-\": stdout)");
    submit->callback(
        [submitOptions, &context] { context.exitCode = submitCommand(*submitOptions, context); });

    auto historyUrl = std::make_shared<std::string>();
    CLI::App* history =
        indexnow->add_subcommand("history", "print each sending the ledger holds, oldest first");
    history->add_option("URL", *historyUrl, "only the sendings of this URL");
    history->callback(
        [historyUrl, &context] { context.exitCode = historyCommand(*historyUrl, context); });
}

}  // namespace farrow::cli
