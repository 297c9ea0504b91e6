#include "crawl/page_links.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <climits>
#include <memory>

#include "base/text.h"
#include "crawl/uri_reference.h"

namespace farrow::crawl {

namespace {

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string attribute(xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    if (value == nullptr) {
        return {};
    }
    std::string out(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return out;
}

bool named(xmlNode* node, const char* name) {
    return base::equalsIgnoringCase(reinterpret_cast<const char*>(node->name), name);
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

// A browser sends spaces and bytes beyond ASCII in a link percent-encoded.
std::string encodedHref(std::string_view href) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : base::trimmed(href)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7f) {
            if (c == '\n' || c == '\r' || c == '\t') {
                continue;
            }
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

bool skippedScheme(std::string_view href) {
    for (const char* scheme : {"javascript:", "mailto:", "tel:", "data:"}) {
        if (base::startsWithIgnoringCase(href, scheme)) {
            return true;
        }
    }
    return false;
}

std::string nodeText(xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    if (content == nullptr) {
        return {};
    }
    std::string raw(reinterpret_cast<const char*>(content));
    xmlFree(content);
    // White space runs fold to one space, as a browser shows a title.
    std::string out;
    for (const char c : base::trimmed(raw)) {
        if (isSpace(c)) {
            if (out.empty() || out.back() != ' ') {
                out += ' ';
            }
        } else {
            out += c;
        }
    }
    return out;
}

class Collector {
public:
    Collector(const std::string& pageUrl, PageLinks& out) : base_(pageUrl), out_(out) {}

    // The elements in document order, without recursion (a page of deeply nested soup must
    // not exhaust the stack).
    void walk(xmlDoc* doc) {
        const auto* top = reinterpret_cast<xmlNode*>(doc);
        xmlNode* node = doc->children;
        while (node != nullptr) {
            if (node->type == XML_ELEMENT_NODE) {
                visit(node);
                if (node->children != nullptr) {
                    node = node->children;
                    continue;
                }
            }
            while (node != nullptr && node->next == nullptr) {
                node = node->parent == top ? nullptr : node->parent;
            }
            if (node != nullptr) {
                node = node->next;
            }
        }
    }

    void finish() {
        for (const std::string& href : hrefs_) {
            const std::string url = resolve(href.substr(1));
            if (!url.empty()) {
                out_.links.push_back({url, href[0] == 'n'});
            }
        }
        if (!canonicalHref_.empty()) {
            out_.canonical = resolve(canonicalHref_);
        }
    }

private:
    void visit(xmlNode* node) {
        if (named(node, "a") || named(node, "area")) {
            if (xmlHasProp(node, reinterpret_cast<const xmlChar*>("href")) == nullptr) {
                return;
            }
            const bool nofollow = holdsToken(attribute(node, "rel"), "nofollow");
            // Kept unresolved until the whole page is read: a <base> later in the head (or
            // anywhere, in soup) still applies to every link.
            hrefs_.push_back((nofollow ? "n" : "f") + attribute(node, "href"));
        } else if (named(node, "base")) {
            if (!baseSeen_ && xmlHasProp(node, reinterpret_cast<const xmlChar*>("href"))) {
                baseSeen_ = true;
                const std::string href = encodedHref(attribute(node, "href"));
                if (!skippedScheme(href)) {
                    base_ = withoutFragment(resolveReference(base_, href));
                }
            }
        } else if (named(node, "link")) {
            if (canonicalHref_.empty() && holdsToken(attribute(node, "rel"), "canonical")) {
                canonicalHref_ = attribute(node, "href");
            }
        } else if (named(node, "meta")) {
            const std::string name = attribute(node, "name");
            if (base::equalsIgnoringCase(base::trimmed(name), "robots")) {
                const std::string content = attribute(node, "content");
                out_.noindex = out_.noindex || robotsDirectiveHolds(content, "noindex");
                out_.nofollow = out_.nofollow || robotsDirectiveHolds(content, "nofollow");
            }
        } else if (named(node, "title")) {
            if (!titleSeen_) {
                titleSeen_ = true;
                out_.title = nodeText(node);
            }
        }
    }

    std::string resolve(const std::string& raw) const {
        const std::string href = encodedHref(raw);
        if (skippedScheme(href)) {
            return {};
        }
        return withoutFragment(resolveReference(base_, href));
    }

    std::string base_;
    PageLinks& out_;
    std::vector<std::string> hrefs_;
    std::string canonicalHref_;
    bool baseSeen_ = false;
    bool titleSeen_ = false;
};

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

PageLinks extractPageLinks(std::string_view html, const std::string& pageUrl) {
    PageLinks out;
    if (html.empty() || html.size() > static_cast<std::size_t>(INT_MAX)) {
        return out;
    }
    const std::unique_ptr<xmlDoc, DocFree> doc(htmlReadMemory(
        html.data(), static_cast<int>(html.size()), pageUrl.c_str(), nullptr,
        HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET));
    if (!doc) {
        return out;
    }
    Collector collector(withoutFragment(pageUrl), out);
    collector.walk(doc.get());
    collector.finish();
    return out;
}

}  // namespace farrow::crawl
