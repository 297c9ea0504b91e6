#include "crawl/sitemap_reader.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <unordered_set>

#include "base/text.h"
#include "crawl/uri_reference.h"
#include "platform/file_system.h"

namespace farrow::crawl {

namespace {

// A DOCTYPE before the first element that holds an internal subset ("[...]"), where entities
// are declared. An entity used 50,000 times takes gigabytes once expanded; sitemaps need none.
bool hasInternalSubset(std::string_view xml) {
    std::size_t at = 0;
    while (true) {
        at = xml.find('<', at);
        if (at == std::string_view::npos || at + 1 >= xml.size()) {
            return false;
        }
        if (xml.substr(at, 4) == "<!--") {
            const std::size_t end = xml.find("-->", at + 4);
            if (end == std::string_view::npos) {
                return false;
            }
            at = end + 3;
        } else if (xml[at + 1] == '?') {
            const std::size_t end = xml.find("?>", at + 2);
            if (end == std::string_view::npos) {
                return false;
            }
            at = end + 2;
        } else if (xml.substr(at, 9) == "<!DOCTYPE") {
            char quote = 0;
            for (std::size_t i = at + 9; i < xml.size(); ++i) {
                if (quote != 0) {
                    quote = xml[i] == quote ? 0 : quote;
                } else if (xml[i] == '"' || xml[i] == '\'') {
                    quote = xml[i];
                } else if (xml[i] == '[') {
                    return true;
                } else if (xml[i] == '>') {
                    return false;
                }
            }
            return false;
        } else {
            return false;
        }
    }
}

constexpr const char* kNoSubset = "its DOCTYPE declares entities or holds an internal subset";

// Takes the entries of a urlset, an index, an RSS 2.0 or an Atom 1.0 feed as the parser meets
// them: the root decides where the items are and which of their children hold the address and
// the date.
class SitemapCollector {
public:
    explicit SitemapCollector(SitemapContent& out) : out_(out) {}

    static void startElement(void* ctx, const xmlChar* localname, const xmlChar*, const xmlChar*,
                             int, const xmlChar**, int attributeCount, int,
                             const xmlChar** attributes) {
        auto* parser = static_cast<xmlParserCtxt*>(ctx);
        static_cast<SitemapCollector*>(parser->_private)
            ->start(parser, reinterpret_cast<const char*>(localname), attributeCount, attributes);
    }

    static void endElement(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
        auto* parser = static_cast<xmlParserCtxt*>(ctx);
        static_cast<SitemapCollector*>(parser->_private)->end();
    }

    static void characters(void* ctx, const xmlChar* text, int size) {
        auto* parser = static_cast<xmlParserCtxt*>(ctx);
        auto* self = static_cast<SitemapCollector*>(parser->_private);
        if (self->field_ != nullptr && size > 0) {
            self->field_->append(reinterpret_cast<const char*>(text),
                                 static_cast<std::size_t>(size));
        }
    }

    // Any declaration in a DOCTYPE: refused before an element is read.
    static void entityDecl(void* ctx, const xmlChar*, int, const xmlChar*, const xmlChar*,
                           xmlChar*) {
        refuse(ctx);
    }
    static void elementDecl(void* ctx, const xmlChar*, int, xmlElementContent*) { refuse(ctx); }
    static void attributeDecl(void* ctx, const xmlChar*, const xmlChar*, int, int, const xmlChar*,
                              xmlEnumeration* tree) {
        xmlFreeEnumeration(tree);
        refuse(ctx);
    }

    // Why the document is refused by the reader itself, not by the parser.
    std::string refused;

private:
    // Where a format keeps its items: their depth and name, the child that holds the address
    // (as text, or for Atom in a link's href) and the one that holds the date.
    struct Layout {
        std::size_t itemDepth = 2;
        std::string_view item;
        std::string_view loc;
        std::string_view date;
        bool locInHref = false;
        bool rfc822Date = false;
    };

