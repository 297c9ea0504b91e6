#include "audit/audit_record.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "audit/audit_events.h"
#include "crawl/sitemap_reader.h"
#include "platform/file_system.h"

namespace farrow::audit {

namespace {

// Of the list only its end is read: a record is one short line, and this holds the longest
// path the system allows many times over.
constexpr long kTailBytes = 64 * 1024;

constexpr crawl::CrawlEnding kEndings[] = {
    crawl::CrawlEnding::Finished,   crawl::CrawlEnding::PageBound,
    crawl::CrawlEnding::DepthBound, crawl::CrawlEnding::TimeBound,
    crawl::CrawlEnding::Cancelled,  crawl::CrawlEnding::StartUnreadable};

std::optional<crawl::CrawlEnding> endingOf(const std::string& text) {
    for (const crawl::CrawlEnding ending : kEndings) {
        if (text == crawl::token(ending)) {
            return ending;
        }
    }
    return std::nullopt;
}

std::optional<AuditRecord> parsed(const std::string& line) {
    const nlohmann::json j = nlohmann::json::parse(line, nullptr, /*allow_exceptions=*/false);
    if (!j.is_object() || j.value("event", "") != "audit") {
        return std::nullopt;
    }
    AuditRecord record;
    // `utcStamp` wrote it: a W3C date-time.
    const std::optional<base::TimePoint> when = crawl::w3cTimePoint(j.value("when", ""));
    const std::optional<crawl::CrawlEnding> ending = endingOf(j.value("ending", ""));
    if (!when || !ending) {
        return std::nullopt;
    }
    record.when = *when;
    record.ending = *ending;
    for (auto [name, field] : {std::pair{"pages", &record.pages},
                               {"errors", &record.errors},
                               {"warnings", &record.warnings},
                               {"notices", &record.notices}}) {
        const auto at = j.find(name);
        if (at == j.end() || !at->is_number_unsigned()) {
            return std::nullopt;
        }
        *field = at->get<std::size_t>();
    }
    if (j.contains("start") && j["start"].is_string()) {
        record.startUrl = j["start"].get<std::string>();
    }
    if (j.contains("file") && j["file"].is_string()) {
        record.file = j["file"].get<std::string>();
    }
    return record;
}

std::string plural(std::size_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

std::string auditRecordsPath(const base::Workspace& workspace) {
    return platform::joinPath(workspace.root(), "audits.jsonl");
}

base::Error appendAuditRecord(const std::string& path, const AuditRecord& record) {
    const nlohmann::ordered_json line = {
        {"event", "audit"},
        {"when", utcStamp(record.when)},
        {"start", record.startUrl},
        {"pages", record.pages},
        {"errors", record.errors},
        {"warnings", record.warnings},
        {"notices", record.notices},
        {"ending", crawl::token(record.ending)},
        {"file", record.file.empty() ? nlohmann::ordered_json(nullptr)
                                     : nlohmann::ordered_json(record.file)}};
    const std::string text =
        line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + '\n';
    if (!platform::appendTextToFile(path, text)) {
        return {base::ErrorCode::WriteFailed, platform::systemReason(errno)};
    }
    return {};
}

LastAudit readLastAudit(const std::string& path) {
    LastAudit last;
    if (platform::isThereButNotRegular(path)) {
        last.problem = "it is no regular file";
        return last;
    }
    if (!platform::fileExists(path)) {
        return last;
    }
    const platform::FilePtr file = platform::openFile(path, "rb");
    if (!file) {
        last.problem = platform::systemReason(errno);
        return last;
    }
    std::string tail;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(file.get());
        std::fseek(file.get(), size > kTailBytes ? size - kTailBytes : 0, SEEK_SET);
    }
    char buffer[8192];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
        tail.append(buffer, n);
        if (tail.size() > static_cast<std::size_t>(kTailBytes)) {
            // The list grew while it was read: what came after the end we sought is not needed.
            break;
        }
    }
    if (std::ferror(file.get()) != 0) {
        last.problem = platform::systemReason(errno);
        return last;
    }
    while (!tail.empty() && tail.back() == '\n') {
        tail.pop_back();
    }
    const std::size_t start = tail.rfind('\n');
    last.record = parsed(start == std::string::npos ? tail : tail.substr(start + 1));
    return last;
}

std::string summaryLine(const AuditRecord& record, const std::string& workspaceRoot) {
    std::string line = plural(record.pages, "page") + ", " + plural(record.errors, "error") + ", " +
                       plural(record.warnings, "warning") + ", " + plural(record.notices, "notice");
    if (!record.file.empty()) {
        const std::filesystem::path file(record.file);
        // Joined and taken off again, so that a root with a trailing "/" compares alike.
        const bool inWorkspace =
            file.parent_path().lexically_normal() ==
            (std::filesystem::path(workspaceRoot) / "x").lexically_normal().parent_path();
        line += " (" + (inWorkspace ? file.filename().string() : record.file) + ")";
    }
    switch (record.ending) {
        case crawl::CrawlEnding::Finished:
        case crawl::CrawlEnding::StartUnreadable:
            break;
        case crawl::CrawlEnding::PageBound:
        case crawl::CrawlEnding::DepthBound:
        case crawl::CrawlEnding::TimeBound:
            line += ", the crawl cut at a bound";
            break;
        case crawl::CrawlEnding::Cancelled:
            line += ", the crawl cancelled";
            break;
    }
    return line;
}

std::string lastAuditLine(const AuditRecord& record, const std::string& workspaceRoot) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(record.when);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M UTC", &utc);
    return "Last audit " + std::string(stamp) + ": " + summaryLine(record, workspaceRoot);
}

}  // namespace farrow::audit
