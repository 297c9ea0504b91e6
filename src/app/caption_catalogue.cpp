#include "app/caption_catalogue.h"

#include <cstdio>
#include <memory>

#include "platform/line_reader.h"

namespace farrow::app {

std::optional<CaptionCatalogue> readCaptionCatalogue(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        return std::nullopt;
    }
    CaptionCatalogue captions;
    platform::LineReader reader(file.get());
    for (std::string& caption : captions) {
        if (!reader.readLine(caption)) {
            break;
        }
    }
    return captions;
}

}  // namespace farrow::app