    static void refuse(void* ctx) {
        auto* parser = static_cast<xmlParserCtxt*>(ctx);
        static_cast<SitemapCollector*>(parser->_private)->refused = kNoSubset;
        xmlStopParser(parser);
    }

    // The value of the attribute `name` (no namespace) of a start tag, if it has one.
    static std::optional<std::string_view> attribute(std::string_view name, int count,
                                                     const xmlChar** attributes) {
        for (int i = 0; i < count; ++i) {
            const xmlChar** a = attributes + 5 * i;
            if (a[2] == nullptr && name == reinterpret_cast<const char*>(a[0])) {
                return std::string_view(reinterpret_cast<const char*>(a[3]),
                                        static_cast<std::size_t>(a[4] - a[3]));
            }
        }
        return std::nullopt;
    }

    void start(xmlParserCtxt* parser, std::string_view name, int attributeCount,
               const xmlChar** attributes) {
        ++depth_;
        if (depth_ == 1) {
            if (name == "urlset") {
                layout_ = {2, "url", "loc", "lastmod"};
            } else if (name == "sitemapindex") {
                out_.kind = SitemapContent::Kind::Index;
                layout_ = {2, "sitemap", "loc", "lastmod"};
            } else if (name == "rss") {
                layout_ = {3, "item", "link", "pubDate", false, true};
            } else if (name == "feed") {
                layout_ = {2, "entry", "link", "updated", true};
            } else {
                refused = "neither a urlset nor a sitemapindex, nor an RSS or Atom feed";
                xmlStopParser(parser);
            }
        } else if (depth_ == layout_.itemDepth && name == layout_.item) {
            inItem_ = true;
            entry_ = {};
            hrefTaken_ = false;
        } else if (depth_ == layout_.itemDepth + 1 && inItem_) {
            if (name == layout_.loc && layout_.locInHref) {
                // An entry's page is its first link that is an alternate, as one without rel is.
                const auto rel = attribute("rel", attributeCount, attributes);
                const auto href = attribute("href", attributeCount, attributes);
                if (!hrefTaken_ && href && (!rel || base::trimmed(*rel) == "alternate")) {
                    entry_.loc.assign(*href);
                    hrefTaken_ = true;
                }
                field_ = nullptr;
            } else {
                field_ = name == layout_.loc    ? &entry_.loc
                         : name == layout_.date ? &entry_.lastmod
                                                : nullptr;
            }
        }
    }

    void end() {
        if (depth_ == layout_.itemDepth + 1) {
            field_ = nullptr;
        } else if (depth_ == layout_.itemDepth && inItem_) {
            inItem_ = false;
            entry_.loc = std::string(base::trimmed(entry_.loc));
            entry_.lastmod = std::string(base::trimmed(entry_.lastmod));
            if (layout_.rfc822Date) {
                entry_.lastmod = w3cDateTime(entry_.lastmod);
            }
            if (!entry_.loc.empty()) {
                out_.entries.push_back(std::move(entry_));
            }
        }
        --depth_;
    }

    SitemapContent& out_;
    std::size_t depth_ = 0;
    Layout layout_;
    bool inItem_ = false;
    bool hrefTaken_ = false;
    SitemapEntry entry_;
    // Where the text of the field being read goes; none outside the address and the date.
    std::string* field_ = nullptr;
};

struct XmlParserFree {
    void operator()(xmlParserCtxt* ctxt) const {
        if (ctxt->myDoc != nullptr) {
            xmlFreeDoc(ctxt->myDoc);
        }
        xmlFreeParserCtxt(ctxt);
    }
};

// Whether `text` is UTF-8 throughout, without NUL bytes.
bool isUtf8Text(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t more = 0;
        unsigned int code = 0;
        if (c == 0) {
            return false;
        } else if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            more = 1;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + more >= text.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, UTF-16 surrogates and code points past Unicode's end.
        static constexpr unsigned int kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (code < kLeast[more] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            return false;
        }
        i += more + 1;
    }
    return true;
}

// A text sitemap: one URL a line, UTF-8, blank lines skipped.
void readTextSitemap(std::string_view text, SitemapContent& content) {
    if (!isUtf8Text(text)) {
        content.error = {base::ErrorCode::WrongFormat,
                         "neither XML nor a text sitemap (lines of UTF-8 text)"};
        return;
    }
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string_view::npos ? text.size() : end;
        const std::string_view line = base::trimmed(text.substr(at, end - at));
        if (!line.empty()) {
            content.entries.push_back({std::string(line), ""});
        }
        at = end + 1;
    }
}

