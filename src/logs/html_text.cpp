#include "logs/html_text.h"

#include "base/text.h"

namespace farrow::logs {

std::string escapeHtml(std::string_view text) {
    return base::escapeMarkup(text);
}

std::string linkPath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        switch (c) {
            case '%':
                out += "%25";
                break;
            case '#':
                out += "%23";
                break;
            case '?':
                out += "%3F";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

}  // namespace farrow::logs
