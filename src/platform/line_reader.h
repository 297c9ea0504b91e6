#pragma once

#include <cstdio>
#include <string>

namespace farrow::platform {

// Reads text lines the way every data file of the program is read: a line ends at a line feed,
// or at a carriage return together with the one character that follows it; a last line without
// a break still counts.
class LineReader final {
public:
    explicit LineReader(std::FILE* file) : file_(file) {}
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False at the end of the file when nothing was left to read.
    bool readLine(std::string& line);
    // True after a read error of the underlying file.
    bool failed() const { return std::ferror(file_) != 0; }

private:
    std::FILE* file_;
};

}  // namespace farrow::platform
