#include "crawl/page_links.h"

#include <gtest/gtest.h>

namespace farrow::crawl {
namespace {

std::vector<std::string> urls(const PageLinks& links) {
    std::vector<std::string> out;
    for (const PageLink& link : links.links) {
        out.push_back(link.url);
    }
    return out;
}

TEST(PageLinks, TagSoupLinksResolvedAndSchemesSkipped) {
    // Unclosed tags, upper case, unquoted and single-quoted values, two links on a line.
    const std::string html =
        "<HTML><head><TITLE>  Bread\n and   Cakes </TITLE>\n"
        "<body><p><A HREF=one.htm>one<a href='../up.htm?x=1&amp;y=2#frag'>up</a>\n"
        "<a href=\"javascript:void(0)\">js</a><a href=\"MAILTO:a@b\">m</a>"
        "<a href=\"tel:+441\">t</a><a href=\"data:text/html,hi\">d</a>\n"
        "<a name=anchor>no href</a><a href=\"#top\">top</a><a href=\"  sub/a b.htm \">sp</a>\n"
        "<map><area href=\"/map.htm\"></map><a href=\"http://other.example/\">out</a>"
        "<a href=\"caf\xC3\xA9.htm\">utf-8</a>";
    const PageLinks links = extractPageLinks(html, "http://host/dir/page.htm#x");
    EXPECT_EQ(links.title, "Bread and Cakes");
    EXPECT_EQ(urls(links), (std::vector<std::string>{
                               "http://host/dir/one.htm",
                               "http://host/up.htm?x=1&y=2",
                               "http://host/dir/page.htm",
                               "http://host/dir/sub/a%20b.htm",
                               "http://host/map.htm",
                               "http://other.example/",
                               "http://host/dir/caf%C3%A9.htm",
                           }));
}

TEST(PageLinks, BaseHrefAppliesToEveryLinkWhereverItStands) {
    const std::string html =
        "<a href=\"a.htm\">a</a><head><base href=\"http://host/other/\"><base href=\"/x/\">"
        "</head><a href=\"b.htm\">b</a>";
    const PageLinks links = extractPageLinks(html, "http://host/dir/page.htm");
    EXPECT_EQ(urls(links),
              (std::vector<std::string>{"http://host/other/a.htm", "http://host/other/b.htm"}));
}

TEST(PageLinks, RobotsMetaNofollowLinksAndCanonical) {
    const struct {
        const char* head;
        bool noindex;
        bool nofollow;
    } cases[] = {
        {"<meta name=\"robots\" content=\"noindex\">", true, false},
        {"<meta name=\"ROBOTS\" content=\"NoIndex, NoFollow\">", true, true},
        {"<meta name=robots content=none>", true, true},
        {"<meta name=\"robots\" content=\"index, follow\">", false, false},
        {"<meta name=\"description\" content=\"noindex\">", false, false},
    };
    for (const auto& c : cases) {
        const PageLinks links =
            extractPageLinks(std::string("<html><head>") + c.head + "</head></html>", "http://h/");
        EXPECT_EQ(links.noindex, c.noindex) << c.head;
        EXPECT_EQ(links.nofollow, c.nofollow) << c.head;
    }
    const PageLinks links = extractPageLinks(
        "<link rel=\"alternate canonical\" href=\"/main.htm#x\"><a rel=\"external NOFOLLOW\" "
        "href=\"ad.htm\">ad</a><a href=\"ok.htm\">ok</a>",
        "http://h/d/p.htm");
    EXPECT_EQ(links.canonical, "http://h/main.htm");
    ASSERT_EQ(links.links.size(), 2u);
    EXPECT_TRUE(links.links[0].nofollow);
    EXPECT_FALSE(links.links[1].nofollow);
}

TEST(PageLinks, BadInputEndsQuietly) {
    std::string nested;
    for (int i = 0; i < 100000; ++i) {
        nested += "<div>";
    }
    nested += "<a href=\"deep.htm\">deep</a>";
    for (const std::string& html : {std::string(), std::string("\0\0\xff\xfe<a", 6),
                                    std::string("<a href=\"") + std::string(100000, 'x'), nested}) {
        const PageLinks links = extractPageLinks(html, "http://h/");
        EXPECT_LE(links.links.size(), 1u);
    }
}

TEST(PageLinks, StartTagsPastTheBoundsEndTheReadingBeforeTheParserSeesThem) {
    std::string many = "<a href=\"before.htm\">b</a><p><a href=\"x.htm\"";
    for (int i = 0; i < 300000; ++i) {
        many += " a" + std::to_string(i);
    }
    many += ">x</a><a href=\"after.htm\">a</a>";
    const std::string longHref = "<a href=\"before.htm\">b</a><a href=\"" +
                                 std::string(1 << 20, 'x') + "\">x</a><a href=\"after.htm\">";
    // Quoted '>' and a long script do not end or start a tag; 256 attributes are taken.
    std::string fine = "<script>" + std::string(100000, 'x') + "</script><a title='>'";
    for (int i = 2; i < 256; ++i) {
        fine += " b" + std::to_string(i) + "=1";
    }
    fine += " href=\"before.htm\"><!-- <a " + std::string(100000, 'y') + " --><a href=after.htm>";
    const struct {
        const std::string& html;
        StartTagCut cut;
        std::size_t links;
    } cases[] = {
        {many, StartTagCut::TooManyAttributes, 1},
        {longHref, StartTagCut::TooLong, 1},
        {fine, StartTagCut::None, 2},
    };
    for (const auto& c : cases) {
        const PageLinks links = extractPageLinks(c.html, "http://h/");
        EXPECT_EQ(links.tagCut, c.cut) << c.html.substr(0, 60);
        ASSERT_EQ(links.links.size(), c.links) << c.html.substr(0, 60);
        EXPECT_EQ(links.links[0].url, "http://h/before.htm");
        if (c.cut != StartTagCut::None) {
            EXPECT_EQ(links.readBytes, c.html.find("<a", 1));
        }
    }
}

TEST(PageLinks, BytesAsABrowserDecodesThemAndATitleKeptToItsBound) {
    const struct {
        std::string html;
        const char* contentType;
        const char* url;
    } cases[] = {
        // A NUL does not end the page; one bad byte does not make the page Latin-1.
        {std::string("<p>\0</p><a href=\"caf\xC3\xA9.htm\">", 28), "", "http://h/caf%C3%A9.htm"},
        {"<p>\xFF</p><a href=\"caf\xC3\xA9.htm\">", "text/html", "http://h/caf%C3%A9.htm"},
        {"<meta charset=windows-1252><p>\x90</p><a href=\"caf\xE9\x80.htm\">", "",
         "http://h/caf%C3%A9%E2%82%AC.htm"},
        {"<p>\x90</p><a href=\"caf\xE9.htm\">", "text/html; charset=ISO-8859-1",
         "http://h/caf%C3%A9.htm"},
        {"<meta charset=windows-1252><a href=\"caf\xC3\xA9.htm\">", "text/html; charset=UTF-8",
         "http://h/caf%C3%A9.htm"},
    };
    for (const auto& c : cases) {
        PageLinks links = extractPageLinks(c.html, "http://h/", {}, c.contentType);
        ASSERT_EQ(links.links.size(), 1u) << c.html;
        EXPECT_EQ(links.links[0].url, c.url) << c.html;
    }
    PageReadLimits limits;
    limits.textBytes = 10;
    const PageLinks titled = extractPageLinks(
        "<title>  caf\xC3\xA9 \n au   lait" + std::string(4 << 20, 'x') + "</title><a href=x.htm>",
        "http://h/", limits);
    EXPECT_EQ(titled.title, "caf\xC3\xA9 au l");
    EXPECT_EQ(titled.links.size(), 1u);
}

TEST(PageLinks, AStopEndsTheParseBetweenPieces) {
    std::string html;
    int i = 0;
    while (html.size() < 65536 - 40) {
        html += "<a href=\"p" + std::to_string(i++) + ".htm\">x</a>";
    }
    // Pieces of 64 KiB would end inside this value.
    html += "<a href=\"" + std::string(80, 'q') + ".htm\">x</a>";
    while (i < 100000) {
        html += "<a href=\"p" + std::to_string(i++) + ".htm\">x</a>";
    }
    int asked = 0;
    PageReadLimits limits;
    limits.stop = [&] { return ++asked > 2; };
    const PageLinks links = extractPageLinks(html, "http://h/", limits);
    EXPECT_TRUE(links.stopped);
    EXPECT_LT(links.readBytes, html.size());
    EXPECT_LT(links.links.size(), 100000u / 4);
    // Every link of the pieces read is taken, wherever the pieces end: a piece that ended
    // inside a quoted value once left libxml2 parsing nothing more until the page's end.
    std::size_t whole = 0;
    for (std::size_t at = html.find("</a>"); at != std::string::npos && at < links.readBytes;
         at = html.find("</a>", at + 1)) {
        ++whole;
    }
    EXPECT_GE(links.links.size() + 1, whole);
}

TEST(PageLinks, RobotsDirectiveLists) {
    EXPECT_TRUE(robotsDirectiveHolds(" max-snippet:20 , noindex ", "noindex"));
    EXPECT_FALSE(robotsDirectiveHolds("noindexing", "noindex"));
    EXPECT_TRUE(robotsDirectiveHolds("NONE", "nofollow"));
}

TEST(PageLinks, TheFirstDescriptionFoldedDecodedAndKeptToItsBound) {
    PageReadLimits limits;
    limits.textBytes = 11;
    const PageLinks page = extractPageLinks(
        "<meta name=robots content=noindex><META NAME=' Description ' CONTENT='  Caf&eacute;\n"
        "  bread   and more'><meta name=description content=second>",
        "http://host/", limits);
    EXPECT_EQ(page.description, "Caf\xC3\xA9 bread");
    EXPECT_TRUE(page.noindex);
    EXPECT_EQ(extractPageLinks("<meta name=keywords content=x>", "http://host/").description, "");
}

TEST(PageLinks, WhatThePageLoadsResolvedAfterItsBase) {
    const PageLinks page = extractPageLinks(
        "<link rel=stylesheet href=a.css><link rel='shortcut icon' href=/i.ico>"
        "<link rel=next href=next.htm><img src=p.png><IMG alt=none><script src=s.js></script>"
        "<iframe src='javascript:x'></iframe><video><source src=v.webm></video>"
        "<base href=http://cdn/b/>",
        "http://host/dir/");
    EXPECT_EQ(page.resources, (std::vector<std::string>{"http://cdn/b/a.css", "http://cdn/i.ico",
                                                        "http://cdn/b/p.png", "http://cdn/b/s.js",
                                                        "http://cdn/b/v.webm"}));
    EXPECT_TRUE(page.links.empty());
}

}  // namespace
}  // namespace farrow::crawl
