#include "cli/checked_output.h"

#include <cerrno>

#include "platform/file_system.h"

namespace farrow::cli {

CheckedOutput::CheckedOutput(std::streambuf* target, std::string name)
    : target_(target), name_(std::move(name)) {}

std::unique_ptr<CheckedOutput> CheckedOutput::open(const std::string& path,
                                                   std::ios::openmode mode) {
    std::unique_ptr<CheckedOutput> output(new CheckedOutput);
    output->name_ = "\"" + path + "\"";
    output->file_ = std::make_unique<std::filebuf>();
    if (output->file_->open(path, std::ios::out | std::ios::binary | mode)) {
        output->target_ = output->file_.get();
    }
    return output;
}

void CheckedOutput::retarget(std::streambuf* target, std::string name) {
    target_ = target;
    name_ = std::move(name);
}

void CheckedOutput::noteFailure() {
    if (reason_.empty()) {
        reason_ = errno != 0 ? platform::systemReason(errno) : "the write failed";
    }
}

CheckedOutput::int_type CheckedOutput::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::streamsize CheckedOutput::xsputn(const char* s, std::streamsize n) {
    // After a failure nothing more is written, so a file is not left with lines missing
    // in its middle.
    if (target_ == nullptr || failed()) {
        return 0;
    }
    if (beforeWrite_) {
        beforeWrite_();
    }
    errno = 0;
    const std::streamsize written = target_->sputn(s, n);
    if (written != n) {
        noteFailure();
    }
    return written;
}

int CheckedOutput::sync() {
    if (target_ == nullptr || failed()) {
        return -1;
    }
    errno = 0;
    if (target_->pubsync() != 0) {
        noteFailure();
        return -1;
    }
    return 0;
}

bool CheckedOutput::finish() {
    sync();
    if (file_ && file_->is_open()) {
        errno = 0;
        if (file_->close() == nullptr) {
            noteFailure();
        }
    }
    return !failed();
}

std::string CheckedOutput::complaint() const {
    return "cannot write " + name_ + ": " + reason_;
}

}  // namespace farrow::cli