// The parser is fed this much at a time.
constexpr std::size_t kPiece = 64u * 1024;

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

SitemapContent parseSitemap(std::string_view bytes, std::size_t maxBytes,
                            const StartTagBounds& tags) {
    SitemapContent content;
    std::string xml;
    if ((content.error = gunzipBounded(bytes, maxBytes, xml))) {
        return content;
    }
    const auto wrong = [&](std::string reason) {
        content.entries.clear();
        content.error = {base::ErrorCode::WrongFormat, std::move(reason)};
        return content;
    };
    // A UTF-8 byte-order mark, as editors on some systems write, belongs to neither form.
    const std::size_t bom = xml.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    const std::size_t first = xml.find_first_not_of(" \t\r\n", bom);
    if (first != std::string::npos && xml[first] != '<') {
        readTextSitemap(std::string_view(xml).substr(bom), content);
        return content;
    }
    if (hasInternalSubset(xml)) {
        return wrong(kNoSubset);
    }
    const StartTagScan scan = scanStartTags(xml, tags, false);
    if (scan.cut != StartTagCut::None) {
        return wrong(text(scan.cut, tags) + " at byte " + std::to_string(scan.at));
    }
    SitemapCollector collector(content);
    xmlSAXHandler sax{};
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = &SitemapCollector::startElement;
    sax.endElementNs = &SitemapCollector::endElement;
    sax.characters = &SitemapCollector::characters;
    sax.cdataBlock = &SitemapCollector::characters;
    sax.entityDecl = &SitemapCollector::entityDecl;
    sax.elementDecl = &SitemapCollector::elementDecl;
    sax.attributeDecl = &SitemapCollector::attributeDecl;
    // No network, no entities expanded, no DTD loaded: an external one is named and left.
    const std::unique_ptr<xmlParserCtxt, XmlParserFree> ctxt(
        xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr));
    if (!ctxt) {
        return wrong("cannot start the XML parser");
    }
    ctxt->_private = &collector;
    xmlCtxtUseOptions(ctxt.get(), XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    std::size_t at = 0;
    do {
        const std::string_view piece = std::string_view(xml).substr(at, kPiece);
        at += piece.size();
        xmlParseChunk(ctxt.get(), piece.data(), static_cast<int>(piece.size()),
                      at >= xml.size() ? 1 : 0);
    } while (at < xml.size() && collector.refused.empty() && ctxt->disableSAX == 0);
    if (!collector.refused.empty()) {
        return wrong(collector.refused);
    }
    if (ctxt->wellFormed == 0 || xml.empty()) {
        const xmlError* last = xmlCtxtGetLastError(ctxt.get());
        std::string why = last != nullptr && last->message != nullptr ? last->message : "";
        while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) {
            why.pop_back();
        }
        std::string reason = "not well-formed XML" + (why.empty() ? "" : ": " + why);
        if (last != nullptr && last->line > 0) {
            reason += " (line " + std::to_string(last->line) + ")";
        }
        return wrong(std::move(reason));
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
    params.maxUrls = timing.sitemapMaxUrls;
    params.maxRedirects = timing.sitemapRedirectLimit;
    params.deadline = timing.sitemapDeadline;
    params.tags = {timing.siteCrawlTagBytes, timing.siteCrawlTagAttributes};
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
        : params_(params),
          fetch_(fetch),
          result_(result),
          end_(std::chrono::steady_clock::now() + params.deadline) {}

    bool timeUp() const { return std::chrono::steady_clock::now() >= end_; }
    bool stopped() const {
        return params_.fetchTimes.cancel != nullptr && params_.fetchTimes.cancel->load();
    }

    // The sitemap's bytes; `place.address` becomes where a web one was read after redirects.
    base::Error read(SitemapPlace& place, std::string& bytes) {
        return place.web ? fetch(place.address, bytes)
                         : readFileBounded(place.address, params_.maxBytes, bytes);
    }

    // Where the part `loc` of the index read at `index` lives, or why it may not be read.
    std::optional<SitemapPlace> partOf(const SitemapPlace& index, const std::string& loc,
                                       std::string& why) const {
        if (index.web || isWebSitemapSource(loc)) {
            std::optional<std::string> url = index.web ? webUrl(index.address, loc) : webUrl(loc);
            if (!url) {
                why = loc + ": not an http or https URL";
                return std::nullopt;
            }
            return SitemapPlace{std::move(*url), true};
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
            // Each exchange gets what is left of the whole read's time.
            const auto left =
                std::chrono::duration_cast<base::Millis>(end_ - std::chrono::steady_clock::now());
            if (left <= base::Millis::zero()) {
                return {base::ErrorCode::ReadFailed, url + ": " + timeText()};
            }
            platform::WebRequest ask = params_.fetchTimes;
            ask.deadline = std::min(ask.deadline, left);
            ask.url = url;
            ask.maxBodyBytes = params_.maxBytes + 1;
            platform::WebResponse answer = fetch_(ask);
            if (answer.failed()) {
                return {base::ErrorCode::ReadFailed,
                        url + ": " + (timeUp() ? timeText() : answer.reason)};
            }
            const std::string location = answer.header("location");
            if (answer.status >= 300 && answer.status < 400 && !location.empty()) {
                const std::string target = webUrl(url, location).value_or(location);
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
                url = target;
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

    std::string timeText() const {
        return "the time bound " + token(SitemapBound::Time) + " (" +
               std::to_string(params_.deadline.count()) + " ms) was met";
    }

    const SitemapSourceParams& params_;
    const PageFetch& fetch_;
    SitemapPages& result_;
    const std::chrono::steady_clock::time_point end_;
};

// The pages taken, each URL once, up to the URL bound. The set holds positions in `pages`, not
// second copies of a million URLs.
class PageTaker {
public:
    PageTaker(std::vector<SitemapEntry>& pages, SitemapCut& cut, std::size_t maxUrls)
        : pages_(pages), cut_(cut), maxUrls_(maxUrls), seen_(0, Hash{&pages}, Same{&pages}) {}

    void take(std::vector<SitemapEntry>&& entries) {
        for (SitemapEntry& entry : entries) {
            if (pages_.size() >= maxUrls_) {
                cut_.bound = SitemapBound::Urls;
                cut_.limit = maxUrls_;
                ++cut_.urlsNotTaken;
                continue;
            }
            // Kept as it will be sent; a loc that is no web address stays as written, for
            // the one who sends it to name.
            entry.loc = normalizedUrl(entry.loc);
            pages_.push_back(std::move(entry));
            if (!seen_.insert(pages_.size() - 1).second) {
                pages_.pop_back();
            }
        }
    }

    bool full() const { return pages_.size() >= maxUrls_; }

private:
    struct Hash {
        const std::vector<SitemapEntry>* pages;
        std::size_t operator()(std::size_t i) const {
            return std::hash<std::string>{}((*pages)[i].loc);
        }
    };
    struct Same {
        const std::vector<SitemapEntry>* pages;
        bool operator()(std::size_t a, std::size_t b) const {
            return (*pages)[a].loc == (*pages)[b].loc;
        }
    };

    std::vector<SitemapEntry>& pages_;
    SitemapCut& cut_;
    const std::size_t maxUrls_;
    std::unordered_set<std::size_t, Hash, Same> seen_;
};

}  // namespace

std::string token(SitemapBound bound) {
    switch (bound) {
        case SitemapBound::None:
            return "none";
        case SitemapBound::Urls:
            return "sitemapMaxUrls";
        case SitemapBound::Time:
            return "sitemapDeadline";
    }
    return {};
}

std::string text(const SitemapCut& cut, std::size_t named) {
    std::string line;
    if (cut.bound == SitemapBound::Urls) {
        line = "the sitemap bound " + token(cut.bound) + " (" + std::to_string(cut.limit) +
               " URLs) was met: " + std::to_string(cut.urlsNotTaken) +
               (cut.urlsNotTaken == 1 ? " URL" : " URLs") + " seen and not taken";
    } else {
        line = "the sitemap bound " + token(cut.bound) + " (" + std::to_string(cut.limit) +
               " ms) was met";
    }
    const std::size_t parts = cut.partsNotRead.size();
    if (parts > 0) {
        line += (cut.bound == SitemapBound::Urls ? ", " : ": ") + std::to_string(parts) +
                (parts == 1 ? " sitemap" : " sitemaps") + " not read: ";
        for (std::size_t i = 0; i < parts && i < named; ++i) {
            line += (i == 0 ? "" : ", ") + cut.partsNotRead[i];
        }
        if (parts > named) {
            line += " and " + std::to_string(parts - named) + " more";
        }
    }
    return line;
}

SitemapPages loadSitemapPages(const SitemapSourceParams& params, const PageFetch& fetch) {
    SitemapPages result;
    SitemapSourceReader reader(params, fetch, result);
    PageTaker taker(result.pages, result.cut, params.maxUrls);

    SitemapPlace top{params.source, isWebSitemapSource(params.source)};
    std::string bytes;
    if ((result.error = reader.read(top, bytes))) {
        return result;
    }
    SitemapContent content = parseSitemap(bytes, params.maxBytes, params.tags);
    bytes.clear();
    if (content.error) {
        result.error = {content.error.code, top.address + ": " + content.error.reason};
        return result;
    }
    if (content.kind == SitemapContent::Kind::UrlSet) {
        taker.take(std::move(content.entries));
        return result;
    }
    const std::size_t named = content.entries.size();
    if (named > kMaxIndexSitemaps) {
        result.skipped.push_back(std::to_string(named - kMaxIndexSitemaps) + " sitemaps past the " +
                                 std::to_string(kMaxIndexSitemaps) + " an index may name");
        content.entries.resize(kMaxIndexSitemaps);
    }
    for (const SitemapEntry& child : content.entries) {
        if (reader.stopped()) {
            break;
        }
        if (taker.full() || reader.timeUp()) {
            if (!result.cut) {
                result.cut.bound = taker.full() ? SitemapBound::Urls : SitemapBound::Time;
                result.cut.limit = taker.full() ? params.maxUrls
                                                : static_cast<std::size_t>(params.deadline.count());
            }
            result.cut.partsNotRead.push_back(child.loc);
            continue;
        }
        std::string why;
        std::optional<SitemapPlace> part = reader.partOf(top, child.loc, why);
        if (!part) {
            result.skipped.push_back(std::move(why));
            continue;
        }
        if (const base::Error failed = reader.read(*part, bytes)) {
            if (reader.timeUp()) {
                result.cut.bound = SitemapBound::Time;
                result.cut.limit = static_cast<std::size_t>(params.deadline.count());
                result.cut.partsNotRead.push_back(child.loc);
            } else {
                result.skipped.push_back(failed.reason);
            }
            continue;
        }
        SitemapContent partContent = parseSitemap(bytes, params.maxBytes, params.tags);
        if (partContent.error) {
            result.skipped.push_back(part->address + ": " + partContent.error.reason);
        } else if (partContent.kind == SitemapContent::Kind::Index) {
            result.skipped.push_back(part->address + ": an index inside an index");
        } else {
            taker.take(std::move(partContent.entries));
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
