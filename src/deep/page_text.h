#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace farrow::deep {

bool containsIgnoringCase(std::string_view text, std::string_view part);
bool endsWithIgnoringCase(std::string_view text, std::string_view suffix);
// The non-empty pieces of a catalogue, each of which was followed by `separator`; text after
// the last separator is no entry.
std::vector<std::string> catalogueEntries(std::string_view catalogue, char separator = '|');

}  // namespace farrow::deep
