#include "support/test_certificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>

namespace farrow::test {

namespace {

template <auto Free>
struct Freer {
    template <typename T>
    void operator()(T* p) const {
        Free(p);
    }
};

void addExtension(X509* cert, int nid, const std::string& value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    std::unique_ptr<X509_EXTENSION, Freer<X509_EXTENSION_free>> ext(
        X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str()));
    if (!ext || X509_add_ext(cert, ext.get(), -1) != 1) {
        throw std::runtime_error("cannot add a certificate extension");
    }
}

void writePem(const std::filesystem::path& file, const std::function<int(FILE*)>& write) {
    std::unique_ptr<FILE, Freer<std::fclose>> f(std::fopen(file.c_str(), "w"));
    if (!f || write(f.get()) != 1) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

}  // namespace

TestCertificate makeTestCertificate(const std::filesystem::path& dir,
                                    const std::string& ipAddress) {
    std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY_free>> key(EVP_EC_gen("P-256"));
    std::unique_ptr<X509, Freer<X509_free>> cert(X509_new());
    if (!key || !cert) {
        throw std::runtime_error("cannot make a test key");
    }
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 7L * 24 * 3600);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(ipAddress.c_str()), -1, -1,
                               0);
    X509_set_issuer_name(cert.get(), name);
    addExtension(cert.get(), NID_basic_constraints, "critical,CA:TRUE");
    addExtension(cert.get(), NID_subject_alt_name, "IP:" + ipAddress);
    if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) {
        throw std::runtime_error("cannot sign the test certificate");
    }
    std::filesystem::create_directories(dir);
    TestCertificate out{(dir / "test-cert.pem").string(), (dir / "test-key.pem").string()};
    writePem(out.certFile, [&](FILE* f) { return PEM_write_X509(f, cert.get()); });
    writePem(out.keyFile, [&](FILE* f) {
        return PEM_write_PrivateKey(f, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
    return out;
}

}  // namespace farrow::test
