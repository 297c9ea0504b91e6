#include "crawl/page_memory.h"

#include <openssl/evp.h>

#include <memory>

namespace farrow::crawl {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

struct DigestFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

}  // namespace

std::string pageFingerprint(std::string_view body) {
    std::unique_ptr<EVP_MD_CTX, DigestFree> ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) {
        return {};
    }
    // The folded text goes to the digest in pieces, never whole.
    char piece[16 * 1024];
    std::size_t used = 0;
    const auto put = [&](char c) {
        if (used == sizeof piece) {
            EVP_DigestUpdate(ctx.get(), piece, used);
            used = 0;
        }
        piece[used++] = c;
    };
    bool space = false;
    bool any = false;
    for (const char c : body) {
        if (isSpace(c)) {
            space = any;
            continue;
        }
        if (space) {
            put(' ');
            space = false;
        }
        put(c);
        any = true;
    }
    EVP_DigestUpdate(ctx.get(), piece, used);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(ctx.get(), digest, &size) != 1) {
        return {};
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(size * 2);
    for (unsigned int i = 0; i < size; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0xf];
    }
    return hex;
}

std::vector<std::string> conditionalHeaders(const PageReading& known) {
    std::vector<std::string> headers;
    if (!known.etag.empty()) {
        headers.push_back("If-None-Match: " + known.etag);
    }
    if (!known.lastModified.empty()) {
        headers.push_back("If-Modified-Since: " + known.lastModified);
    }
    return headers;
}

void takeValidators(const platform::WebResponse& answer, std::size_t maxBytes,
                    PageReading& reading) {
    // A 304 need not repeat them: what was known stays.
    for (const auto& [name, field] :
         {std::pair{"etag", &reading.etag}, std::pair{"last-modified", &reading.lastModified}}) {
        const std::string value = answer.header(name);
        if (!value.empty() && value.size() <= maxBytes) {
            *field = value;
        }
    }
}

}  // namespace farrow::crawl
