#pragma once

#include <nlohmann/json.hpp>

#include <memory>
#include <ostream>
#include <string>

#include "cli/checked_output.h"

namespace farrow::cli {

// A command's `--report PATH|-`: one JSON object a line, each flushed as it is written, to a
// file appended to or to stdout. While it holds stdout, stdout holds nothing else.
class JsonLinesReport final {
public:
    explicit JsonLinesReport(std::unique_ptr<CheckedOutput> output, bool onStdout);

    void write(const nlohmann::ordered_json& event);
    bool onStdout() const { return onStdout_; }
    CheckedOutput& output() { return *output_; }

private:
    std::unique_ptr<CheckedOutput> output_;
    std::ostream stream_;
    bool onStdout_;
};

// Whether `report` is kept on stdout, in place of the text lines a command would print there.
inline bool reportOnStdout(const JsonLinesReport* report) {
    return report != nullptr && report->onStdout();
}

// Texts are bytes of a single-byte character set: each byte becomes the character of that code.
std::string bytesAsUtf8(const std::string& bytes);

}  // namespace farrow::cli
