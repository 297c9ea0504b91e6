#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/message_pump.h"
#include "base/messenger.h"
#include "deep/checklist_items.h"
#include "deep/page_entry.h"

namespace farrow::deep {

// The small window shown while the user's pages are read.
class RetrievalView {
public:
    virtual ~RetrievalView() = default;
    // The text under "Retrieving Page at:": the URL being read, later "Getting Titles...".
    virtual void showText(const std::string& text) = 0;
    // How many pages the crawl has read so far, titles included.
    virtual void showPagesRead(int) {}
    // Whether the user has asked to stop the crawl (Escape, or closing the window).
    virtual bool stopRequested() const { return false; }
};

// The deep checklist: the user removes the pages that are not to be announced.
class ChecklistChooser {
public:
    virtual ~ChecklistChooser() = default;
    // Shows `items` (in display order) and returns the pages of the lines left when "OK" was
    // pressed, in display order; nullopt when the list was left any other way.
    virtual std::optional<std::vector<PageEntry>> choosePages(
        const std::vector<ChecklistItem>& items) = 0;
};

// What a deep submission needs from the desktop or the terminal.
class DeepFrontend : public ChecklistChooser {
public:
    virtual base::Messenger& messenger() = 0;
    virtual base::MessagePump& pump() = 0;
    // Opens the retrieval window; it closes when the returned view goes.
    virtual std::unique_ptr<RetrievalView> openRetrievalView() = 0;
};

}  // namespace farrow::deep
