#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/curl_handle.h"
#include "platform/transfer_error.h"

namespace farrow::platform {

// The longest directory listing read: thousands of entries, and still no weight in memory.
inline constexpr std::size_t kMaxListingBytes = 1024 * 1024;

// An FTP connection to one server in active mode, with a remote current directory. Each call is
// one transfer on the same handle, so the control connection is reused.
class FtpClient final {
public:
    // `stallTimeout`: the longest the server may stay silent, answering or sending data.
    // `maxListingBytes`: a longer listing is not read to its end and tells nothing.
    FtpClient(std::string host, int port, std::chrono::milliseconds connectTimeout,
              std::chrono::milliseconds stallTimeout,
              std::size_t maxListingBytes = kMaxListingBytes);

    // Logs in; false with `lastError()` set when the server cannot be reached or refuses.
    bool connect(const std::string& user, const std::string& password);
    // Enters a directory relative to the current one ("..", "./name"); false when it is missing.
    bool changeDirectory(const std::string& path);
    // The size of a file in the current directory, asked fresh from the server: by SIZE, or,
    // from a server that does not know SIZE, from a fresh listing of the directory. Nothing when
    // the file is missing or its size cannot be learnt.
    std::optional<std::uintmax_t> remoteFileSize(const std::string& name);
    // Copies a file of the current directory to `localPath` in binary mode, overwriting it only
    // once the whole file has arrived. A file longer than `maxBytes` fails (`TooLarge`) as soon
    // as the bound is passed, and `localPath` stays as it was.
    bool download(const std::string& name, const std::string& localPath, std::uintmax_t maxBytes);

    const TransferError& lastError() const { return lastError_; }

private:
    std::string urlFor(const std::string& name) const;
    static int watchProgress(void* client, curl_off_t, curl_off_t received, curl_off_t,
                             curl_off_t sent);
    // One transfer; `sink` gets the data, when there is any (null: dropped).
    CURLcode perform(const std::string& url, bool noBody, curl_write_callback sink = nullptr,
                     void* sinkData = nullptr);
    std::optional<std::uintmax_t> listedFileSize(const std::string& name);

    std::string host_;
    int port_;
    std::chrono::milliseconds connectTimeout_;
    std::chrono::milliseconds stallTimeout_;
    std::size_t maxListingBytes_;
    // When the bytes received last changed during the current transfer.
    curl_off_t lastReceived_ = 0;
    std::chrono::steady_clock::time_point lastProgress_;
    std::string user_;
    std::string password_;
    std::vector<std::string> dir_;
    CurlEasy handle_;
    TransferError lastError_;
};

// The size of `name` in a directory listing, MLSD facts ("type=file;size=11; sites.enc") or a
// Unix-style LIST ("-rw-r--r-- 1 owner group 11 Dec 08 19:00 sites.enc"). Nothing when the
// listing has no plain file of that name.
std::optional<std::uintmax_t> sizeInListing(std::string_view listing, std::string_view name);

}  // namespace farrow::platform
