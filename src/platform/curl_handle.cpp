#include "platform/curl_handle.h"

namespace farrow::platform {

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

}  // namespace farrow::platform
