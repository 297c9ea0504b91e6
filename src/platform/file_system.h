#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace farrow::platform {

// Appends text at the end of a file, creating it when missing; a file that cannot be opened is
// skipped. Appends to one file from several threads (or processes) never interleave. False, with
// errno set, when the file could not be opened or not all of the text was written.
bool appendTextToFile(const std::string& path, const std::string& text);

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file with fopen's `mode`; null with errno set when it cannot be opened.
FilePtr openFile(const std::string& path, const char* mode);

bool fileExists(const std::string& path);
std::optional<std::uintmax_t> fileSize(const std::string& path);
// Deleting a missing file is no error.
void removeFile(const std::string& path);
// Creating an existing directory is no error.
bool makeDirectory(const std::string& path);
std::string currentDirectory();
// Joins a directory and a file name with the host's separator.
std::string joinPath(const std::string& dir, const std::string& name);
// The system's reason for the last failed call, with its number: "No such file or directory (2)".
std::string systemReason(int errorNumber);

}  // namespace farrow::platform
