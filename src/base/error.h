#pragma once

#include <string>

namespace farrow::base {

enum class ErrorCode {
    None,
    // The file is not there.
    NotFound,
    // The file is there but could not be opened (permissions, a directory in its place).
    OpenFailed,
    ReadFailed,
    // Creating, writing or flushing failed (a full disk shows here).
    WriteFailed,
    // The file was read but is not of the kind asked for.
    WrongFormat,
};

// What went wrong and why, in the words of the layer that saw it (the system's reason text).
struct Error {
    ErrorCode code = ErrorCode::None;
    std::string reason;

    explicit operator bool() const { return code != ErrorCode::None; }
};

}  // namespace farrow::base
