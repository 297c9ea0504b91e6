#pragma once

#include <filesystem>
#include <string>

namespace farrow::sandbox {

inline constexpr const char* kDemoProfileName = "sandbox-demo.fl2";
// The profile of the second demo site, the one the audit is shown on.
inline constexpr const char* kAuditProfileName = "sandbox-audit.fl2";
// The authority of the sandbox's HTTPS certificate, for FARROWLANE_CA_FILE.
inline constexpr const char* kAuthorityFileName = "sandbox-ca.pem";

struct WorkspacePlan {
    std::filesystem::path folder;
    int httpPort = 0;
    int mailPort = 0;
    // Written as the CA file when not empty.
    std::string authorityPem;
    // The audit's demo site is read over HTTPS.
    int httpsPort = 0;
};

struct WrittenWorkspace {
    bool ok = false;
    // Why the workspace could not be written, naming the file.
    std::string error;
    std::filesystem::path sitesFile;
    std::filesystem::path brandingFile;
    std::filesystem::path settingsFile;
    std::filesystem::path profileFile;
    std::filesystem::path auditProfileFile;
    // Empty when the plan had no authority.
    std::filesystem::path authorityFile;
    std::filesystem::path keyFile;
    std::filesystem::path publishedKeyFile;
};

// Writes the sandbox's workspace into `plan.folder` (created when missing): "sites.enc" with
// every sandbox target on its ports, "sysconfig.fls" with the mail setting on the mail sink,
// "farrow.cfg" with the demo user, and the demo profile of the demo web site with every sandbox
// target selected, the profile of the audit's demo site (on the HTTPS side, the same
// targets selected), the demo key as the workspace's key with the key file the demo site publishes,
// and the CA file of the HTTPS server. Files of the same names are replaced; nothing else there is
// touched.
WrittenWorkspace writeWorkspace(const WorkspacePlan& plan);

}  // namespace farrow::sandbox
