#include "indexnow/key_file_check.h"

#include "base/text.h"
#include "platform/web_client.h"

namespace farrow::indexnow {

namespace {

// A key file holds at most 128 characters; a little room for a byte order mark and line ends,
// and a larger file is no key file.
constexpr std::size_t kMaxKeyFileBytes = 1024;

std::string withoutPadding(std::string text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.erase(0, 3);
    }
    return std::string(base::trimmed(text));
}

}  // namespace

KeyFileCheck checkKeyFile(const KeyScope& scope, const base::Timing& timing,
                          const std::string& caFile, const std::string& userAgent,
                          const std::atomic<bool>* cancel) {
    platform::WebRequest request;
    request.url = scope.keyLocation;
    request.caFile = caFile;
    request.userAgent = userAgent;
    request.maxBodyBytes = kMaxKeyFileBytes;
    request.connectTimeout = timing.indexnowConnectTimeout;
    request.stallTimeout = timing.indexnowStallTimeout;
    request.deadline = timing.indexnowDeadline;
    request.cancel = cancel;
    const platform::WebResponse answer = platform::fetchWeb(request);
    const std::string& at = scope.keyLocation;
    KeyFileCheck check;
    if (answer.failure != platform::WebFailure::None) {
        check.detail = answer.reason;
        check.message = "The key file at " + at + " is not reachable: " + answer.reason;
        return check;
    }
    const platform::WebResponse& r = answer;
    check.status = r.status;
    if (r.status >= 300 && r.status <= 399) {
        check.state = KeyFileState::Redirected;
        check.detail = r.header("location");
        check.message = "The key file at " + at + " is redirected elsewhere (" +
                        std::to_string(r.status) + " to " +
                        (check.detail.empty() ? "nowhere" : check.detail) +
                        "); the engines do not follow redirects: publish it at " + at + " itself";
        return check;
    }
    if (r.status != 200) {
        check.state = KeyFileState::NotFound;
        check.message = "The key file was not found at " + at + " (status " +
                        std::to_string(r.status) + "): publish " + scope.key + ".txt there";
        return check;
    }
    if (r.truncated || withoutPadding(r.body) != scope.key) {
        check.state = KeyFileState::WrongContent;
        check.message = "The file at " + at + " was found but does not hold the key " + scope.key +
                        (r.truncated ? " (it is far larger than a key file)" : "") +
                        ": it must hold the key and nothing else";
        return check;
    }
    check.state = KeyFileState::Ok;
    check.message = "OK: the key file at " + at + " holds the key";
    return check;
}

}  // namespace farrow::indexnow
