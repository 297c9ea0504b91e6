#include "audit/audit_html.h"

#include <algorithm>
#include <map>

#include "audit/audit_events.h"
#include "logs/html_text.h"

namespace farrow::audit {

namespace {

std::string esc(std::string_view text) {
    return logs::escapeHtml(text);
}

std::string number(std::size_t n) {
    return std::to_string(n);
}

const char* kStyle = R"(body{font:14px/1.4 sans-serif;margin:1.5em;color:#222}
h1{font-size:1.5em}h2{font-size:1.2em;margin-top:1.6em}
table{border-collapse:collapse}th,td{border:1px solid #ccc;padding:2px 6px;text-align:left;
vertical-align:top}th{background:#eee;cursor:pointer}td.n{text-align:right}
.error{color:#a40000}.warning{color:#8a5a00}.notice{color:#355}
.url{word-break:break-all}ul.from{margin:0;padding-left:1.2em}
svg text{font:12px sans-serif}
)";

// Sorts the page table by the header clicked (numbers as numbers), and filters its rows by
// the words typed.
const char* kScript = R"(
(function () {
  var table = document.getElementById('pages');
  var body = table.tBodies[0];
  var filter = document.getElementById('filter');
  var shown = document.getElementById('shown');
  function show() {
    var words = filter.value.toLowerCase(), count = 0;
    Array.prototype.forEach.call(body.rows, function (row) {
      row.hidden = words !== '' && row.textContent.toLowerCase().indexOf(words) < 0;
      count += row.hidden ? 0 : 1;
    });
    shown.textContent = count + ' of ' + body.rows.length + ' pages shown';
  }
  filter.addEventListener('input', show);
  show();
  Array.prototype.forEach.call(table.tHead.rows[0].cells, function (cell, column) {
    var up = true;
    cell.addEventListener('click', function () {
      var rows = Array.prototype.slice.call(body.rows);
      rows.sort(function (a, b) {
        var x = a.cells[column].textContent, y = b.cells[column].textContent;
        var nx = parseFloat(x), ny = parseFloat(y);
        var order = !isNaN(nx) && !isNaN(ny) ? nx - ny : x.localeCompare(y);
        return up ? order : -order;
      });
      up = !up;
      rows.forEach(function (row) { body.appendChild(row); });
    });
  });
})();
)";

// A horizontal bar chart: a label, a bar and its figure a line.
std::string barChart(const std::string& caption,
                     const std::vector<std::pair<std::string, std::size_t>>& bars,
                     const std::vector<std::string>& classes) {
    if (bars.empty()) {
        return {};
    }
    std::size_t most = 1;
    for (const auto& bar : bars) {
        most = std::max(most, bar.second);
    }
    // Wide enough for the longest label at about 7 px a character (Google's coverage states run
    // to 50 and more), so that none is cut.
    std::size_t longest = 0;
    for (const auto& bar : bars) {
        longest = std::max(longest, bar.first.size());
    }
    const int label = static_cast<int>(std::clamp<std::size_t>(longest * 7 + 12, 150, 480));
    const int width = 300;
    const int line = 20;
    std::string svg = "<svg role=\"img\" aria-label=\"" + esc(caption) + "\" width=\"" +
                      std::to_string(label + width + 60) + "\" height=\"" +
                      std::to_string(line * static_cast<int>(bars.size()) + 4) +
                      "\" xmlns=\"http://www.w3.org/2000/svg\">";
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const int y = static_cast<int>(i) * line;
        const int w =
            std::max(1, static_cast<int>(bars[i].second * static_cast<std::size_t>(width) / most));
        svg += "<text x=\"0\" y=\"" + std::to_string(y + 14) + "\">" + esc(bars[i].first) +
               "</text><rect class=\"" + esc(classes[i]) + "\" x=\"" + std::to_string(label) +
               "\" y=\"" + std::to_string(y + 3) + "\" width=\"" + std::to_string(w) +
               "\" height=\"14\" fill=\"currentColor\"/><text x=\"" +
               std::to_string(label + w + 6) + "\" y=\"" + std::to_string(y + 14) + "\">" +
               number(bars[i].second) + "</text>";
    }
    return svg + "</svg>\n";
}

std::string link(const std::string& url) {
    // The crawl's addresses are http(s) URLs by its making; anything else stays text.
    if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) {
        return "<span class=\"url\">" + esc(url) + "</span>";
    }
    return "<a class=\"url\" href=\"" + esc(url) + "\">" + esc(url) + "</a>";
}

