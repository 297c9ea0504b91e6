#pragma once

#include "sites/sorted_list.h"

namespace farrow::sites {

// The list boxes of the main window that hold site names and categories. The window mirrors
// them; the reader, the selection rules and the profile loader change them.
struct SiteLists {
    SortedList available;
    SortedList selected;
    SortedList categorySites;
    SortedList categories;
    // Sites that offer a keyword search.
    SortedList keywordCheck;
};

}  // namespace farrow::sites
