#pragma once

#include <string>
#include <vector>

namespace farrow::optimizer {

inline constexpr int kMirrorCopyCount = 5;

// The name of mirror copy `number`: the number in two digits before the last "." of the path
// ("page.htm" -> "page01.htm"), or in front of the whole path when it holds no ".".
std::string mirrorCopyPath(const std::string& page, int number);

enum class CopyOutcome {
    Written,
    // A file of that name was there already and is left untouched.
    Kept,
    // The page could not be read or the copy not be written; nothing is left behind.
    Skipped,
};

struct MirrorCopy {
    std::string path;
    CopyOutcome outcome = CopyOutcome::Skipped;
    // Why a copy was skipped, with the system's reason.
    std::string reason;
};

// Writes mirror copies 1 to 5 of `page`, in that order, line by line: every line of a copy ends
// with a line feed, a carriage return before a line feed is dropped, and lines of any length are
// copied whole. An existing copy is never overwritten.
std::vector<MirrorCopy> writeMirrorCopies(const std::string& page);

}  // namespace farrow::optimizer
