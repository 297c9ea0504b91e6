#pragma once

#include <string>
#include <string_view>

namespace farrow::deep {

// The host and directory part of a URL, without scheme and final file name:
// "http://host/dir/page.htm" gives "host/dir", "http://host/" and "http://host" give "host".
std::string sitePrefix(std::string_view url);

}  // namespace farrow::deep
