// The files read at start-up: the user's settings, the branding and the captions. The first
// input byte picks the reader, so each keeps a corpus of its own format.
#include "app/branding.h"
#include "app/caption_catalogue.h"
#include "app/user_settings.h"
#include "fuzz_input.h"

using namespace farrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    fuzz::writeInput(fuzz::asText(data + 1, size - 1));
    fuzz::QuietMessenger messenger;
    switch (data[0] % 3) {
        case 0: {
            const app::SettingsLoad load = app::loadUserSettings(messenger, fuzz::inputPath());
            app::browserIndexFor(load.settings.browserChoice);
            break;
        }
        case 1:
            app::isAdultOnlyEdition(app::readBranding(messenger, fuzz::inputPath()));
            break;
        default:
            app::readCaptionCatalogue(fuzz::inputPath());
            break;
    }
    return 0;
}
