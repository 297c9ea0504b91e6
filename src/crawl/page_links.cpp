#include "crawl/page_links.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "base/text.h"
#include "crawl/uri_reference.h"

namespace farrow::crawl {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Whether a space-separated token list (a rel value) holds `token`.
bool holdsToken(std::string_view list, std::string_view token) {
    std::size_t at = 0;
    while (at < list.size()) {
        while (at < list.size() && isSpace(list[at])) {
            ++at;
        }
        std::size_t end = at;
        while (end < list.size() && !isSpace(list[end])) {
            ++end;
        }
        if (end > at && base::equalsIgnoringCase(list.substr(at, end - at), token)) {
            return true;
        }
        at = end;
    }
    return false;
}

// The charset the Content-Type header names, else one a <meta> of the page's first 1024 bytes
// names, else empty.
std::string charsetOf(std::string_view contentType, std::string_view html) {
    const auto after = [](std::string_view text) -> std::string {
        std::string lower;
        for (const char c : text) {
            lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        const std::size_t at = lower.find("charset=");
        if (at == std::string::npos) {
            return {};
        }
        std::size_t from = at + 8;
        while (from < lower.size() && (lower[from] == '"' || lower[from] == '\'')) {
            ++from;
        }
        std::size_t to = from;
        while (to < lower.size() &&
               (std::isalnum(static_cast<unsigned char>(lower[to])) != 0 || lower[to] == '-' ||
                lower[to] == '_' || lower[to] == '.' || lower[to] == ':')) {
            ++to;
        }
        return lower.substr(from, to - from);
    };
    std::string charset = after(contentType);
    if (charset.empty()) {
        charset = after(html.substr(0, 1024));
    }
    // Browsers read these labels as windows-1252.
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii" ||
        charset == "ascii") {
        charset = "windows-1252";
    }
    return charset;
}

// Turns bytes meant as UTF-8 into valid UTF-8 as a browser decodes them: each bad sequence (and
// a NUL, which would end libxml2's reading) becomes U+FFFD. A sequence cut between two pieces
// waits for the next.
class Utf8Cleaner {
public:
    void feed(std::string_view in, bool last, std::string& out) {
        pending_.append(in);
        const std::string_view bytes = pending_;
        std::size_t i = 0;
        while (i < bytes.size()) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (b >= 0x01 && b < 0x80) {
                out += bytes[i++];
                continue;
            }
            std::size_t need = 0;
            unsigned char low = 0x80;
            unsigned char high = 0xBF;
            if (b >= 0xC2 && b <= 0xDF) {
                need = 1;
            } else if (b >= 0xE0 && b <= 0xEF) {
                need = 2;
                low = b == 0xE0 ? 0xA0 : 0x80;
                high = b == 0xED ? 0x9F : 0xBF;
            } else if (b >= 0xF0 && b <= 0xF4) {
                need = 3;
                low = b == 0xF0 ? 0x90 : 0x80;
                high = b == 0xF4 ? 0x8F : 0xBF;
            }
            std::size_t good = 0;
            while (good < need && i + 1 + good < bytes.size()) {
                const auto c = static_cast<unsigned char>(bytes[i + 1 + good]);
                if (c < (good == 0 ? low : 0x80) || c > (good == 0 ? high : 0xBF)) {
                    break;
                }
                ++good;
            }
            if (need > 0 && good == need) {
                out.append(bytes.substr(i, need + 1));
                i += need + 1;
            } else if (need > 0 && i + 1 + good == bytes.size() && !last) {
                break;
            } else {
                out += "\xEF\xBF\xBD";
                i += need == 0 ? 1 : good + 1;
            }
        }
        pending_.erase(0, i);
    }

private:
    std::string pending_;
};

