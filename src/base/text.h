#pragma once

#include <string>
#include <string_view>

namespace farrow::base {

// Where the program disregards case it folds only the letters A to Z.
char foldCase(char c);
bool equalsIgnoringCase(std::string_view a, std::string_view b);
bool startsWithIgnoringCase(std::string_view text, std::string_view prefix);
// Orders like the sorted list boxes: by folded characters, byte by byte.
bool lessIgnoringCase(std::string_view a, std::string_view b);
bool contains(std::string_view text, std::string_view part);
// `text` with A to Z folded, as foldCase does.
std::string lowered(std::string_view text);
// `text` without the ASCII white space (space, tab, CR, LF, FF, VT) at either end.
std::string_view trimmed(std::string_view text);

// printf-style formatting into a std::string of whatever size the result needs.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// `text` with &, <, > and " as the entities of HTML and XML, and ' as `apostrophe` when one is
// given (for markup whose attributes may be single-quoted).
std::string escapeMarkup(std::string_view text, std::string_view apostrophe = {});

// Every space becomes "+"; nothing else changes.
std::string toFormValue(std::string_view text);

}  // namespace farrow::base
