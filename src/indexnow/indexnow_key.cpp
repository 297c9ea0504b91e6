#include "indexnow/indexnow_key.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/file_system.h"

namespace farrow::indexnow {

namespace {

constexpr std::string_view kKeyAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr const char* kKeyStoreName = "indexnow.key";
// The saved key is one short line; anything longer is not ours.
constexpr std::size_t kMaxStoreBytes = 1024;

bool keyCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

// Whole or not at all; a link in its place is replaced, not written through.
base::Error writeFile(const std::string& path, const std::string& content) {
    if (!platform::writeWholeFile(path, content)) {
        return {base::ErrorCode::WriteFailed, path + ": " + std::strerror(errno)};
    }
    return {};
}

}  // namespace

std::string keyProblem(std::string_view key) {
    if (key.size() < kMinKeyLength || key.size() > kMaxKeyLength) {
        return "a key has " + std::to_string(kMinKeyLength) + " to " +
               std::to_string(kMaxKeyLength) + " characters, this one " +
               std::to_string(key.size());
    }
    for (char c : key) {
        if (!keyCharacter(c)) {
            const std::string shown = static_cast<unsigned char>(c) < 0x20 || c == 0x7f
                                          ? "a control character"
                                          : "\"" + std::string(1, c) + "\"";
            return "a key holds only a-z, A-Z, 0-9 and \"-\", not " + shown;
        }
    }
    return {};
}

MadeKey makeKey(std::size_t length) {
    if (length < kMinKeyLength || length > kMaxKeyLength) {
        return {std::nullopt,
                {base::ErrorCode::WrongFormat, "the length of a key is " +
                                                   std::to_string(kMinKeyLength) + " to " +
                                                   std::to_string(kMaxKeyLength)}};
    }
    std::string key;
    key.reserve(length);
    // Bytes at or above the largest multiple of the alphabet's size are drawn again, so that
    // every character is equally likely.
    constexpr unsigned kUsable = 256 - 256 % kKeyAlphabet.size();
    unsigned char buffer[64];
    while (key.size() < length) {
        const ssize_t got = getrandom(buffer, sizeof buffer, 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {std::nullopt,
                    {base::ErrorCode::ReadFailed,
                     std::string("no secure random source: ") + std::strerror(errno)}};
        }
        for (ssize_t i = 0; i < got && key.size() < length; ++i) {
            if (buffer[i] < kUsable) {
                key.push_back(kKeyAlphabet[buffer[i] % kKeyAlphabet.size()]);
            }
        }
    }
    return {key, {}};
}

std::string keyStorePath(const base::Workspace& workspace) {
    return platform::joinPath(workspace.root(), kKeyStoreName);
}

std::string publishedKeyPath(const base::Workspace& workspace, const std::string& key) {
    return platform::joinPath(workspace.root(), key + ".txt");
}

base::Error saveKey(const base::Workspace& workspace, const std::string& key) {
    if (const std::string problem = keyProblem(key); !problem.empty()) {
        return {base::ErrorCode::WriteFailed, problem};
    }
    if (base::Error e = writeFile(publishedKeyPath(workspace, key), key)) {
        return e;
    }
    return writeFile(keyStorePath(workspace), key + "\n");
}

LoadedKey loadKey(const base::Workspace& workspace) {
    const std::string path = keyStorePath(workspace);
    if (platform::isThereButNotRegular(path)) {
        return {std::nullopt, {base::ErrorCode::OpenFailed, path + ": not a regular file"}};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int err = errno;
        return {std::nullopt,
                {err == ENOENT ? base::ErrorCode::NotFound : base::ErrorCode::OpenFailed,
                 path + ": " + std::strerror(err)}};
    }
    std::string text(kMaxStoreBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxStoreBytes) {
        return {std::nullopt, {base::ErrorCode::ReadFailed, path + ": not a key (too long)"}};
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    if (const std::string problem = keyProblem(text); !problem.empty()) {
        return {std::nullopt, {base::ErrorCode::ReadFailed, path + ": " + problem}};
    }
    return {text, {}};
}

}  // namespace farrow::indexnow
