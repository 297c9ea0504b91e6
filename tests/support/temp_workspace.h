#pragma once

#include <filesystem>
#include <string>

#include "base/workspace.h"

namespace farrow::test {

// A fresh directory for a test's workspace, handed to the code under test as a `Workspace` or as
// paths; the current directory is left alone. Removed afterwards.
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
    std::filesystem::path path_;
};

// Makes a folder the current directory for a test's lifetime, as a user's shell does for the
// relative names typed to farrowctl or answered in a chooser; only tests of such names use it.
class WorkingDirectory final {
public:
    explicit WorkingDirectory(const std::filesystem::path& dir);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace farrow::test
