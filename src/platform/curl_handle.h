#pragma once

#include <curl/curl.h>

#include <memory>

namespace farrow::platform {

struct CurlEasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct CurlSlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// One easy handle per exchange, never shared between threads.
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;

// A fresh handle with the settings every transfer of the program needs (no signals in threads).
CurlEasy makeCurlEasy();

}  // namespace farrow::platform
