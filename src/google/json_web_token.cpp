#include "google/json_web_token.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

namespace farrow::google {

namespace {

std::string openSslReason(const char* what) {
    const unsigned long code = ERR_get_error();
    char text[256] = {};
    if (code != 0) {
        ERR_error_string_n(code, text, sizeof text);
    }
    ERR_clear_error();
    return std::string(what) + (code != 0 ? std::string(": ") + text : std::string());
}

}  // namespace

std::string base64Url(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (const std::size_t rest = bytes.size() - i; rest > 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) {
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        if (rest == 2) {
            out += kAlphabet[(v >> 6) & 63];
        }
    }
    return out;
}

SignedToken signAssertion(const ServiceAccount& account, base::TimePoint now) {
    const long long iat =
        std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    nlohmann::ordered_json header{{"alg", "RS256"}, {"typ", "JWT"}, {"kid", account.privateKeyId}};
    nlohmann::ordered_json claims{{"iss", account.clientEmail},
                                  {"scope", kWebmastersScope},
                                  {"aud", account.tokenUri},
                                  {"iat", iat},
                                  {"exp", iat + kAssertionSeconds}};
    const std::string signingInput = base64Url(header.dump()) + "." + base64Url(claims.dump());

    const std::string& pem = account.privateKeyPem;
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(
        BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free);
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr,
        &EVP_PKEY_free);
    if (!key) {
        return {std::nullopt,
                {base::ErrorCode::WrongFormat, openSslReason("the private key does not load")}};
    }
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    std::size_t length = 0;
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
        EVP_DigestSign(ctx.get(), nullptr, &length,
                       reinterpret_cast<const unsigned char*>(signingInput.data()),
                       signingInput.size()) != 1) {
        return {std::nullopt,
                {base::ErrorCode::WrongFormat, openSslReason("the private key does not sign")}};
    }
    std::vector<unsigned char> signature(length);
    if (EVP_DigestSign(ctx.get(), signature.data(), &length,
                       reinterpret_cast<const unsigned char*>(signingInput.data()),
                       signingInput.size()) != 1) {
        return {std::nullopt,
                {base::ErrorCode::WrongFormat, openSslReason("the private key does not sign")}};
    }
    return {
        signingInput + "." + base64Url({reinterpret_cast<const char*>(signature.data()), length}),
        {}};
}

}  // namespace farrow::google
