#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/messenger.h"

namespace farrow::fuzz {

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The readers that take a path read the input from this file, in a folder of its own for each
// fuzzing process; the folder serves as the workspace of the readers that take one.
const std::string& inputDir();
const std::string& inputPath();
void writeInput(std::string_view bytes);

// Messages are dropped: a reader must neither crash nor hang whatever it has to say.
class QuietMessenger final : public base::Messenger {
public:
    void showMessage(const std::string&, base::MessageIcon) override {}
};

}  // namespace farrow::fuzz
