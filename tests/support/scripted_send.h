#pragma once

#include <string>

namespace farrow::test {

// A mark inside a scripted answer of the test servers: what comes before it is sent, then the
// server waits `ms` before it goes on, so that an answer arrives in pieces or late.
std::string pauseMark(int ms);

// Sends every byte of `text` to `fd`, keeping the pause marks in it; stops early when the peer
// has gone.
void sendScripted(int fd, const std::string& text);

}  // namespace farrow::test
