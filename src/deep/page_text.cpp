#include "deep/page_text.h"

#include "base/text.h"

namespace farrow::deep {

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
