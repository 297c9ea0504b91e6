#include "submit/submission_worker.h"

#include <thread>

#include "base/text.h"
#include "logs/log_rows.h"
#include "platform/file_system.h"

namespace farrow::submit {

namespace {

constexpr std::size_t kInvalidUrlDistance = 20;

void finish(WorkerSlot& slot, int result, ReportReason reason) {
    slot.reason = reason;
    slot.result.store(result, std::memory_order_relaxed);
    slot.finished.store(true, std::memory_order_release);
}

// The answer came too late, or the dispatcher gave the worker up: the dispatcher records the
// site as terminated, so the worker writes nothing of its own.
void finishUnheard(WorkerSlot& slot) {
    finish(slot, 0, ReportReason::Latent);
}

// Appends one dump block while holding the write flag.
void dumpUnderWriteFlag(WorkerSlot& slot, const WorkerContext& context, const std::string& block) {
    slot.statusText = kStatusWaitingForWriteFlag;
    while (!context.writeFlag->tryTake()) {
        std::this_thread::sleep_for(context.transportSettings.timing.workerPoll);
    }
    slot.holdsWriteFlag = true;
    slot.whileCurrent([&] { platform::appendTextToFile(context.dumpPath, block); });
    context.writeFlag->release();
    slot.statusText = kStatusReleasedWriteFlag;
    slot.holdsWriteFlag = false;
}

void dumpExchange(WorkerSlot& slot, const WorkerContext& context, const std::string& reply) {
    if (!context.htmlDump) {
        return;
    }
    const SiteRequest& r = slot.request;
    std::string block;
    if (context.extendedDump) {
        block += r.payload + "\n" + r.method + "\n";
    }
    block += "sz: " + r.targetUrl + "\n" + reply + "\n";
    dumpUnderWriteFlag(slot, context, block);
}

void runHttp(WorkerSlot& slot, const WorkerContext& context) {
    const TransportOutcome out = context.transport->send(slot.request, context.transportSettings);
    if (!slot.settle(context.clock)) {
        finishUnheard(slot);
        return;
    }
    if (out.responseCode > 0) {
        slot.httpStatus = out.responseCode;
    }
    if (!out.ok || !out.errorText.empty()) {
        slot.errorText =
            base::format("Program.error [%d] [%s]", out.ok ? 1 : 0, out.errorText.c_str());
        writeErrorRows(slot, context, slot.errorText);
        dumpExchange(slot, context, out.reply);
        finish(slot, out.status >= 400 ? out.status : 0, ReportReason::ExchangeFailed);
        return;
    }
    if (base::contains(out.reply, "ERROR: Repeat URL")) {
        dumpExchange(slot, context, out.reply);
        finish(slot, 1, ReportReason::AlreadyListed);
        return;
    }
    if (repliesInvalidUrl(out.reply)) {
        slot.errorText = "I do not recognize " + context.url + " as a valid URL.";
        // The run's own error log only: the batch error log does not get this row.
        slot.whileCurrent([&] {
            logs::writeInvalidUrlRow(context.url, slot.request.siteName, slot.errorLogPath,
                                     context.logProblems.get());
        });
        if (context.htmlDump) {
            dumpUnderWriteFlag(slot, context, slot.request.siteName + ": " + out.reply + "\n");
        }
        finish(slot, 0, ReportReason::InvalidUrl);
        return;
    }
    if (slot.stopRequested.load()) {
        finish(slot, 1, ReportReason::Stopped);
        return;
    }
    while (slot.pauseRequested.load()) {
        std::this_thread::sleep_for(context.transportSettings.timing.workerPoll);
    }
    dumpExchange(slot, context, out.reply);
    finish(slot, out.status < 400 ? 1 : out.status, ReportReason::Accepted);
}

void runMail(WorkerSlot& slot, const WorkerContext& context) {
    const TransportOutcome out = context.transport->send(slot.request, context.transportSettings);
    if (!slot.settle(context.clock)) {
        finishUnheard(slot);
        return;
    }
    if (out.ok) {
        finish(slot, 1, ReportReason::Accepted);
        return;
    }
    // The row that the FAILED row links to says why the mail did not go.
    slot.mailReason = out.errorText;
    slot.errorText =
        "The mail was not sent: " +
        (out.errorText.empty() ? std::string("the mail server refused it") : out.errorText);
    writeErrorRows(slot, context, slot.errorText);
    finish(slot, 0, ReportReason::MailRefused);
}

}  // namespace

void writeErrorRows(WorkerSlot& slot, const WorkerContext& context, const std::string& text) {
    slot.whileCurrent([&] {
        if (context.batchRun) {
            logs::writeErrorRow(text, slot.request.siteName, context.batchErrorLogPath);
        }
        logs::writeErrorRow(text, slot.request.siteName, slot.errorLogPath,
                            context.logProblems.get());
    });
}

std::string unknownMethodText(const std::string& method) {
    return "Unknown method \"" + method + "\": nothing was sent";
}

bool repliesInvalidUrl(std::string_view reply) {
    const std::size_t url = reply.find("URL");
    const std::size_t error = reply.find("ERROR");
    return url != std::string_view::npos && error != std::string_view::npos && error > url &&
           error - url < kInvalidUrlDistance;
}

void runWorker(WorkerSlot& slot, const WorkerContext& context) {
    const std::string& method = slot.request.method;
    if (method == "GET" || method == "POST") {
        runHttp(slot, context);
    } else if (method == "MAILTO") {
        runMail(slot, context);
    } else if (slot.settle(context.clock)) {
        // A method no transport knows (a typing error in the sites database) reaches nobody: a
        // failure, kept for the failure profile, never a success.
        slot.errorText = unknownMethodText(method);
        writeErrorRows(slot, context, slot.errorText);
        finish(slot, 0, ReportReason::NotSent);
    } else {
        finishUnheard(slot);
    }
}

}  // namespace farrow::submit
