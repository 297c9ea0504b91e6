// A hostile site record: the input as one plain line of the sites database (every field, the
// method, the category block), built into a request for a full profile. The category chooser
// picks the first line offered, or nothing when there is none.
#include <optional>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "keywords/smart_match_table.h"
#include "sites/site_line_parser.h"
#include "sites/sorted_list.h"
#include "submit/request_builder.h"

using namespace farrow;

namespace {

class FirstLineChooser final : public submit::CategoryChooser {
public:
    std::optional<std::string> chooseCategory(const std::string&,
                                              const std::vector<std::string>& lines) override {
        if (lines.empty()) {
            return std::nullopt;
        }
        return lines.front();
    }
};

profile::SubmissionProfile fullProfile() {
    profile::SubmissionProfile p;
    p.url = "http://my.site.test/a b.htm";
    p.title = "My Site & Co";
    p.description = "line 1\nline 2 with \"quotes\"";
    p.lastName = "Lee";
    p.firstName = "Ann";
    p.email = "ann@my.site.test";
    p.company = "Lee & Co";
    p.phone = "555 0100";
    p.keywords[0] = "sourdough bread";
    p.keywords[1] = "music";
    p.keywords[15] = "arts";
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const profile::SubmissionProfile profile = fullProfile();
    static const keywords::SmartMatchTable smartMatch = keywords::SmartMatchTable::standard();
    sites::SiteRecord record = sites::parseSiteLine(fuzz::asText(data, size));
    sites::SiteTable table;
    sites::SortedList selected;
    submit::BuildParams params{.profile = profile,
                               .siteTable = table,
                               .selected = selected,
                               .smartMatchTable = smartMatch,
                               .verbose = false,
                               .siteLog = false,
                               .logsDir = {},
                               .siteErrorFile = {},
                               .timing = {}};
    submit::SiteRequest request;
    request.siteName = record.name();
    request.method = record.fields[sites::kMethod];
    FirstLineChooser chooser;
    submit::buildSiteRequest(params, record, request, chooser);
    submit::categoryChooserLines(record);
    return 0;
}
