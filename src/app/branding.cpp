#include "app/branding.h"

#include <array>
#include <cerrno>
#include <cstdio>

#include "platform/file_system.h"
#include "platform/line_reader.h"

namespace farrow::app {

base::Branding readBranding(base::Messenger& messenger, const std::string& path) {
    base::Branding b;
    if (!platform::fileExists(path)) {
        return b;
    }
    platform::FilePtr file = platform::openFile(path, "rb");
    if (!file) {
        messenger.showMessage("Could not open \"" + path + "\": " + platform::systemReason(errno),
                              base::MessageIcon::Exclamation);
        return b;
    }
    const std::array<std::string*, 10> slots = {
        &b.productName, &b.vendorLine,    &b.vendorName,    &b.salesContact,   &b.infoContact,
        &b.mailSetting, &b.vendorGraphic, &b.vendorHeading, &b.vendorHeading2, &b.supportMail,
    };
    platform::LineReader reader(file.get());
    std::string line;
    for (std::size_t i = 0; reader.readLine(line); ++i) {
        if (i < slots.size()) {
            *slots[i] = line;
        }
    }
    return b;
}

bool isAdultOnlyEdition(const base::Branding& branding) {
    return branding.vendorName.compare(0, 6, "Morvel") == 0;
}

}  // namespace farrow::app
