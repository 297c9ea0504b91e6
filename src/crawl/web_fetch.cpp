#include "crawl/web_fetch.h"

namespace farrow::crawl {

std::string crawlUserAgent() {
    return "Farrowlane/1.5.50 (site crawler; sitemaps)";
}

PageFetch webPageFetch(const std::string& caFile) {
    return [caFile](const platform::WebRequest& ask) {
        platform::WebRequest request = ask;
        request.caFile = caFile;
        request.userAgent = crawlUserAgent();
        return platform::fetchWeb(request);
    };
}

}  // namespace farrow::crawl
