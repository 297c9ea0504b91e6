#include "sites/sorted_list.h"

#include <algorithm>

#include "base/text.h"

namespace farrow::sites {

std::size_t SortedList::add(std::string text) {
    auto at = std::upper_bound(
        entries_.begin(), entries_.end(), text,
        [](const std::string& a, const std::string& b) { return base::lessIgnoringCase(a, b); });
    at = entries_.insert(at, std::move(text));
    return static_cast<std::size_t>(at - entries_.begin());
}

void SortedList::removeAt(std::size_t index) {
    if (index < entries_.size()) {
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

int SortedList::indexOf(std::string_view text) const {
    auto it = std::find(entries_.begin(), entries_.end(), text);
    return it == entries_.end() ? -1 : static_cast<int>(it - entries_.begin());
}

int SortedList::indexOfIgnoringCase(std::string_view text) const {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const std::string& e) { return base::equalsIgnoringCase(e, text); });
    return it == entries_.end() ? -1 : static_cast<int>(it - entries_.begin());
}

}  // namespace farrow::sites
