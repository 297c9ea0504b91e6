#include "platform/curl_handle.h"

#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <mutex>
#include <vector>

namespace farrow::platform {

namespace {

// More idle handles than a run has workers are not kept.
constexpr std::size_t kIdleMultiLimit = 16;

struct MultiPool {
    std::mutex mutex;
    std::vector<CURLM*> idle;
};

MultiPool& multiPool() {
    // Never destroyed: a worker the run gave up on may give its handle back while the process
    // ends.
    static MultiPool* pool = new MultiPool;
    return *pool;
}

CURLcode addCaFile(CURL*, void* sslCtx, void* user) {
    const auto* file = static_cast<const std::string*>(user);
    X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslCtx));
    if (store == nullptr || X509_STORE_load_file(store, file->c_str()) != 1) {
        return CURLE_SSL_CACERT_BADFILE;
    }
    return CURLE_OK;
}

CURLM* borrowMulti() {
    MultiPool& pool = multiPool();
    {
        std::lock_guard lock(pool.mutex);
        if (!pool.idle.empty()) {
            CURLM* m = pool.idle.back();
            pool.idle.pop_back();
            return m;
        }
    }
    return curl_multi_init();
}

void giveBackMulti(CURLM* m) {
    if (!m) {
        return;
    }
    MultiPool& pool = multiPool();
    {
        std::lock_guard lock(pool.mutex);
        if (pool.idle.size() < kIdleMultiLimit) {
            pool.idle.push_back(m);
            return;
        }
    }
    curl_multi_cleanup(m);
}

}  // namespace

CurlMultiLease::CurlMultiLease() : multi_(borrowMulti()) {}

CurlMultiLease::~CurlMultiLease() {
    giveBackMulti(multi_);
}

CurlEasy makeCurlEasy() {
    CurlEasy h(curl_easy_init());
    if (h) {
        curl_easy_setopt(h.get(), CURLOPT_NOSIGNAL, 1L);
    }
    return h;
}

TransferError curlError(CURLcode rc, std::string reason) {
    if (rc == CURLE_OK) {
        return {};
    }
    if (reason.empty()) {
        reason = curl_easy_strerror(rc);
    }
    TransferErrorCode code = TransferErrorCode::ReceiveFailed;
    switch (rc) {
        case CURLE_URL_MALFORMAT:
        case CURLE_UNSUPPORTED_PROTOCOL:
            code = TransferErrorCode::BadAddress;
            break;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            code = TransferErrorCode::NameNotResolved;
            break;
        case CURLE_COULDNT_CONNECT:
        case CURLE_FTP_ACCEPT_FAILED:
        case CURLE_FTP_CANT_GET_HOST:
        case CURLE_FTP_PORT_FAILED:
            code = TransferErrorCode::ConnectFailed;
            break;
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_FTP_ACCEPT_TIMEOUT:
        case CURLE_ABORTED_BY_CALLBACK:
            code = TransferErrorCode::TimedOut;
            break;
        case CURLE_SEND_ERROR:
        case CURLE_UPLOAD_FAILED:
            code = TransferErrorCode::SendFailed;
            break;
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
            code = TransferErrorCode::ConnectionClosed;
            break;
        case CURLE_LOGIN_DENIED:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_FTP_WEIRD_PASS_REPLY:
        case CURLE_QUOTE_ERROR:
            code = TransferErrorCode::Refused;
            break;
        case CURLE_REMOTE_FILE_NOT_FOUND:
        case CURLE_REMOTE_ACCESS_DENIED:
        case CURLE_FTP_COULDNT_RETR_FILE:
            code = TransferErrorCode::NotFound;
            break;
        case CURLE_WRITE_ERROR:
            code = TransferErrorCode::LocalFileFailed;
            break;
        default:
            break;
    }
    return {code, std::move(reason)};
}

void trustCaFileToo(CURL* h, const std::string& caFile) {
    curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, &addCaFile);
    curl_easy_setopt(h, CURLOPT_SSL_CTX_DATA, &caFile);
}

}  // namespace farrow::platform
