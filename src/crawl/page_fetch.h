#pragma once

#include <functional>

#include "platform/web_client.h"

namespace farrow::crawl {

// How the crawl and the sitemap reader read a URL: the program's web client, or a fake in tests.
// The crawl asks for GETs only and follows redirects itself.
using PageFetch = std::function<platform::WebResponse(const platform::WebRequest&)>;

}  // namespace farrow::crawl
