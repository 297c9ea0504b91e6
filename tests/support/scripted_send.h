#pragma once

#include <atomic>
#include <string>

namespace farrow::test {

// A mark inside a scripted answer of the test servers: what comes before it is sent, then the
// server waits `ms` before it goes on, so that an answer arrives in pieces or late.
std::string pauseMark(int ms);

// Sends every byte of `text` to `fd`, keeping the pause marks in it; stops early when the peer
// has gone.
void sendScripted(int fd, const std::string& text);

// A socket listening on 127.0.0.1 at a free port, for the scripted servers; sets `port`.
int listenOnLoopback(int& port);

// Waits for `fd` to become readable; false once `stopping` is set.
bool waitReadable(int fd, const std::atomic<bool>& stopping);

}  // namespace farrow::test
