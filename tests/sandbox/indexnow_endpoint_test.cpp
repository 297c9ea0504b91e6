#include "sandbox/indexnow_endpoint.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "sandbox/demo_key.h"
#include "sandbox/sandbox_server.h"
#include "support/temp_workspace.h"

namespace farrow::sandbox {
namespace {

constexpr const char* kJsonType = "application/json; charset=utf-8";

class IndexNowEndpointTest : public ::testing::Test {
protected:
    IndexNowEndpointTest() : server_(SandboxSettings{}, log_) {
        std::ofstream(caFile()) << server_.authorityPem();
        server_.start();
    }

    std::filesystem::path caFile() const { return workspace_.path() / "ca.pem"; }
    std::string site() const { return "http://127.0.0.1:" + std::to_string(server_.httpPort()); }
    std::string secureSite() const {
        return "https://127.0.0.1:" + std::to_string(server_.httpsPort());
    }
    std::string host() const { return "127.0.0.1:" + std::to_string(server_.httpPort()); }

    // A client of the HTTPS server that trusts the sandbox's authority and nothing else.
    httplib::Client client() const {
        httplib::Client c(secureSite());
        c.set_ca_cert_path(caFile().string());
        c.enable_server_certificate_verification(true);
        c.set_read_timeout(std::chrono::seconds(10));
        return c;
    }

    std::string announcement(const std::string& key, const std::vector<std::string>& urls,
                             const std::string& keyLocation = "") const {
        nlohmann::json body{{"host", host()}, {"key", key}, {"urlList", urls}};
        if (!keyLocation.empty()) {
            body["keyLocation"] = keyLocation;
        }
        return body.dump();
    }

