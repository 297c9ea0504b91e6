#include "sandbox/tls_identity.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <array>
#include <utility>
#include <vector>

namespace farrow::sandbox {

namespace {

constexpr long kHour = 60L * 60L;
constexpr long kYear = 365L * 24L * kHour;

std::string openSslReason(const std::string& what) {
    const unsigned long code = ERR_get_error();
    if (code == 0) {
        return what;
    }
    std::array<char, 256> text{};
    ERR_error_string_n(code, text.data(), text.size());
    ERR_clear_error();
    return what + ": " + text.data();
}

// A random serial, so that two sandboxes' certificates never look alike to a client.
bool setRandomSerial(X509* certificate) {
    std::array<unsigned char, 16> bytes{};
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        return false;
    }
    bytes[0] &= 0x7f;  // positive
    BIGNUM* number = BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr);
    const bool ok = number != nullptr &&
                    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate)) != nullptr;
    BN_free(number);
    return ok;
}

bool setCommonName(X509_NAME* name, const char* commonName) {
    return X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                                      reinterpret_cast<const unsigned char*>("Farrowlane sandbox"),
                                      -1, -1, 0) == 1 &&
           X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                      reinterpret_cast<const unsigned char*>(commonName), -1, -1,
                                      0) == 1;
}

bool addExtensions(X509* certificate, X509* issuer,
                   const std::vector<std::pair<int, const char*>>& extensions) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    for (const auto& [nid, value] : extensions) {
        X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
        if (extension == nullptr) {
            return false;
        }
        const bool added = X509_add_ext(certificate, extension, -1) == 1;
        X509_EXTENSION_free(extension);
        if (!added) {
            return false;
        }
    }
    return true;
}

// A certificate for `key` named `commonName`, valid from an hour ago (clocks differ) for a
// year, signed by `issuerKey` as `issuer` (itself when null).
X509* makeCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey,
                      const std::vector<std::pair<int, const char*>>& extensions) {
    X509* certificate = X509_new();
    if (certificate == nullptr) {
        return nullptr;
    }
    X509* signer = issuer != nullptr ? issuer : certificate;
    const bool ok = X509_set_version(certificate, 2) == 1 && setRandomSerial(certificate) &&
                    X509_gmtime_adj(X509_getm_notBefore(certificate), -kHour) != nullptr &&
                    X509_gmtime_adj(X509_getm_notAfter(certificate), kYear) != nullptr &&
                    X509_set_pubkey(certificate, key) == 1 &&
                    setCommonName(X509_get_subject_name(certificate), commonName) &&
                    X509_set_issuer_name(certificate, X509_get_subject_name(signer)) == 1 &&
                    addExtensions(certificate, signer, extensions) &&
                    X509_sign(certificate, issuerKey, EVP_sha256()) > 0;
    if (!ok) {
        X509_free(certificate);
        return nullptr;
    }
    return certificate;
}

std::string pemOf(X509* certificate) {
    BIO* bio = BIO_new(BIO_s_mem());
    std::string pem;
    if (bio != nullptr && PEM_write_bio_X509(bio, certificate) == 1) {
        char* data = nullptr;
        const long size = BIO_get_mem_data(bio, &data);
        pem.assign(data, static_cast<std::size_t>(size));
    }
    BIO_free(bio);
    return pem;
}

}  // namespace

TlsIdentity::TlsIdentity() {
    // P-256 keys: made in a moment, and every TLS client takes them.
    authorityKey_.reset(EVP_EC_gen("P-256"));
    key_.reset(EVP_EC_gen("P-256"));
    if (!authorityKey_ || !key_) {
        error_ = openSslReason("cannot make a key pair");
        return;
    }
    authority_.reset(makeCertificate(authorityKey_.get(), "Farrowlane sandbox CA", nullptr,
                                     authorityKey_.get(),
                                     {{NID_basic_constraints, "critical,CA:TRUE"},
                                      {NID_key_usage, "critical,keyCertSign,cRLSign"},
                                      {NID_subject_key_identifier, "hash"}}));
    if (!authority_) {
        error_ = openSslReason("cannot make the sandbox's certificate authority");
        return;
    }
    certificate_.reset(makeCertificate(key_.get(), "127.0.0.1", authority_.get(),
                                       authorityKey_.get(),
                                       {{NID_basic_constraints, "critical,CA:FALSE"},
                                        {NID_key_usage, "critical,digitalSignature"},
                                        {NID_ext_key_usage, "serverAuth"},
                                        {NID_subject_alt_name, "IP:127.0.0.1"},
                                        {NID_subject_key_identifier, "hash"},
                                        {NID_authority_key_identifier, "keyid:always"}}));
    if (!certificate_) {
        error_ = openSslReason("cannot make the sandbox's certificate for 127.0.0.1");
        return;
    }
    authorityPem_ = pemOf(authority_.get());
    if (authorityPem_.empty()) {
        error_ = openSslReason("cannot write the sandbox's certificate authority as PEM");
    }
}

X509_STORE* TlsIdentity::newTrustStore() const {
    X509_STORE* store = X509_STORE_new();
    if (store != nullptr && authority_) {
        X509_STORE_add_cert(store, authority_.get());
    }
    return store;
}

}  // namespace farrow::sandbox
