#pragma once

#include <array>
#include <optional>
#include <string>

namespace farrow::app {

inline constexpr const char* kCaptionFile = "messages.cat";
inline constexpr std::size_t kCaptionLines = 52;

// The captions of "messages.cat", line 1 at index 0.
using CaptionCatalogue = std::array<std::string, kCaptionLines>;

// Reads the first 52 lines of the caption file; lines missing at its end are empty texts and
// later lines are ignored. Nothing when the file is missing or cannot be opened, in which case
// the window keeps its built-in captions.
std::optional<CaptionCatalogue> readCaptionCatalogue(const std::string& path);

}  // namespace farrow::app
