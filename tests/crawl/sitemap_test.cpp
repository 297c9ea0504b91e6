#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "crawl/sitemap_reader.h"
#include "crawl/sitemap_writer.h"
#include "support/gzipped.h"
#include "support/temp_workspace.h"

namespace farrow::crawl {
namespace {

std::vector<SitemapEntry> entries(int count) {
    std::vector<SitemapEntry> out;
    for (int i = 0; i < count; ++i) {
        out.push_back({"http://h/p" + std::to_string(i) + ".htm", ""});
    }
    return out;
}

PageFetch noFetch() {
    return [](const platform::WebRequest& ask) {
        platform::WebResponse answer;
        answer.failure = platform::WebFailure::Connect;
        answer.reason = "no network in this test: " + ask.url;
        return answer;
    };
}

TEST(SitemapWriter, EscapesLocsAndWritesW3cDates) {
    const std::vector<SitemapFile> files =
        buildSitemaps({{"http://h/a?x=1&y=<2>&z='\"", w3cDateTime("Wed, 09 Dec 2026 07:30:05 GMT")},
                       {"http://h/b", w3cDateTime("not a date")}},
                      "sitemap.xml", "http://h/");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "sitemap.xml");
    EXPECT_EQ(files[0].xml,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n"
              "  <url>\n    <loc>http://h/a?x=1&amp;y=&lt;2&gt;&amp;z=&apos;&quot;</loc>\n"
              "    <lastmod>2026-12-09T07:30:05+00:00</lastmod>\n  </url>\n"
              "  <url>\n    <loc>http://h/b</loc>\n  </url>\n"
              "</urlset>\n");
    // What it wrote reads back as it was.
    const SitemapContent back = parseSitemap(files[0].xml, 1 << 20);
    ASSERT_EQ(back.error.reason, "");
    ASSERT_EQ(back.entries.size(), 2u);
    EXPECT_EQ(back.entries[0].loc, "http://h/a?x=1&y=<2>&z='\"");
    EXPECT_EQ(back.entries[0].lastmod, "2026-12-09T07:30:05+00:00");
}

TEST(SitemapWriter, OtherHttpDateFormsToo) {
    EXPECT_EQ(w3cDateTime("Sunday, 06-Nov-94 08:49:37 GMT"), "1994-11-06T08:49:37+00:00");
    EXPECT_EQ(w3cDateTime("Sun Nov  6 08:49:37 1994"), "1994-11-06T08:49:37+00:00");
    EXPECT_EQ(w3cDateTime(""), "");
}

TEST(SitemapWriter, SplitsAtTheUrlAndByteLimitsWithAnIndex) {
    const struct {
        int urls;
        SitemapLimits limits;
        std::size_t parts;
    } cases[] = {
        {10, {10, 1 << 20}, 1},
        {11, {10, 1 << 20}, 2},
        {25, {10, 1 << 20}, 3},
        // A url element here takes 50 bytes and the frame 112: six fit in 400 bytes.
        {10, {1000, 400}, 2},
    };
    for (const auto& c : cases) {
        const std::vector<SitemapFile> files =
            buildSitemaps(entries(c.urls), "sitemap.xml", "http://h/site/", c.limits);
        const std::size_t expectedFiles = c.parts == 1 ? 1 : c.parts + 1;
        ASSERT_EQ(files.size(), expectedFiles) << c.urls;
        std::size_t total = 0;
        for (std::size_t i = 0; i < c.parts; ++i) {
            EXPECT_LE(files[i].xml.size(), c.limits.maxBytes);
            const SitemapContent part = parseSitemap(files[i].xml, 1 << 20);
            EXPECT_EQ(part.kind, SitemapContent::Kind::UrlSet);
            EXPECT_LE(part.entries.size(), c.limits.maxUrls);
            total += part.entries.size();
        }
        EXPECT_EQ(total, static_cast<std::size_t>(c.urls));
        if (c.parts > 1) {
            EXPECT_EQ(files[0].name, "sitemap-1.xml");
            const SitemapContent index = parseSitemap(files.back().xml, 1 << 20);
            EXPECT_EQ(files.back().name, "sitemap.xml");
            EXPECT_EQ(index.kind, SitemapContent::Kind::Index);
            ASSERT_EQ(index.entries.size(), c.parts);
            EXPECT_EQ(index.entries[1].loc, "http://h/site/sitemap-2.xml");
        }
    }
}

TEST(SitemapReader, IndexAndGzipFromFilesEachUrlOnce) {
    test::TempWorkspace dir;
    const std::vector<SitemapFile> files =
        buildSitemaps(entries(5), "sitemap.xml", "part/", {2, 1 << 20});
    std::filesystem::create_directories(dir.path() / "part");
    for (const SitemapFile& file : files) {
        const bool part = file.name != "sitemap.xml";
        // The second part packed, as sites serve sitemap.xml.gz.
        dir.write((part ? "part/" : "") + file.name,
                  file.name == "sitemap-2.xml" ? test::gzipped(file.xml) : file.xml);
    }
    SitemapSourceParams params = sitemapSourceParams(dir.file("sitemap.xml"), {});
    const SitemapPages pages = loadSitemapPages(params, noFetch());
    EXPECT_EQ(pages.error.reason, "");
    EXPECT_TRUE(pages.skipped.empty());
    ASSERT_EQ(pages.pages.size(), 5u);
    EXPECT_EQ(pages.pages[4].loc, "http://h/p4.htm");
}

TEST(SitemapReader, BrokenSitemapsSayWhy) {
    const struct {
        std::string bytes;
        const char* error;
    } cases[] = {
        {"<urlset><url><loc>http://h/</loc></url>", "not well-formed XML"},
        {"<html><body>Not found</body></html>", "neither a urlset nor a sitemapindex"},
        {"", "not well-formed XML"},
        {std::string("\x1f\x8b\x08\x00garbage", 12), "broken gzip data"},
        {test::gzipped(std::string(3 << 20, ' ')), "larger than 1048576 bytes once unpacked"},
        {std::string(2 << 20, ' '), "larger than 1048576 bytes"},
        // Entities from outside are never fetched or expanded into the URLs.
        {"<?xml version=\"1.0\"?><!DOCTYPE u [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
         "<urlset><url><loc>&x;</loc></url></urlset>",
         ""},
    };
    for (const auto& c : cases) {
        const SitemapContent content = parseSitemap(c.bytes, 1 << 20);
        EXPECT_EQ(content.error.reason.substr(0, std::string(c.error).size()), c.error)
            << content.error.reason;
        for (const SitemapEntry& entry : content.entries) {
            EXPECT_EQ(entry.loc.find("root:"), std::string::npos);
        }
    }
}

TEST(SitemapReader, DoctypesThatDeclareAnythingAndHugeTagsAreRefusedBeforeTheirElements) {
    // One 50 KB entity used 50,000 times would be 2.5 GB once expanded.
    std::string bomb =
        "<?xml version=\"1.0\"?>\n<!-- a note -->\n<!DOCTYPE urlset [\n"
        "<!ENTITY big \"" +
        std::string(50000, 'x') + "\">\n]>\n<urlset>";
    for (int i = 0; i < 50000; ++i) {
        bomb += "<url><loc>http://h/</loc><lastmod>&big;</lastmod></url>";
    }
    bomb += "</urlset>";
    std::string attributes = "<urlset><url><loc>http://h/a</loc></url><url";
    for (int i = 0; i < 100000; ++i) {
        attributes += " a" + std::to_string(i) + "=\"\"";
    }
    attributes += "><loc>http://h/b</loc></url></urlset>";
    const std::string noSubset = "its DOCTYPE declares entities or holds an internal subset";
    const struct {
        std::string bytes;
        std::string error;
    } cases[] = {
        {bomb, noSubset},
        {test::gzipped(bomb), noSubset},
        {"<!DOCTYPE urlset [ <!ELEMENT urlset ANY> ]><urlset/>", noSubset},
        {attributes, "a start tag with more than 256 attributes at byte 40"},
        {"<urlset><url><loc>" + std::string(70000, 'x') + "</loc></url><url a=\"" +
             std::string(70000, 'y') + "\"/></urlset>",
         "a start tag longer than 65536 bytes at byte 70030"},
    };
    test::TempWorkspace dir;
    for (const auto& c : cases) {
        EXPECT_EQ(parseSitemap(c.bytes, 50u << 20).error.reason, c.error);
        dir.write("bomb.xml", c.bytes);
        SitemapSourceParams params = sitemapSourceParams(dir.file("bomb.xml"), {});
        const SitemapPages pages = loadSitemapPages(params, noFetch());
        EXPECT_EQ(pages.error.reason, params.source + ": " + c.error);
        EXPECT_TRUE(pages.pages.empty());
    }
    // A DOCTYPE that only names an external DTD, as old feeds carry, is read without it.
    const SitemapContent named = parseSitemap(
        "<?xml version=\"1.0\"?><!DOCTYPE urlset PUBLIC \"-//X//DTD Y//EN\" "
        "\"http://127.0.0.1:1/never.dtd\"><urlset><url><loc> http://h/a&amp;b </loc>"
        "<lastmod><![CDATA[2026-12-09]]></lastmod></url></urlset>",
        1 << 20);
    EXPECT_EQ(named.error.reason, "");
    ASSERT_EQ(named.entries.size(), 1u);
    EXPECT_EQ(named.entries[0].loc, "http://h/a&b");
    EXPECT_EQ(named.entries[0].lastmod, "2026-12-09");
}

TEST(SitemapReader, ATwoGigabyteFileIsReadOnlyToItsBound) {
    test::TempWorkspace dir;
    const std::string path = dir.file("huge.xml");
    {
        std::ofstream out(path, std::ios::binary);
        out << "<urlset>";
    }
    // A sparse file: 2 GB long, next to nothing on disk.
    std::filesystem::resize_file(path, 2ull << 30);
    SitemapSourceParams params = sitemapSourceParams(path, {});
    params.maxBytes = 1 << 20;
    const SitemapPages pages = loadSitemapPages(params, noFetch());
    EXPECT_NE(pages.error.reason.find("larger than 1048576 bytes"), std::string::npos)
        << pages.error.reason;
}

TEST(SitemapReader, AnUnreadableSourceAndAnIndexWithBadParts) {
    SitemapSourceParams params = sitemapSourceParams("/nonexistent/sitemap.xml", {});
    EXPECT_NE(loadSitemapPages(params, noFetch()).error.reason.find("cannot open"),
              std::string::npos);

    test::TempWorkspace dir;
    dir.write("index.xml",
              "<sitemapindex><sitemap><loc>http://h/s1.xml</loc></sitemap>"
              "<sitemap><loc>missing.xml</loc></sitemap></sitemapindex>");
    params.source = dir.file("index.xml");
    const SitemapPages pages = loadSitemapPages(params, noFetch());
    EXPECT_EQ(pages.error.reason, "");
    EXPECT_EQ(pages.skipped.size(), 2u);
    EXPECT_TRUE(pages.pages.empty());
}

TEST(SitemapReader, AnIndexInAFileReadsOnlyFilesOfItsFolder) {
    test::TempWorkspace dir;
    const std::string urlset = "<urlset><url><loc>http://h/a.htm</loc></url></urlset>";
    dir.write("outside.xml", "<urlset><url><loc>http://h/outside.htm</loc></url></urlset>");
    std::filesystem::create_directories(dir.path() / "sub");
    dir.write("sub/ok.xml", urlset);
    ASSERT_EQ(mkfifo(dir.file("sub/fifo.xml").c_str(), 0600), 0);
    const std::string outside = dir.file("outside.xml");
    dir.write("sub/index.xml",
              "<sitemapindex><sitemap><loc>ok.xml</loc></sitemap>"
              "<sitemap><loc>../outside.xml</loc></sitemap>"
              "<sitemap><loc>" +
                  outside +
                  "</loc></sitemap>"
                  "<sitemap><loc>file://" +
                  outside +
                  "</loc></sitemap>"
                  "<sitemap><loc>fifo.xml</loc></sitemap>"
                  "<sitemap><loc>HTTP://h/s.xml</loc></sitemap></sitemapindex>");
    SitemapSourceParams params = sitemapSourceParams(dir.file("sub/index.xml"), {});
    const SitemapPages pages = loadSitemapPages(params, noFetch());
    ASSERT_EQ(pages.pages.size(), 1u) << pages.error.reason;
    EXPECT_EQ(pages.pages[0].loc, "http://h/a.htm");
    const std::string notInFolder =
        ": neither an http or https URL nor a file in the index's folder";
    EXPECT_EQ(pages.skipped, (std::vector<std::string>{
                                 "../outside.xml" + notInFolder,
                                 outside + notInFolder,
                                 "file://" + outside + notInFolder,
                                 dir.file("sub/fifo.xml") + ": not a regular file",
                                 "http://h/s.xml: no network in this test: http://h/s.xml",
                             }));
}

TEST(SitemapReader, TheUrlBoundTakesTheFirstUrlsAndCountsTheRest) {
    test::TempWorkspace dir;
    const auto urlset = [](int from, int to) {
        std::string xml = "<urlset>";
        for (int i = from; i < to; ++i) {
            xml += "<url><loc>http://h/p" + std::to_string(i) + ".htm</loc></url>";
        }
        return xml + "</urlset>";
    };
    // The second part repeats p3, which counts once and not against the bound.
    dir.write("a.xml", urlset(0, 4));
    dir.write("b.xml", test::gzipped(urlset(3, 9)));
    dir.write("c.xml", urlset(9, 12));
    dir.write("index.xml",
              "<sitemapindex><sitemap><loc>a.xml</loc></sitemap><sitemap><loc>b.xml</loc>"
              "</sitemap><sitemap><loc>c.xml</loc></sitemap><sitemap><loc>d.xml</loc></sitemap>"
              "</sitemapindex>");
    base::Timing timing;
    const struct {
        std::string source;
        std::size_t bound;
        std::size_t taken;
        std::size_t notTaken;
        std::vector<std::string> notRead;
    } cases[] = {
        {"index.xml", 6, 6, 3, {"c.xml", "d.xml"}},
        // Met at the end of a part: the parts after it are not read.
        {"index.xml", 4, 4, 0, {"b.xml", "c.xml", "d.xml"}},
        {"index.xml", 3, 3, 1, {"b.xml", "c.xml", "d.xml"}},
        {"a.xml", 2, 2, 2, {}},
        // Met exactly, nothing is left out.
        {"a.xml", 4, 4, 0, {}},
    };
    for (const auto& c : cases) {
        timing.sitemapMaxUrls = c.bound;
        const SitemapPages pages =
            loadSitemapPages(sitemapSourceParams(dir.file(c.source), timing), noFetch());
        EXPECT_EQ(pages.error.reason, "");
        EXPECT_EQ(pages.pages.size(), c.taken) << c.source << " " << c.bound;
        EXPECT_EQ(pages.cut.urlsNotTaken, c.notTaken) << c.source << " " << c.bound;
        EXPECT_EQ(pages.cut.partsNotRead, c.notRead) << c.source << " " << c.bound;
        EXPECT_EQ(static_cast<bool>(pages.cut), c.notTaken > 0 || !c.notRead.empty());
        // d.xml is missing, so it is skipped with its reason only when it is reached.
        EXPECT_TRUE(pages.skipped.empty());
    }
    timing.sitemapMaxUrls = 6;
    const SitemapPages cut =
        loadSitemapPages(sitemapSourceParams(dir.file("index.xml"), timing), noFetch());
    ASSERT_EQ(cut.pages.size(), 6u);
    EXPECT_EQ(cut.pages[4].loc, "http://h/p4.htm");
    EXPECT_EQ(cut.pages[5].loc, "http://h/p5.htm");
    EXPECT_EQ(text(cut.cut),
              "the sitemap bound sitemapMaxUrls (6 URLs) was met: 3 URLs seen and "
              "not taken, 2 sitemaps not read: c.xml, d.xml");
    EXPECT_EQ(text(cut.cut, 1),
              "the sitemap bound sitemapMaxUrls (6 URLs) was met: 3 URLs seen "
              "and not taken, 2 sitemaps not read: c.xml and 1 more");
    timing.sitemapMaxUrls = 100;
    const SitemapPages all =
        loadSitemapPages(sitemapSourceParams(dir.file("index.xml"), timing), noFetch());
    EXPECT_EQ(all.pages.size(), 12u);
    EXPECT_FALSE(all.cut);
    EXPECT_EQ(all.skipped.size(), 1u);
}

TEST(SitemapReader, TextRssAndAtomAreReadByTheirContent) {
    using Pages = std::vector<SitemapEntry>;
    std::string manyAttributes = "<feed><entry";
    for (int i = 0; i < 300; ++i) {
        manyAttributes += " a" + std::to_string(i) + "=\"\"";
    }
    manyAttributes += "><link href=\"http://h/a\"/></entry></feed>";
    const std::string noSubset = "its DOCTYPE declares entities or holds an internal subset";
    const struct {
        const char* what;
        std::string bytes;
        Pages pages;
        std::string error;
    } cases[] = {
        {"text",
         "http://h/a\r\nhttp://h/b\n\n  http://h/caf\xC3\xA9  \n",
         {{"http://h/a", ""}, {"http://h/b", ""}, {"http://h/caf\xC3\xA9", ""}},
         ""},
        {"text with a byte-order mark",
         "\xEF\xBB\xBFhttp://h/a\nhttp://h/b",
         {{"http://h/a", ""}, {"http://h/b", ""}},
         ""},
        {"text of another encoding", "http://h/caf\xE9\n", {}, "neither XML nor a text sitemap"},
        {"binary", std::string("http://h/a\n\0\x01", 13), {}, "neither XML nor a text sitemap"},
        {"RSS 2.0",
         "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>T</title>"
         "<link>http://h/</link><item><title>x</title><link>http://h/a</link>"
         "<pubDate>Wed, 09 Dec 2026 07:30:00 +0100</pubDate></item>"
         "<item><link> http://h/b </link><pubDate>Wed, 9 Dec 2026 02:30:00 EST</pubDate></item>"
         "<item><title>no link</title></item><item><link>http://h/c</link>"
         "<pubDate>someday</pubDate></item></channel></rss>",
         {{"http://h/a", "2026-12-09T06:30:00+00:00"},
          {"http://h/b", "2026-12-09T07:30:00+00:00"},
          {"http://h/c", ""}},
         ""},
        {"RSS 0.91 naming its DTD",
         "<?xml version=\"1.0\"?><!DOCTYPE rss PUBLIC \"-//Netscape Communications//DTD RSS "
         "0.91//EN\" \"http://127.0.0.1:1/rss-0.91.dtd\"><rss version=\"0.91\"><channel>"
         "<item><link>http://h/a</link></item></channel></rss>",
         {{"http://h/a", ""}},
         ""},
        {"RSS declaring an entity",
         "<!DOCTYPE rss [<!ENTITY e \"http://h/x\">]><rss><channel><item><link>&e;</link>"
         "</item></channel></rss>",
         {},
         noSubset},
        {"Atom 1.0",
         "<feed xmlns=\"http://www.w3.org/2005/Atom\"><link rel=\"self\" href=\"http://h/feed\"/>"
         "<updated>2026-01-01T00:00:00Z</updated>"
         "<entry><link rel=\"edit\" href=\"http://h/edit\"/><link href=\"http://h/a\"/>"
         "<updated>2026-12-09T07:30:00Z</updated></entry>"
         "<entry><link rel=\"alternate\" type=\"text/html\" href=\"http://h/b\"/>"
         "<link rel=\"alternate\" href=\"http://h/b2\"/></entry>"
         "<entry><link rel=\"enclosure\" href=\"http://h/x.mp3\"/></entry></feed>",
         {{"http://h/a", "2026-12-09T07:30:00Z"}, {"http://h/b", ""}},
         ""},
        {"Atom with a huge tag",
         manyAttributes,
         {},
         "a start tag with more than 256 attributes at byte 6"},
        {"a web page",
         "<!DOCTYPE html><html><body>Not found</body></html>",
         {},
         "neither a urlset nor a sitemapindex, nor an RSS or Atom feed"},
    };
    test::TempWorkspace dir;
    for (const auto& c : cases) {
        for (const bool packed : {false, true}) {
            const std::string bytes = packed ? test::gzipped(c.bytes) : c.bytes;
            const SitemapContent content = parseSitemap(bytes, 1 << 20);
            EXPECT_EQ(content.error.reason.substr(0, c.error.size()), c.error)
                << c.what << ": " << content.error.reason;
            ASSERT_EQ(content.entries.size(), c.pages.size()) << c.what;
            for (std::size_t i = 0; i < c.pages.size(); ++i) {
                EXPECT_EQ(content.entries[i].loc, c.pages[i].loc) << c.what;
                EXPECT_EQ(content.entries[i].lastmod, c.pages[i].lastmod) << c.what;
            }
            // Whatever the file or the address is called.
            dir.write("updates.dat", bytes);
            const SitemapPages fromFile =
                loadSitemapPages(sitemapSourceParams(dir.file("updates.dat"), {}), noFetch());
            const SitemapPages fromWeb = loadSitemapPages(sitemapSourceParams("http://h/feed", {}),
                                                          [&](const platform::WebRequest&) {
                                                              platform::WebResponse answer;
                                                              answer.status = 200;
                                                              answer.body = bytes;
                                                              return answer;
                                                          });
            for (const SitemapPages* read : {&fromFile, &fromWeb}) {
                EXPECT_EQ(read->pages.size(), c.pages.size()) << c.what;
                EXPECT_EQ(read->error.reason.empty(), c.error.empty())
                    << c.what << ": " << read->error.reason;
            }
        }
    }
}

TEST(SitemapReader, LastmodIsReadInEveryW3cFormAndNothingElse) {
    using namespace std::chrono;
    const sys_seconds midnight = sys_days(2026y / December / 9);
    const struct {
        const char* text;
        std::optional<system_clock::time_point> when;
    } cases[] = {
        {"2026", sys_days(2026y / January / 1)},
        {"2026-12", sys_days(2026y / December / 1)},
        {"2026-12-09", midnight},
        {"2026-12-09T07:30Z", midnight + 7h + 30min},
        {"2026-12-09T07:30:15+01:00", midnight + 6h + 30min + 15s},
        {"2026-12-09T07:30:15.25-02:30", midnight + 10h + 15s + 250ms},
        {"2026-12-09T23:59:60Z", midnight + 24h},
        {"2024-02-29", sys_days(2024y / February / 29)},
        {"", std::nullopt},
        {"2025-02-29", std::nullopt},
        {"2026-13-01", std::nullopt},
        {"2026-12-9", std::nullopt},
        {"2026-12-09T07:30", std::nullopt},
        {"2026-12-09T07Z", std::nullopt},
        {"2026-12-09T24:00Z", std::nullopt},
        {"2026-12-09T07:30:15.Z", std::nullopt},
        {"2026-12-09T07:30:15+0100", std::nullopt},
        {"2026-12-09 07:30:15Z", std::nullopt},
        {"2026-12T07:30Z", std::nullopt},
        {"2026-12-09T07:30Zjunk", std::nullopt},
        {"9999-12-31T23:59:59Z", std::nullopt},
        {"0001-01-01", std::nullopt},
        {"Wed, 09 Dec 2026 07:30:00 GMT", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(w3cTimePoint(c.text), c.when) << c.text;
    }
}

}  // namespace
}  // namespace farrow::crawl
