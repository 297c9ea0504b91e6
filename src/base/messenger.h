#pragma once

#include <string>

namespace farrow::base {

// `None` is a plain box with the application's name as caption and an OK button.
enum class MessageIcon { Stop, Exclamation, Information, None };

// Message boxes. The desktop shows a modal box (from any thread); the command line prints the
// text; tests record it.
class Messenger {
public:
    virtual ~Messenger() = default;
    virtual void showMessage(const std::string& text, MessageIcon icon) = 0;
};

}  // namespace farrow::base
