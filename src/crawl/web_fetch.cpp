#include "crawl/web_fetch.h"

#include "base/version.h"
#include "crawl/site_crawl.h"

namespace farrow::crawl {

std::string crawlUserAgent() {
    return std::string(kRobotsToken) + "/" + base::kVersion;
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