std::string summary(const AuditResult& result) {
    const AuditSummary& sum = result.summary;
    std::string html = "<h2>Summary</h2>\n<ul>\n";
    html += "<li>" + number(sum.read) + " pages read, " + number(sum.pages) +
            " addresses met; the crawl " + esc(result.endingText) + ".</li>\n";
    html += "<li>Fit to be indexed: " + number(sum.fit) +
            "; with errors: " + number(sum.withErrors) +
            "; with warnings: " + number(sum.withWarnings) + ".</li>\n";
    html += "<li>Findings: <span class=\"error\">errors " + number(sum.errors) +
            "</span>, <span class=\"warning\">warnings " + number(sum.warnings) +
            "</span>, <span class=\"notice\">notices " + number(sum.notices) + "</span>.</li>\n";
    html += "<li>Announced to IndexNow: " + number(sum.announced) +
            "; not: " + number(sum.pages - sum.announced) + ".</li>\n";
    html += "<li>Inspected in the Search Console: " + number(sum.inspected) +
            "; indexed: " + number(sum.indexed) +
            "; not indexed: " + number(sum.inspected - sum.indexed) + ".</li>\n";
    for (const crawl::RobotsSitemap& sitemap : result.sitemapsRead) {
        html += "<li>Sitemap " + link(sitemap.url) +
                (sitemap.inFolder ? " (robots.txt names none)" : " (named by robots.txt)") +
                " read: " + number(sitemap.listed) + " pages of the site's folder listed";
        for (const std::string& problem : sitemap.problems) {
            html += "; <span class=\"warning\">" + esc(problem) + "</span>";
        }
        html += ".</li>\n";
    }
    if (result.external) {
        html += "<li>" + esc(text(*result.external)) + ".</li>\n";
    }
    for (const google::SitemapSubmission& sitemap : result.sitemaps) {
        html += "<li>Sitemap " + link(sitemap.feed) + " submitted " + esc(utcStamp(sitemap.when)) +
                ": " + esc(sitemap.outcome) + ".</li>\n";
    }
    if (!result.ledgerProblem.empty()) {
        html += "<li class=\"warning\">The ledger could not be read: " + esc(result.ledgerProblem) +
                "</li>\n";
    }
    if (!result.recordProblem.empty()) {
        html += "<li class=\"warning\">The crawl could not be recorded in the ledger: " +
                esc(result.recordProblem) + "</li>\n";
    }
    html += "</ul>\n";

    std::vector<std::pair<std::string, std::size_t>> kinds;
    std::vector<std::string> classes;
    std::map<FindingKind, std::size_t> counts;
    for (const Finding& f : result.findings) {
        ++counts[f.kind];
    }
    for (const auto& [kind, count] : counts) {
        kinds.emplace_back(token(kind), count);
        classes.emplace_back(token(severity(kind)));
    }
    if (!kinds.empty()) {
        html += "<h3>Findings by kind</h3>\n" + barChart("Findings by kind", kinds, classes);
    }
    std::vector<std::pair<std::string, std::size_t>> coverage(sum.coverage.begin(),
                                                              sum.coverage.end());
    if (!coverage.empty()) {
        html += "<h3>Index coverage</h3>\n" +
                barChart("Index coverage", coverage,
                         std::vector<std::string>(coverage.size(), "notice"));
    }
    return html;
}

std::string mending(const AuditResult& result) {
    const auto order = mendFirst(result);
    if (order.empty()) {
        return "<h2>What to mend first</h2>\n<p>Nothing: no finding was made.</p>\n";
    }
    std::string html = "<h2>What to mend first</h2>\n<ol>\n";
    for (const auto& [kind, pages] : order) {
        html += "<li><a href=\"#" + std::string(token(kind)) + "\">" + token(kind) +
                "</a> <span class=\"" + token(severity(kind)) + "\">(" + token(severity(kind)) +
                ")</span>: " + number(pages) + (pages == 1 ? " page" : " pages") + ". " +
                esc(text(kind)) + ".</li>\n";
    }
    return html + "</ol>\n";
}