// windows-1252 as browsers decode it, into UTF-8: its five unassigned bytes are the C1
// controls of the same number (libxml2's decoder would end the page at them), a NUL U+FFFD.
void appendWindows1252(std::string_view in, std::string& out) {
    static const char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (const char c : in) {
        const auto b = static_cast<unsigned char>(c);
        const char16_t code = b == 0 ? 0xFFFD : b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b;
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
}

class Collector {
public:
    Collector(const std::string& pageUrl, PageLinks& out, std::size_t textBytes)
        : base_(pageUrl), out_(out), textBytes_(textBytes) {}

    static void startElement(void* self, const xmlChar* name, const xmlChar** atts) {
        static_cast<Collector*>(self)->start(reinterpret_cast<const char*>(name), atts);
    }

    static void endElement(void* self, const xmlChar* name) {
        auto* c = static_cast<Collector*>(self);
        if (c->inTitle_ && base::equalsIgnoringCase(reinterpret_cast<const char*>(name), "title")) {
            c->inTitle_ = false;
        }
    }

    static void characters(void* self, const xmlChar* text, int size) {
        auto* c = static_cast<Collector*>(self);
        if (c->inTitle_ && size > 0) {
            c->titleText({reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)});
        }
    }

    void finish() {
        out_.title = std::string(utf8Prefix(out_.title, textBytes_));
        for (const std::string& href : hrefs_) {
            const std::string url = resolve(href.substr(1));
            if (!url.empty()) {
                out_.links.push_back({url, href[0] == 'n'});
            }
        }
        for (const std::string& href : resourceHrefs_) {
            if (std::string url = resolve(href); !url.empty()) {
                out_.resources.push_back(std::move(url));
            }
        }
        if (!canonicalHref_.empty()) {
            // One that is no web address is kept as written, so that it can be named.
            out_.canonical = resolve(canonicalHref_);
            if (out_.canonical.empty()) {
                out_.canonical = std::string(base::trimmed(canonicalHref_));
            }
        }
    }

private:
    static bool loadsSource(const char* name) {
        for (const char* element :
             {"img", "script", "iframe", "embed", "audio", "video", "source"}) {
            if (base::equalsIgnoringCase(name, element)) {
                return true;
            }
        }
        return false;
    }

    // The value of `name` among a start tag's attributes; nullptr when it has none.
    static const char* attribute(const xmlChar** atts, const char* name) {
        for (std::size_t i = 0; atts != nullptr && atts[i] != nullptr; i += 2) {
            if (base::equalsIgnoringCase(reinterpret_cast<const char*>(atts[i]), name)) {
                return atts[i + 1] == nullptr ? "" : reinterpret_cast<const char*>(atts[i + 1]);
            }
        }
        return nullptr;
    }

    static std::string value(const xmlChar** atts, const char* name) {
        const char* found = attribute(atts, name);
        return found == nullptr ? std::string() : std::string(found);
    }

    void start(const char* name, const xmlChar** atts) {
        if (base::equalsIgnoringCase(name, "a") || base::equalsIgnoringCase(name, "area")) {
            const char* href = attribute(atts, "href");
            if (href == nullptr) {
                return;
            }
            const bool nofollow = holdsToken(value(atts, "rel"), "nofollow");
            // Kept unresolved until the whole page is read: a <base> later in the head (or
            // anywhere, in soup) still applies to every link.
            hrefs_.push_back((nofollow ? "n" : "f") + std::string(href));
        } else if (base::equalsIgnoringCase(name, "base")) {
            const char* href = attribute(atts, "href");
            if (!baseSeen_ && href != nullptr) {
                baseSeen_ = true;
                if (std::optional<std::string> url = webUrl(base_, href)) {
                    base_ = std::move(*url);
                }
            }
        } else if (base::equalsIgnoringCase(name, "link")) {
            const std::string rel = value(atts, "rel");
            if (canonicalHref_.empty() && holdsToken(rel, "canonical")) {
                canonicalHref_ = value(atts, "href");
            }
            if (const char* href = attribute(atts, "href");
                href != nullptr && (holdsToken(rel, "stylesheet") || holdsToken(rel, "icon"))) {
                resourceHrefs_.emplace_back(href);
            }
        } else if (base::equalsIgnoringCase(name, "meta")) {
            if (base::equalsIgnoringCase(base::trimmed(value(atts, "name")), "robots")) {
                const std::string content = value(atts, "content");
                out_.noindex = out_.noindex || robotsDirectiveHolds(content, "noindex");
                out_.nofollow = out_.nofollow || robotsDirectiveHolds(content, "nofollow");
            } else if (!descriptionSeen_ &&
                       base::equalsIgnoringCase(base::trimmed(value(atts, "name")),
                                                "description")) {
                descriptionSeen_ = true;
                out_.description = folded(value(atts, "content"));
            }
        } else if (loadsSource(name)) {
            if (const char* src = attribute(atts, "src"); src != nullptr) {
                resourceHrefs_.emplace_back(src);
            }
        } else if (base::equalsIgnoringCase(name, "title")) {
            inTitle_ = !titleSeen_;
            titleSeen_ = true;
        }
    }

    // White space runs fold to one space, as a browser shows a title; a little past the bound
    // is kept so that the cut can fall between two characters.
    void titleText(std::string_view text) {
        for (const char c : text) {
            if (out_.title.size() > textBytes_ + 3) {
                return;
            }
            if (isSpace(c)) {
                pendingSpace_ = !out_.title.empty();
            } else {
                if (pendingSpace_) {
                    out_.title += ' ';
                    pendingSpace_ = false;
                }
                out_.title += c;
            }
        }
    }

    // White space runs folded to one space and trimmed, cut at the bound between characters.
    std::string folded(std::string_view text) const {
        std::string out;
        bool space = false;
        for (const char c : text) {
            if (out.size() > textBytes_ + 3) {
                break;
            }
            if (isSpace(c)) {
                space = !out.empty();
            } else {
                if (space) {
                    out += ' ';
                    space = false;
                }
                out += c;
            }
        }
        return std::string(utf8Prefix(out, textBytes_));
    }

    // Empty for a link that is no web address (mailto:, javascript:, ...).
    std::string resolve(const std::string& href) const {
        return webUrl(base_, href).value_or(std::string());
    }

    std::string base_;
    PageLinks& out_;
    std::size_t textBytes_;
    std::vector<std::string> hrefs_;
    std::vector<std::string> resourceHrefs_;
    std::string canonicalHref_;
    bool baseSeen_ = false;
    bool titleSeen_ = false;
    bool descriptionSeen_ = false;
    bool inTitle_ = false;
    bool pendingSpace_ = false;
};

