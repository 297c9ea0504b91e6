#pragma once

#include <optional>
#include <string>

namespace farrow::submit {

// How one site of a run ended, as told to the caller beside the logs.
enum class ReportOutcome { Successful, Failed, Terminated, NotStarted };

// Why it ended so.
enum class ReportReason {
    Accepted,        // the site answered and nothing in the reply objected
    AlreadyListed,   // "ERROR: Repeat URL": the site knows the URL already (a success)
    InvalidUrl,      // the reply names the URL as an error
    ExchangeFailed,  // no answer, a refused connection, a time-out, a status of 400 or more
    MailRefused,     // the mail server did not take the mail
    NotSent,         // nothing was sent: an unknown method, or no thread for the worker (a failure)
    Stopped,         // the run was stopped after the reply came (a success)
    Latent,          // the worker ran too long and was given up
    NotStarted,      // the run was stopped before the request was started
};

struct SiteReport {
    std::string siteName;
    std::string method;
    std::string targetUrl;
    ReportOutcome outcome = ReportOutcome::Successful;
    ReportReason reason = ReportReason::Accepted;
    // The HTTP status the site answered, when it answered over HTTP.
    std::optional<int> httpStatus;
    // The text of the site's error row, empty when none was written.
    std::string errorText;
    // A refused mail: the mail server's reply that ended the conversation, or the system's
    // reason (its error row says the same).
    std::string mailReason;
    // From the start of the site's worker to its outcome (0 for NOT STARTED).
    long long elapsedMs = 0;
};

// "SUCCESSFUL", "FAILED", "TERMINATED", "NOT STARTED".
const char* outcomeText(ReportOutcome outcome);
// "accepted", "already-listed", "invalid-url", "exchange-failed", "mail-refused", "not-sent",
// "stopped", "latent", "not-started".
const char* reasonText(ReportReason reason);

}  // namespace farrow::submit