std::string pageTable(const AuditResult& result) {
    std::string html =
        "<h2>Pages</h2>\n<p><label>Filter: <input id=\"filter\" type=\"search\"></label> "
        "<span id=\"shown\"></span> (click a heading to sort)</p>\n<table "
        "id=\"pages\"><thead><tr><th>URL</th>"
        "<th>Status</th><th>Depth</th><th>Title</th><th>Findings</th><th>Announced</th>"
        "<th>Changed since announced</th><th>Indexed</th></tr></thead>\n<tbody>\n";
    for (const AuditPage& page : result.pages) {
        std::string findings;
        for (const FindingKind kind : page.findings) {
            findings += std::string(findings.empty() ? "" : " ") + "<span class=\"" +
                        token(severity(kind)) + "\">" + token(kind) + "</span>";
        }
        std::string announced = "not announced";
        if (page.announcement) {
            announced =
                esc(utcStamp(page.announcement->when)) + " " + esc(page.announcement->outcome);
        }
        const char* changed = !page.changedSinceAnnounced   ? ""
                              : *page.changedSinceAnnounced ? "yes"
                                                            : "no";
        std::string indexed = "not inspected";
        if (page.inspection) {
            indexed = esc(page.inspection->verdict) + " " + esc(page.inspection->coverageState);
            if (!page.inspection->lastCrawlTime.empty()) {
                indexed += " (crawled " + esc(page.inspection->lastCrawlTime) + ")";
            }
            if (!page.inspection->googleCanonical.empty() &&
                page.inspection->googleCanonical != page.url) {
                indexed += "; Google's canonical: " + esc(page.inspection->googleCanonical);
            }
        }
        // Why it would be left out of a sitemap shows over its status.
        const std::string why = page.leftOut.empty() ? "" : " title=\"" + esc(page.leftOut) + "\"";
        html += "<tr><td>" + link(page.url) + "</td><td class=\"n\"" + why + ">" +
                std::to_string(page.status) + "</td><td class=\"n\">" + number(page.depth) +
                "</td><td>" + esc(page.title) + "</td><td>" + findings + "</td><td>" + announced +
                "</td><td>" + changed + "</td><td>" + indexed + "</td></tr>\n";
    }
    return html + "</tbody></table>\n";
}

std::string sections(const AuditResult& result) {
    std::string html;
    for (const FindingKind kind : kFindingKinds) {
        std::vector<const Finding*> found;
        for (const Finding& f : result.findings) {
            if (f.kind == kind) {
                found.push_back(&f);
            }
        }
        if (found.empty()) {
            continue;
        }
        html += "<h2 id=\"" + std::string(token(kind)) + "\">" + token(kind) + " <span class=\"" +
                token(severity(kind)) + "\">(" + token(severity(kind)) +
                ")</span>: " + number(found.size()) + "</h2>\n<p>" + esc(text(kind)) +
                ".</p>\n<table><thead><tr><th>URL</th><th>Detail</th><th>Linked from</th></tr>"
                "</thead>\n<tbody>\n";
        for (const Finding* f : found) {
            std::string from;
            if (!f->linkedFrom.empty()) {
                from = "<ul class=\"from\">";
                for (const std::string& url : f->linkedFrom) {
                    from += "<li>" + link(url) + "</li>";
                }
                from += "</ul>";
            }
            html += "<tr><td>" + link(f->url) + "</td><td>" + esc(f->detail) + "</td><td>" + from +
                    "</td></tr>\n";
        }
        html += "</tbody></table>\n";
    }
    return html;
}

// The links to other sites their robots.txt kept from the check: said, so that no one takes
// them for checked. Those left at a bound are only counted, in the summary.
std::string externalDisallowed(const AuditResult& result) {
    if (!result.external || result.external->disallowed == 0) {
        return {};
    }
    std::string html =
        "<h2 id=\"external-disallowed\">Links to other sites not checked: " +
        number(result.external->disallowed) +
        "</h2>\n<table><thead><tr><th>URL</th><th>Why</th><th>Linked from</th></tr></thead>\n"
        "<tbody>\n";
    for (const ExternalLinkState& link : result.external->links) {
        if (link.verdict != ExternalVerdict::Disallowed) {
            continue;
        }
        std::string from = "<ul class=\"from\">";
        for (const std::string& url : link.linkedFrom) {
            from += "<li>" + audit::link(url) + "</li>";
        }
        html += "<tr><td>" + audit::link(link.url) + "</td><td>" + esc(link.detail) + "</td><td>" +
                from + "</ul></td></tr>\n";
    }
    return html + "</tbody></table>\n";
}

}  // namespace

std::string auditHtml(const AuditResult& result, base::TimePoint made) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n"
        "<title>Site audit of " +
        esc(result.startUrl) + "</title>\n<style>" + kStyle +
        "</style></head><body>\n<h1>Site audit of " + link(result.startUrl) + "</h1>\n<p>Made " +
        esc(utcStamp(made)) + " from a crawl of " + esc(result.scope) + ".</p>\n";
    html += summary(result) + mending(result) + pageTable(result) + sections(result) +
            externalDisallowed(result);
    return html + "<script>" + kScript + "</script>\n</body></html>\n";
}

}  // namespace farrow::audit
