#include "profile/batch_list.h"

#include <algorithm>
#include <set>
#include <utility>

#include "base/text.h"

namespace farrow::profile {

std::string fileNamePart(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

void BatchList::removeName(std::string_view name) {
    std::erase_if(entries_, [name](const BatchEntry& e) { return e.name == name; });
}

std::vector<std::string> BatchList::pathsNamed(std::string_view name) const {
    std::vector<std::string> paths;
    for (const BatchEntry& e : entries_) {
        if (e.name == name) {
            paths.push_back(e.path);
        }
    }
    return paths;
}

bool BatchNames::add(const std::string& name) {
    if (std::find(names_.begin(), names_.end(), name) != names_.end()) {
        return false;
    }
    // After any names that compare equal, as the sorted list box inserts.
    const auto at = std::upper_bound(
        names_.begin(), names_.end(), name,
        [](const std::string& a, const std::string& b) { return base::lessIgnoringCase(a, b); });
    names_.insert(at, name);
    return true;
}

void BatchNames::remove(std::string_view name) {
    const auto it = std::find(names_.begin(), names_.end(), name);
    if (it != names_.end()) {
        names_.erase(it);
    }
}

std::vector<BatchEntry> listedEntries(const BatchList& list, const BatchNames& shown) {
    const std::vector<std::string>& names = shown.names();
    std::vector<BatchEntry> listed;
    std::set<std::pair<std::string, std::string>> seen;
    for (const BatchEntry& e : list.entries()) {
        if (std::find(names.begin(), names.end(), e.name) != names.end() &&
            seen.insert({e.path, e.name}).second) {
            listed.push_back(e);
        }
    }
    return listed;
}

std::vector<std::string> batchRunPaths(const BatchList& list, const BatchNames& shown) {
    std::vector<std::string> paths;
    std::set<std::string> seen;
    for (const std::string& name : shown.names()) {
        for (std::string& path : list.pathsNamed(name)) {
            if (seen.insert(path).second) {
                paths.push_back(std::move(path));
            }
        }
    }
    return paths;
}

}  // namespace farrow::profile
