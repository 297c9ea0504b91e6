#include "deep/page_text.h"

#include "base/text.h"

namespace farrow::deep {

namespace {

bool isWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isWhite(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isWhite(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (base::equalsIgnoringCase(text.substr(i, part.size()), part)) {
            return true;
        }
    }
    return false;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           base::equalsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

std::vector<std::string> catalogueEntries(std::string_view catalogue, char separator) {
    std::vector<std::string> entries;
    for (std::size_t end = catalogue.find(separator); end != std::string_view::npos;
         end = catalogue.find(separator)) {
        if (end > 0) {
            entries.emplace_back(catalogue.substr(0, end));
        }
        catalogue.remove_prefix(end + 1);
    }
    return entries;
}

}  // namespace farrow::deep
