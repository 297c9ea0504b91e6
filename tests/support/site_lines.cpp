#include "support/site_lines.h"

#include <array>

#include "profile/profile_file.h"
#include "sites/site_line_codec.h"

namespace farrow::test {

std::string plainSiteLine(const std::string& name, const std::string& method,
                          const std::string& url,
                          const std::vector<std::pair<int, std::string>>& overrides) {
    std::array<std::string, 34> fields;
    fields.fill(" ");
    fields[0] = name;
    fields[1] = "x";
    fields[2] = url;
    fields[3] = method;
    for (const auto& [pos, value] : overrides) {
        fields[static_cast<std::size_t>(pos)] = value;
    }
    std::string line;
    for (const std::string& f : fields) {
        line += f + "|";
    }
    line.pop_back();
    return line;
}

std::string plainComplexSiteLine(const std::string& name, const std::string& field,
                                 const std::vector<std::string>& categories,
                                 const std::string& method) {
    std::string line = plainSiteLine(name, method) + "|[COMPLEX]|x|" + field;
    for (const std::string& c : categories) {
        line += "|" + c;
    }
    return line + "|NULL";
}

std::string encodedSitesFile(const std::vector<std::string>& plainLines) {
    std::string out;
    for (const std::string& line : plainLines) {
        out += sites::encodeSiteLine(line) + "\n";
    }
    return out;
}

std::string profileFileText(const std::vector<std::string>& sites, const std::string& url,
                            const std::string& title) {
    std::vector<std::string> lines = {
        profile::kProfileHeader, url, title, "", "Lee", "Ann", "a@b", "Co"};
    lines.resize(14);
    lines.insert(lines.end(), {"555", "", "jet"});
    lines.resize(32);
    lines.insert(lines.end(), {"SAFE", "SAFE", "SHALLOW"});
    lines.insert(lines.end(), sites.begin(), sites.end());
    lines.push_back("DATAEND");
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

}  // namespace farrow::test
