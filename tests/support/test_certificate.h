#pragma once

#include <filesystem>
#include <string>

namespace farrow::test {

// A self-signed certificate for 127.0.0.1 made at run time, written as PEM files into `dir`:
// the certificate doubles as the CA file a client trusts.
struct TestCertificate {
    std::string certFile;
    std::string keyFile;
};

// `ipAddress` is the host the certificate is for.
TestCertificate makeTestCertificate(const std::filesystem::path& dir,
                                    const std::string& ipAddress = "127.0.0.1");

}  // namespace farrow::test
