#pragma once

#include <mutex>
#include <ostream>
#include <string>

namespace farrow::sandbox {

// One line per request the sandbox gets, stamped with the local time; written whole even when
// several server threads log at once.
class RequestLog final {
public:
    explicit RequestLog(std::ostream& out) : out_(out) {}

    void line(const std::string& text);

private:
    std::mutex mutex_;
    std::ostream& out_;
};

}  // namespace farrow::sandbox
