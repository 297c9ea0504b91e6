// Times the window's start-up sequence (settings, directories, switches, the update question
// answered "Skip", the sites file) with the product's timing, on an empty workspace and on one
// whose sites file holds 5000 sites. Five runs each; the median is printed.
//   ./build/bench/startup_bench
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/app_state.h"
#include "app/startup_sequence.h"
#include "support/fake_frontend.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace {

using namespace farrow;

// Seconds for one start-up, or a negative value when it did not read every site.
double startOnce(int siteCount) {
    test::TempWorkspace ws;
    if (siteCount > 0) {
        std::vector<std::string> lines;
        for (int i = 0; i < siteCount; ++i) {
            lines.push_back(test::plainComplexSiteLine("Engine" + std::to_string(i), "cat",
                                                       {"Arts", "Business", "Computers"}));
        }
        ws.write("sites.enc", test::encodedSitesFile(lines));
    }
    app::AppState state;
    state.workspace = ws.workspace();
    test::FakeStartupFrontend frontend(/*checkNow=*/false);
    const auto t0 = std::chrono::steady_clock::now();
    app::loadBranding(state, frontend.messenger());
    const app::StartupOutcome outcome = app::runStartupSequence(state, {"farrowlane"}, frontend);
    if (outcome.ok) {
        app::finishStartup(state);
    }
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (static_cast<int>(state.siteTable.size()) != siteCount) {
        std::fprintf(stderr, "read %zu sites of %d\n", state.siteTable.size(), siteCount);
        return -1;
    }
    return s;
}

double median(int siteCount) {
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        times.push_back(startOnce(siteCount));
    }
    std::sort(times.begin(), times.end());
    return times[0] < 0 ? -1 : times[2];
}

}  // namespace

int main() {
    const double empty = median(0);
    const double full = median(5000);
    // A start-up that missed sites would make the figure meaningless.
    if (empty < 0 || full < 0) {
        return 1;
    }
    std::printf("start-up: empty %.1f ms, 5000 sites %.1f ms\n", empty * 1000, full * 1000);
    return 0;
}
