#pragma once

#include <string>
#include <vector>

namespace farrow::test {

// A plain site line with the given name, method and address; the other positions hold " "
// (not taken) unless `overrides` sets them as {position, value} pairs.
std::string plainSiteLine(const std::string& name, const std::string& method = "GET",
                          const std::string& url = "http://engine.test/add",
                          const std::vector<std::pair<int, std::string>>& overrides = {});

// The same line with a category block: form field `field` and the categories, then "NULL".
std::string plainComplexSiteLine(const std::string& name, const std::string& field,
                                 const std::vector<std::string>& categories,
                                 const std::string& method = "POST");

// Encodes plain lines into the contents of a "sites.enc" file, one per line.
std::string encodedSitesFile(const std::vector<std::string>& plainLines);

// A saved profile (".fl2") that passes the profile check: keyword 1 "jet", the switches off,
// and `sites` selected without categories.
std::string profileFileText(const std::vector<std::string>& sites,
                            const std::string& url = "http://my.site",
                            const std::string& title = "Mine");

}  // namespace farrow::test
