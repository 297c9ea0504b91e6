// Plans the announcement of 1,000,000 URLs from a sitemap index of 20 gzip parts served on
// loopback: `farrowctl indexnow submit --sitemap URL --dry-run` (a child process, from start to
// exit) reads the index and every part, filters the URLs and prints the requests it would send.
// Prints the wall time, the processor time and the child's peak memory.
//   ./build/bench/sitemap_bench [URLS] [PARTS]

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_support.h"
#include "bench_workspace.h"
#include "profile/profile_file.h"
#include "support/gzipped.h"
#include "support/loopback_http_server.h"

namespace {}  // namespace

int main(int argc, char** argv) {
    using namespace farrow;
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const std::size_t partCount = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 20;
    const std::size_t perPart = (count + partCount - 1) / partCount;
    std::vector<std::string> parts;
    std::size_t bytes = 0;
    for (std::size_t p = 0, n = 0; p < partCount; ++p) {
        std::string xml =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<urlset "
            "xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
        for (std::size_t i = 0; i < perPart && n < count; ++i, ++n) {
            xml += "  <url><loc>https://www.example.com/catalogue/item-" + std::to_string(n) +
                   ".html</loc><lastmod>2026-12-09</lastmod></url>\n";
        }
        xml += "</urlset>\n";
        bytes += xml.size();
        parts.push_back(farrow::test::gzipped(xml));
    }
    test::LoopbackHttpServer server;
    server.routes().Get(R"(/part-(\d+)\.xml\.gz)",
                        [&](const httplib::Request& req, httplib::Response& res) {
                            const std::size_t p = std::stoul(req.matches[1]);
                            if (p >= parts.size()) {
                                res.status = 404;
                                return;
                            }
                            res.set_content(parts[p], "application/gzip");
                        });
    server.routes().Get("/sitemap_index.xml", [&](const httplib::Request&, httplib::Response& res) {
        std::string index =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sitemapindex "
            "xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
        for (std::size_t p = 0; p < parts.size(); ++p) {
            index += "  <sitemap><loc>" + server.url("/part-" + std::to_string(p) + ".xml.gz") +
                     "</loc></sitemap>\n";
        }
        res.set_content(index + "</sitemapindex>\n", "application/xml");
    });
    server.start();

    bench::BenchWorkspace ws("farrow-sitemap-bench");
    profile::SubmissionProfile p;
    p.url = "https://www.example.com/";
    ws.write("p.fl2", profile::formatProfile(p, {}));
    const bench::ChildRun run = bench::runChild(
        {FARROW_FARROWCTL, "indexnow", "submit", "p.fl2", "--key", "abcdefgh12345678", "--sitemap",
         server.url("/sitemap_index.xml"), "--dry-run"},
        ws.path());
    std::printf(
        "URLs=%zu parts=%zu unpacked=%.1f MB exit=%d wall=%.2f s cpu=%.2f s peak RSS "
        "%.1f MB\n",
        count, parts.size(), static_cast<double>(bytes) / (1 << 20), run.exitCode, run.seconds,
        run.cpuSeconds, run.maxRssKb / 1024.0);
    return run.exitCode == 0 ? 0 : 1;
}
