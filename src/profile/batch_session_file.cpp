#include "profile/batch_session_file.h"

#include <cerrno>
#include <cstdio>

#include "platform/file_system.h"

namespace farrow::profile {

namespace {

FileError errorFrom(int code) {
    return {code, platform::systemReason(code)};
}

// The next line of `text`, without its LF and one CR before it; false at the end of the text.
bool nextLine(std::string_view& text, std::string& line) {
    if (text.empty()) {
        return false;
    }
    const std::size_t end = text.find('\n');
    std::string_view l = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (end != std::string_view::npos && !l.empty() && l.back() == '\r') {
        l.remove_suffix(1);
    }
    line.assign(l);
    return true;
}

// The workspace's root as the paths inside it begin, without a last "/".
std::string rootOf(const base::Workspace& workspace) {
    std::string root = workspace.root();
    while (root.size() > 1 && root.back() == '/') {
        root.pop_back();
    }
    return root;
}

}  // namespace

std::string formatBatchSession(const std::vector<BatchEntry>& entries) {
    std::string out;
    for (const BatchEntry& e : entries) {
        out += e.path + "\r\n" + e.name + "\r\n";
    }
    out += std::string(kBatchEnd) + "\r\n";
    return out;
}

std::vector<BatchEntry> parseBatchSession(std::string_view text) {
    std::vector<BatchEntry> entries;
    std::string path;
    while (nextLine(text, path) && path != kBatchEnd) {
        BatchEntry entry{path, std::string()};
        if (!nextLine(text, entry.name)) {
            entry.name = fileNamePart(path);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string formatBatchRunFile(const std::vector<std::string>& paths) {
    std::string out;
    for (const std::string& p : paths) {
        out += p + "\r\n";
    }
    out += std::string(kBatchEnd) + "\r\n";
    return out;
}

std::optional<FileError> writeTextFile(const std::string& path, const std::string& content) {
    if (!platform::writeWholeFile(path, content)) {
        return errorFrom(errno);
    }
    return std::nullopt;
}

std::vector<BatchEntry> entriesForSession(std::vector<BatchEntry> entries,
                                          const base::Workspace& workspace) {
    const std::string root = rootOf(workspace);
    if (root.empty() || root.front() != '/') {
        return entries;
    }
    const std::string inside = root == "/" ? root : root + "/";
    for (BatchEntry& e : entries) {
        if (e.path.size() > inside.size() && e.path.compare(0, inside.size(), inside) == 0) {
            e.path.erase(0, inside.size());
        }
    }
    return entries;
}

SessionRead readBatchSession(const std::string& path, const base::Workspace& workspace) {
    SessionRead result;
    platform::FilePtr file = platform::openFile(path, "rb");
    if (!file) {
        result.error = errorFrom(errno);
        return result;
    }
    std::string content;
    errno = 0;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        content.append(buffer, n);
    }
    if (std::ferror(file.get()) != 0) {
        result.error = errorFrom(errno != 0 ? errno : EIO);
        return result;
    }
    result.entries = parseBatchSession(content);
    const std::string root = rootOf(workspace);
    for (BatchEntry& e : result.entries) {
        if (!e.path.empty() && e.path.front() != '/' && !root.empty()) {
            e.path = root == "/" ? root + e.path : root + "/" + e.path;
        }
    }
    return result;
}

}  // namespace farrow::profile
