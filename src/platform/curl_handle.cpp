#include "platform/curl_handle.h"

namespace farrow::platform {

CurlEasy makeCurlEasy() {
    CurlEasy h(curl_easy_init());
    if (h) {
        curl_easy_setopt(h.get(), CURLOPT_NOSIGNAL, 1L);
    }
    return h;
}

}  // namespace farrow::platform
