#include "google/service_account.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>

#include "platform/file_system.h"

namespace farrow::google {

namespace {

LoadedAccount refuse(base::ErrorCode code, std::string reason) {
    return {std::nullopt, {code, std::move(reason)}, {}};
}

std::string field(const nlohmann::json& json, const char* name) {
    const auto it = json.find(name);
    return it != json.end() && it->is_string() ? it->get<std::string>() : std::string();
}

bool privateKeyLoads(const std::string& pem) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(
        BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free);
    if (!bio) {
        return false;
    }
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr), &EVP_PKEY_free);
    return key && EVP_PKEY_is_a(key.get(), "RSA");
}

}  // namespace

LoadedAccount readServiceAccount(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return refuse(base::ErrorCode::NotFound, "no credentials file \"" + path + "\"");
    }
    if (!S_ISREG(info.st_mode) || info.st_size > static_cast<off_t>(kMaxKeyFileBytes)) {
        return refuse(base::ErrorCode::WrongFormat,
                      "\"" + path + "\" is no service account's key file");
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    if (!in && !in.eof()) {
        return refuse(base::ErrorCode::OpenFailed,
                      "cannot read the credentials file \"" + path + "\"");
    }
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_object() || field(json, "type") != "service_account") {
        return refuse(base::ErrorCode::WrongFormat,
                      "\"" + path +
                          "\" is no service account's key file (\"type\" is not "
                          "\"service_account\")");
    }
    ServiceAccount account{field(json, "client_email"), field(json, "private_key"),
                           field(json, "private_key_id"), field(json, "token_uri")};
    for (const auto& [name, value] : {std::pair{"client_email", &account.clientEmail},
                                      std::pair{"private_key", &account.privateKeyPem},
                                      std::pair{"private_key_id", &account.privateKeyId},
                                      std::pair{"token_uri", &account.tokenUri}}) {
        if (value->empty()) {
            return refuse(base::ErrorCode::WrongFormat,
                          "the credentials file \"" + path + "\" has no \"" + name + "\"");
        }
    }
    if (!account.tokenUri.starts_with("https://") && !account.tokenUri.starts_with("http://")) {
        return refuse(base::ErrorCode::WrongFormat,
                      "the credentials file \"" + path + "\": \"token_uri\" is no web address");
    }
    if (!privateKeyLoads(account.privateKeyPem)) {
        return refuse(base::ErrorCode::WrongFormat,
                      "the credentials file \"" + path +
                          "\": its private key is broken (no RSA key in PEM form)");
    }
    LoadedAccount loaded{std::move(account), {}, {}};
    if ((info.st_mode & (S_IRGRP | S_IROTH)) != 0) {
        loaded.warning = "others than its owner may read the credentials file \"" + path +
                         "\"; make it private with: chmod 600 " + path;
    }
    return loaded;
}

std::string defaultCredentialsPath(const base::Workspace& workspace) {
    return platform::joinPath(workspace.root(), "google-credentials.json");
}

std::string credentialsPath(const std::string& option, const std::string& environment,
                            const base::Workspace& workspace) {
    if (!option.empty()) {
        return option;
    }
    return environment.empty() ? defaultCredentialsPath(workspace) : environment;
}

}  // namespace farrow::google
