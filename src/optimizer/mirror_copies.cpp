#include "optimizer/mirror_copies.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/file_system.h"

namespace farrow::optimizer {

namespace {

// Copies the lines of `source` into `copy`; false with errno set when reading or writing fails.
bool copyLines(std::FILE* source, std::FILE* copy, bool& readFailed) {
    char buffer[65536];
    std::string line;
    auto writeLine = [&] {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        line.push_back('\n');
        const bool ok = std::fwrite(line.data(), 1, line.size(), copy) == line.size();
        line.clear();
        return ok;
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
            if (!writeLine()) {
                return false;
            }
            p = lf + 1;
        }
        if (n < sizeof buffer) {
            break;
        }
    }
    if (std::ferror(source)) {
        readFailed = true;
        return false;
    }
    return line.empty() || writeLine();
}

MirrorCopy writeCopy(const std::string& page, int number) {
    MirrorCopy result;
    result.path = mirrorCopyPath(page, number);
    platform::FilePtr source = platform::openFile(page, "rb");
    if (!source) {
        result.reason = "cannot read " + page + ": " + platform::systemReason(errno);
        return result;
    }
    // "x" creates the copy only when no file of that name exists, so nothing is ever replaced.
    platform::FilePtr copy = platform::openFile(result.path, "wbx");
    if (!copy) {
        if (errno == EEXIST) {
            result.outcome = CopyOutcome::Kept;
        } else {
            result.reason = "cannot create " + result.path + ": " + platform::systemReason(errno);
        }
        return result;
    }
    bool readFailed = false;
    bool ok = copyLines(source.get(), copy.get(), readFailed);
    int error = errno;
    if (std::fclose(copy.release()) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        // A half-written copy would be uploaded as if it were the page.
        platform::removeFile(result.path);
        result.reason = (readFailed ? "cannot read " + page : "cannot write " + result.path) +
                        ": " + platform::systemReason(error);
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
