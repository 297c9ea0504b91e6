#include "fuzz_input.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace farrow::fuzz {

const std::string& inputPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/farrow-fuzz-" +
               std::to_string(::getpid());
    }();
    return path;
}

namespace {

// Removes the input file when the fuzzer ends its run.
struct InputFileRemover {
    const std::string path = inputPath();
    ~InputFileRemover() { std::remove(path.c_str()); }
} inputFileRemover;

}  // namespace

void writeInput(std::string_view bytes) {
    std::FILE* file = std::fopen(inputPath().c_str(), "wb");
    if (!file) {
        std::abort();
    }
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

}  // namespace farrow::fuzz
