#pragma once

#include <filesystem>
#include <string>

#include "base/workspace.h"

namespace farrow::test {

// A fresh directory that becomes the current directory for the test's lifetime; the program
// reads and writes its files there. Removed afterwards.
class TempWorkspace final {
public:
    TempWorkspace();
    ~TempWorkspace();
    TempWorkspace(const TempWorkspace&) = delete;
    TempWorkspace& operator=(const TempWorkspace&) = delete;

    const std::filesystem::path& path() const { return path_; }
    base::Workspace workspace() const { return base::Workspace(path_.string()); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    void write(const std::string& name, const std::string& content) const;
    std::string read(const std::string& name) const;

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

}  // namespace farrow::test
