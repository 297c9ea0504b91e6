#include "sites/selection_model.h"

#include <algorithm>

#include "base/text.h"

namespace farrow::sites {

namespace {

// Ascending, without repeats or indexes past the list's end.
std::vector<std::size_t> normalise(std::vector<std::size_t> indexes, std::size_t size) {
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    indexes.erase(std::lower_bound(indexes.begin(), indexes.end(), size), indexes.end());
    return indexes;
}

}  // namespace

void SelectionModel::addSelected(std::vector<std::size_t> highlighted) {
    highlighted = normalise(std::move(highlighted), lists_.available.size());
    if (highlighted.empty()) {
        messenger_.showMessage("No Sites Selected to add.", base::MessageIcon::Exclamation);
        return;
    }
    // Each earlier move shifts the later entries up by one.
    for (std::size_t k = 0; k < highlighted.size(); ++k) {
        const std::size_t at = highlighted[k] - k;
        const std::string name = lists_.available[at];
        lists_.selected.add(name);
        for (const SiteRecord& record : table_) {
            if (record.name() == name && record.takesCategory()) {
                lists_.categorySites.add(name);
            }
        }
        lists_.available.removeAt(at);
    }
}

void SelectionModel::addAll(std::vector<std::size_t> highlighted) {
    for (std::size_t i = 0; i < lists_.available.size(); ++i) {
        if (!base::contains(lists_.available[i], "ONLY")) {
            highlighted.push_back(i);
        }
    }
    addSelected(std::move(highlighted));
}

void SelectionModel::removeSelected(std::vector<std::size_t> highlighted) {
    highlighted = normalise(std::move(highlighted), lists_.selected.size());
    if (highlighted.empty()) {
        messenger_.showMessage("No Sites Selected to remove.", base::MessageIcon::Stop);
        return;
    }
    for (std::size_t k = 0; k < highlighted.size(); ++k) {
        const std::size_t at = highlighted[k] - k;
        const std::string name = lists_.selected[at];
        if (lists_.available.indexOfIgnoringCase(name) < 0) {
            lists_.available.add(name);
        }
        lists_.selected.removeAt(at);
        int inCategories = lists_.categorySites.indexOf(name);
        if (inCategories >= 0) {
            lists_.categorySites.removeAt(static_cast<std::size_t>(inCategories));
        }
    }
}

void SelectionModel::removeAll() {
    std::vector<std::size_t> all(std::min(lists_.selected.size(), kMaxSites));
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = i;
    }
    removeSelected(std::move(all));
}

SelectionModel::NameSelection SelectionModel::selectByName(const std::string& name,
                                                           const std::string& category) {
    SiteRecord* record = table_.find(name);
    if (!record) {
        return NameSelection::UnknownSite;
    }
    const int at = lists_.available.indexOf(name);
    if (at < 0) {
        return NameSelection::NotAvailable;
    }
    lists_.available.removeAt(static_cast<std::size_t>(at));
    lists_.selected.add(name);
    if (record->isComplex == 1) {
        if (record->categorySlot(kFirstCategorySlot) != "NULL") {
            lists_.categorySites.add(name);
        }
        record->chosenCategory = category;
    }
    return NameSelection::Selected;
}

int SelectionModel::showCategories(int categorySiteIndex) {
    if (categorySiteIndex < 0 ||
        static_cast<std::size_t>(categorySiteIndex) >= lists_.categorySites.size()) {
        return -1;
    }
    lists_.categories.clear();
    const SiteRecord* record = table_.find(lists_.categorySites[categorySiteIndex]);
    if (!record) {
        return -1;
    }
    if (record->categorySlot(kFirstCategorySlot) != "NULL") {
        for (std::size_t slot = kFirstCategorySlot; slot < kCategorySlots; ++slot) {
            const std::string& value = record->categorySlot(slot);
            if (value == "NULL" || slot >= record->categoryBlock.size()) {
                break;
            }
            if (lists_.categories.indexOf(value) < 0) {
                lists_.categories.add(value);
            }
        }
    }
    if (record->chosenCategory != "NULL") {
        return lists_.categories.indexOf(record->chosenCategory);
    }
    return -1;
}

void SelectionModel::rememberCategory(int categorySiteIndex, int categoryIndex) {
    if (categoryIndex < 0 || static_cast<std::size_t>(categoryIndex) >= lists_.categories.size() ||
        categorySiteIndex < 0 ||
        static_cast<std::size_t>(categorySiteIndex) >= lists_.categorySites.size()) {
        return;
    }
    if (SiteRecord* record = table_.find(lists_.categorySites[categorySiteIndex])) {
        record->chosenCategory = lists_.categories[categoryIndex];
    }
}

}  // namespace farrow::sites
