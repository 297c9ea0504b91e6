#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "cli/command_line.h"
#include "cli/crawl_progress_line.h"
#include "cli/profile_loading.h"
#include "cli/sitemap_pages.h"
#include "crawl/site_crawl.h"
#include "crawl/sitemap_reader.h"
#include "crawl/sitemap_writer.h"
#include "crawl/web_fetch.h"
#include "indexnow/announcement_ledger.h"
#include "indexnow/recorded_crawl.h"
#include "indexnow/url_source.h"
#include "platform/file_system.h"
#include "profile/profile_dialogs.h"
#include "profile/profile_file.h"

namespace farrow::cli {

namespace {

struct CrawlOptions {
    std::string file;
    std::size_t maxPages = 0;
    std::size_t maxDepth = 0;
    std::optional<base::Millis> delay;
    std::string out;
    std::string format = "xml";
    std::string report;
};

// One page as a JSON object; a report's lines name their event first.
nlohmann::ordered_json pageRecord(const crawl::CrawledPage& page, const char* event = nullptr) {
    nlohmann::ordered_json line;
    if (event != nullptr) {
        line["event"] = event;
    }
    line["url"] = page.url;
    line["status"] = page.status;
    line["title"] = page.title;
    line["depth"] = page.depth;
    line["foundBy"] = crawl::token(page.foundBy);
    line["contentType"] = page.contentType;
    line["lastmod"] = crawl::w3cDateTime(page.lastModified);
    line["inSitemap"] = !page.leftOut;
    line["leftOut"] = page.leftOut ? nlohmann::ordered_json(crawl::text(page.leftOut))
                                   : nlohmann::ordered_json(nullptr);
    if (page.truncated) {
        line["truncated"] = true;
    }
    if (!page.cut.empty()) {
        line["cut"] = page.cut;
    }
    return line;
}

// The output in the chosen format; the files written and, for a sitemap, the line for
// robots.txt; or an error.
base::Error writeOutput(const crawl::CrawlResult& result, const CrawlOptions& options,
                        const std::string& path, std::vector<std::string>& written,
                        std::string& robotsLine) {
    if (options.format == "xml") {
        crawl::WrittenSitemap sitemap = crawl::writeCrawlSitemap(result, path);
        written = std::move(sitemap.files);
        robotsLine = std::move(sitemap.robotsLine);
        return sitemap.error;
    }
    std::string text;
    for (const crawl::CrawledPage& page : result.pages) {
        if (options.format == "jsonl") {
            text += pageRecord(page).dump() + '\n';
        } else if (!page.leftOut) {
            text += page.url + '\n';
        }
    }
    if (!platform::writeWholeFile(path, text)) {
        return {base::ErrorCode::WriteFailed,
                "cannot write \"" + path + "\": " + platform::systemReason(errno)};
    }
    written.push_back(path);
    return {};
}

ExitCode runCrawl(const CrawlOptions& options, const CommandContext& context) {
    const std::optional<profile::SubmissionProfile> profile = readProfile(options.file, context);
    const std::optional<std::string> url =
        profile ? std::optional<std::string>(profile->url) : std::nullopt;
    if (!url) {
        return kExitFailed;
    }
    // A report named without its folder goes into the workspace, as the sitemap does.
    const std::string reportPath =
        options.report.empty() || options.report == "-"
            ? options.report
            : (std::filesystem::path(context.workspace.root()) / options.report).string();
    JsonLinesReport* report = nullptr;
    if (!context.openReport(reportPath, report)) {
        return kExitFailed;
    }

    std::string path =
        options.out.empty()
            ? "sitemap." + std::string(options.format == "xml" ? "xml" : options.format)
            : options.out;
    if (std::filesystem::path(path).is_relative()) {
        path = (std::filesystem::path(context.workspace.root()) / path).lexically_normal();
    }
    // Found now rather than after an hour's crawl.
    if (const base::Error e = crawl::checkOutputPlace(path)) {
        context.err << "farrowctl: " << e.reason << '\n';
        return kExitFailed;
    }

    crawl::CrawlParams params = crawl::crawlParams(*url, context.timing);
    if (options.maxPages > 0) {
        params.maxPages = options.maxPages;
    }
    if (options.maxDepth > 0) {
        params.maxDepth = options.maxDepth;
    }
    params.delay = options.delay;
    params.cancel = &InterruptScope::requested();
    context.out << "Crawling " << *url << " (at most " << params.maxPages << " pages, ";
    if (params.delay) {
        context.out << "one at a time, " << params.delay->count() << " ms apart)\n";
    } else {
        context.out << params.inFlight << " at a time)\n";
    }
    context.out << std::flush;

    indexnow::RecordedCrawl::Result recorded;
    {
        // A stop ends the crawl, which then writes what it found.
        InterruptScope interrupts;
        CrawlProgressLine progress(context);
        base::SystemClock clock;
        recorded =
            indexnow::RecordedCrawl::run({params, indexnow::ledgerPath(context.workspace), false},
                                         crawl::webPageFetch(context.caFile), clock, &progress);
    }
    const crawl::CrawlResult& result = recorded.crawl;
    if (recorded.ledgerError) {
        // The sitemap does not need the ledger: said, and the crawl's outcome stands.
        context.err << "farrowctl: the ledger: " << recorded.ledgerError.reason << '\n';
    }

    if (report) {
        for (const crawl::CrawledPage& page : result.pages) {
            report->write(pageRecord(page, "crawl-page"));
        }
        for (const crawl::RobotsSitemap& sitemap : result.sitemaps) {
            report->write({{"event", "robots-sitemap"},
                           {"url", sitemap.url},
                           {"listed", sitemap.listed},
                           {"problems", sitemap.problems}});
        }
    }
    for (const crawl::RobotsSitemap& sitemap : result.sitemaps) {
        context.out << "robots.txt names the sitemap " << sitemap.url
                    << "; pages of the crawl's folder it lists: " << sitemap.listed << '\n';
        for (const std::string& problem : sitemap.problems) {
            context.err << "farrowctl: the sitemap " << sitemap.url << ": " << problem << '\n';
        }
    }
    if (result.ending == crawl::CrawlEnding::StartUnreadable) {
        context.err << "farrowctl: the start page " << *url
                    << " could not be read: " << result.startError << '\n';
        if (report) {
            report->write({{"event", "end"},
                           {"ending", crawl::token(result.ending)},
                           {"reason", result.startError}});
        }
        return kExitFailed;
    }

    std::size_t listed = 0;
    std::size_t bySitemap = 0;
    // Pages left out alike ("answered 404", "noindex", "redirects to" whatever the target),
    // counted together and shown in the order of their words.
    std::map<std::string, std::size_t> reasons;
    for (const crawl::CrawledPage& page : result.pages) {
        if (!page.leftOut) {
            ++listed;
        } else {
            ++reasons[crawl::groupText(page.leftOut)];
        }
        bySitemap += page.foundBy == crawl::FoundBy::Sitemap ? 1 : 0;
    }
    std::vector<std::string> written;
    std::string robotsLine;
    if (const base::Error error = writeOutput(result, options, path, written, robotsLine)) {
        context.err << "farrowctl: " << error.reason << '\n';
        return kExitFailed;
    }

    context.out << "The crawl " << crawl::endingText(result, params) << ".\n"
                << result.fetched << " pages read";
    if (recorded.unchanged > 0) {
        context.out << " (" << recorded.unchanged << " unchanged since the last crawl)";
    }
    context.out << "; " << listed << " in the sitemap, " << result.pages.size() - listed
                << " left out";
    if (!reasons.empty()) {
        context.out << " (";
        bool first = true;
        for (const auto& [why, count] : reasons) {
            context.out << (first ? "" : ", ") << why << ": " << count;
            first = false;
        }
        context.out << ")";
    }
    context.out << ".\n";
    if (bySitemap > 0) {
        context.out << bySitemap << " of them found through robots.txt's sitemaps alone.\n";
    }
    if (const std::string pacing = crawl::pacingText(result); !pacing.empty()) {
        context.out << "The crawl was paced: " << pacing << ".\n";
    }
    for (const std::string& file : written) {
        context.out << "Wrote " << file << '\n';
    }
    if (!robotsLine.empty()) {
        context.out << "Publish it in the site's folder and add this line to robots.txt:\n"
                    << robotsLine << '\n';
    }
    if (report) {
        report->write({{"event", "end"},
                       {"ending", crawl::token(result.ending)},
                       {"fetched", result.fetched},
                       {"unchanged", recorded.unchanged},
                       {"inSitemap", listed},
                       {"leftOut", result.pages.size() - listed}});
    }
    return kExitOk;
}

}  // namespace

void addCrawlBounds(CLI::App& command, std::size_t& maxPages, std::size_t& maxDepth,
                    const base::Timing& timing) {
    command
        .add_option(
            "--max-pages", maxPages,
            "read at most N pages (default " + std::to_string(timing.siteCrawlMaxPages) + ")")
        ->check(CLI::Range(std::size_t{1}, std::size_t{10000000}));
    command
        .add_option("--max-depth", maxDepth,
                    "follow links at most N steps from the start page (default " +
                        std::to_string(timing.siteCrawlMaxDepth) + ")")
        ->check(CLI::Range(std::size_t{1}, std::size_t{100000}));
}

void addCrawlDelay(CLI::App& command, std::optional<base::Millis>& delay) {
    command
        .add_option_function<std::size_t>(
            "--delay", [&delay](std::size_t ms) { delay = base::Millis(ms); },
            "read one page at a time, MS milliseconds after the last answer (robots.txt's "
            "Crawl-delay may ask for more)")
        ->type_name("MS")
        ->check(CLI::Range(std::size_t{0}, std::size_t{3600000}));
}

void addCrawlCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<CrawlOptions>();
    CLI::App* command = app.add_subcommand(
        "crawl", "crawl the whole site from a profile's URL and write its sitemap");
    command->add_option("FILE", options->file, "a profile file (.fl2): the start page")->required();
    addCrawlBounds(*command, options->maxPages, options->maxDepth, context.timing);
    addCrawlDelay(*command, options->delay);
    command->add_option("--out", options->out,
                        "write to PATH (default sitemap.xml, sitemap.txt or sitemap.jsonl)");
    command
        ->add_option("--format", options->format,
                     "xml: a sitemap; txt: one URL a line; jsonl: every page met, with its "
                     "status, title, depth and why it was left out")
        ->check(CLI::IsMember({"xml", "txt", "jsonl"}));
    command->add_option("--report", options->report,
                        "append a JSON Lines report of the crawl to PATH (\"-\": stdout)");
    command->callback([options, &context] { context.exitCode = runCrawl(*options, context); });
}

}  // namespace farrow::cli

