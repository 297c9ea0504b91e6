#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace farrow::sites {

// The model of one sorted list box: entries kept in order without regard to case. Windows show
// it; the selection rules work on it.
class SortedList final {
public:
    // Inserts after any entries that compare equal; returns the index it went to.
    std::size_t add(std::string text);
    // Adds every text as `add` would one after another, in one sort (a whole sites file at
    // start-up would otherwise move the list once per entry).
    void addAll(std::vector<std::string> texts);
    void removeAt(std::size_t index);
    void clear() { entries_.clear(); }

    // The first entry equal to `text` exactly, or -1.
    int indexOf(std::string_view text) const;
    // The first entry equal to `text` ignoring case, or -1.
    int indexOfIgnoringCase(std::string_view text) const;

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const std::string& operator[](std::size_t i) const { return entries_[i]; }
    const std::vector<std::string>& entries() const { return entries_; }

private:
    std::vector<std::string> entries_;
};

}  // namespace farrow::sites
