#pragma once

#include <string>

#include "app/branding.h"
#include "app/switches.h"
#include "app/timing.h"
#include "app/user_settings.h"
#include "sites/site_lists.h"
#include "sites/site_table.h"

namespace farrow::app {

// What lives for the whole run and is shared by the program's parts. One object, made by the
// program's main and passed by reference; after start-up only the window thread writes it,
// except where a field says otherwise.
struct AppState {
    Timing timing;

    std::string logsDir;
    std::string errorsDir;
    Switches switches;
    UserSettings userSettings;
    Branding branding;
    bool adultOnlyEdition = false;

    // "NULL" normally, "DEEP" during a deep run, the profile's file during a batch run.
    std::string currentProfilePath = "NULL";
    std::string statusText;

    sites::SiteTable siteTable;
    // Lines accepted as site records while reading, counting those the edition does not keep.
    int siteCount = 0;
    sites::SiteLists lists;
};

// The main window's caption at rest: product name, a space, the count and " Sites Available".
std::string mainCaption(const AppState& state);

}  // namespace farrow::app
