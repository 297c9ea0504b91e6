#include "profile/profile_dialogs.h"

namespace farrow::profile {

std::vector<FileFilter> FileChooserOptions::filters() const {
    return splitFilterText(filterText);
}

std::vector<FileFilter> splitFilterText(std::string_view text) {
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        const std::size_t bar = text.find('|');
        parts.push_back(text.substr(0, bar));
        if (bar == std::string_view::npos) {
            break;
        }
        text.remove_prefix(bar + 1);
    }
    std::vector<FileFilter> filters;
    // The text ends with "||": an empty label ends the list.
    for (std::size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2) {
        filters.push_back({std::string(parts[i]), std::string(parts[i + 1])});
    }
    return filters;
}

}  // namespace farrow::profile
