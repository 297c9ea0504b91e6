#include "platform/web_client.h"

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>

#include "base/text.h"
#include "platform/curl_handle.h"
#include "platform/file_system.h"
#include "platform/transfer_watch.h"

namespace farrow::platform {

namespace {

// The header block of an answer is never larger than this; a peer sending more is no web
// service we speak to.
constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
// How long one wait for the socket lasts before the cancel flag, the stall and the deadline are
// looked at again.
constexpr int kPollMs = 20;
// libcurl's own limit on the whole exchange comes this long after the request's deadline, so
// that the watch below, which says which bound ended it, is the one that ends it.
constexpr long kBackstopMs = 1000;

// The state the callbacks of one exchange share; it lives on the stack of `fetchWeb`.
struct Exchange {
    const WebRequest* request = nullptr;
    WebResponse response;
    std::size_t headerBytes = 0;
    // The blank line that ends the header block of the final response has come.
    bool headersDone = false;
    bool headersTooLong = false;
    bool bodyCapped = false;
};

std::size_t takeHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* ex = static_cast<Exchange*>(user);
    const std::size_t n = size * count;
    ex->headerBytes += n;
    if (ex->headerBytes > kMaxHeaderBytes) {
        ex->headersTooLong = true;
        return 0;
    }
    const std::string_view line(data, n);
    // A status line starts the headers of a new response (after a 100 Continue).
    if (line.starts_with("HTTP/")) {
        ex->response.headers.clear();
        ex->headersDone = false;
        return n;
    }
    if (base::trimmed(line).empty()) {
        ex->headersDone = true;
        return n;
    }
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos) {
        ex->response.headers.emplace_back(base::lowered(base::trimmed(line.substr(0, colon))),
                                          std::string(base::trimmed(line.substr(colon + 1))));
    }
    return n;
}

std::size_t takeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* ex = static_cast<Exchange*>(user);
    const std::size_t n = size * count;
    const std::size_t room = ex->request->maxBodyBytes - ex->response.body.size();
    if (n > room) {
        // The rest is not read at all: a peer sending gigabytes costs us nothing more.
        ex->response.body.append(data, room);
        ex->bodyCapped = true;
        return 0;
    }
    ex->response.body.append(data, n);
    return n;
}

WebFailure failureOf(CURLcode rc) {
    switch (rc) {
        case CURLE_URL_MALFORMAT:
        case CURLE_UNSUPPORTED_PROTOCOL:
            return WebFailure::BadUrl;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
            return WebFailure::Connect;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CIPHER:
            return WebFailure::Tls;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_CRL_BADFILE:
            return WebFailure::Certificate;
        case CURLE_OPERATION_TIMEDOUT:
            return WebFailure::Timeout;
        default:
            return WebFailure::Other;
    }
}

bool isWebAddress(std::string_view url) {
    const std::string head = base::lowered(url.substr(0, 8));
    return head.starts_with("http://") || head.starts_with("https://");
}

struct MultiMembership {
    CURLM* multi;
    CURL* easy;
    ~MultiMembership() { curl_multi_remove_handle(multi, easy); }
};

struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

struct InfoStackFree {
    void operator()(STACK_OF(X509_INFO) * infos) const {
        sk_X509_INFO_pop_free(infos, X509_INFO_free);
    }
};

// OpenSSL's words for the oldest error it queued on this thread, and the queue emptied.
std::string openSslReason() {
    const unsigned long code = ERR_peek_error();
    std::string reason = code != 0 ? ERR_reason_error_string(code) : "";
    ERR_clear_error();
    return reason.empty() ? "unreadable" : reason;
}

}  // namespace

std::string caFileProblem(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return systemReason(errno);
    }
    // A FIFO would hold the read until someone wrote to it.
    if (!S_ISREG(info.st_mode)) {
        return "not a regular file";
    }
    // Read as OpenSSL reads it into the store, so that what passes here also loads there.
    const std::unique_ptr<BIO, BioFree> bio(BIO_new_file(path.c_str(), "r"));
    if (!bio) {
        const int error = errno;
        ERR_clear_error();
        return systemReason(error);
    }
    const std::unique_ptr<STACK_OF(X509_INFO), InfoStackFree> infos(
        PEM_X509_INFO_read_bio(bio.get(), nullptr, nullptr, nullptr));
    if (!infos) {
        return "no PEM certificate could be read: " + openSslReason();
    }
    ERR_clear_error();
    for (int i = 0; i < sk_X509_INFO_num(infos.get()); ++i) {
        if (sk_X509_INFO_value(infos.get(), i)->x509 != nullptr) {
            return {};
        }
    }
    return "holds no PEM certificate";
}

std::string WebResponse::header(std::string_view lowerName) const {
    for (const auto& [name, value] : headers) {
        if (name == lowerName) {
            return value;
        }
    }
    return {};
}

