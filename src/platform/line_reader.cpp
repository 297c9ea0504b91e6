#include "platform/line_reader.h"

namespace farrow::platform {

bool LineReader::readLine(std::string& line) {
    line.clear();
    int c = std::getc(file_);
    if (c == EOF) {
        return false;
    }
    while (c != EOF) {
        if (c == '\n') {
            break;
        }
        if (c == '\r') {
            std::getc(file_);
            break;
        }
        line.push_back(static_cast<char>(c));
        c = std::getc(file_);
    }
    return true;
}

}  // namespace farrow::platform
