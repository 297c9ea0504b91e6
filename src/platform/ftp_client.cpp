#include "platform/ftp_client.h"

#include <cstdio>
#include <filesystem>

namespace farrow::platform {

namespace {

std::size_t discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

std::size_t writeToFile(char* data, std::size_t size, std::size_t count, void* file) {
    return std::fwrite(data, size, count, static_cast<std::FILE*>(file)) * size;
}

}  // namespace

FtpClient::FtpClient(std::string host, int port, std::chrono::milliseconds connectTimeout,
                     std::chrono::milliseconds stallTimeout)
    : host_(std::move(host)),
      port_(port),
      connectTimeout_(connectTimeout),
      stallTimeout_(stallTimeout) {}

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

std::string FtpClient::urlFor(const std::string& name) const {
    std::string url = "ftp://" + host_ + ":" + std::to_string(port_) + "/";
    for (const std::string& part : dir_) {
        url += part + "/";
    }
    return url + name;
}

CURLcode FtpClient::perform(const std::string& url, bool noBody) {
    CURL* h = handle_.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_NOBODY, noBody ? 1L : 0L);
    if (noBody) {
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &discard);
    }
    lastReceived_ = 0;
    lastProgress_ = std::chrono::steady_clock::now();
    CURLcode rc = curl_easy_perform(h);
    if (rc == CURLE_ABORTED_BY_CALLBACK) {
        lastError_ = "the server sent nothing for " + std::to_string(stallTimeout_.count()) + " ms";
    } else {
        lastError_ = rc == CURLE_OK ? std::string() : std::string(curl_easy_strerror(rc));
    }
    return rc;
}

bool FtpClient::connect(const std::string& user, const std::string& password) {
    handle_ = makeCurlEasy();
    if (!handle_) {
        lastError_ = "could not create a session";
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
    if (perform(urlFor(name), true) != CURLE_OK) {
        return std::nullopt;
    }
    curl_off_t size = -1;
    if (curl_easy_getinfo(handle_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size) != CURLE_OK ||
        size < 0) {
        return std::nullopt;
    }
    return static_cast<std::uintmax_t>(size);
}

bool FtpClient::download(const std::string& name, const std::string& localPath) {
    const std::string partial = localPath + ".part";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) {
        lastError_ = "cannot write " + partial;
        return false;
    }
    CURL* h = handle_.get();
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &writeToFile);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, file);
    curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, 0L);
    CURLcode rc = perform(urlFor(name), false);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, nullptr);
    bool ok = std::fclose(file) == 0 && rc == CURLE_OK;
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(partial, localPath, ec);
        ok = !ec;
    }
    if (!ok) {
        std::filesystem::remove(partial, ec);
    }
    return ok;
}

}  // namespace farrow::platform
