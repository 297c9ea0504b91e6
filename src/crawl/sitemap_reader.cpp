#include "crawl/sitemap_reader.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <zlib.h>

#include <climits>
#include <fstream>
#include <memory>
#include <unordered_set>

#include "base/text.h"
#include "crawl/uri_reference.h"

namespace farrow::crawl {

namespace {

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

std::string_view nameOf(xmlNode* node) {
    return reinterpret_cast<const char*>(node->name);
}

std::string trimmedContent(xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    if (content == nullptr) {
        return {};
    }
    std::string out(base::trimmed(reinterpret_cast<const char*>(content)));
    xmlFree(content);
    return out;
}

bool isWebUrl(std::string_view text) {
    return text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0;
}

// At most `maxBytes + 1` bytes of the file: enough to tell that it is too long.
base::Error readFileBounded(const std::string& path, std::size_t maxBytes, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {base::ErrorCode::OpenFailed, "cannot open \"" + path + "\""};
    }
    out.clear();
    char buffer[65536];
    while (out.size() <= maxBytes && in.read(buffer, sizeof buffer).gcount() > 0) {
        out.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        return {base::ErrorCode::ReadFailed, "cannot read \"" + path + "\""};
    }
    return {};
}

}  // namespace

base::Error gunzipBounded(std::string_view bytes, std::size_t maxBytes, std::string& out) {
    const auto broken = [](std::string reason) {
        return base::Error{base::ErrorCode::WrongFormat, std::move(reason)};
    };
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0x1f ||
        static_cast<unsigned char>(bytes[1]) != 0x8b) {
        if (bytes.size() > maxBytes) {
            return broken("larger than " + std::to_string(maxBytes) + " bytes");
        }
        out.assign(bytes);
        return {};
    }
    z_stream z{};
    // 16 + 15: a gzip wrapper and the largest window.
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) {
        return broken("cannot unpack gzip");
    }
    out.clear();
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(std::min<std::size_t>(bytes.size(), UINT_MAX));
    char buffer[65536];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        const std::size_t produced = sizeof buffer - z.avail_out;
        if (out.size() + produced > maxBytes) {
            inflateEnd(&z);
            return broken("larger than " + std::to_string(maxBytes) + " bytes once unpacked");
        }
        out.append(buffer, produced);
        if (rc == Z_BUF_ERROR && z.avail_in == 0) {
            break;
        }
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END) {
        return broken("broken gzip data");
    }
    return {};
}

SitemapContent parseSitemap(std::string_view bytes, std::size_t maxBytes) {
    SitemapContent content;
    std::string xml;
    if ((content.error = gunzipBounded(bytes, maxBytes, xml))) {
        return content;
    }
    if (xml.size() > static_cast<std::size_t>(INT_MAX)) {
        content.error = {base::ErrorCode::WrongFormat, "too large"};
        return content;
    }
    // No network, no entities from outside, no DTD loaded.
    const std::unique_ptr<xmlDoc, DocFree> doc(
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!doc) {
        const xmlError* last = xmlGetLastError();
        std::string why = last != nullptr && last->message != nullptr ? last->message : "";
        while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) {
            why.pop_back();
        }
        content.error = {base::ErrorCode::WrongFormat,
                         "not well-formed XML" + (why.empty() ? "" : ": " + why)};
        if (last != nullptr && last->line > 0) {
            content.error.reason += " (line " + std::to_string(last->line) + ")";
        }
        return content;
    }
    xmlNode* root = xmlDocGetRootElement(doc.get());
    const char* itemName = nullptr;
    if (root != nullptr && nameOf(root) == "urlset") {
        itemName = "url";
    } else if (root != nullptr && nameOf(root) == "sitemapindex") {
        content.kind = SitemapContent::Kind::Index;
        itemName = "sitemap";
    } else {
        content.error = {base::ErrorCode::WrongFormat, "neither a urlset nor a sitemapindex"};
        return content;
    }
    for (xmlNode* item = root->children; item != nullptr; item = item->next) {
        if (item->type != XML_ELEMENT_NODE || nameOf(item) != itemName) {
            continue;
        }
        SitemapEntry entry;
        for (xmlNode* field = item->children; field != nullptr; field = field->next) {
            if (field->type != XML_ELEMENT_NODE) {
                continue;
            }
            if (nameOf(field) == "loc") {
                entry.loc = trimmedContent(field);
            } else if (nameOf(field) == "lastmod") {
                entry.lastmod = trimmedContent(field);
            }
        }
        if (!entry.loc.empty()) {
            content.entries.push_back(std::move(entry));
        }
    }
    return content;
}

SitemapSourceParams sitemapSourceParams(const std::string& source, const base::Timing& timing) {
    SitemapSourceParams params;
    params.source = source;
    params.maxBytes = timing.siteCrawlSitemapBytes;
    params.maxUrls = timing.siteCrawlMaxPages;
    params.fetchTimes.connectTimeout = timing.siteCrawlConnectTimeout;
    params.fetchTimes.stallTimeout = timing.siteCrawlStallTimeout;
    params.fetchTimes.deadline = timing.siteCrawlPageDeadline;
    return params;
}

