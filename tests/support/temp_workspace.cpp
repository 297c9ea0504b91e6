#include "support/temp_workspace.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace farrow::test {

TempWorkspace::TempWorkspace() {
    std::string pattern = (std::filesystem::temp_directory_path() / "farrow-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempWorkspace::~TempWorkspace() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

WorkingDirectory::WorkingDirectory(const std::filesystem::path& dir)
    : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
}

WorkingDirectory::~WorkingDirectory() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
}

void TempWorkspace::write(const std::string& name, const std::string& content) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out << content;
}

std::string TempWorkspace::read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace farrow::test
