#pragma once

#include <string>
#include <vector>

#include "deep/page_entry.h"

namespace farrow::deep {

// One line of the deep checklist and the page behind it.
struct ChecklistItem {
    std::string text;
    PageEntry page;
};

// "title ( URL )".
std::string itemText(const PageEntry& page);

// The checklist's lines in display order: sorted without regard to case, each URL once (the
// first page with it wins, so the start page keeps its own title), and a page left out when a
// listed line begins with its line, compared without regard to case.
std::vector<ChecklistItem> checklistItems(const std::vector<PageEntry>& pages);

}  // namespace farrow::deep