    test::TempWorkspace workspace_;
    std::ostringstream log_;
    SandboxServer server_;
};

struct Case {
    std::string what;
    std::string method;
    std::string target;
    std::string contentType;
    std::string body;
    int status;
    std::string answerHolds;
};

TEST_F(IndexNowEndpointTest, RefusesEveryFaultWithItsOwnStatusAndSaysWhy) {
    const std::string page = site() + "/site/breads.htm";
    const std::string key = kDemoKey;
    std::vector<std::string> tooMany(10001, page);
    const std::vector<Case> cases = {
        {"no charset", "POST", "/indexnow", "application/json", announcement(key, {page}), 400,
         "Content-Type"},
        {"text", "POST", "/indexnow", "text/plain; charset=utf-8", announcement(key, {page}), 400,
         "Content-Type"},
        {"broken JSON", "POST", "/indexnow", kJsonType, "{\"host\":", 400, "no JSON object"},
        {"JSON list", "POST", "/indexnow", kJsonType, "[\"" + page + "\"]", 400, "JSON object"},
        {"no urlList", "POST", "/indexnow", kJsonType,
         nlohmann::json{{"host", host()}, {"key", key}}.dump(), 400, "urlList"},
        {"empty urlList", "POST", "/indexnow", kJsonType, announcement(key, {}), 400, "urlList"},
        {"number in urlList", "POST", "/indexnow", kJsonType,
         nlohmann::json{{"host", host()}, {"key", key}, {"urlList", {1}}}.dump(), 400,
         "only strings"},
        {"junk URL", "POST", "/indexnow", kJsonType, announcement(key, {page, "breads.htm"}), 400,
         "breads.htm"},
        {"ftp URL", "POST", "/indexnow", kJsonType, announcement(key, {"ftp://127.0.0.1/x"}), 400,
         "ftp://"},
        {"10,001 URLs", "POST", "/indexnow", kJsonType, announcement(key, tooMany), 400,
         "at most 10000"},
        {"key of 7", "POST", "/indexnow", kJsonType, announcement("abc1234", {page}), 422,
         "8 to 128"},
        {"key with _", "POST", "/indexnow", kJsonType, announcement("abcd_1234", {page}), 422,
         "8 to 128"},
        {"key of 129", "POST", "/indexnow", kJsonType, announcement(std::string(129, 'k'), {page}),
         422, "8 to 128"},
        {"other host", "POST", "/indexnow", kJsonType,
         announcement(key, {page, "http://127.0.0.2:" + std::to_string(server_.httpPort()) + "/"}),
         422, "does not belong to"},
        {"other port", "POST", "/indexnow", kJsonType,
         announcement(key, {secureSite() + "/site/breads.htm"}), 422, "does not belong to"},
        {"outside the key's folder", "POST", "/indexnow", kJsonType,
         announcement(key, {site() + "/site/ring/east.htm", page},
                      site() + "/site/ring/" + demoKeyFileName()),
         422, "outside the key file's folder"},
        {"key location elsewhere", "POST", "/indexnow", kJsonType,
         announcement(key, {page}, "http://127.0.0.2/" + demoKeyFileName()), 422, "key location"},
        {"no key file", "POST", "/indexnow", kJsonType, announcement("abcdefgh12345678", {page}),
         403, "abcdefgh12345678.txt answered 404"},
        {"page that is not the key", "POST", "/indexnow", kJsonType,
         announcement(key, {page}, site() + "/site/index.htm"), 403, "does not hold the key"},
        {"redirected key file", "POST", "/indexnow", kJsonType,
         announcement(key, {site() + "/moved"}, site() + "/moved"), 403, "answered 302"},
        // Never fetched: the sandbox reaches nothing beyond itself.
        {"foreign site", "POST", "/indexnow", kJsonType,
         nlohmann::json{
             {"host", "www.example.com"}, {"key", key}, {"urlList", {"https://www.example.com/"}}}
             .dump(),
         403, "not on this sandbox"},
        {"GET without key", "GET", "/indexnow?url=" + httplib::detail::encode_query_param(page), "",
         "", 400, "required"},
        {"GET with a bad key", "GET",
         "/indexnow?url=" + httplib::detail::encode_query_param(page) + "&key=short", "", "", 422,
         "8 to 128"},
        {"PUT", "PUT", "/indexnow", kJsonType, announcement(key, {page}), 405, "PUT"},
        {"busy GET", "GET", "/indexnow-busy?url=x&key=" + key, "", "", 429, "try again"},
        {"busy POST", "POST", "/indexnow-busy", kJsonType, announcement(key, {page}), 429,
         "try again"},
    };
    httplib::Client c = client();
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.what);
        httplib::Result res = tc.method == "GET" ? c.Get(tc.target.c_str())
                              : tc.method == "PUT"
                                  ? c.Put(tc.target.c_str(), tc.body, tc.contentType.c_str())
                                  : c.Post(tc.target.c_str(), tc.body, tc.contentType.c_str());
        ASSERT_TRUE(res) << httplib::to_string(res.error());
        EXPECT_EQ(res->status, tc.status) << res->body;
        EXPECT_NE(res->body.find(tc.answerHolds), std::string::npos) << res->body;
        // The reason is one line of JSON, as a client shows it.
        EXPECT_FALSE(nlohmann::json::parse(res->body, nullptr, false).is_discarded());
        EXPECT_EQ(res->body.find('\n'), std::string::npos);
        if (tc.status == 429) {
            EXPECT_EQ(res->get_header_value("Retry-After"), "1");
        }
    }
    EXPECT_NE(log_.str().find("https POST /indexnow-busy ("), std::string::npos) << log_.str();
    EXPECT_NE(log_.str().find("indexnow answers 422 for 2 URL(s) of " + host()), std::string::npos)
        << log_.str();
}

