#pragma once

#include <string>
#include <vector>

#include "base/messenger.h"
#include "sites/site_lists.h"
#include "sites/site_table.h"

namespace farrow::sites {

// The selection rules of the site lists: moving sites between the available and the selected
// list, and choosing a category for each selected site that takes one. Indexes are positions in
// the lists as the window shows them; the window mirrors the lists after every call.
class SelectionModel final {
public:
    // What happened to one site named by a loaded profile.
    enum class NameSelection { Selected, UnknownSite, NotAvailable };

    SelectionModel(SiteTable& table, SiteLists& lists, base::Messenger& messenger)
        : table_(table), lists_(lists), messenger_(messenger) {}

    // Moves the highlighted available sites to the selected list.
    void addSelected(std::vector<std::size_t> highlighted);
    // Highlights every available site whose name lacks "ONLY" (keeping what is highlighted
    // already) and adds them.
    void addAll(std::vector<std::size_t> highlighted);
    // Moves the highlighted selected sites back to the available list.
    void removeSelected(std::vector<std::size_t> highlighted);
    void removeAll();

    // Moves the available site named exactly `name` to the selected list, the way a loaded
    // profile selects its sites: a site that wants a category also joins the category-sites
    // list (when its first category is set) and gets `category` as its remembered category.
    // Names the database lacks, or that are not available, change nothing.
    NameSelection selectByName(const std::string& name, const std::string& category);

    // Fills the categories list for the category site at `index`; returns the index of the
    // site's remembered category in it, or -1.
    int showCategories(int categorySiteIndex);
    // Remembers the category at `categoryIndex` for the category site at `categorySiteIndex`.
    void rememberCategory(int categorySiteIndex, int categoryIndex);

private:
    SiteTable& table_;
    SiteLists& lists_;
    base::Messenger& messenger_;
};

}  // namespace farrow::sites
