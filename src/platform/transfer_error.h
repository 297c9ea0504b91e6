#pragma once

#include <string>

namespace farrow::platform {

// Why a transfer (mail, FTP, HTTP) failed, sorted so that callers and tests can tell the cases
// apart without reading the text.
enum class TransferErrorCode {
    None,
    // The server setting or address cannot be used as it is written.
    BadAddress,
    NameNotResolved,
    ConnectFailed,
    SendFailed,
    ReceiveFailed,
    // The peer stayed silent, or the whole exchange ran past its limit.
    TimedOut,
    // The peer closed the connection before it had answered.
    ConnectionClosed,
    // The server answered, but not with what was required (a refused login, a wrong reply code).
    Refused,
    // A remote file or folder is missing.
    NotFound,
    // A local file could not be written.
    LocalFileFailed,
    // The peer sent more than the program takes (a listing, a file past its bound).
    TooLarge,
};

// A code and the reason as the platform or the server put it; `None` with no reason when all
// went well.
struct TransferError {
    TransferErrorCode code = TransferErrorCode::None;
    std::string reason;

    bool failed() const { return code != TransferErrorCode::None; }
};

}  // namespace farrow::platform
