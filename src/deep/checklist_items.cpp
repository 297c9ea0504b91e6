#include "deep/checklist_items.h"

#include <algorithm>

#include "base/text.h"

namespace farrow::deep {

std::string itemText(const PageEntry& page) {
    return page.title + " ( " + page.url + " )";
}

std::vector<ChecklistItem> checklistItems(const std::vector<PageEntry>& pages) {
    std::vector<ChecklistItem> items;
    for (const PageEntry& page : pages) {
        std::string text = itemText(page);
        const bool listed = std::any_of(items.begin(), items.end(), [&](const ChecklistItem& i) {
            return i.page.url == page.url || base::startsWithIgnoringCase(i.text, text);
        });
        if (listed) {
            continue;
        }
        const auto at = std::upper_bound(items.begin(), items.end(), text,
                                         [](const std::string& t, const ChecklistItem& i) {
                                             return base::lessIgnoringCase(t, i.text);
                                         });
        items.insert(at, {std::move(text), page});
    }
    return items;
}

}  // namespace farrow::deep
