#include "crawl/sitemap_writer.h"

#include <curl/curl.h>

#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>

#include "base/text.h"
#include "crawl/site_crawl.h"
#include "platform/file_system.h"

namespace farrow::crawl {

namespace {

constexpr const char* kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
constexpr const char* kTail = "</urlset>\n";
constexpr const char* kIndexHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
constexpr const char* kIndexTail = "</sitemapindex>\n";

std::string urlElement(const SitemapEntry& entry, const char* tag) {
    std::string out =
        std::string("  <") + tag + ">\n    <loc>" + xmlEscaped(entry.loc) + "</loc>\n";
    if (!entry.lastmod.empty()) {
        out += "    <lastmod>" + xmlEscaped(entry.lastmod) + "</lastmod>\n";
    }
    return out + "  </" + tag + ">\n";
}

std::string partName(const std::string& fileName, std::size_t number) {
    const std::size_t dot = fileName.find('.');
    const std::string stem = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : fileName.substr(dot);
    return stem + "-" + std::to_string(number) + ext;
}

}  // namespace

std::string xmlEscaped(std::string_view text) {
    return base::escapeMarkup(text, "&apos;");
}

std::string w3cDateTime(std::string_view httpDate) {
    const std::string text(httpDate);
    const std::time_t when = curl_getdate(text.c_str(), nullptr);
    if (text.empty() || when < 0) {
        return {};
    }
    std::tm utc{};
    gmtime_r(&when, &utc);
    char out[32];
    std::strftime(out, sizeof out, "%Y-%m-%dT%H:%M:%S+00:00", &utc);
    return out;
}

std::vector<SitemapFile> buildSitemaps(const std::vector<SitemapEntry>& entries,
                                       const std::string& fileName, const std::string& folderUrl,
                                       const SitemapLimits& limits) {
    const std::size_t tail = std::string(kTail).size();
    std::vector<SitemapFile> parts;
    std::string current = kHead;
    std::size_t count = 0;
    for (const SitemapEntry& entry : entries) {
        const std::string element = urlElement(entry, "url");
        if (count > 0 &&
            (count >= limits.maxUrls || current.size() + element.size() + tail > limits.maxBytes)) {
            parts.push_back({"", current + kTail});
            current = kHead;
            count = 0;
        }
        current += element;
        ++count;
    }
    parts.push_back({"", current + kTail});
    if (parts.size() == 1) {
        parts.front().name = fileName;
        return parts;
    }
    std::string index = kIndexHead;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        parts[i].name = partName(fileName, i + 1);
        index += urlElement({folderUrl + parts[i].name, ""}, "sitemap");
    }
    parts.push_back({fileName, index + kIndexTail});
    return parts;
}

base::Error writeSitemapFiles(const std::vector<SitemapFile>& files, const std::string& folder) {
    for (const SitemapFile& file : files) {
        const std::string path = folder.empty() ? file.name : folder + "/" + file.name;
        // Written beside and renamed into place: a full disk leaves the old file, and a link in
        // its place is replaced, not written through.
        if (!platform::writeWholeFile(path, file.xml)) {
            return {base::ErrorCode::WriteFailed,
                    "cannot write \"" + path + "\": " + platform::systemReason(errno)};
        }
    }
    return {};
}

base::Error checkOutputPlace(const std::string& path) {
    const std::filesystem::path target(path);
    const std::filesystem::path folder =
        target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        return {base::ErrorCode::NotFound,
                "cannot write \"" + path + "\": the folder " + folder.string() + " is missing"};
    }
    if (std::filesystem::is_directory(target, ec)) {
        return {base::ErrorCode::OpenFailed,
                "cannot write \"" + path + "\": a folder has that name"};
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        return {base::ErrorCode::OpenFailed,
                "cannot write \"" + path + "\": " + platform::systemReason(errno)};
    }
    return {};
}

WrittenSitemap writeCrawlSitemap(const CrawlResult& crawled, const std::string& path,
                                 const SitemapLimits& limits) {
    const std::filesystem::path target(path);
    const std::string name = target.filename().string();
    const std::vector<SitemapEntry> entries = sitemapEntries(crawled);
    WrittenSitemap written;
    if (entries.empty()) {
        // An empty urlset is no sitemap to the protocol's schema.
        written.error = {
            base::ErrorCode::WrongFormat,
            "the crawl kept no page for a sitemap, so \"" + path + "\" was not written"};
        return written;
    }
    const std::vector<SitemapFile> files = buildSitemaps(entries, name, crawled.scope, limits);
    written.pages = entries.size();
    written.robotsLine = "Sitemap: " + crawled.scope + name;
    written.error = writeSitemapFiles(files, target.parent_path().string());
    if (!written.error) {
        for (const SitemapFile& file : files) {
            written.files.push_back((target.parent_path() / file.name).string());
        }
    }
    return written;
}

}  // namespace farrow::crawl