SitemapPages loadSitemapPages(const SitemapSourceParams& params, const PageFetch& fetch) {
    SitemapPages result;
    // Reads one sitemap's bytes, or says why they cannot be had.
    const auto read = [&](const std::string& source, std::string& bytes) -> base::Error {
        if (!isWebUrl(source)) {
            return readFileBounded(source, params.maxBytes, bytes);
        }
        platform::WebRequest ask = params.fetchTimes;
        ask.url = source;
        ask.maxBodyBytes = params.maxBytes + 1;
        platform::WebResponse answer = fetch(ask);
        if (answer.failed()) {
            return {base::ErrorCode::ReadFailed, source + ": " + answer.reason};
        }
        if (answer.status != 200) {
            return {base::ErrorCode::ReadFailed,
                    source + ": answered " + std::to_string(answer.status)};
        }
        if (answer.truncated) {
            return {base::ErrorCode::WrongFormat,
                    source + ": larger than " + std::to_string(params.maxBytes) + " bytes"};
        }
        bytes = std::move(answer.body);
        return {};
    };
    std::unordered_set<std::string> seen;
    const auto take = [&](const std::vector<SitemapEntry>& entries) {
        for (const SitemapEntry& entry : entries) {
            if (result.pages.size() >= params.maxUrls) {
                return;
            }
            if (seen.insert(normalizedUrl(entry.loc)).second) {
                result.pages.push_back(entry);
            }
        }
    };

    std::string bytes;
    if ((result.error = read(params.source, bytes))) {
        return result;
    }
    SitemapContent top = parseSitemap(bytes, params.maxBytes);
    bytes.clear();
    if (top.error) {
        result.error = {top.error.code, params.source + ": " + top.error.reason};
        return result;
    }
    if (top.kind == SitemapContent::Kind::UrlSet) {
        take(top.entries);
        return result;
    }
    std::size_t sitemapsRead = 0;
    for (const SitemapEntry& child : top.entries) {
        if (sitemapsRead >= params.maxSitemaps || result.pages.size() >= params.maxUrls) {
            break;
        }
        ++sitemapsRead;
        // An index lists sitemaps by URL; one relative to a local index is a file beside it.
        std::string source = child.loc;
        if (!isWebUrl(source) && !isWebUrl(params.source)) {
            const std::size_t slash = params.source.rfind('/');
            if (slash != std::string::npos && (source.empty() || source.front() != '/')) {
                source = params.source.substr(0, slash + 1) + source;
            }
        }
        if (const base::Error why = read(source, bytes)) {
            result.skipped.push_back(why.reason);
            continue;
        }
        const SitemapContent part = parseSitemap(bytes, params.maxBytes);
        if (part.error) {
            result.skipped.push_back(source + ": " + part.error.reason);
        } else if (part.kind == SitemapContent::Kind::Index) {
            result.skipped.push_back(source + ": an index inside an index");
        } else {
            take(part.entries);
        }
    }
    return result;
}

std::optional<std::chrono::system_clock::time_point> w3cTimePoint(std::string_view text) {
    using namespace std::chrono;
    std::size_t at = 0;
    // Exactly `width` digits at `at`, or -1.
    const auto number = [&](std::size_t width) {
        if (at + width > text.size()) {
            return -1;
        }
        int value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            const char c = text[at + i];
            if (c < '0' || c > '9') {
                return -1;
            }
            value = value * 10 + (c - '0');
        }
        at += width;
        return value;
    };
    const auto skip = [&](char c) {
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    };

    // The clock's nanoseconds end in 2262; a page of another age has no true date anyway.
    const int y = number(4);
    int m = 1;
    int d = 1;
    if (y < 1900 || y > 2200) {
        return std::nullopt;
    }
    if (skip('-') && ((m = number(2)) < 0 || (skip('-') && (d = number(2)) < 0))) {
        return std::nullopt;
    }
    const year_month_day date{year{y}, month{static_cast<unsigned>(m)},
                              day{static_cast<unsigned>(d)}};
    if (!date.ok() || (at < text.size() && at < 10)) {
        return std::nullopt;
    }
    sys_time<milliseconds> when = sys_days(date);
    if (at == text.size()) {
        return time_point_cast<system_clock::duration>(when);
    }
    // A time needs minutes and a zone; seconds and their fraction may be left out.
    if (!skip('T')) {
        return std::nullopt;
    }
    const int hh = number(2);
    const int mm = skip(':') ? number(2) : -1;
    if (hh < 0 || hh > 23 || mm < 0 || mm > 59) {
        return std::nullopt;
    }
    int ss = 0;
    int ms = 0;
    if (skip(':')) {
        // 60: a leap second.
        if ((ss = number(2)) < 0 || ss > 60) {
            return std::nullopt;
        }
        if (skip('.')) {
            int scale = 100;
            const std::size_t first = at;
            while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
                ms += (text[at++] - '0') * scale;
                scale /= 10;
            }
            if (at == first) {
                return std::nullopt;
            }
        }
    }
    when += hours(hh) + minutes(mm) + seconds(ss) + milliseconds(ms);
    if (skip('Z')) {
        return at == text.size() ? std::optional(time_point_cast<system_clock::duration>(when))
                                 : std::nullopt;
    }
    const bool east = skip('+');
    if (!east && !skip('-')) {
        return std::nullopt;
    }
    const int zh = number(2);
    const int zm = skip(':') ? number(2) : -1;
    if (zh < 0 || zh > 23 || zm < 0 || zm > 59 || at != text.size()) {
        return std::nullopt;
    }
    const minutes offset = hours(zh) + minutes(zm);
    when += east ? -offset : offset;
    return time_point_cast<system_clock::duration>(when);
}

}  // namespace farrow::crawl
