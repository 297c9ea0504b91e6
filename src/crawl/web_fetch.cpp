#include "crawl/web_fetch.h"

#include "platform/web_client.h"

namespace farrow::crawl {

std::string crawlUserAgent() {
    return "Farrowlane/1.5.50 (site crawler; sitemaps)";
}

PageFetch webPageFetch(const std::string& caFile) {
    return [caFile](const FetchAsk& ask) {
        platform::WebRequest request;
        request.url = ask.url;
        request.caFile = caFile;
        request.userAgent = crawlUserAgent();
        request.maxBodyBytes = ask.maxBytes;
        request.connectTimeout = ask.connectTimeout;
        request.stallTimeout = ask.stallTimeout;
        request.deadline = ask.deadline;
        request.cancel = ask.cancel;
        platform::WebResult result = platform::fetchWeb(request);
        FetchAnswer answer;
        if (result.failure != platform::WebFailure::None) {
            answer.failure = result.reason.empty() ? "failed" : result.reason;
            return answer;
        }
        answer.status = result.response.status;
        answer.headers = std::move(result.response.headers);
        answer.body = std::move(result.response.body);
        answer.truncated = result.response.truncated;
        return answer;
    };
}

}  // namespace farrow::crawl
