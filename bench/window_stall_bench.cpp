// Presses "Build + GO!" in the window (offscreen) with 200 instant loopback targets and the
// product's timing, and prints the longest interval between two ticks of a 5 ms timer from the
// press until the run is over: the longest time the window did not answer.
//   ./build/bench/window_stall_bench [sites]
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "sites/site_line_codec.h"
#include "support/checked_profile.h"
#include "support/loopback_http_server.h"
#include "support/site_lines.h"
#include "ui/latin1.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

int siteCount = 200;

class WindowStall : public WindowTest {};

TEST_F(WindowStall, LongestGapOfTheEventLoopDuringARun) {
    farrow::test::LoopbackHttpServer server;
    server.routes().Get("/add", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("Thank you", "text/html");
    });
    server.start();
    std::vector<std::string> lines;
    profile::SubmissionProfile p = farrow::test::checkedProfile("gardening");
    for (int i = 0; i < siteCount; ++i) {
        const std::string name = "Engine" + std::to_string(1000 + i);
        lines.push_back(sites::encodeSiteLine(
            farrow::test::plainSiteLine(name, "GET", server.url("/add?"), {{17, "t="}})));
        p.selectedSites.push_back({name, false, ""});
    }
    writeWorkspace(lines);
    startWindow();
    dialog->setConnectionTest([] { return true; });
    dialog->writeProfile(p);

    QElapsedTimer clock;
    qint64 last = -1;
    qint64 longest = 0;
    int ticks = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0) {
            longest = std::max(longest, now - last);
        }
        last = now;
        ++ticks;
    });
    ticker.start(5);
    clock.start();
    find<QPushButton>("buildGoButton")->click();
    const qint64 total = clock.nsecsElapsed();
    ticker.stop();

    std::printf("sites=%d run=%.1f s status=%s ticks=%d longest gap %.1f ms (timer 5 ms)\n",
                siteCount, total / 1e9, fromQt(find<QLineEdit>("statusField")->text()).c_str(),
                ticks, longest / 1e6);
}

}  // namespace
}  // namespace farrow::ui::test

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    testing::InitGoogleTest(&argc, argv);
    if (argc > 1) {
        farrow::ui::test::siteCount = std::atoi(argv[1]);
    }
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
