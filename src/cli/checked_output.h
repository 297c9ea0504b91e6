#pragma once

#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

namespace farrow::cli {

// An output whose every write is checked: the bytes go on to another stream buffer (stdout's,
// or a file's of its own), and the first write that fails is kept with the system's reason, so
// that the command can say which output failed and why when it ends.
class CheckedOutput final : public std::streambuf {
public:
    // Writes into `target`, named `name` in the complaint ("standard output").
    CheckedOutput(std::streambuf* target, std::string name);
    // Writes the file `path`, `mode` being std::ios::app or std::ios::trunc; `opened()` says
    // whether it could be opened.
    static std::unique_ptr<CheckedOutput> open(const std::string& path, std::ios::openmode mode);
    static std::unique_ptr<CheckedOutput> appendTo(const std::string& path) {
        return open(path, std::ios::app);
    }
    CheckedOutput(const CheckedOutput&) = delete;
    CheckedOutput& operator=(const CheckedOutput&) = delete;

    bool opened() const { return target_ != nullptr; }
    // Sends what follows to `target` instead, named `name`.
    void retarget(std::streambuf* target, std::string name);
    // Called before each write, e.g. to take a progress line off the terminal.
    void beforeWrite(std::function<void()> hook) { beforeWrite_ = std::move(hook); }

    // Flushes, and closes the file when it is one of its own; false when this or an earlier
    // write failed.
    bool finish();
    bool failed() const { return !reason_.empty(); }
    // "cannot write NAME: REASON" for the first failure.
    std::string complaint() const;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    CheckedOutput() = default;
    void noteFailure();

    std::streambuf* target_ = nullptr;
    std::unique_ptr<std::filebuf> file_;
    std::string name_;
    std::string reason_;
    std::function<void()> beforeWrite_;
};

}  // namespace farrow::cli
