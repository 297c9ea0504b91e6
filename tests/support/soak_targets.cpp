#include "support/soak_targets.h"

#include <chrono>
#include <map>
#include <sstream>
#include <thread>

#include "base/text.h"
#include "support/loopback_listener.h"
#include "support/quick_run.h"

namespace farrow::test {

namespace {

constexpr Behaviour kOrder[] = {Behaviour::Accepting,   Behaviour::Refusing,  Behaviour::NotFound,
                                Behaviour::ServerError, Behaviour::Slow,      Behaviour::Stalling,
                                Behaviour::Hanging,     Behaviour::ClosedPort};
constexpr int kBehaviours = static_cast<int>(std::size(kOrder));

const char* routeOf(Behaviour b) {
    switch (b) {
        case Behaviour::Accepting:
            return "/ok";
        case Behaviour::Refusing:
            return "/refuse";
        case Behaviour::NotFound:
            return "/missing";
        case Behaviour::ServerError:
            return "/broken";
        case Behaviour::Slow:
            return "/slow";
        case Behaviour::Stalling:
            return "/stall";
        case Behaviour::Hanging:
            return "/hang";
        case Behaviour::ClosedPort:
            return "/";
    }
    return "/";
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::vector<SoakSite> soakSites(int count) {
    std::vector<SoakSite> sites;
    for (int i = 0; i < count; ++i) {
        sites.push_back({base::format("Soak%05d", i), kOrder[i % kBehaviours]});
    }
    return sites;
}

bool failsIn(Behaviour b) {
    return b != Behaviour::Accepting && b != Behaviour::Slow && b != Behaviour::Hanging;
}

bool isTerminated(Behaviour b) {
    return b == Behaviour::Hanging;
}

SoakTargets::SoakTargets(base::Millis receiveTimeout, base::Millis latencyLimit) {
    httplib::Server& s = server_.routes();
    s.Get("/ok", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("Thank you for your submission", "text/html");
    });
    s.Get("/refuse", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("Your URL: ERROR, not accepted", "text/html");
    });
    s.Get("/missing", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    s.Get("/broken", [](const httplib::Request&, httplib::Response& res) {
        res.status = 500;
        res.set_content("down", "text/html");
    });
    s.Get("/slow", [receiveTimeout](const httplib::Request&, httplib::Response& res) {
        std::this_thread::sleep_for(receiveTimeout / 4);
        res.set_content("Thank you, eventually", "text/html");
    });
    const base::Millis silence = receiveTimeout * 2;
    s.Get("/stall", [silence](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/html",
                                         [silence](std::size_t, httplib::DataSink& sink) {
                                             sink.write("Thank", 5);
                                             std::this_thread::sleep_for(silence);
                                             sink.done();
                                             return true;
                                         });
    });
    // Trickles until well past the latency limit, unless the program hangs up first.
    const base::Millis trickle = receiveTimeout / 4;
    const base::Millis hangFor = latencyLimit * 3;
    s.Get("/hang", [trickle, hangFor](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider(
            "text/html", [trickle, hangFor, start = std::chrono::steady_clock::now()](
                             std::size_t, httplib::DataSink& sink) {
                std::this_thread::sleep_for(trickle);
                if (std::chrono::steady_clock::now() - start > hangFor) {
                    sink.done();
                    return true;
                }
                return sink.write("x", 1);
            });
    });
    server_.start();
    closedPort_ = closedLoopbackPort();
}

std::string SoakTargets::url(Behaviour b) const {
    if (b == Behaviour::ClosedPort) {
        return "http://127.0.0.1:" + std::to_string(closedPort_) + "/add?";
    }
    return server_.url(std::string(routeOf(b)) + "?");
}

SoakCheck checkSoakLogs(const std::vector<SoakSite>& sites, const std::string& log,
                        const std::string& errorLog, const std::string& failureProfile) {
    SoakCheck check;
    std::map<std::string, std::vector<std::string>> rows;
    std::map<std::string, int> errorRows;
    for (const std::string& line : linesOf(log)) {
        if (occurrences(line, "<TR>") > 1) {
            check.problems.push_back("mixed line in the log: " + line);
        }
        if (startsWith(line, "<TR><TD>SUCCESSFUL:<TD>")) {
            rows[line.substr(23)].push_back("SUCCESSFUL");
            ++check.successful;
        } else if (startsWith(line, "<TR><TD><FONT COLOR=#D00000><a href=\"")) {
            for (const char* word : {"FAILED", "TERMINATED"}) {
                const std::string mark = std::string(word) + ":</FONT><TD>";
                const std::size_t at = line.find(mark);
                if (at != std::string::npos) {
                    rows[line.substr(at + mark.size())].push_back(word);
                    ++(word[0] == 'F' ? check.failed : check.terminated);
                }
            }
        } else if (startsWith(line, "<TR>")) {
            check.problems.push_back("unexpected row in the log: " + line);
        }
    }
    for (const std::string& line : linesOf(errorLog)) {
        if (occurrences(line, "<TR>") > 1) {
            check.problems.push_back("mixed line in the error log: " + line);
        }
        const std::string open = "<TR><TD><A NAME=\"";
        if (startsWith(line, open)) {
            const std::size_t end = line.find('"', open.size());
            if (end == std::string::npos || line.size() < 4 ||
                line.compare(line.size() - 4, 4, "</A>") != 0) {
                check.problems.push_back("broken error row: " + line);
                continue;
            }
            ++errorRows[line.substr(open.size(), end - open.size())];
            ++check.errorRows;
        }
    }
    std::map<std::string, int> profileLines;
    for (const std::string& line : linesOf(failureProfile)) {
        ++profileLines[line];
    }
    for (const SoakSite& site : sites) {
        const auto found = rows.find(site.name);
        const std::string want = isTerminated(site.behaviour) ? "TERMINATED"
                                 : failsIn(site.behaviour)    ? "FAILED"
                                                              : "SUCCESSFUL";
        if (found == rows.end() || found->second.size() != 1) {
            check.problems.push_back(base::format("%s has %zu rows", site.name.c_str(),
                                                  found == rows.end() ? 0 : found->second.size()));
        } else if (found->second.front() != want) {
            check.problems.push_back(site.name + " is " + found->second.front() + ", not " + want);
        }
        const bool failing = want != "SUCCESSFUL";
        const int errors = errorRows.count(site.name) ? errorRows[site.name] : 0;
        if (errors != (failing ? 1 : 0)) {
            check.problems.push_back(
                base::format("%s has %d error rows", site.name.c_str(), errors));
        }
        const int inProfile = profileLines.count(site.name) ? profileLines[site.name] : 0;
        check.profileLines += inProfile;
        if (inProfile != (failing ? 1 : 0)) {
            check.problems.push_back(base::format("%s is %d times in the failure profile",
                                                  site.name.c_str(), inProfile));
        }
    }
    if (rows.size() != sites.size()) {
        check.problems.push_back(
            base::format("%zu sites logged, %zu run", rows.size(), sites.size()));
    }
    return check;
}

}  // namespace farrow::test
