#include "app/caption_catalogue.h"

#include <cstdio>

#include "platform/file_system.h"
#include "platform/line_reader.h"

namespace farrow::app {

std::optional<CaptionCatalogue> readCaptionCatalogue(const std::string& path) {
    platform::FilePtr file = platform::openFile(path, "rb");
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
