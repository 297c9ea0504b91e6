// A saved profile (.fl2) loaded into a state that knows a plain and a category-taking site.
#include "app/app_state.h"
#include "fuzz_input.h"
#include "profile/profile_dialogs.h"
#include "profile/profile_file.h"
#include "sites/site_line_parser.h"

using namespace farrow;

namespace {

class NoDialogs final : public profile::ProfileDialogs {
public:
    std::optional<std::string> chooseSaveFile(const profile::FileChooserOptions&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseOpenFile(const profile::FileChooserOptions&) override {
        return std::nullopt;
    }
    bool confirmOverwrite(const std::string&) override { return false; }
};

std::string siteLine(const std::string& name, const std::string& tail) {
    std::string line = name + "|x|http://127.0.0.1/add|GET";
    for (int i = 4; i < 34; ++i) {
        line += "| ";
    }
    return line + tail;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::writeInput(fuzz::asText(data, size));
    app::AppState state;
    state.siteTable.append(sites::parseSiteLine(siteLine("Plain Site", "")));
    state.siteTable.append(
        sites::parseSiteLine(siteLine("Category Site", "|[COMPLEX]|x|cat|One|Two|NULL")));
    for (const sites::SiteRecord& r : state.siteTable) {
        state.lists.available.add(r.name());
    }
    state.currentProfilePath = fuzz::inputPath();
    profile::SubmissionProfile profile;
    NoDialogs dialogs;
    fuzz::QuietMessenger messenger;
    profile::loadProfile(state.currentProfilePath, app::siteSelection(state), profile, dialogs, messenger);
    return 0;
}
