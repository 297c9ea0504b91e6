#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace farrow::platform {

// Appends text at the end of a file, creating it when missing; a file that cannot be opened is
// skipped. Appends to one file from several threads (or processes) never interleave, and a text
// goes in whole or not at all: when the disk fills in the middle, the file is cut back to where
// the text began. False, with errno set, when the file could not be opened or the text was not
// written.
bool appendTextToFile(const std::string& path, const std::string& text);

// Saves `content` as the whole of the file `path`, replacing it. The text goes to a temporary
// file beside it first, which is then renamed over `path`, so `path` is either the old file or
// the new one, never a cut one; the temporary is removed when anything fails. False, with errno
// set, on failure.
bool writeWholeFile(const std::string& path, const std::string& content);

// The same, but never replaces a file: when `path` exists already, nothing is written and errno
// is EEXIST.
bool createWholeFile(const std::string& path, const std::string& content);

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file with fopen's `mode`; null with errno set when it cannot be opened.
FilePtr openFile(const std::string& path, const char* mode);

bool fileExists(const std::string& path);
// Whether `path` is there but no regular file (a FIFO, a device, a folder): a reader must not
// open it, since a FIFO blocks the open until someone writes to it.
bool isThereButNotRegular(const std::string& path);
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
