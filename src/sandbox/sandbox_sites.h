#pragma once

#include <string>
#include <vector>

#include "sandbox/target_behaviour.h"

namespace farrow::sandbox {

// One target site of the sandbox's sites database.
struct SandboxSite {
    std::string name;
    // "GET", "POST" or "MAILTO".
    std::string method;
    // The route it submits to (GET, POST); unused for mail.
    Behaviour behaviour = Behaviour::Accepts;
    // The mailbox a MAILTO site submits to.
    std::string mailbox;
    // The categories the site offers; none for a site that takes no category.
    std::vector<std::string> categories;
    // The category the demo profile remembers for it.
    std::string chosenCategory;
    bool hasSearch = false;
    // Whether a run against the sandbox ends with this site SUCCESSFUL.
    bool expectSuccess = true;
};

const std::vector<SandboxSite>& sandboxSites();

// The site's line of "sites.enc" in plain text, its addresses on the sandbox's ports.
std::string plainSiteLine(const SandboxSite& site, int httpPort);

}  // namespace farrow::sandbox
