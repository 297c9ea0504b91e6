#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/error.h"
#include "base/workspace.h"

namespace farrow::indexnow {

inline constexpr std::size_t kMinKeyLength = 8;
inline constexpr std::size_t kMaxKeyLength = 128;
inline constexpr std::size_t kDefaultKeyLength = 32;

// Why `key` cannot be an IndexNow key (8 to 128 characters of a-z, A-Z, 0-9 and "-"); empty
// when it can.
std::string keyProblem(std::string_view key);

struct MadeKey {
    std::optional<std::string> key;
    // Why no key was made (a length out of range, no random source).
    base::Error error;
};

// A new key of `length` characters of a-z and 0-9 from the system's secure random source.
MadeKey makeKey(std::size_t length = kDefaultKeyLength);

// The workspace's key and the file to publish, both in the workspace's folder.
std::string keyStorePath(const base::Workspace& workspace);
std::string publishedKeyPath(const base::Workspace& workspace, const std::string& key);

// Keeps `key` as the workspace's key and writes KEY.txt, the file the site must publish.
base::Error saveKey(const base::Workspace& workspace, const std::string& key);

struct LoadedKey {
    std::optional<std::string> key;
    // NotFound when the workspace has no key yet; the reason names what is wrong otherwise.
    base::Error error;
};

// The workspace's key, checked for its form.
LoadedKey loadKey(const base::Workspace& workspace);

}  // namespace farrow::indexnow
