#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace farrow::sandbox {

// A certificate authority of its own, made fresh at each start, and a server certificate for
// 127.0.0.1 signed by it. Clients trust the sandbox by trusting the authority's PEM, which
// nothing else on the machine has signed with.
class TlsIdentity final {
public:
    // Makes both key pairs and certificates; `error()` says what failed.
    TlsIdentity();

    bool valid() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // The server's certificate and key, kept by this object (the TLS server takes references).
    X509* certificate() const { return certificate_.get(); }
    EVP_PKEY* key() const { return key_.get(); }
    // The authority's certificate as PEM text, for a client's CA file.
    const std::string& authorityPem() const { return authorityPem_; }
    // A new store trusting only the authority; whoever takes it frees it.
    X509_STORE* newTrustStore() const;

private:
    struct FreeKey {
        void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
    };
    struct FreeCertificate {
        void operator()(X509* certificate) const { X509_free(certificate); }
    };

    std::unique_ptr<EVP_PKEY, FreeKey> authorityKey_;
    std::unique_ptr<X509, FreeCertificate> authority_;
    std::unique_ptr<EVP_PKEY, FreeKey> key_;
    std::unique_ptr<X509, FreeCertificate> certificate_;
    std::string authorityPem_;
    std::string error_;
};

}  // namespace farrow::sandbox
