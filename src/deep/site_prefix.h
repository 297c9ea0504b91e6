#pragma once

#include <string>
#include <string_view>

namespace farrow::deep {

// The host and directory part of a URL, without scheme and final file name:
// "http://host/dir/page.htm" gives "host/dir", "http://host/" and "http://host" give "host".
std::string sitePrefix(std::string_view url);

// Whether a link whose site prefix is `linkPrefix` lies within the site prefix `base` of the page
// it was found on: the host (with its port) must be the same as a whole, letters A-Z folded, and
// the page's directory must end where a directory of the link's path ends. So "host/dir/.."
// lies within "host/dir", while "host/dir2", "host:18431" and "host.au" lie outside
// "host/dir", "host:1843" and "host".
bool withinSitePrefix(std::string_view linkPrefix, std::string_view base);

}  // namespace farrow::deep
