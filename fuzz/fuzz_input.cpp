#include "fuzz_input.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <cstdlib>

namespace farrow::fuzz {

const std::string& inputDir() {
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string d =
            std::string(tmp && *tmp ? tmp : "/tmp") + "/farrow-fuzz-" + std::to_string(::getpid());
        if (::mkdir(d.c_str(), 0700) != 0 && errno != EEXIST) {
            std::abort();
        }
        return d;
    }();
    return dir;
}

const std::string& inputPath() {
    // Named as the sites database, so that the sites reader finds it in its workspace.
    static const std::string path = inputDir() + "/sites.enc";
    return path;
}

namespace {

// Removes the input file when the fuzzer ends its run.
struct InputFileRemover {
    const std::string path = inputPath();
    const std::string dir = inputDir();
    ~InputFileRemover() {
        std::remove(path.c_str());
        ::rmdir(dir.c_str());
    }
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
