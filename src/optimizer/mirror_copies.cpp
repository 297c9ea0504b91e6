#include "optimizer/mirror_copies.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/file_system.h"

namespace farrow::optimizer {

namespace {

// The text of `source` with every line ended by a line feed alone; false with errno set when
// reading fails.
bool readLines(std::FILE* source, std::string& text) {
    char buffer[65536];
    std::string line;
    auto endLine = [&] {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        text += line;
        text.push_back('\n');
        line.clear();
    };
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, source);
        const char* p = buffer;
        const char* end = buffer + n;
        while (p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
            if (!lf) {
                line.append(p, end);
                break;
            }
            line.append(p, lf);
            endLine();
            p = lf + 1;
        }
        if (n < sizeof buffer) {
            break;
        }
    }
    if (std::ferror(source)) {
        return false;
    }
    if (!line.empty()) {
        endLine();
    }
    return true;
}

MirrorCopy writeCopy(const std::string& page, int number) {
    MirrorCopy result;
    result.path = mirrorCopyPath(page, number);
    platform::FilePtr source = platform::openFile(page, "rb");
    if (!source) {
        result.reason = "cannot read " + page + ": " + platform::systemReason(errno);
        return result;
    }
    // An existing copy is kept as it is, so nothing is ever replaced.
    if (platform::fileExists(result.path)) {
        result.outcome = CopyOutcome::Kept;
        return result;
    }
    std::string text;
    if (!readLines(source.get(), text)) {
        result.reason = "cannot read " + page + ": " + platform::systemReason(errno);
        return result;
    }
    // The copy appears whole or not at all: a half-written one would be uploaded as the page.
    if (!platform::createWholeFile(result.path, text)) {
        if (errno == EEXIST) {
            result.outcome = CopyOutcome::Kept;
        } else {
            result.reason = "cannot create " + result.path + ": " + platform::systemReason(errno);
        }
        return result;
    }
    result.outcome = CopyOutcome::Written;
    return result;
}

}  // namespace

std::string mirrorCopyPath(const std::string& page, int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", number);
    const std::size_t dot = page.rfind('.');
    if (dot == std::string::npos) {
        return digits + page;
    }
    return page.substr(0, dot) + digits + page.substr(dot);
}

std::vector<MirrorCopy> writeMirrorCopies(const std::string& page) {
    std::vector<MirrorCopy> copies;
    for (int number = 1; number <= kMirrorCopyCount; ++number) {
        copies.push_back(writeCopy(page, number));
    }
    return copies;
}

}  // namespace farrow::optimizer