struct ParserFree {
    void operator()(htmlParserCtxt* ctxt) const {
        if (ctxt->myDoc != nullptr) {
            xmlFreeDoc(ctxt->myDoc);
        }
        htmlFreeParserCtxt(ctxt);
    }
};

void ignoreMessage(void*, const char*, ...) {}

// libxml2 writes a byte its decoder refuses to stderr, past HTML_PARSE_NOERROR: in the middle of
// a crawl's progress line. The handler is the thread's own and comes back when the page is read.
class QuietDecoder {
public:
    QuietDecoder() : handler_(xmlGenericError), context_(xmlGenericErrorContext) {
        xmlSetGenericErrorFunc(nullptr, &ignoreMessage);
    }
    ~QuietDecoder() { xmlSetGenericErrorFunc(context_, handler_); }
    QuietDecoder(const QuietDecoder&) = delete;
    QuietDecoder& operator=(const QuietDecoder&) = delete;

private:
    xmlGenericErrorFunc handler_;
    void* context_;
};

// The parser is fed this much at a time; between two pieces it may be stopped.
constexpr std::size_t kPiece = 64u * 1024;

// The next piece to feed the parser: up to kPiece bytes, ending just after a '>' where there is
// one. libxml2's HTML push parser loses track of quotes when a piece ends inside an attribute's
// value; from there it finds no tag's end until the page is over, so it would parse nothing
// between pieces (no stop reaches it) and hold the whole page. A wide charset's '>' byte may be
// half of a character, so its pieces are cut by size alone.
std::string_view nextPiece(std::string_view rest, bool wideCharset) {
    std::string_view piece = rest.substr(0, kPiece);
    if (!wideCharset && piece.size() < rest.size()) {
        const std::size_t end = piece.rfind('>');
        if (end != std::string_view::npos) {
            piece = piece.substr(0, end + 1);
        }
    }
    return piece;
}

}  // namespace

