#pragma once

#include <optional>
#include <string>
#include <vector>

namespace farrow::submit {

// The category chooser of the build step: a modal list with an "OK" button, asked when no
// keyword yields a category for a site.
class CategoryChooser {
public:
    virtual ~CategoryChooser() = default;
    // Shows `lines` (already sorted) under `caption` ("Couldn't Find Match for " + site name).
    // Returns the line chosen with "OK", or nullopt when the user made no choice: "OK" with
    // nothing selected, or the window closed.
    virtual std::optional<std::string> chooseCategory(const std::string& caption,
                                                      const std::vector<std::string>& lines) = 0;
};

}  // namespace farrow::submit
