#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <cstdarg>
#include <cstdio>
#include <memory>

#include "crawl/site_crawl.h"
#include "crawl/sitemap_writer.h"
#include "support/temp_workspace.h"

namespace farrow::crawl {
namespace {

// libxml2's error callback: each message appended to the string it was given.
void collect(void* out, const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    *static_cast<std::string*>(out) += line;
}

// The errors libxml2 finds when it validates the file at `path` against the schema at `xsd`;
// empty when the file is valid.
std::string schemaErrors(const std::string& xsd, const std::string& path) {
    std::string errors;
    const std::unique_ptr<xmlSchemaParserCtxt, decltype(&xmlSchemaFreeParserCtxt)> parser(
        xmlSchemaNewParserCtxt(xsd.c_str()), &xmlSchemaFreeParserCtxt);
    xmlSchemaSetParserErrors(parser.get(), collect, collect, &errors);
    const std::unique_ptr<xmlSchema, decltype(&xmlSchemaFree)> schema(xmlSchemaParse(parser.get()),
                                                                      &xmlSchemaFree);
    if (!schema) {
        return "the schema " + xsd + " did not load: " + errors;
    }
    const std::unique_ptr<xmlSchemaValidCtxt, decltype(&xmlSchemaFreeValidCtxt)> valid(
        xmlSchemaNewValidCtxt(schema.get()), &xmlSchemaFreeValidCtxt);
    xmlSchemaSetValidErrors(valid.get(), collect, collect, &errors);
    const std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(
        xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET), &xmlFreeDoc);
    if (!doc) {
        return path + " is not well-formed";
    }
    if (xmlSchemaValidateDoc(valid.get(), doc.get()) != 0 && errors.empty()) {
        errors = path + " is not valid";
    }
    return errors;
}

// Names that must reach a sitemap percent-encoded (or as entities) to pass the schema's anyURI.
const std::vector<std::string> kHostileNames = {"a|b[1]{2}.html", "100%.html",   "caf\xC3\xA9.html",
                                                "q&quot;.html",   "lt&lt;.html", "sp ace.html",
                                                "plain.html"};

// Crawls a site whose start page links to every hostile name and writes its sitemap at `path`.
WrittenSitemap crawlAndWrite(const std::string& path, const SitemapLimits& limits) {
    const std::string start = "http://127.0.0.1:9/";
    const PageFetch fetch = [&](const platform::WebRequest& ask) {
        platform::WebResponse answer;
        answer.status = ask.url.ends_with("/robots.txt") ? 404 : 200;
        answer.headers.push_back({"content-type", "text/html; charset=utf-8"});
        answer.headers.push_back({"last-modified", "Wed, 09 Dec 2026 07:30:05 GMT"});
        if (ask.url == start) {
            answer.body = "<html><head><title>Home</title></head><body>";
            for (const std::string& name : kHostileNames) {
                answer.body += "<a href=\"" + name + "\">x</a>";
            }
            answer.body += "</body></html>";
        } else {
            answer.body = "<html><head><title>Page</title></head><body></body></html>";
        }
        return answer;
    };
    const CrawlResult crawled = crawlSite(crawlParams(start, base::Timing{}), fetch, nullptr);
    return writeCrawlSitemap(crawled, path, limits);
}

TEST(SitemapSchema, TheCrawlsSitemapsValidateAgainstTheProtocolsSchemas) {
    const std::string data = FARROW_TEST_DATA;
    test::TempWorkspace dir;
    // One urlset, then an index of urlsets of three URLs each.
    const WrittenSitemap one = crawlAndWrite(dir.file("one.xml"), {});
    ASSERT_EQ(one.error.reason, "");
    ASSERT_EQ(one.files.size(), 1u);
    EXPECT_EQ(one.pages, kHostileNames.size() + 1);
    EXPECT_EQ(schemaErrors(data + "/sitemap.xsd", one.files[0]), "");

    const WrittenSitemap parts = crawlAndWrite(dir.file("index.xml"), {3, 1 << 20});
    ASSERT_EQ(parts.error.reason, "");
    ASSERT_EQ(parts.files.size(), 4u);
    for (std::size_t i = 0; i + 1 < parts.files.size(); ++i) {
        EXPECT_EQ(schemaErrors(data + "/sitemap.xsd", parts.files[i]), "") << parts.files[i];
    }
    EXPECT_EQ(schemaErrors(data + "/siteindex.xsd", parts.files.back()), "");

    // The check itself refuses what the protocol refuses: a raw "|" is no anyURI, nor is an
    // index where a urlset belongs.
    dir.write("raw.xml",
              "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><url>"
              "<loc>http://127.0.0.1:9/a|b[1]{2}.html</loc></url></urlset>");
    EXPECT_NE(schemaErrors(data + "/sitemap.xsd", dir.file("raw.xml")), "");
    EXPECT_NE(schemaErrors(data + "/sitemap.xsd", parts.files.back()), "");
}

}  // namespace
}  // namespace farrow::crawl
