#include "crawl/page_fetch.h"

namespace farrow::crawl {

std::string FetchAnswer::header(std::string_view lowerName) const {
    for (const auto& [name, value] : headers) {
        if (name == lowerName) {
            return value;
        }
    }
    return {};
}

}  // namespace farrow::crawl
