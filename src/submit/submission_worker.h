#pragma once

#include <string_view>

#include "submit/worker_slot.h"

namespace farrow::submit {

inline constexpr const char* kDumpFile = "HTMLDUMP.WRI";

// The body of one worker thread: sends the slot's request once, judges the reply, writes the
// error rows and dumps, and leaves the verdict in the slot, `finished` last.
void runWorker(WorkerSlot& slot, const WorkerContext& context);

// A reply that names the URL as an error: "ERROR" begins after the first "URL" and fewer than
// 20 characters after its start.
bool repliesInvalidUrl(std::string_view reply);

}  // namespace farrow::submit