WebResponse fetchWeb(const WebRequest& request) {
    WebResponse result;
    if (!isWebAddress(request.url)) {
        result.failure = WebFailure::BadUrl;
        result.reason = "not an http:// or https:// address: " + request.url;
        return result;
    }
    if (request.method != "GET" && request.method != "POST" && request.method != "HEAD" &&
        request.method != "PUT") {
        result.failure = WebFailure::Other;
        result.reason = "unknown method " + request.method;
        return result;
    }
    if (!request.caFile.empty()) {
        if (const std::string problem = caFileProblem(request.caFile); !problem.empty()) {
            result.failure = WebFailure::Certificate;
            result.reason = "FARROWLANE_CA_FILE " + request.caFile + ": " + problem;
            return result;
        }
    }
    CurlEasy handle = makeCurlEasy();
    CurlMultiLease lease;
    if (!handle || lease.get() == nullptr) {
        result.failure = WebFailure::Other;
        result.reason = "no internet session";
        return result;
    }
    CURL* h = handle.get();
    Exchange ex;
    ex.request = &request;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    // The multi handle is lent to the next exchange: nothing of this one may stay in it.
    curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::max<long long>(1, request.connectTimeout.count())));
    curl_easy_setopt(
        h, CURLOPT_TIMEOUT_MS,
        static_cast<long>(std::max<long long>(1, request.deadline.count())) + kBackstopMs);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &takeHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &ex);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &takeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &ex);
    if (!request.userAgent.empty()) {
        curl_easy_setopt(h, CURLOPT_USERAGENT, request.userAgent.c_str());
    }
    if (!request.caFile.empty()) {
        trustCaFileToo(h, request.caFile);
    }
    if (request.method == "HEAD") {
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    } else if (request.method == "POST" || request.method == "PUT") {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        if (request.method == "PUT") {
            curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "PUT");
        }
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
    }
    CurlSlist headerList;
    // A large body goes at once, without waiting for a "100 Continue" that many servers never
    // send.
    headerList.reset(curl_slist_append(headerList.release(), "Expect:"));
    for (const std::string& line : request.headers) {
        headerList.reset(curl_slist_append(headerList.release(), line.c_str()));
    }
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get());

    CURLM* multi = lease.get();
    if (curl_multi_add_handle(multi, h) != CURLM_OK) {
        result.failure = WebFailure::Other;
        result.reason = "no internet session";
        return result;
    }
    CURLcode rc = CURLE_OK;
    {
        MultiMembership membership{multi, h};
        TransferWatch watch(request.deadline, request.cancel);
        bool done = false;
        while (!done) {
            int running = 0;
            curl_multi_perform(multi, &running);
            int queued = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
                if (msg->msg == CURLMSG_DONE && msg->easy_handle == h) {
                    rc = msg->data.result;
                    done = true;
                }
            }
            if (done) {
                break;
            }
            const TransferWatch::Clock::time_point now = TransferWatch::Clock::now();
            curl_off_t connectTime = 0, up = 0, down = 0;
            curl_easy_getinfo(h, CURLINFO_CONNECT_TIME_T, &connectTime);
            curl_easy_getinfo(h, CURLINFO_SIZE_UPLOAD_T, &up);
            curl_easy_getinfo(h, CURLINFO_SIZE_DOWNLOAD_T, &down);
            watch.observe(now, up + down + static_cast<curl_off_t>(ex.headerBytes),
                          connectTime != 0);
            switch (watch.check(now, request.stallTimeout)) {
                case TransferWatch::Verdict::Going:
                    break;
                case TransferWatch::Verdict::Cancelled:
                    result.failure = WebFailure::Cancelled;
                    result.reason = "cancelled";
                    return result;
                case TransferWatch::Verdict::PastDeadline:
                    result.failure = WebFailure::Timeout;
                    result.pastDeadline = true;
                    result.reason =
                        "no answer within " + std::to_string(request.deadline.count()) + " ms";
                    return result;
                case TransferWatch::Verdict::Stalled:
                    result.failure = WebFailure::Timeout;
                    result.reason = ex.headerBytes > 0 && !ex.headersDone
                                        ? "the answer's header stopped after " +
                                              std::to_string(ex.headerBytes) +
                                              " bytes, before its end: "
                                        : std::string();
                    result.reason += "nothing received for " +
                                     std::to_string(request.stallTimeout.count()) + " ms";
                    return result;
            }
            curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr);
        }
    }
    if (ex.headersTooLong) {
        result.failure = WebFailure::Other;
        result.reason =
            "the answer's headers are longer than " + std::to_string(kMaxHeaderBytes) + " bytes";
        return result;
    }
    if (rc != CURLE_OK && !(rc == CURLE_WRITE_ERROR && ex.bodyCapped)) {
        result.failure = failureOf(rc);
        result.reason = errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(rc);
        return result;
    }
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &ex.response.status);
    ex.response.truncated = ex.bodyCapped;
    return std::move(ex.response);
}

}  // namespace farrow::platform
