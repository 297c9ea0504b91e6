#include "crawl/start_tag_scan.h"

#include "base/text.h"

namespace farrow::crawl {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The offset just past `end` from `from`, or the size when it never comes.
std::size_t pastText(std::string_view bytes, std::size_t from, std::string_view end) {
    const std::size_t found = bytes.find(end, from);
    return found == std::string_view::npos ? bytes.size() : found + end.size();
}

// Where "</name" begins again (any case) after `from`, or the size.
std::size_t rawTextEnd(std::string_view bytes, std::size_t from, std::string_view name) {
    while (true) {
        const std::size_t open = bytes.find("</", from);
        if (open == std::string_view::npos) {
            return bytes.size();
        }
        if (base::startsWithIgnoringCase(bytes.substr(open + 2), name)) {
            return open;
        }
        from = open + 2;
    }
}

}  // namespace

StartTagScan scanStartTags(std::string_view bytes, const StartTagBounds& bounds, bool html) {
    std::size_t i = 0;
    const std::size_t size = bytes.size();
    while (i < size) {
        const std::size_t open = bytes.find('<', i);
        if (open == std::string_view::npos || open + 1 >= size) {
            break;
        }
        const char next = bytes[open + 1];
        if (bytes.substr(open, 4) == "<!--") {
            i = pastText(bytes, open + 4, "-->");
            continue;
        }
        if (bytes.substr(open, 9) == "<![CDATA[") {
            i = pastText(bytes, open + 9, "]]>");
            continue;
        }
        if (next == '!' || next == '?' || next == '/') {
            i = pastText(bytes, open + 2, ">");
            continue;
        }
        // HTML tags begin with a letter; XML names with nearly anything.
        if (html ? !isLetter(next) : isSpace(next)) {
            i = open + 1;
            continue;
        }
        // A start tag: its name, then attributes as name, name=value, name="value".
        std::size_t at = open + 1;
        while (at < size && !isSpace(bytes[at]) && bytes[at] != '>' && bytes[at] != '/') {
            ++at;
        }
        const std::string_view name = bytes.substr(open + 1, at - open - 1);
        std::size_t attributes = 0;
        bool closed = false;
        while (at < size) {
            if (at - open > bounds.maxBytes) {
                return {StartTagCut::TooLong, open};
            }
            const char c = bytes[at];
            if (c == '>') {
                closed = true;
                ++at;
                break;
            }
            if (isSpace(c) || c == '/') {
                ++at;
                continue;
            }
            if (++attributes > bounds.maxAttributes) {
                return {StartTagCut::TooManyAttributes, open};
            }
            while (at < size && !isSpace(bytes[at]) && bytes[at] != '>' && bytes[at] != '=') {
                ++at;
            }
            while (at < size && isSpace(bytes[at])) {
                ++at;
            }
            if (at >= size || bytes[at] != '=') {
                continue;
            }
            ++at;
            while (at < size && isSpace(bytes[at])) {
                ++at;
            }
            if (at < size && (bytes[at] == '"' || bytes[at] == '\'')) {
                const std::size_t close = bytes.find(bytes[at], at + 1);
                at = close == std::string_view::npos ? size : close + 1;
            } else {
                while (at < size && !isSpace(bytes[at]) && bytes[at] != '>') {
                    ++at;
                }
            }
        }
        if (at - open > bounds.maxBytes) {
            return {StartTagCut::TooLong, open};
        }
        i = at;
        if (closed && html) {
            for (const std::string_view raw : {"script", "style"}) {
                if (base::equalsIgnoringCase(name, raw)) {
                    i = rawTextEnd(bytes, at, raw);
                }
            }
        }
    }
    return {StartTagCut::None, size};
}

std::string text(StartTagCut cut, const StartTagBounds& bounds) {
    switch (cut) {
        case StartTagCut::None:
            return {};
        case StartTagCut::TooLong:
            return "a start tag longer than " + std::to_string(bounds.maxBytes) + " bytes";
        case StartTagCut::TooManyAttributes:
            return "a start tag with more than " + std::to_string(bounds.maxAttributes) +
                   " attributes";
    }
    return {};
}

}  // namespace farrow::crawl
