#include "platform/ftp_client.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>

#include "platform/file_system.h"
#include "platform/server_address.h"

namespace farrow::platform {

namespace {

std::size_t discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

// Text taken up to a bound; a transfer that would pass it is ended.
struct BoundedText {
    std::string text;
    std::size_t maxBytes = 0;
    bool tooLong = false;
};

std::size_t appendBounded(char* data, std::size_t size, std::size_t count, void* sink) {
    auto* bounded = static_cast<BoundedText*>(sink);
    if (size * count > bounded->maxBytes - bounded->text.size()) {
        bounded->tooLong = true;
        return 0;
    }
    bounded->text.append(data, size * count);
    return size * count;
}

// A file written up to a bound; a transfer that would pass it is ended.
struct BoundedFile {
    std::FILE* file = nullptr;
    std::uintmax_t written = 0;
    std::uintmax_t maxBytes = 0;
    bool tooLong = false;
};

std::size_t writeBounded(char* data, std::size_t size, std::size_t count, void* sink) {
    auto* bounded = static_cast<BoundedFile*>(sink);
    if (size * count > bounded->maxBytes - bounded->written) {
        bounded->tooLong = true;
        return 0;
    }
    bounded->written += size * count;
    return std::fwrite(data, size, count, bounded->file) * size;
}

std::optional<std::uintmax_t> parseSize(std::string_view digits) {
    std::uintmax_t size = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), size);
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
        return std::nullopt;
    }
    return size;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// "type=file;size=11;modify=...; sites.enc"
std::optional<std::uintmax_t> mlsdSize(std::string_view line, std::string_view name) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || line.substr(space + 1) != name) {
        return std::nullopt;
    }
    std::optional<std::uintmax_t> size;
    bool file = false;
    std::string_view facts = line.substr(0, space);
    while (!facts.empty()) {
        const std::size_t semicolon = facts.find(';');
        const std::string_view fact = facts.substr(0, semicolon);
        facts =
            semicolon == std::string_view::npos ? std::string_view() : facts.substr(semicolon + 1);
        const std::size_t equals = fact.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = fact.substr(0, equals);
        const std::string_view value = fact.substr(equals + 1);
        if (equalsIgnoringCase(key, "type")) {
            file = equalsIgnoringCase(value, "file");
        } else if (equalsIgnoringCase(key, "size")) {
            size = parseSize(value);
        }
    }
    return file ? size : std::nullopt;
}

// "-rw-r--r--   1 owner group   11 Dec 08 19:00 sites.enc": nine fields, the name last.
std::optional<std::uintmax_t> listSize(std::string_view line, std::string_view name) {
    if (line.empty() || line.front() != '-') {
        return std::nullopt;
    }
    std::string_view fields[8];
    std::string_view rest = line;
    for (std::string_view& field : fields) {
        const std::size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) {
            return std::nullopt;
        }
        rest.remove_prefix(start);
        const std::size_t end = rest.find(' ');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        field = rest.substr(0, end);
        rest.remove_prefix(end);
    }
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos || rest.substr(start) != name) {
        return std::nullopt;
    }
    return parseSize(fields[4]);
}

}  // namespace

FtpClient::FtpClient(std::string host, int port, std::chrono::milliseconds connectTimeout,
                     std::chrono::milliseconds stallTimeout, std::size_t maxListingBytes)
    : host_(std::move(host)),
      port_(port),
      connectTimeout_(connectTimeout),
      stallTimeout_(stallTimeout),
      maxListingBytes_(maxListingBytes) {}

int FtpClient::watchProgress(void* client, curl_off_t, curl_off_t received, curl_off_t,
                             curl_off_t sent) {
    auto* self = static_cast<FtpClient*>(client);
    const auto now = std::chrono::steady_clock::now();
    if (received + sent != self->lastReceived_) {
        self->lastReceived_ = received + sent;
        self->lastProgress_ = now;
        return 0;
    }
    return now - self->lastProgress_ > self->stallTimeout_ ? 1 : 0;
}

std::optional<std::uintmax_t> sizeInListing(std::string_view listing, std::string_view name) {
    while (!listing.empty()) {
        const std::size_t end = listing.find('\n');
        std::string_view line = listing.substr(0, end);
        listing = end == std::string_view::npos ? std::string_view() : listing.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (auto size = mlsdSize(line, name)) {
            return size;
        }
        if (auto size = listSize(line, name)) {
            return size;
        }
    }
    return std::nullopt;
}

std::string FtpClient::urlFor(const std::string& name) const {
    std::string url = "ftp://" + urlHost(host_) + ":" + std::to_string(port_) + "/";
    for (const std::string& part : dir_) {
        url += part + "/";
    }
    return url + name;
}

