#include "sites/sorted_list.h"

#include <algorithm>
#include <iterator>

#include "base/text.h"

namespace farrow::sites {

std::size_t SortedList::add(std::string text) {
    auto at = std::upper_bound(
        entries_.begin(), entries_.end(), text,
        [](const std::string& a, const std::string& b) { return base::lessIgnoringCase(a, b); });
    at = entries_.insert(at, std::move(text));
    return static_cast<std::size_t>(at - entries_.begin());
}

void SortedList::addAll(std::vector<std::string> texts) {
    const auto less = [](const std::string& a, const std::string& b) {
        return base::lessIgnoringCase(a, b);
    };
    std::stable_sort(texts.begin(), texts.end(), less);
    std::vector<std::string> merged;
    merged.reserve(entries_.size() + texts.size());
    // Entries already there come before new ones that compare equal.
    std::merge(std::make_move_iterator(entries_.begin()), std::make_move_iterator(entries_.end()),
               std::make_move_iterator(texts.begin()), std::make_move_iterator(texts.end()),
               std::back_inserter(merged), less);
    entries_ = std::move(merged);
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
