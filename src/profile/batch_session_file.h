#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/workspace.h"
#include "profile/batch_list.h"

namespace farrow::profile {

inline constexpr const char* kBatchFilterText =
    "Farrowlane Batch Profiles (*.flb)|*.flb|All Files (*.*)|*.*||";
inline constexpr const char* kBatchExtension = "flb";
inline constexpr const char* kBatchEnd = "DATAEND";
inline constexpr const char* kBatchRunFileName = "BATCH.TMP";

// A file that could not be written or read: the system's error number and its reason.
struct FileError {
    int code = 0;
    std::string reason;
};

// A batch session file: a path line and a name line per entry, then "DATAEND"; CR LF ends every
// line.
std::string formatBatchSession(const std::vector<BatchEntry>& entries);

// Reads path/name pairs up to "DATAEND" or the end of the text; lines end at LF, one CR before it
// dropped. A last path whose name line is missing keeps the file name part of the path as name.
std::vector<BatchEntry> parseBatchSession(std::string_view text);

// The batch run file: one line per profile path, then "DATAEND"; CR LF ends every line.
std::string formatBatchRunFile(const std::vector<std::string>& paths);

// Writes `content` as the whole of `path`, replacing it only once all of it is written; nullopt
// when it worked.
std::optional<FileError> writeTextFile(const std::string& path, const std::string& content);

struct SessionRead {
    std::vector<BatchEntry> entries;
    // Set when the file could not be opened or read; `entries` is then empty.
    std::optional<FileError> error;
};

// Reads a batch session file. A relative profile path is taken from `workspace`, not from where
// the program was started, so that a workspace copied to another folder or machine runs its
// sessions there.
SessionRead readBatchSession(const std::string& path, const base::Workspace& workspace);

// The entries as a session file keeps them: the path of a profile inside `workspace` relative to
// it, any other path as it is.
std::vector<BatchEntry> entriesForSession(std::vector<BatchEntry> entries,
                                          const base::Workspace& workspace);

}  // namespace farrow::profile