TEST_F(IndexNowEndpointTest, AcceptsTheDemoKeyPendingTheFirstTimeAndAtOnceAfter) {
    httplib::Client c = client();
    const std::string pages[] = {site() + "/site/index.htm", site() + "/site/breads.htm"};
    // The key file fetched over HTTPS, as the key location says; a folder's URLs only.
    const std::string secureHost = "127.0.0.1:" + std::to_string(server_.httpsPort());
    const nlohmann::json overHttps{{"host", secureHost},
                                   {"key", kDemoKey},
                                   {"keyLocation", secureSite() + "/" + demoKeyFileName()},
                                   {"urlList", {secureSite() + "/site/cakes.htm"}}};
    httplib::Result first = c.Post("/indexnow", overHttps.dump(), kJsonType);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, 202) << first->body;

    httplib::Result again =
        c.Post("/indexnow", announcement(kDemoKey, {pages[0], pages[1]}), kJsonType);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 200) << again->body;
    // One URL by GET; the host comes from the URL, and any case of the charset will do.
    httplib::Result one = c.Get(("/indexnow?url=" + httplib::detail::encode_query_param(pages[1]) +
                                 "&key=" + std::string(kDemoKey))
                                    .c_str());
    ASSERT_TRUE(one);
    EXPECT_EQ(one->status, 200) << one->body;
    httplib::Result upper =
        c.Post("/indexnow", announcement(kDemoKey, {pages[0]}), "Application/JSON;Charset=UTF-8");
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->status, 200) << upper->body;

    EXPECT_NE(log_.str().find("http GET /" + demoKeyFileName() + ": demo site's key file"),
              std::string::npos)
        << log_.str();
    EXPECT_NE(log_.str().find("https GET /" + demoKeyFileName()), std::string::npos);
    EXPECT_NE(log_.str().find("indexnow answers 202 for 1 URL(s) of " + secureHost),
              std::string::npos);
}

// libcurl, as the announcing client uses it, with a CA file of its own beside nothing else.
long curlStatus(const std::string& url, const std::string& caFile, std::string& reason,
                const std::string& resolve = "") {
    CURL* handle = curl_easy_init();
    curl_slist* names = resolve.empty() ? nullptr : curl_slist_append(nullptr, resolve.c_str());
    curl_easy_setopt(handle, CURLOPT_RESOLVE, names);
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, 10000L);
    curl_easy_setopt(handle, CURLOPT_CAINFO, caFile.empty() ? nullptr : caFile.c_str());
    curl_easy_setopt(handle, CURLOPT_CAPATH, nullptr);
    curl_easy_setopt(
        handle, CURLOPT_WRITEFUNCTION,
        +[](char*, std::size_t size, std::size_t count, void*) { return size * count; });
    long status = 0;
    const CURLcode rc = curl_easy_perform(handle);
    reason = curl_easy_strerror(rc);
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(handle);
    curl_slist_free_all(names);
    return rc == CURLE_OK ? status : -1;
}

TEST_F(IndexNowEndpointTest, CertificateHoldsFor127001OnlyWithTheSandboxesAuthority) {
    std::string reason;
    EXPECT_EQ(curlStatus(secureSite() + "/indexnow-busy", caFile().string(), reason), 429)
        << reason;
    // The system's store knows nothing of the sandbox.
    EXPECT_EQ(curlStatus(secureSite() + "/indexnow-busy", "", reason), -1);
    // Signed for the address, not for a name that leads there.
    const std::string port = std::to_string(server_.httpsPort());
    EXPECT_EQ(curlStatus("https://sandbox.test:" + port + "/accept", caFile().string(), reason,
                         "sandbox.test:" + port + ":127.0.0.1"),
              -1);
    EXPECT_NE(reason.find("SSL"), std::string::npos) << reason;
    httplib::Client untrusting(secureSite());
    untrusting.enable_server_certificate_verification(true);
    untrusting.set_ca_cert_path((workspace_.path() / "none.pem").string());
    EXPECT_FALSE(untrusting.Get("/accept"));
    // Both schemes carry every route, the demo key file among them.
    httplib::Result keyFile = client().Get(("/" + demoKeyFileName()).c_str());
    ASSERT_TRUE(keyFile);
    EXPECT_EQ(keyFile->body, kDemoKey);
    EXPECT_EQ(httplib::Client(site()).Get(("/" + demoKeyFileName()).c_str())->body, kDemoKey);
}

}  // namespace
}  // namespace farrow::sandbox
