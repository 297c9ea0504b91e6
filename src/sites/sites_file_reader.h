#pragma once

#include "app/app_state.h"
#include "app/init_view.h"
#include "app/messenger.h"

namespace farrow::sites {

// Reads "sites.enc" of the current directory into the site table, counts the records, and fills
// the available-sites and keyword-check lists. `initView` may be null. Returns 1 after a read,
// 0 when the file is missing or cannot be opened.
int readSitesFile(app::AppState& state, app::InitView* initView, app::Messenger& messenger,
                  const std::string& path = "sites.enc");

}  // namespace farrow::sites
