#include "indexnow/indexnow_request.h"

#include <nlohmann/json.hpp>

#include "base/text.h"

namespace farrow::indexnow {

std::string percentEncoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

std::size_t requestCount(std::size_t count) {
    return (count + kMaxUrlsPerRequest - 1) / kMaxUrlsPerRequest;
}

PlannedRequest planRequest(const std::vector<std::string>& urls, std::size_t index,
                           const KeyScope& scope) {
    if (urls.size() == 1) {
        return {"GET", urls, {}};
    }
    const std::size_t begin = std::min(urls.size(), index * kMaxUrlsPerRequest);
    const std::size_t end = std::min(urls.size(), begin + kMaxUrlsPerRequest);
    PlannedRequest request{"POST", {urls.begin() + begin, urls.begin() + end}, {}};
    nlohmann::ordered_json body;
    body["host"] = scope.host;
    body["key"] = scope.key;
    if (scope.keyLocationGiven) {
        body["keyLocation"] = scope.keyLocation;
    }
    body["urlList"] = request.urls;
    request.body = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return request;
}

std::vector<PlannedRequest> planRequests(const std::vector<std::string>& urls,
                                         const KeyScope& scope) {
    std::vector<PlannedRequest> planned;
    for (std::size_t i = 0; i < requestCount(urls.size()); ++i) {
        planned.push_back(planRequest(urls, i, scope));
    }
    return planned;
}

std::string requestAddress(const PlannedRequest& request, const std::string& endpoint,
                           const KeyScope& scope) {
    if (request.method != "GET") {
        return endpoint;
    }
    std::string address = endpoint + (endpoint.find('?') == std::string::npos ? "?" : "&");
    address += "url=" + percentEncoded(request.urls.front()) + "&key=" + percentEncoded(scope.key);
    if (scope.keyLocationGiven) {
        address += "&keyLocation=" + percentEncoded(scope.keyLocation);
    }
    return address;
}

AnswerClass classifyStatus(long status) {
    switch (status) {
        case 200:
            return AnswerClass::Accepted;
        case 202:
            return AnswerClass::Pending;
        case 400:
        case 403:
        case 422:
            return AnswerClass::OurFault;
        case 429:
            return AnswerClass::EngineTrouble;
        default:
            return status >= 500 && status <= 599 ? AnswerClass::EngineTrouble
                                                  : AnswerClass::Unexpected;
    }
}

RequestOutcome outcomeOf(long status) {
    switch (classifyStatus(status)) {
        case AnswerClass::Accepted:
            return RequestOutcome::Accepted;
        case AnswerClass::Pending:
            return RequestOutcome::Pending;
        case AnswerClass::OurFault:
            return RequestOutcome::Refused;
        case AnswerClass::EngineTrouble:
            return status == 429 ? RequestOutcome::Busy : RequestOutcome::Failed;
        case AnswerClass::Unexpected:
            break;
    }
    return RequestOutcome::Unexpected;
}

std::string token(RequestOutcome outcome) {
    switch (outcome) {
        case RequestOutcome::Accepted:
            return "accepted";
        case RequestOutcome::Pending:
            return "pending";
        case RequestOutcome::Refused:
            return "refused";
        case RequestOutcome::Busy:
            return "busy";
        case RequestOutcome::Failed:
            return "failed";
        case RequestOutcome::Unexpected:
            return "unexpected";
        case RequestOutcome::Unreachable:
            return "unreachable";
    }
    return {};
}

std::string text(RequestOutcome outcome) {
    // The lines and the window show the ledger's own words.
    return token(outcome);
}

std::string refusalAdvice(long status, const KeyScope& scope) {
    switch (status) {
        case 400:
            return "the engine found the request badly formed";
        case 403:
            return "the key is not valid: publish a file holding only the key at " +
                   scope.keyLocation + ", then verify it";
        case 422:
            return "the URLs do not belong to " + scope.host +
                   ", or the key does not match the key file";
        default:
            return {};
    }
}

std::string bodyLine(std::string_view body, std::size_t limit) {
    std::string line;
    bool inTag = false;
    bool space = false;
    for (char c : body) {
        if (c == '<') {
            inTag = true;
            space = true;
            continue;
        }
        if (inTag) {
            inTag = c != '>';
            continue;
        }
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f) {
            space = true;
            continue;
        }
        if (space && !line.empty()) {
            line.push_back(' ');
        }
        space = false;
        line.push_back(c);
        if (line.size() > limit) {
            line.resize(limit);
            // Not half a character.
            while (!line.empty() && (static_cast<unsigned char>(line.back()) & 0xC0) == 0x80) {
                line.pop_back();
            }
            if (!line.empty() && static_cast<unsigned char>(line.back()) >= 0xC0) {
                line.pop_back();
            }
            return line + "...";
        }
    }
    return line;
}

}  // namespace farrow::indexnow
