// A saved profile (.fl2) loaded into a state that knows a plain and a category-taking site.
#include "fuzz_input.h"
#include "profile/profile_dialogs.h"
#include "profile/profile_file.h"
#include "sites/site_line_parser.h"

using namespace farrow;

namespace {

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
    sites::SiteTable table;
    sites::SiteLists lists;
    table.append(sites::parseSiteLine(siteLine("Plain Site", "")));
    table.append(sites::parseSiteLine(siteLine("Category Site", "|[COMPLEX]|x|cat|One|Two|NULL")));
    for (const sites::SiteRecord& r : table) {
        lists.available.add(r.name());
    }
    profile::SubmissionProfile profile;
    profile::NoProfileDialogs dialogs;
    fuzz::QuietMessenger messenger;
    profile::loadProfile(fuzz::inputPath(), profile::SiteSelection{table, lists}, profile, dialogs,
                         messenger);
    return 0;
}
