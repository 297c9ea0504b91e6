#pragma once

#include <string>
#include <string_view>

#include "submit/worker_slot.h"

namespace farrow::submit {

inline constexpr const char* kDumpFile = "HTMLDUMP.WRI";

// The body of one worker thread: sends the slot's request once, judges the reply, writes the
// error rows and dumps, and leaves the verdict in the slot, `finished` last.
void runWorker(WorkerSlot& slot, const WorkerContext& context);

// Writes an error row for the slot's site: in a batch run to the batch error log first, then
// always to the run's own error log; nothing once the dispatcher has given the worker up.
void writeErrorRows(WorkerSlot& slot, const WorkerContext& context, const std::string& text);

// The error text of a site whose method is none of "GET", "POST" and "MAILTO".
std::string unknownMethodText(const std::string& method);

// A reply that names the URL as an error: "ERROR" begins after the first "URL" and fewer than
// 20 characters after its start.
bool repliesInvalidUrl(std::string_view reply);

}  // namespace farrow::submit
