#include "loopback_site.h"

#include <chrono>
#include <thread>

namespace farrow::deep::test {

LoopbackSite::LoopbackSite() = default;

LoopbackSite::~LoopbackSite() {
    released_ = true;
}

void LoopbackSite::start() {
    for (const auto& [path, body] : pages_) {
        hits_[path];
    }
    for (const auto& [path, body] : stalled_) {
        hits_[path];
    }
    for (const auto& [path, body] : endless_) {
        hits_[path];
    }
    server_.routes().Get(R"(.*)", [this](const httplib::Request& req, httplib::Response& res) {
        if (auto hit = hits_.find(req.path); hit != hits_.end()) {
            ++hit->second;
        }
        if (auto found = pages_.find(req.path); found != pages_.end()) {
            res.set_content(expand(found->second), "text/html");
            return;
        }
        if (auto found = stalled_.find(req.path); found != stalled_.end()) {
            const std::string first = expand(found->second);
            res.set_chunked_content_provider(
                "text/html", [this, first](std::size_t offset, httplib::DataSink& sink) {
                    if (offset == 0) {
                        sink.write(first.data(), first.size());
                    }
                    while (!released_ && sink.is_writable()) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    }
                    sink.done();
                    return true;
                });
            return;
        }
        if (auto found = endless_.find(req.path); found != endless_.end()) {
            const Endless page{expand(found->second.first), expand(found->second.repeated),
                               found->second.pauseMs};
            res.set_chunked_content_provider(
                "text/html", [this, page](std::size_t offset, httplib::DataSink& sink) {
                    const std::string& piece = offset == 0 ? page.first : page.repeated;
                    if (released_ || !sink.write(piece.data(), piece.size())) {
                        sink.done();
                        return true;
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(page.pauseMs));
                    return true;
                });
            return;
        }
        res.status = 404;
        res.set_content("<html><head>\n<title>Missing</title>\n</head></html>\n", "text/html");
    });
    server_.start();
}

int LoopbackSite::hits(const std::string& path) const {
    auto hit = hits_.find(path);
    return hit == hits_.end() ? 0 : hit->second.load();
}

std::string LoopbackSite::expand(const std::string& body) const {
    return expandSite(body, server_.url(""));
}

std::string expandSite(std::string text, const std::string& site) {
    const std::pair<std::string, std::string> marks[] = {{"{site}", site},
                                                         {"{host}", site.substr(7)}};
    for (const auto& [from, to] : marks) {
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
    }
    return text;
}

base::Timing quickTiming() {
    base::Timing timing;
    timing.pageConnectTimeout = base::Millis{2000};
    // Long enough for a loopback page under ThreadSanitizer on a busy machine (200 ms was not);
    // the few tests of a stalled page wait it out once each.
    timing.pageStallTimeout = base::Millis{1000};
    timing.crawlPoll = base::Millis{1};
    return timing;
}

}  // namespace farrow::deep::test
