#include "cli/progress_line.h"

#include "cli/command_context.h"
#include "cli/interrupt_scope.h"

namespace farrow::cli {

namespace {

constexpr char kErase[] = "\r\x1b[K";

}  // namespace

std::string fittedToColumns(const std::string& text, std::size_t columns) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A UTF-8 continuation byte belongs to the character before it.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) {
            continue;
        }
        if (characters == columns) {
            return text.substr(0, i);
        }
        ++characters;
    }
    return text;
}

ProgressLine::ProgressLine(const CommandContext& context)
    : context_(context),
      terminal_(context.settings.progressLine ? context.terminalBuffer() : nullptr),
      columns_(context.settings.terminalColumns) {
    context_.setProgressLine(this);
}

ProgressLine::~ProgressLine() {
    context_.setProgressLine(nullptr);
    erase();
}

void ProgressLine::show(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (terminal_ == nullptr || InterruptScope::requested()) {
        return;
    }
    // The last column is left free: a terminal that wraps there would start a new line.
    const std::string line =
        kErase + fittedToColumns(text, columns_ > 1 ? columns_ - 1 : std::size_t{1});
    terminal_->sputn(line.data(), static_cast<std::streamsize>(line.size()));
    terminal_->pubsync();
    shown_ = true;
    InterruptScope::setLineShown(true);
}

void ProgressLine::erase() {
    std::lock_guard lock(mutex_);
    eraseLocked();
}

void ProgressLine::eraseLocked() {
    if (!shown_) {
        return;
    }
    shown_ = false;
    InterruptScope::setLineShown(false);
    terminal_->sputn(kErase, sizeof kErase - 1);
    terminal_->pubsync();
}

}  // namespace farrow::cli
