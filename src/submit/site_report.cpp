#include "submit/site_report.h"

namespace farrow::submit {

const char* outcomeText(ReportOutcome outcome) {
    switch (outcome) {
        case ReportOutcome::Successful:
            return "SUCCESSFUL";
        case ReportOutcome::Failed:
            return "FAILED";
        case ReportOutcome::Terminated:
            return "TERMINATED";
        case ReportOutcome::NotStarted:
            return "NOT STARTED";
    }
    return "";
}

const char* reasonText(ReportReason reason) {
    switch (reason) {
        case ReportReason::Accepted:
            return "accepted";
        case ReportReason::AlreadyListed:
            return "already-listed";
        case ReportReason::InvalidUrl:
            return "invalid-url";
        case ReportReason::ExchangeFailed:
            return "exchange-failed";
        case ReportReason::MailRefused:
            return "mail-refused";
        case ReportReason::NotSent:
            return "not-sent";
        case ReportReason::Stopped:
            return "stopped";
        case ReportReason::Latent:
            return "latent";
        case ReportReason::NotStarted:
            return "not-started";
    }
    return "";
}

}  // namespace farrow::submit
