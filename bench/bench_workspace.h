#pragma once
// A workspace for farrowctl with a sites database of loopback targets and a profile choosing
// them all.

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "sites/site_line_codec.h"
#include "support/site_lines.h"

namespace farrow::bench {

class BenchWorkspace final {
public:
    explicit BenchWorkspace(const std::string& name)
        : path_(std::filesystem::temp_directory_path() / name) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~BenchWorkspace() { std::filesystem::remove_all(path_); }
    BenchWorkspace(const BenchWorkspace&) = delete;
    BenchWorkspace& operator=(const BenchWorkspace&) = delete;

    std::string path() const { return path_.string(); }

    void write(const std::string& name, const std::string& text) const {
        std::ofstream(path_ / name, std::ios::binary) << text;
    }

    // "sites.enc" with one GET target per {name, address} and "p.fl2" choosing every one.
    void writeTargets(const std::vector<std::pair<std::string, std::string>>& targets) const {
        std::string sites;
        std::vector<std::string> names;
        for (const auto& [name, url] : targets) {
            sites +=
                sites::encodeSiteLine(test::plainSiteLine(name, "GET", url, {{17, "t="}})) + "\n";
            names.push_back(name);
        }
        write("sites.enc", sites);
        write("p.fl2", test::profileFileText(names));
    }

    // The one file directly in `folder` whose name ends with `suffix`, or empty.
    std::string find(const std::string& folder, const std::string& suffix) const {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(path_ / folder, ec)) {
            const std::string name = entry.path().string();
            if (name.size() >= suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
                return name;
            }
        }
        return {};
    }

private:
    std::filesystem::path path_;
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace farrow::bench