CURLcode FtpClient::perform(const std::string& url, bool noBody, curl_write_callback sink,
                            void* sinkData) {
    CURL* h = handle_.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_NOBODY, noBody ? 1L : 0L);
    // With no body libcurl still hands over a made-up "Content-Length" line: dropped.
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, sink ? sink : &discard);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, sinkData);
    lastReceived_ = 0;
    lastProgress_ = std::chrono::steady_clock::now();
    CURLcode rc = curl_easy_perform(h);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, nullptr);
    if (rc == CURLE_ABORTED_BY_CALLBACK) {
        lastError_ = curlError(
            rc, "the server sent nothing for " + std::to_string(stallTimeout_.count()) + " ms");
    } else {
        lastError_ = curlError(rc);
    }
    return rc;
}

bool FtpClient::connect(const std::string& user, const std::string& password) {
    handle_ = makeCurlEasy();
    if (!handle_) {
        lastError_ = {TransferErrorCode::ConnectFailed, "could not create a session"};
        return false;
    }
    user_ = user;
    password_ = password;
    dir_.clear();
    CURL* h = handle_.get();
    curl_easy_setopt(h, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, password_.c_str());
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeout_.count()));
    // Active mode: the server connects back to us for data.
    curl_easy_setopt(h, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &FtpClient::watchProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
    return perform(urlFor(""), true) == CURLE_OK;
}

bool FtpClient::changeDirectory(const std::string& path) {
    std::vector<std::string> previous = dir_;
    std::filesystem::path p(path);
    for (const auto& part : p) {
        std::string s = part.string();
        if (s.empty() || s == ".") {
            continue;
        }
        if (s == "..") {
            if (!dir_.empty()) {
                dir_.pop_back();
            }
        } else {
            dir_.push_back(s);
        }
    }
    if (perform(urlFor(""), true) != CURLE_OK) {
        dir_ = std::move(previous);
        return false;
    }
    return true;
}

std::optional<std::uintmax_t> FtpClient::remoteFileSize(const std::string& name) {
    if (perform(urlFor(name), true) == CURLE_OK) {
        curl_off_t size = -1;
        if (curl_easy_getinfo(handle_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size) ==
                CURLE_OK &&
            size >= 0) {
            return static_cast<std::uintmax_t>(size);
        }
    }
    // The server refused SIZE (or has no such file): a fresh listing tells.
    return listedFileSize(name);
}

std::optional<std::uintmax_t> FtpClient::listedFileSize(const std::string& name) {
    CURL* h = handle_.get();
    BoundedText listing;
    listing.maxBytes = maxListingBytes_;
    // MLSD gives machine-readable facts; a server without it gets the classic LIST.
    for (const char* command : {"MLSD", "LIST"}) {
        listing.text.clear();
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, command);
        const CURLcode rc = perform(urlFor(""), false, &appendBounded, &listing);
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, nullptr);
        if (listing.tooLong) {
            // Another command would only bring another listing as long.
            lastError_ = {TransferErrorCode::TooLarge,
                          std::string("the ") + command + " listing is longer than " +
                              std::to_string(maxListingBytes_) + " bytes"};
            return std::nullopt;
        }
        if (rc == CURLE_OK) {
            if (auto size = sizeInListing(listing.text, name)) {
                lastError_ = {};
                return size;
            }
            lastError_ = {TransferErrorCode::NotFound, name + " is not in the listing"};
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool FtpClient::download(const std::string& name, const std::string& localPath,
                         std::uintmax_t maxBytes) {
    const std::string partial = localPath + ".part";
    FilePtr file = openFile(partial, "wb");
    if (!file) {
        lastError_ = {TransferErrorCode::LocalFileFailed,
                      "cannot write " + partial + ": " + systemReason(errno)};
        return false;
    }
    curl_easy_setopt(handle_.get(), CURLOPT_TRANSFERTEXT, 0L);
    BoundedFile sink{file.get(), 0, maxBytes, false};
    const CURLcode rc = perform(urlFor(name), false, &writeBounded, &sink);
    if (sink.tooLong) {
        lastError_ = {TransferErrorCode::TooLarge,
                      name + " is larger than " + std::to_string(maxBytes) + " bytes"};
    }
    // Closed here, not by the holder, since a full disk may only show on closing.
    const bool closed = std::fclose(file.release()) == 0;
    bool ok = closed && rc == CURLE_OK;
    if (rc == CURLE_OK && !closed) {
        lastError_ = {TransferErrorCode::LocalFileFailed,
                      "cannot write " + partial + ": " + systemReason(errno)};
    }
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(partial, localPath, ec);
        if (ec) {
            ok = false;
            lastError_ = {TransferErrorCode::LocalFileFailed,
                          "cannot replace " + localPath + ": " + ec.message()};
        }
    }
    if (!ok) {
        std::filesystem::remove(partial, ec);
    }
    return ok;
}

}  // namespace farrow::platform
