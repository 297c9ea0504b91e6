#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace farrow::profile {

// One profile of a batch.
struct BatchEntry {
    // The profile file's full path.
    std::string path;
    // The file name part of `path`, extension included.
    std::string name;

    bool operator==(const BatchEntry&) const = default;
};

// The file name part of a path: what follows its last "/".
std::string fileNamePart(std::string_view path);

// The profiles of the batch in the order they were added. The top of the program owns it for
// the whole session: closing the batch dialog keeps it, only loading a batch session replaces it.
class BatchList final {
public:
    void add(BatchEntry entry) { entries_.push_back(std::move(entry)); }
    // Every entry whose name equals `name` exactly.
    void removeName(std::string_view name);
    void replace(std::vector<BatchEntry> entries) { entries_ = std::move(entries); }

    // The paths of the entries named `name` exactly, in list order.
    std::vector<std::string> pathsNamed(std::string_view name) const;

    const std::vector<BatchEntry>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }

private:
    std::vector<BatchEntry> entries_;
};

// The names the batch dialog's list shows: sorted without regard to case, one name for any
// number of entries that share it exactly. Names that differ only in case, or where one begins
// with the other, are different profiles and each is shown.
class BatchNames final {
public:
    // Adds `name` unless it is shown already. True when added.
    bool add(const std::string& name);
    void remove(std::string_view name);
    void clear() { names_.clear(); }

    const std::vector<std::string>& names() const { return names_; }

private:
    std::vector<std::string> names_;
};

// What the list shows: the entries of the shown names in list order, a path held twice kept once.
std::vector<BatchEntry> listedEntries(const BatchList& list, const BatchNames& shown);

// What the batch runs, in the order it runs: for each shown name, every entry of exactly that
// name in list order; a path held twice runs once.
std::vector<std::string> batchRunPaths(const BatchList& list, const BatchNames& shown);

}  // namespace farrow::profile