bool robotsDirectiveHolds(std::string_view list, std::string_view directive) {
    std::size_t at = 0;
    while (at <= list.size()) {
        const std::size_t comma = list.find(',', at);
        const std::string_view item =
            base::trimmed(list.substr(at, comma == std::string_view::npos ? comma : comma - at));
        if (base::equalsIgnoringCase(item, directive) || base::equalsIgnoringCase(item, "none")) {
            return true;
        }
        if (comma == std::string_view::npos) {
            break;
        }
        at = comma + 1;
    }
    return false;
}

std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

PageLinks extractPageLinks(std::string_view html, const std::string& pageUrl,
                           const PageReadLimits& limits, std::string_view contentType) {
    PageLinks out;
    const StartTagScan scan = scanStartTags(html, limits.tags, true);
    out.tagCut = scan.cut;
    html = html.substr(0, scan.at);
    if (html.empty()) {
        return out;
    }
    Collector collector(normalizedUrl(pageUrl), out, limits.textBytes);
    const QuietDecoder quiet;
    htmlSAXHandler sax{};
    sax.startElement = &Collector::startElement;
    sax.endElement = &Collector::endElement;
    sax.characters = &Collector::characters;
    xmlCharEncodingHandler* encoding = nullptr;
    const std::string charset = charsetOf(contentType, html);
    const bool windows1252 = charset == "windows-1252";
    const bool wideCharset = charset.starts_with("utf-16") || charset.starts_with("utf-32") ||
                             charset.starts_with("ucs");
    if (!charset.empty() && charset != "utf-8" && charset != "utf8" && !windows1252) {
        encoding = xmlFindCharEncodingHandler(charset.c_str());
    }
    const std::unique_ptr<htmlParserCtxt, ParserFree> ctxt(htmlCreatePushParserCtxt(
        &sax, &collector, nullptr, 0, nullptr,
        encoding == nullptr ? XML_CHAR_ENCODING_UTF8 : XML_CHAR_ENCODING_NONE));
    if (!ctxt) {
        return out;
    }
    // The page's own <meta charset> was weighed above; libxml2 must not switch again midway.
    htmlCtxtUseOptions(ctxt.get(), HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                       HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC);
    if (encoding != nullptr) {
        xmlSwitchToEncoding(ctxt.get(), encoding);
    }
    Utf8Cleaner cleaner;
    std::string piece;
    std::size_t at = 0;
    while (at < html.size()) {
        if (limits.stop && limits.stop()) {
            out.stopped = true;
            break;
        }
        const std::string_view raw = nextPiece(html.substr(at), wideCharset);
        at += raw.size();
        piece.clear();
        if (windows1252) {
            appendWindows1252(raw, piece);
        } else if (encoding == nullptr) {
            cleaner.feed(raw, at == html.size(), piece);
        } else {
            piece.assign(raw);
            // A NUL would end libxml2's reading of the page.
            std::replace(piece.begin(), piece.end(), '\0', ' ');
        }
        htmlParseChunk(ctxt.get(), piece.data(), static_cast<int>(piece.size()), 0);
    }
    if (!out.stopped) {
        htmlParseChunk(ctxt.get(), nullptr, 0, 1);
    }
    out.readBytes = at;
    collector.finish();
    return out;
}

}  // namespace farrow::crawl
