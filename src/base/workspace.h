#pragma once

#include <string>
#include <utility>

namespace farrow::base {

// The folder the program works in and the files it keeps there. Made once in each program's
// main from the directory it was started in; everything below takes it from there.
class Workspace {
public:
    explicit Workspace(std::string root) : root_(std::move(root)) {}

    const std::string& root() const { return root_; }
    std::string sitesFile() const { return file("sites.enc"); }
    std::string settingsFile() const { return file("farrow.cfg"); }
    std::string brandingFile() const { return file("sysconfig.fls"); }
    std::string captionsFile() const { return file("messages.cat"); }
    // The window's icon and its start page's picture.
    std::string iconFile() const { return file("icon.ico"); }
    std::string pictureFile() const { return file("SImage.flb"); }
    std::string logsDir() const { return file("LOGS"); }
    std::string errorsDir() const { return file("ERRORS"); }
    std::string batchRunFile() const { return file("BATCH.TMP"); }

private:
    std::string file(const char* name) const {
        return root_.empty() || root_.back() == '/' ? root_ + name : root_ + "/" + name;
    }

    std::string root_;
};

}  // namespace farrow::base
