#pragma once

#include <atomic>
#include <map>
#include <string>

#include <ostream>

#include "base/timing.h"
#include "deep/page_entry.h"
#include "support/loopback_http_server.h"

namespace farrow::deep {

inline void PrintTo(const PageEntry& page, std::ostream* os) {
    *os << "{" << page.url << ", " << page.title << "}";
}

}  // namespace farrow::deep

namespace farrow::deep::test {

// A small web site of pages the test writes, on a loopback server. "{site}" in a page stands
// for "http://127.0.0.1:PORT", "{host}" for "127.0.0.1:PORT". Unknown paths answer 404 with a plain
// page.
class LoopbackSite final {
public:
    LoopbackSite();
    ~LoopbackSite();

    void page(const std::string& path, const std::string& body) { pages_[path] = body; }
    // A page that sends `firstLines` and then nothing, until the site goes.
    void stalledPage(const std::string& path, const std::string& firstLines) {
        stalled_[path] = firstLines;
    }
    // A page that sends `firstLines`, then `repeated` again and again (after `pauseMs` each
    // time) until the reader or the site goes.
    void endlessPage(const std::string& path, const std::string& firstLines,
                     const std::string& repeated, int pauseMs = 0) {
        endless_[path] = {firstLines, repeated, pauseMs};
    }
    // Call once every page is added.
    void start();

    std::string url(const std::string& path) const { return server_.url(path); }
    std::string site() const { return server_.url(""); }
    // How often the page at `path` was asked for.
    int hits(const std::string& path) const;

private:
    std::string expand(const std::string& body) const;

    std::map<std::string, std::string> pages_;
    std::map<std::string, std::string> stalled_;
    struct Endless {
        std::string first;
        std::string repeated;
        int pauseMs;
    };
    std::map<std::string, Endless> endless_;
    std::map<std::string, std::atomic<int>> hits_;
    std::atomic<bool> released_{false};
    farrow::test::LoopbackHttpServer server_;
};

// "{site}" becomes `site` ("http://127.0.0.1:PORT"), "{host}" its "127.0.0.1:PORT".
std::string expandSite(std::string text, const std::string& site);

// Page reads that give up quickly: a stalled page fails after 200 ms.
base::Timing quickTiming();

}  // namespace farrow::deep::test
