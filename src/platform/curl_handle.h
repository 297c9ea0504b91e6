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

// One easy handle per exchange, never shared between threads.
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;

// A fresh handle with the settings every transfer of the program needs (no signals in threads).
CurlEasy makeCurlEasy();

// A multi handle lent to one transfer at a time: an idle one left by an earlier transfer, or a
// new one. Making a multi handle costs more than all the rest of a loopback exchange, so they
// are kept for the next transfer instead of being made for each. A transfer that borrows one
// must forbid the reuse of its connection, so that nothing of it stays for the next borrower.
class CurlMultiLease {
public:
    CurlMultiLease();
    ~CurlMultiLease();
    CurlMultiLease(const CurlMultiLease&) = delete;
    CurlMultiLease& operator=(const CurlMultiLease&) = delete;

    // Null when libcurl could not make one.
    CURLM* get() const { return multi_; }

private:
    CURLM* multi_;
};

// Trusts the certificates of the PEM file `caFile` beside the system's for the transfers of
// `h` (CURLOPT_CAINFO would replace the system's); `caFile` must outlive them.
void trustCaFileToo(CURL* h, const std::string& caFile);

// Sorts a libcurl failure into our codes; `reason` is the text to keep (libcurl's own when
// empty).
TransferError curlError(CURLcode rc, std::string reason = {});

}  // namespace farrow::platform
