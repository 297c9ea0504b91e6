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
#include "platform/file_system.h"

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

bool isWebSitemapSource(std::string_view source) {
    const std::optional<std::string> scheme = parseUriReference(source).scheme;
    return scheme && (base::equalsIgnoringCase(*scheme, "http") ||
                      base::equalsIgnoringCase(*scheme, "https"));
}

SitemapSourceParams sitemapSourceParams(const std::string& source, const base::Timing& timing) {
    SitemapSourceParams params;
    params.source = source;
    params.maxBytes = timing.siteCrawlSitemapBytes;
    params.maxUrls = timing.siteCrawlMaxPages;
    params.maxRedirects = timing.sitemapRedirectLimit;
    params.fetchTimes.connectTimeout = timing.siteCrawlConnectTimeout;
    params.fetchTimes.stallTimeout = timing.siteCrawlStallTimeout;
    params.fetchTimes.deadline = timing.siteCrawlPageDeadline;
    return params;
}

namespace {

// Where one sitemap is read from: a web address, or a file.
struct SitemapPlace {
    std::string address;
    bool web = false;
};

// Reads sitemaps for one `loadSitemapPages`.
class SitemapSourceReader {
public:
    SitemapSourceReader(const SitemapSourceParams& params, const PageFetch& fetch,
                        SitemapPages& result)
        : params_(params), fetch_(fetch), result_(result) {}

    // The sitemap's bytes; `place.address` becomes where a web one was read after redirects.
    base::Error read(SitemapPlace& place, std::string& bytes) {
        return place.web ? fetch(place.address, bytes)
                         : readFileBounded(place.address, params_.maxBytes, bytes);
    }

    // Where the part `loc` of the index read at `index` lives, or why it may not be read.
    std::optional<SitemapPlace> partOf(const SitemapPlace& index, const std::string& loc,
                                       std::string& why) const {
        if (index.web || isWebSitemapSource(loc)) {
            const std::string url =
                withoutFragment(index.web ? resolveReference(index.address, loc) : loc);
            if (!webAddress(url)) {
                why = loc + ": not an http or https URL";
                return std::nullopt;
            }
            return SitemapPlace{normalizedUrl(url), true};
        }
        // The user named the index; its parts may be files in its folder, and nothing else.
        const UriReference ref = parseUriReference(loc);
        const std::string& path = ref.path;
        if (ref.scheme || ref.authority || ref.query || path.empty() || path.front() == '/' ||
            path == ".." || path.starts_with("../") || path.ends_with("/..") ||
            path.find("/../") != std::string::npos) {
            why = loc + ": neither an http or https URL nor a file in the index's folder";
            return std::nullopt;
        }
        const std::size_t slash = index.address.rfind('/');
        const std::string file =
            (slash == std::string::npos ? "" : index.address.substr(0, slash + 1)) + path;
        if (platform::isThereButNotRegular(file)) {
            why = file + ": not a regular file";
            return std::nullopt;
        }
        return SitemapPlace{file, false};
    }

private:
    base::Error fetch(std::string& url, std::string& bytes) {
        const std::optional<WebAddress> named = webAddress(url);
        if (!named) {
            return {base::ErrorCode::WrongFormat, url + ": not an http or https URL with a host"};
        }
        const std::string first = url = normalizedUrl(url);
        for (std::size_t hop = 0;; ++hop) {
            platform::WebRequest ask = params_.fetchTimes;
            ask.url = url;
            ask.maxBodyBytes = params_.maxBytes + 1;
            platform::WebResponse answer = fetch_(ask);
            if (answer.failed()) {
                return {base::ErrorCode::ReadFailed, url + ": " + answer.reason};
            }
            const std::string location = answer.header("location");
            if (answer.status >= 300 && answer.status < 400 && !location.empty()) {
                const std::string target = withoutFragment(resolveReference(url, location));
                const std::optional<WebAddress> to = webAddress(target);
                if (!to || to->host != named->host) {
                    return {base::ErrorCode::ReadFailed,
                            url + ": redirects outside its host to " + target};
                }
                if (hop >= params_.maxRedirects) {
                    return {base::ErrorCode::ReadFailed, first + ": more than " +
                                                             std::to_string(params_.maxRedirects) +
                                                             " redirects"};
                }
                url = normalizedUrl(target);
                continue;
            }
            if (answer.status != 200) {
                return {base::ErrorCode::ReadFailed,
                        url + ": answered " + std::to_string(answer.status)};
            }
            if (answer.truncated) {
                return {base::ErrorCode::WrongFormat,
                        url + ": larger than " + std::to_string(params_.maxBytes) + " bytes"};
            }
            if (url != first) {
                result_.redirected.push_back(first + " was read at " + url);
            }
            bytes = std::move(answer.body);
            return {};
        }
    }

    const SitemapSourceParams& params_;
    const PageFetch& fetch_;
    SitemapPages& result_;
};

}  // namespace

SitemapPages loadSitemapPages(const SitemapSourceParams& params, const PageFetch& fetch) {
    SitemapPages result;
    SitemapSourceReader reader(params, fetch, result);
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

    SitemapPlace top{params.source, isWebSitemapSource(params.source)};
    std::string bytes;
    if ((result.error = reader.read(top, bytes))) {
        return result;
    }
    SitemapContent content = parseSitemap(bytes, params.maxBytes);
    bytes.clear();
    if (content.error) {
        result.error = {content.error.code, top.address + ": " + content.error.reason};
        return result;
    }
    if (content.kind == SitemapContent::Kind::UrlSet) {
        take(content.entries);
        return result;
    }
    std::size_t sitemapsRead = 0;
    for (const SitemapEntry& child : content.entries) {
        if (sitemapsRead >= params.maxSitemaps || result.pages.size() >= params.maxUrls) {
            break;
        }
        ++sitemapsRead;
        std::string why;
        std::optional<SitemapPlace> part = reader.partOf(top, child.loc, why);
        if (!part) {
            result.skipped.push_back(std::move(why));
            continue;
        }
        if (const base::Error failed = reader.read(*part, bytes)) {
            result.skipped.push_back(failed.reason);
            continue;
        }
        const SitemapContent partContent = parseSitemap(bytes, params.maxBytes);
        if (partContent.error) {
            result.skipped.push_back(part->address + ": " + partContent.error.reason);
        } else if (partContent.kind == SitemapContent::Kind::Index) {
            result.skipped.push_back(part->address + ": an index inside an index");
        } else {
            take(partContent.entries);
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
