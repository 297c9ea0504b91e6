#pragma once

#include <string>
#include <string_view>

namespace farrow::logs {

// Makes a value safe inside the HTML logs, as element text or as an attribute value: "&", "<",
// ">" and the double quote become entities.
std::string escapeHtml(std::string_view text);

// A file path as a link target: "%", "#" and "?" are percent-encoded, so that a name made from
// a URL with a query still names the file instead of starting a query or a fragment.
std::string linkPath(std::string_view path);

}  // namespace farrow::logs
