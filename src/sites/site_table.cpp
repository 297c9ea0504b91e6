#include "sites/site_table.h"

#include <algorithm>

namespace farrow::sites {

const std::string& SiteRecord::categorySlot(std::size_t slot) const {
    static const std::string empty;
    return slot < categoryBlock.size() ? categoryBlock[slot] : empty;
}

bool SiteRecord::takesCategory() const {
    return isComplex == 1 && categorySlot(kFirstCategorySlot) != "NULL";
}

SiteRecord* SiteTable::find(std::string_view name) {
    auto it = std::find_if(records_.begin(), records_.end(),
                           [&](const SiteRecord& r) { return r.name() == name; });
    return it == records_.end() ? nullptr : &*it;
}

const SiteRecord* SiteTable::find(std::string_view name) const {
    return const_cast<SiteTable*>(this)->find(name);
}

}  // namespace farrow::sites
