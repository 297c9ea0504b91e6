#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>

#include "platform/transfer_error.h"

namespace farrow::platform {

struct CurlEasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct CurlSlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};

// One easy handle per exchange, never shared between threads.
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;

// A fresh handle with the settings every transfer of the program needs (no signals in threads).
CurlEasy makeCurlEasy();

// Sorts a libcurl failure into our codes; `reason` is the text to keep (libcurl's own when
// empty).
TransferError curlError(CURLcode rc, std::string reason = {});

}  // namespace farrow::platform
