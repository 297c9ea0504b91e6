#pragma once

#include <optional>
#include <string>

#include "base/error.h"
#include "base/workspace.h"

namespace farrow::google {

// A service account's key as its JSON key file holds it. The private key never leaves this
// record but to sign a token.
struct ServiceAccount {
    std::string clientEmail;
    std::string privateKeyPem;
    std::string privateKeyId;
    std::string tokenUri;
};

struct LoadedAccount {
    std::optional<ServiceAccount> account;
    // Why the file cannot be used: missing, unreadable, not a service account's key, or a
    // private key that does not load.
    base::Error error;
    // Set when others than the file's owner may read it: the account is used all the same.
    std::string warning;
};

// A key file is never this long; a longer one is refused rather than read.
inline constexpr std::size_t kMaxKeyFileBytes = 64 * 1024;

// Reads and checks the key file at `path`.
LoadedAccount readServiceAccount(const std::string& path);

// "google-credentials.json" in the workspace.
std::string defaultCredentialsPath(const base::Workspace& workspace);

// The key file to use: `option` when given, else `environment` (the variable naming the
// application's credentials), else the workspace's.
std::string credentialsPath(const std::string& option, const std::string& environment,
                            const base::Workspace& workspace);

}  // namespace farrow::google