namespace farrow::cli {

std::string sitemapSource(const std::string& source, const base::Workspace& workspace) {
    if (crawl::isWebSitemapSource(source) || std::filesystem::path(source).is_absolute()) {
        return source;
    }
    return (std::filesystem::path(workspace.root()) / source).string();
}

std::optional<std::vector<deep::PageEntry>> sitemapPageEntries(const std::string& source,
                                                               const CommandContext& context,
                                                               crawl::SitemapCut& cut) {
    const crawl::SitemapPages read = crawl::loadSitemapPages(
        crawl::sitemapSourceParams(sitemapSource(source, context.workspace), context.timing),
        crawl::webPageFetch(context.caFile));
    for (const std::string& redirected : read.redirected) {
        context.err << "farrowctl: "
                    << indexnow::text({indexnow::SourceNote::Kind::SitemapRedirected, redirected})
                    << '\n';
    }
    for (const std::string& skipped : read.skipped) {
        context.err << "farrowctl: "
                    << indexnow::text({indexnow::SourceNote::Kind::SitemapSkipped, skipped})
                    << '\n';
    }
    if (read.error) {
        context.err << "farrowctl: the sitemap could not be read: " << read.error.reason << '\n';
        return std::nullopt;
    }
    if (read.cut) {
        context.err << "farrowctl: " << crawl::text(read.cut) << '\n';
    }
    cut = read.cut;
    std::vector<deep::PageEntry> pages;
    for (const crawl::SitemapEntry& entry : read.pages) {
        pages.push_back({entry.loc, ""});
    }
    return pages;
}

nlohmann::ordered_json sitemapCutEvent(const crawl::SitemapCut& cut) {
    nlohmann::ordered_json line;
    line["event"] = "sitemap-cut";
    line["bound"] = crawl::token(cut.bound);
    line["limit"] = cut.limit;
    line["urlsNotTaken"] = cut.urlsNotTaken;
    line["sitemapsNotRead"] = cut.partsNotRead;
    return line;
}

}  // namespace farrow::cli
